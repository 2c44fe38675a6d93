#pragma once

#include <QByteArray>

#include <chrono>
#include <memory>

namespace vexto {

// The hand-over lock on POSIX: a counting semaphore shared between processes, with a maximum
// count of 1.
// It has to be a semaphore, not a file lock: the first copy releases the lock that a later copy
// took. The count is the one byte of an owner-only file (1 free, 0 taken), changed only under a
// file lock. Nothing is mapped: whatever another process does to the file, using it can't raise
// a signal, and every use opens the file by name, so all copies use the file that is there now.
class LockFile {
public:
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

    // A new lock, taken or free, in place of whatever was at the path.
    static bool CreateTaken(const QByteArray& path);
    static bool CreateFree(const QByteArray& path);
    // Null when there is no usable lock at the path.
    static std::unique_ptr<LockFile> Open(const QByteArray& path);
    // Opens the lock, making a taken one first when there is none.
    static std::unique_ptr<LockFile> CreateOrOpen(const QByteArray& path);

    // True only when the lock was obtained within the timeout.
    bool Wait(std::chrono::milliseconds timeout) const;
    // Raises the count by one; false, changing nothing, when the lock is already free. A lock
    // that has been damaged meanwhile is made anew, free.
    bool Release() const;

private:
    explicit LockFile(QByteArray path) : m_path(std::move(path)) {}
    bool tryTake() const;

    QByteArray m_path;
};

} // namespace vexto
