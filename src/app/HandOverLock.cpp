#include "HandOverLock.h"

#include "OwnerOnlyFile.h"

#include <cerrno>
#include <ctime>
#include <sys/file.h>
#include <sys/stat.h>

namespace vexto {

namespace {

bool initialiseTaken(int fd) {
    MappedRegion region = MappedRegion::Map(fd, sizeof(sem_t));
    return region.IsMapped() &&
           ::sem_init(reinterpret_cast<sem_t*>(region.Bytes().data()), 1, 0) == 0;
}

} // namespace

HandOverLock::HandOverLock(FileDescriptor file, MappedRegion region)
    : m_file(std::move(file)), m_region(std::move(region)) {}

// The semaphore is not destroyed: other processes may still use it.
HandOverLock::~HandOverLock() = default;

sem_t* HandOverLock::semaphore() const {
    return reinterpret_cast<sem_t*>(m_region.Bytes().data());
}

bool HandOverLock::CreateTaken(const QByteArray& path) {
    return OwnerOnlyFile::Make(path, sizeof(sem_t), OwnerOnlyFile::Existing::Replace,
                               initialiseTaken);
}

std::unique_ptr<HandOverLock> HandOverLock::Open(const QByteArray& path) {
    FileDescriptor file = OwnerOnlyFile::Open(path, OwnerOnlyFile::Creation::OpenExisting);
    struct stat status {};
    if (!file.IsOpen() || ::fstat(file.Get(), &status) != 0 ||
        status.st_size != static_cast<off_t>(sizeof(sem_t)))
        return nullptr;
    MappedRegion region = MappedRegion::Map(file.Get(), sizeof(sem_t));
    if (!region.IsMapped())
        return nullptr;
    return std::unique_ptr<HandOverLock>(new HandOverLock(std::move(file), std::move(region)));
}

std::unique_ptr<HandOverLock> HandOverLock::CreateOrOpen(const QByteArray& path) {
    if (auto lock = Open(path))
        return lock;
    // Keep: a lock that another copy made meanwhile wins, so all copies share one.
    const bool made =
        OwnerOnlyFile::Make(path, sizeof(sem_t), OwnerOnlyFile::Existing::Keep, initialiseTaken);
    return made ? Open(path) : nullptr;
}

bool HandOverLock::Wait(std::chrono::milliseconds timeout) {
    // A monotonic deadline: changing the wall clock neither ends the wait early nor stretches it.
    timespec deadline{};
    ::clock_gettime(CLOCK_MONOTONIC, &deadline);
    const auto total = std::chrono::nanoseconds(timeout).count() + deadline.tv_nsec;
    deadline.tv_sec += static_cast<time_t>(total / 1'000'000'000);
    deadline.tv_nsec = static_cast<long>(total % 1'000'000'000);
    for (;;) {
        if (::sem_clockwait(semaphore(), CLOCK_MONOTONIC, &deadline) == 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}

bool HandOverLock::Release() {
    // The value check and the post must be one step, or two releasers could both see 0 and
    // push the count past its maximum of 1. The file lock is held only for these two calls.
    if (::flock(m_file.Get(), LOCK_EX) != 0)
        return false;
    int value = 0;
    const bool released =
        ::sem_getvalue(semaphore(), &value) == 0 && value < 1 && ::sem_post(semaphore()) == 0;
    ::flock(m_file.Get(), LOCK_UN);
    return released;
}

} // namespace vexto
