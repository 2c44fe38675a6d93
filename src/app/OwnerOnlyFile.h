#pragma once

#include "FileDescriptor.h"

#include <QByteArray>

#include <chrono>
#include <cstddef>
#include <functional>

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

    // Builds a file of `size` zero bytes under a temporary name, lets `fill` initialise it and
    // only then gives it its name, so that no other process ever opens a half-made file. With
    // Keep an existing file stays and counts as success. Processes that still have the
    // replaced file open keep using it.
    static bool Make(const QByteArray& path, std::size_t size, Existing existing,
                     const std::function<bool(int fd)>& fill = {});

    // flock() that gives up after the timeout instead of waiting forever on a stopped holder.
    static bool Lock(int fd, int operation, std::chrono::milliseconds timeout);
};

} // namespace vexto
