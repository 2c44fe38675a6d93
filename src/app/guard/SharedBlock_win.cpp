#include "SharedBlock.h"

#include "InstanceNames.h"
#include "KernelObject_win.h"

#include <cstring>
#include <windows.h>

namespace vexto {

// A named mapping of the paging file in the log-on's namespace. A view is mapped only for each
// read or write.
class SharedBlock::Handle : public KernelObject {
    using KernelObject::KernelObject;
};

namespace {

// A view of the whole block for as long as it lives.
class BlockView {
public:
    explicit BlockView(HANDLE mapping)
        : m_view(::MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0,
                                 HandOverBlock::Size)) {}
    ~BlockView() {
        if (m_view)
            ::UnmapViewOfFile(m_view);
    }
    BlockView(const BlockView&) = delete;
    BlockView& operator=(const BlockView&) = delete;

    std::byte* Bytes() const { return static_cast<std::byte*>(m_view); }

private:
    void* m_view;
};

} // namespace

SharedBlock::SharedBlock(std::unique_ptr<Handle> handle, bool alreadyExisted)
    : m_handle(std::move(handle)), m_alreadyExisted(alreadyExisted) {}

SharedBlock::~SharedBlock() = default;

std::unique_ptr<SharedBlock> SharedBlock::CreateOrOpen(const InstanceNames& names) {
    const HANDLE mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                HandOverBlock::Size, names.BlockName().constData());
    // Read at once, before another call can change it.
    const bool alreadyExisted = ::GetLastError() == ERROR_ALREADY_EXISTS;
    if (!mapping)
        return nullptr;
    return std::unique_ptr<SharedBlock>(
        new SharedBlock(std::make_unique<Handle>(mapping), alreadyExisted));
}

std::optional<SharedBlock::Contents> SharedBlock::Read() const {
    const BlockView view(m_handle->Get());
    if (!view.Bytes())
        return std::nullopt;
    Contents contents{};
    std::memcpy(contents.data(), view.Bytes(), contents.size());
    return contents;
}

bool SharedBlock::WriteNotifyId(std::uint32_t id) const {
    const BlockView view(m_handle->Get());
    if (!view.Bytes())
        return false;
    Contents contents{};
    HandOverBlock::SetNotifyId(contents, id);
    std::memcpy(view.Bytes(), contents.data(), HandOverBlock::CountOffset);
    return true;
}

bool SharedBlock::WriteParameters(const std::vector<std::string>& parameters) const {
    const BlockView view(m_handle->Get());
    if (!view.Bytes())
        return false;
    Contents contents{};
    std::memcpy(contents.data(), view.Bytes(), contents.size());
    HandOverBlock::WriteParameters(contents, parameters);
    std::memcpy(view.Bytes() + HandOverBlock::CountOffset,
                contents.data() + HandOverBlock::CountOffset,
                contents.size() - HandOverBlock::CountOffset);
    return true;
}

} // namespace vexto
