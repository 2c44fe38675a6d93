#include "SharedBlock.h"

#include "HandOverLock.h"
#include "InstanceNames.h"
#include "OwnerOnlyFile.h"
#include "calc/HandOverBlock.h"

#include <cerrno>
#include <sys/file.h>
#include <sys/stat.h>

namespace vexto {

namespace {

// Holders of the creation lock keep it for microseconds; the bound only matters when one
// is stopped while holding it.
constexpr std::chrono::milliseconds CreationLockTimeout{10'000};

FileDescriptor openBlock(const QByteArray& path) {
    FileDescriptor block = OwnerOnlyFile::Open(path, OwnerOnlyFile::Creation::OpenExisting);
    struct stat status {};
    if (!block.IsOpen() || ::fstat(block.Get(), &status) != 0 ||
        status.st_size != static_cast<off_t>(HandOverBlock::Size))
        return {};
    return block;
}

bool makeBlock(const QByteArray& path) {
    return OwnerOnlyFile::Make(path, HandOverBlock::Size, OwnerOnlyFile::Existing::Replace);
}

} // namespace

SharedBlock::SharedBlock(FileDescriptor block, FileDescriptor liveness, bool alreadyExisted)
    : m_block(std::move(block)), m_liveness(std::move(liveness)), m_alreadyExisted(alreadyExisted) {
}

SharedBlock::~SharedBlock() = default;

std::unique_ptr<SharedBlock> SharedBlock::CreateOrOpen(const InstanceNames& names) {
    // One copy at a time decides and, for a dead block, makes the new objects; so of copies
    // started together exactly one creates the block and the others find it live. The lock
    // goes with the descriptor at the end of this function.
    const FileDescriptor creation =
        OwnerOnlyFile::Open(names.CreationPath(), OwnerOnlyFile::Creation::CreateIfMissing);
    if (!creation.IsOpen() || !OwnerOnlyFile::Lock(creation.Get(), LOCK_EX, CreationLockTimeout))
        return nullptr;

    FileDescriptor liveness =
        OwnerOnlyFile::Open(names.LivenessPath(), OwnerOnlyFile::Creation::CreateIfMissing);
    if (!liveness.IsOpen())
        return nullptr;

    bool alreadyExisted = false;
    if (::flock(liveness.Get(), LOCK_EX | LOCK_NB) == 0) {
        // No live holder. New files rather than clearing the old ones: a copy that still has
        // the old block or lock open (it is ending) keeps its own, as with system objects.
        // The lock is made here, taken, so that a copy that finds this block live always finds
        // a lock too and waits until the first copy has written its notification id.
        // A lock that can't be made is reported when the first copy needs it.
        if (!makeBlock(names.BlockPath()))
            return nullptr;
        HandOverLock::CreateTaken(names.LockPath());
    } else if (errno == EWOULDBLOCK) {
        alreadyExisted = true;
    } else {
        return nullptr;
    }
    // Under the creation lock nobody else holds the liveness file exclusively, so this never
    // waits; the switch from exclusive to shared need not be atomic.
    if (::flock(liveness.Get(), LOCK_SH | LOCK_NB) != 0)
        return nullptr;

    FileDescriptor block = openBlock(names.BlockPath());
    if (!block.IsOpen() && alreadyExisted) {
        // A live copy but no usable block (removed or damaged by hand): start a new one.
        alreadyExisted = false;
        if (makeBlock(names.BlockPath()))
            block = openBlock(names.BlockPath());
    }
    if (!block.IsOpen())
        return nullptr;
    return std::unique_ptr<SharedBlock>(
        new SharedBlock(std::move(block), std::move(liveness), alreadyExisted));
}

MappedRegion SharedBlock::MapView() const {
    return MappedRegion::Map(m_block.Get(), HandOverBlock::Size);
}

} // namespace vexto
