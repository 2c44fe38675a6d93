#include "SharedBlock.h"

#include "InstanceNames.h"
#include "posix/LockFile.h"
#include "posix/NotifySocket.h"
#include "posix/OwnerOnlyFile.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <functional>
#include <span>
#include <sys/file.h>
#include <sys/stat.h>

namespace vexto {

namespace {

// Holders of the creation lock keep it for microseconds; the bound only matters when one
// is stopped while holding it.
constexpr std::chrono::milliseconds CreationLockTimeout{10'000};

std::optional<SharedBlock::Contents> readBlock(const QByteArray& path) {
    const FileDescriptor block = OwnerOnlyFile::OpenSized(path, HandOverBlock::Size);
    SharedBlock::Contents contents{};
    if (!block.IsOpen() || !OwnerOnlyFile::ReadAt(block.Get(), contents, 0))
        return std::nullopt;
    return contents;
}

bool makeBlock(const QByteArray& path, std::uint32_t notifyId) {
    return OwnerOnlyFile::Make(
        path, HandOverBlock::Size, OwnerOnlyFile::Existing::Replace, [notifyId](int fd) {
            SharedBlock::Contents contents{};
            HandOverBlock::SetNotifyId(contents, notifyId);
            return OwnerOnlyFile::WriteAt(fd, std::span(contents).first<4>(), 0);
        });
}

bool isUnusable(const struct stat& status) {
    return !S_ISREG(status.st_mode) || status.st_uid != ::geteuid() || (status.st_mode & 077) != 0;
}

// A file in place of ours that we may not use (a link, another user's or an open one) is
// removed once so that ours can be made.
FileDescriptor openOrReplace(const QByteArray& path) {
    FileDescriptor file = OwnerOnlyFile::Open(path, OwnerOnlyFile::Creation::CreateIfMissing);
    struct stat status {};
    if (!file.IsOpen() && ::lstat(path.constData(), &status) == 0 && isUnusable(status) &&
        ::unlink(path.constData()) == 0)
        file = OwnerOnlyFile::Open(path, OwnerOnlyFile::Creation::CreateIfMissing);
    return file;
}

void forEachOwnFile(const InstanceNames& names,
                    const std::function<void(const QByteArray& fileName, const QByteArray& path,
                                             const struct stat& status)>& visit) {
    const QDir directory(QFile::decodeName(names.Directory()));
    const QStringList entries =
        directory.entryList({QString::fromLatin1(InstanceNames::FilePrefix) + u'*'},
                            QDir::AllEntries | QDir::System | QDir::Hidden);
    for (const QString& entry : entries) {
        const QByteArray fileName = QFile::encodeName(entry);
        const QByteArray path = names.Directory() + '/' + fileName;
        struct stat status {};
        if (::lstat(path.constData(), &status) == 0 && status.st_uid == ::geteuid())
            visit(fileName, path, status);
    }
}

bool processIsGone(const QByteArray& id) {
    bool ok = false;
    const long pid = id.toLong(&ok);
    return ok && pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// Sockets nobody listens on and temporary files whose maker is gone: copies that were killed
// leave them, whatever their program or display.
void removeLitter(const InstanceNames& names) {
    forEachOwnFile(
        names, [](const QByteArray& fileName, const QByteArray& path, const struct stat& status) {
            const qsizetype marker = fileName.lastIndexOf(InstanceNames::TemporaryMarker);
            const bool litter =
                (S_ISSOCK(status.st_mode) && fileName.endsWith(InstanceNames::NotifySuffix) &&
                 NotifySocket::IsAbandoned(path)) ||
                (S_ISREG(status.st_mode) && marker > 0 &&
                 processIsGone(
                     fileName.mid(marker + qsizetype(sizeof InstanceNames::TemporaryMarker) - 1)));
            if (litter)
                ::unlink(path.constData());
        });
}

// The notification id of this program's live first copy, from the sockets that listen: the
// newest when a copy that took over from an unanswering one listens beside it.
std::optional<std::uint32_t> liveNotifyId(const InstanceNames& names) {
    std::optional<std::uint32_t> newestId;
    timespec newest{};
    forEachOwnFile(
        names, [&](const QByteArray& fileName, const QByteArray& path, const struct stat& status) {
            const auto id = names.NotifyIdOf(fileName);
            if (!id || !S_ISSOCK(status.st_mode) || !NotifySocket::IsListening(path))
                return;
            const timespec changed = status.st_mtim;
            if (!newestId || changed.tv_sec > newest.tv_sec ||
                (changed.tv_sec == newest.tv_sec && changed.tv_nsec > newest.tv_nsec)) {
                newestId = id;
                newest = changed;
            }
        });
    return newestId;
}

// Under the creation lock: true when a live first copy's objects are (again) usable.
bool keepLiveObjects(const InstanceNames& names, bool livenessHeld) {
    const std::optional<std::uint32_t> listening = liveNotifyId(names);
    if (!livenessHeld && !listening)
        return false;
    auto block = readBlock(names.BlockPath());
    if (!block) {
        // Damaged by hand. Without a copy to hand over to it is stale, like a dead copy's.
        if (!listening || !makeBlock(names.BlockPath(), *listening))
            return false;
        block = readBlock(names.BlockPath());
        if (!block)
            return false;
    }
    // No lock beside a block whose first copy listens: damaged, made anew. Without a listener
    // the first copy is still making its objects, and the missing lock makes this copy first.
    if (!LockFile::Open(names.LockPath()) &&
        NotifySocket::IsListening(names.NotifyPath(HandOverBlock::NotifyId(*block))))
        LockFile::CreateFree(names.LockPath());
    return true;
}

} // namespace

// A file in the runtime directory, read and written through a descriptor opened by name for each
// use, never mapped: a file that another process truncates or replaces can then only fail a
// read, not kill us. Like a named system object it lives while a live copy holds it: every holder
// keeps a shared lock on the liveness file, which the kernel drops when the process ends however
// it ends. While a copy decides, it removes what copies that died left behind, and repairs a
// block or lock damaged under a live first copy.
class SharedBlock::Handle {
public:
    Handle(QByteArray path, FileDescriptor liveness)
        : path(std::move(path)), liveness(std::move(liveness)) {}

    QByteArray path;
    FileDescriptor liveness;
};

SharedBlock::SharedBlock(std::unique_ptr<Handle> handle, bool alreadyExisted)
    : m_handle(std::move(handle)), m_alreadyExisted(alreadyExisted) {}

SharedBlock::~SharedBlock() = default;

std::unique_ptr<SharedBlock> SharedBlock::CreateOrOpen(const InstanceNames& names) {
    // One copy at a time decides and, for a dead block, makes the new objects; so of copies
    // started together exactly one creates the block and the others find it live. The lock
    // goes with the descriptor at the end of this function.
    const FileDescriptor creation = openOrReplace(names.CreationPath());
    if (!creation.IsOpen() || !OwnerOnlyFile::Lock(creation.Get(), LOCK_EX, CreationLockTimeout))
        return nullptr;
    removeLitter(names);

    FileDescriptor liveness = openOrReplace(names.LivenessPath());
    if (!liveness.IsOpen())
        return nullptr;
    bool livenessHeld = false;
    if (::flock(liveness.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK)
            return nullptr;
        livenessHeld = true;
    }
    const bool alreadyExisted = keepLiveObjects(names, livenessHeld);
    if (!alreadyExisted) {
        // New files rather than clearing the old ones: a copy that still has the old block
        // open (it is ending) keeps its own, as with system objects. The lock is made here,
        // taken, so that a copy that finds this block live always finds a lock too and waits
        // until the first copy has written its notification id. A lock that can't be made is
        // reported when the first copy needs it.
        if (!makeBlock(names.BlockPath(), 0))
            return nullptr;
        LockFile::CreateTaken(names.LockPath());
    }
    // Under the creation lock nobody else holds the liveness file exclusively, so this never
    // waits; the switch from exclusive to shared need not be atomic.
    if (::flock(liveness.Get(), LOCK_SH | LOCK_NB) != 0)
        return nullptr;
    return std::unique_ptr<SharedBlock>(new SharedBlock(
        std::make_unique<Handle>(names.BlockPath(), std::move(liveness)), alreadyExisted));
}

std::optional<SharedBlock::Contents> SharedBlock::Read() const {
    return readBlock(m_handle->path);
}

bool SharedBlock::WriteNotifyId(std::uint32_t id) const {
    const FileDescriptor block = OwnerOnlyFile::OpenSized(m_handle->path, HandOverBlock::Size);
    Contents contents{};
    HandOverBlock::SetNotifyId(contents, id);
    return block.IsOpen() && OwnerOnlyFile::WriteAt(block.Get(), std::span(contents).first<4>(), 0);
}

bool SharedBlock::WriteParameters(const std::vector<std::string>& parameters) const {
    const FileDescriptor block = OwnerOnlyFile::OpenSized(m_handle->path, HandOverBlock::Size);
    Contents contents{};
    if (!block.IsOpen() || !OwnerOnlyFile::ReadAt(block.Get(), contents, 0))
        return false;
    HandOverBlock::WriteParameters(contents, parameters);
    return OwnerOnlyFile::WriteAt(block.Get(),
                                  std::span(contents).subspan(HandOverBlock::CountOffset),
                                  HandOverBlock::CountOffset);
}

} // namespace vexto
