#pragma once

#include "FileDescriptor.h"
#include "calc/HandOverBlock.h"

#include <QByteArray>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vexto {

class InstanceNames;

// The hand-over block: a file of HandOverBlock::Size bytes shared by the copies of one program.
// Like a named system object it exists only while a live copy holds it: every holder keeps a
// shared lock on the liveness file, which the kernel drops when the process ends however it
// ends. A copy that finds no live holder makes a new, zero-filled block and a new, taken
// hand-over lock, and counts as having created the block.
//
// The block is read and written through a descriptor opened by name for each use, never mapped:
// a file that another process truncates or replaces can then only fail a read, not kill us.
class SharedBlock {
public:
    using Contents = std::array<std::byte, HandOverBlock::Size>;

    ~SharedBlock();
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;

    // Null when the objects can't be made or opened. While it decides, it removes what copies
    // that died left behind, and repairs a block or lock damaged under a live first copy.
    static std::unique_ptr<SharedBlock> CreateOrOpen(const InstanceNames& names);

    // True when a live copy held the block before this one opened it.
    bool AlreadyExisted() const { return m_alreadyExisted; }

    // The whole block; none when it is missing, damaged or not this user's alone.
    std::optional<Contents> Read() const;
    bool WriteNotifyId(std::uint32_t id) const;
    // The count and the slots, as HandOverBlock::WriteParameters leaves them.
    bool WriteParameters(const std::vector<std::string>& parameters) const;

private:
    SharedBlock(QByteArray path, FileDescriptor liveness, bool alreadyExisted);

    QByteArray m_path;
    FileDescriptor m_liveness;
    bool m_alreadyExisted = false;
};

} // namespace vexto
