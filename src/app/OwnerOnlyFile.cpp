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

bool OwnerOnlyFile::Make(const QByteArray& path, std::size_t size, Existing existing,
                         const std::function<bool(int fd)>& fill) {
    // The process id keeps two makers from sharing the temporary name.
    const QByteArray temporary = path + ".new" + QByteArray::number(::getpid());
    ::unlink(temporary.constData());
    FileDescriptor file(
        ::open(temporary.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file.IsOpen())
        return false;
    bool made =
        ::ftruncate(file.Get(), static_cast<off_t>(size)) == 0 && (!fill || fill(file.Get()));
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
