#pragma once

#include "FileDescriptor.h"
#include "MappedRegion.h"

#include <QByteArray>

#include <chrono>
#include <memory>
#include <semaphore.h>

namespace vexto {

// The hand-over lock: a counting semaphore shared between processes, with a maximum count of 1
// (1 means free). It has to be a semaphore, not a file lock: the first copy releases the lock
// that a later copy took.
class HandOverLock {
public:
    ~HandOverLock();
    HandOverLock(const HandOverLock&) = delete;
    HandOverLock& operator=(const HandOverLock&) = delete;

    // A new lock, taken (count 0), in place of whatever was at the path.
    static bool CreateTaken(const QByteArray& path);
    // Null when there is no usable lock at the path.
    static std::unique_ptr<HandOverLock> Open(const QByteArray& path);
    // Opens the lock, making a taken one first when there is none.
    static std::unique_ptr<HandOverLock> CreateOrOpen(const QByteArray& path);

    // True only when the lock was obtained within the timeout.
    bool Wait(std::chrono::milliseconds timeout);
    // Raises the count by one; false, changing nothing, when the lock is already free.
    bool Release();

private:
    HandOverLock(FileDescriptor file, MappedRegion region);
    sem_t* semaphore() const;

    FileDescriptor m_file;
    MappedRegion m_region;
};

} // namespace vexto
