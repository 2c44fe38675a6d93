#include "HandOverLock.h"

#include "InstanceNames.h"

#include <windows.h>

namespace vexto {

// A named semaphore of the log-on's namespace: the system deletes it when its last handle
// closes, so a lock left by a copy that died goes with that copy.
class HandOverLock::Handle {
public:
    explicit Handle(HANDLE semaphore) : semaphore(semaphore) {}
    ~Handle() { ::CloseHandle(semaphore); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE semaphore;
};

HandOverLock::HandOverLock(std::unique_ptr<Handle> handle) : m_handle(std::move(handle)) {}

HandOverLock::~HandOverLock() = default;

std::unique_ptr<HandOverLock> HandOverLock::Open(const InstanceNames& names) {
    const HANDLE semaphore =
        ::OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, names.LockName().constData());
    if (!semaphore)
        return nullptr;
    return std::unique_ptr<HandOverLock>(new HandOverLock(std::make_unique<Handle>(semaphore)));
}

std::unique_ptr<HandOverLock> HandOverLock::CreateOrOpen(const InstanceNames& names) {
    // An existing semaphore keeps its count; a new one starts taken.
    const HANDLE semaphore = ::CreateSemaphoreA(nullptr, 0, 1, names.LockName().constData());
    if (!semaphore)
        return nullptr;
    return std::unique_ptr<HandOverLock>(new HandOverLock(std::make_unique<Handle>(semaphore)));
}

bool HandOverLock::Wait(std::chrono::milliseconds timeout) const {
    return ::WaitForSingleObject(m_handle->semaphore, static_cast<DWORD>(timeout.count())) ==
           WAIT_OBJECT_0;
}

bool HandOverLock::Release() const {
    return ::ReleaseSemaphore(m_handle->semaphore, 1, nullptr) != 0;
}

} // namespace vexto
