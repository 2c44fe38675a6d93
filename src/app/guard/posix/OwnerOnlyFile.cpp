#include "OwnerOnlyFile.h"

#include <QElapsedTimer>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vexto {

namespace {

bool isOwnerOnlyRegularFile(int fd) {
    struct stat status {};
    return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid() &&
           (status.st_mode & 077) == 0;
}

} // namespace

FileDescriptor OwnerOnlyFile::Open(const QByteArray& path, Creation creation) {
    int flags = O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
    if (creation == Creation::CreateIfMissing)
        flags |= O_CREAT;
    FileDescriptor file(::open(path.constData(), flags, 0600));
    if (!file.IsOpen() || !isOwnerOnlyRegularFile(file.Get()))
        return {};
    return file;
}

FileDescriptor OwnerOnlyFile::OpenSized(const QByteArray& path, std::size_t size) {
    FileDescriptor file = Open(path, Creation::OpenExisting);
    struct stat status {};
    if (!file.IsOpen() || ::fstat(file.Get(), &status) != 0 ||
        status.st_size != static_cast<off_t>(size))
        return {};
    return file;
}

QByteArray OwnerOnlyFile::TemporaryPath(const QByteArray& path, qint64 makerId) {
    return path + ".new" + QByteArray::number(makerId);
}

bool OwnerOnlyFile::ReadAt(int fd, std::span<std::byte> bytes, std::size_t offset) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t read = ::pread(fd, bytes.data() + done, bytes.size() - done,
                                     static_cast<off_t>(offset + done));
        if (read < 0 && errno == EINTR)
            continue;
        if (read <= 0)
            return false;
        done += static_cast<std::size_t>(read);
    }
    return true;
}

bool OwnerOnlyFile::WriteAt(int fd, std::span<const std::byte> bytes, std::size_t offset) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                         static_cast<off_t>(offset + done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

bool OwnerOnlyFile::Make(const QByteArray& path, std::size_t size, Existing existing,
                         const std::function<bool(int fd)>& fill) {
    // The process id keeps two makers from sharing the temporary name, and tells a later copy
    // whether the maker is still alive when it finds the file.
    const QByteArray temporary = TemporaryPath(path, ::getpid());
    ::unlink(temporary.constData());
    FileDescriptor file(
        ::open(temporary.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file.IsOpen())
        return false;
    // posix_fallocate both sizes the file and reserves its blocks; it reports its error as its
    // result, not in errno.
    bool made = ::posix_fallocate(file.Get(), 0, static_cast<off_t>(size)) == 0 &&
                (!fill || fill(file.Get()));
    if (made) {
        if (existing == Existing::Replace)
            made = ::rename(temporary.constData(), path.constData()) == 0;
        else
            made = ::link(temporary.constData(), path.constData()) == 0 || errno == EEXIST;
    }
    if (!made || existing == Existing::Keep)
        ::unlink(temporary.constData());
    return made;
}

bool OwnerOnlyFile::Lock(int fd, int operation, std::chrono::milliseconds timeout) {
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        if (::flock(fd, operation | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (elapsed.elapsed() >= timeout.count())
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

} // namespace vexto
