#include "HandOverLock.h"

#include "InstanceNames.h"
#include "posix/LockFile.h"

namespace vexto {

class HandOverLock::Handle {
public:
    explicit Handle(std::unique_ptr<LockFile> file) : lockFile(std::move(file)) {}
    std::unique_ptr<LockFile> lockFile;
};

HandOverLock::HandOverLock(std::unique_ptr<Handle> handle) : m_handle(std::move(handle)) {}

HandOverLock::~HandOverLock() = default;

std::unique_ptr<HandOverLock> HandOverLock::Open(const InstanceNames& names) {
    auto file = LockFile::Open(names.LockPath());
    return file ? std::unique_ptr<HandOverLock>(
                      new HandOverLock(std::make_unique<Handle>(std::move(file))))
                : nullptr;
}

std::unique_ptr<HandOverLock> HandOverLock::CreateOrOpen(const InstanceNames& names) {
    auto file = LockFile::CreateOrOpen(names.LockPath());
    return file ? std::unique_ptr<HandOverLock>(
                      new HandOverLock(std::make_unique<Handle>(std::move(file))))
                : nullptr;
}

bool HandOverLock::Wait(std::chrono::milliseconds timeout) const {
    return m_handle->lockFile->Wait(timeout);
}

bool HandOverLock::Release() const {
    return m_handle->lockFile->Release();
}

} // namespace vexto
