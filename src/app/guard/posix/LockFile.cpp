#include "LockFile.h"

#include "OwnerOnlyFile.h"

#include <array>
#include <cstddef>
#include <sys/file.h>
#include <thread>

namespace vexto {

namespace {

constexpr std::byte Taken{0};
constexpr std::byte Free{1};
constexpr std::size_t Size = 1;

// The file lock guards a read-modify-write of microseconds; a holder that keeps it longer is
// stopped or hostile, and a wait on it must stay bounded.
constexpr std::chrono::milliseconds FileLockTimeout{1'000};
// How often a waiter looks again; a hand-over takes a few milliseconds.
constexpr std::chrono::milliseconds PollInterval{2};

bool makeWith(const QByteArray& path, std::byte count, OwnerOnlyFile::Existing existing) {
    return OwnerOnlyFile::Make(path, Size, existing, [count](int fd) {
        return OwnerOnlyFile::WriteAt(fd, std::array{count}, 0);
    });
}

// Runs `change` on the count under the file lock; false when the file is unusable.
template <typename Change> bool underFileLock(const QByteArray& path, Change change) {
    const FileDescriptor file = OwnerOnlyFile::OpenSized(path, Size);
    if (!file.IsOpen() || !OwnerOnlyFile::Lock(file.Get(), LOCK_EX, FileLockTimeout))
        return false;
    std::array<std::byte, Size> count{};
    const bool done = OwnerOnlyFile::ReadAt(file.Get(), count, 0) && change(file.Get(), count[0]);
    ::flock(file.Get(), LOCK_UN);
    return done;
}

} // namespace

bool LockFile::CreateTaken(const QByteArray& path) {
    return makeWith(path, Taken, OwnerOnlyFile::Existing::Replace);
}

bool LockFile::CreateFree(const QByteArray& path) {
    return makeWith(path, Free, OwnerOnlyFile::Existing::Replace);
}

std::unique_ptr<LockFile> LockFile::Open(const QByteArray& path) {
    if (!OwnerOnlyFile::OpenSized(path, Size).IsOpen())
        return nullptr;
    return std::unique_ptr<LockFile>(new LockFile(path));
}

std::unique_ptr<LockFile> LockFile::CreateOrOpen(const QByteArray& path) {
    if (auto lock = Open(path))
        return lock;
    // Keep: a lock that another copy made meanwhile wins, so all copies share one.
    return makeWith(path, Taken, OwnerOnlyFile::Existing::Keep) ? Open(path) : nullptr;
}

bool LockFile::tryTake() const {
    return underFileLock(m_path, [](int fd, std::byte count) {
        return count != Taken && OwnerOnlyFile::WriteAt(fd, std::array{Taken}, 0);
    });
}

bool LockFile::Wait(std::chrono::milliseconds timeout) const {
    // A steady clock: changing the wall clock neither ends the wait early nor stretches it.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (tryTake())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(PollInterval);
    }
}

bool LockFile::Release() const {
    if (!OwnerOnlyFile::OpenSized(m_path, Size).IsOpen())
        return CreateFree(m_path);
    // Any byte but Taken counts as free: a count damaged by hand must not block anyone.
    return underFileLock(m_path, [](int fd, std::byte count) {
        return count == Taken && OwnerOnlyFile::WriteAt(fd, std::array{Free}, 0);
    });
}

} // namespace vexto
