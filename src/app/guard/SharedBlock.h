#pragma once

#include "calc/HandOverBlock.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vexto {

class InstanceNames;

// The hand-over block: HandOverBlock::Size bytes shared by the copies of one program under its
// block name. It exists only while a live copy holds it; the copy that makes it anew counts as
// having created it, and it starts zero-filled.
class SharedBlock {
public:
    using Contents = std::array<std::byte, HandOverBlock::Size>;

    ~SharedBlock();
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;

    // Null when the block can't be made or opened.
    static std::unique_ptr<SharedBlock> CreateOrOpen(const InstanceNames& names);

    // True when a live copy held the block before this one opened it.
    bool AlreadyExisted() const { return m_alreadyExisted; }

    // The whole block; none when it is missing, damaged or not this user's alone.
    std::optional<Contents> Read() const;
    bool WriteNotifyId(std::uint32_t id) const;
    // The count and the slots, as HandOverBlock::WriteParameters leaves them.
    bool WriteParameters(const std::vector<std::string>& parameters) const;

private:
    class Handle; // the platform's
    SharedBlock(std::unique_ptr<Handle> handle, bool alreadyExisted);

    std::unique_ptr<Handle> m_handle;
    bool m_alreadyExisted = false;
};

} // namespace vexto
