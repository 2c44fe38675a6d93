#include "HandOverLock.h"

#include "InstanceNames.h"
#include "KernelObject_win.h"

#include <windows.h>

namespace vexto {

// A named semaphore of the log-on's namespace.
class HandOverLock::Handle : public KernelObject {
    using KernelObject::KernelObject;
};

HandOverLock::HandOverLock(std::unique_ptr<Handle> handle) : m_handle(std::move(handle)) {}

HandOverLock::~HandOverLock() = default;

std::unique_ptr<HandOverLock> HandOverLock::Open(const InstanceNames& names) {
    auto semaphore = std::make_unique<Handle>(
        ::OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, names.LockName().constData()));
    return semaphore->Get() ? std::unique_ptr<HandOverLock>(new HandOverLock(std::move(semaphore)))
                            : nullptr;
}

std::unique_ptr<HandOverLock> HandOverLock::CreateOrOpen(const InstanceNames& names) {
    // An existing semaphore keeps its count; a new one starts taken.
    auto semaphore =
        std::make_unique<Handle>(::CreateSemaphoreA(nullptr, 0, 1, names.LockName().constData()));
    return semaphore->Get() ? std::unique_ptr<HandOverLock>(new HandOverLock(std::move(semaphore)))
                            : nullptr;
}

bool HandOverLock::Wait(std::chrono::milliseconds timeout) const {
    return ::WaitForSingleObject(m_handle->Get(), static_cast<DWORD>(timeout.count())) ==
           WAIT_OBJECT_0;
}

bool HandOverLock::Release() const {
    return ::ReleaseSemaphore(m_handle->Get(), 1, nullptr) != 0;
}

} // namespace vexto
