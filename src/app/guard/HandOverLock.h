#pragma once

#include <chrono>
#include <memory>

namespace vexto {

class InstanceNames;

// The hand-over lock: a semaphore shared by the copies of one program under its lock name, with
// a maximum count of 1 (free) and made taken (0). It has to be a semaphore, not a mutex: the
// first copy releases the lock that a later copy took.
class HandOverLock {
public:
    ~HandOverLock();
    HandOverLock(const HandOverLock&) = delete;
    HandOverLock& operator=(const HandOverLock&) = delete;

    // Null when there is no usable lock.
    static std::unique_ptr<HandOverLock> Open(const InstanceNames& names);
    // Opens the lock, making a taken one first when there is none; null when neither works.
    static std::unique_ptr<HandOverLock> CreateOrOpen(const InstanceNames& names);

    // True only when the lock was obtained within the timeout.
    bool Wait(std::chrono::milliseconds timeout) const;
    // Raises the count by one; false, changing nothing, when the lock is already free.
    bool Release() const;

private:
    class Handle; // the platform's
    explicit HandOverLock(std::unique_ptr<Handle> handle);

    std::unique_ptr<Handle> m_handle;
};

} // namespace vexto
