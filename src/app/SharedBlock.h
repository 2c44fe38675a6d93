#pragma once

#include "FileDescriptor.h"
#include "MappedRegion.h"

#include <memory>

namespace vexto {

class InstanceNames;

// The hand-over block: a file of HandOverBlock::Size bytes shared by the copies of one program.
// Like a named system object it exists only while a live copy holds it: every holder keeps a
// shared lock on the liveness file, which the kernel drops when the process ends however it
// ends. A copy that finds no live holder makes a new, zero-filled block and a new, taken
// hand-over lock, and counts as having created the block.
class SharedBlock {
public:
    ~SharedBlock();
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;

    // Null when the objects can't be made or opened.
    static std::unique_ptr<SharedBlock> CreateOrOpen(const InstanceNames& names);

    // True when a live copy held the block before this one opened it.
    bool AlreadyExisted() const { return m_alreadyExisted; }

    // A view of the whole block; empty when it can't be mapped.
    MappedRegion MapView() const;

private:
    SharedBlock(FileDescriptor block, FileDescriptor liveness, bool alreadyExisted);

    FileDescriptor m_block;
    FileDescriptor m_liveness;
    bool m_alreadyExisted = false;
};

} // namespace vexto
