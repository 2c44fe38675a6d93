#pragma once

#include "FileDescriptor.h"

#include <QByteArray>

#include <chrono>
#include <cstddef>
#include <functional>
#include <span>

namespace vexto {

// Files that only their owner may use, in a directory that other users can't write. Every
// opener checks that the file is a regular file of this user with no group or other access,
// and never follows a symbolic link.
class OwnerOnlyFile {
public:
    enum class Creation { OpenExisting, CreateIfMissing };
    enum class Existing { Replace, Keep };

    // A closed descriptor when the file is missing (OpenExisting), can't be made, or fails the
    // owner check.
    static FileDescriptor Open(const QByteArray& path, Creation creation);
    // As Open(OpenExisting), and the file must also be exactly `size` bytes long.
    static FileDescriptor OpenSized(const QByteArray& path, std::size_t size);

    // Builds a file of `size` zero bytes under a temporary name, lets `fill` initialise it and
    // only then gives it its name, so that no other process ever opens a half-made file. The
    // space is reserved, not left sparse, so a full file system fails here, and the temporary
    // file goes on every failure. With Keep an existing file stays and counts as success.
    // Processes that still have the replaced file open keep using it.
    static bool Make(const QByteArray& path, std::size_t size, Existing existing,
                     const std::function<bool(int fd)>& fill = {});
    // The name Make gives its temporary file; `makerId` is the maker's process id.
    static QByteArray TemporaryPath(const QByteArray& path, qint64 makerId);

    // Whole reads and writes at an offset; false on anything less.
    static bool ReadAt(int fd, std::span<std::byte> bytes, std::size_t offset);
    static bool WriteAt(int fd, std::span<const std::byte> bytes, std::size_t offset);

    // flock() that gives up after the timeout instead of waiting forever on a stopped holder.
    static bool Lock(int fd, int operation, std::chrono::milliseconds timeout);
};

} // namespace vexto
