#pragma once

#include <cstddef>
#include <span>

namespace vexto {

// A read-write shared mapping of the start of a file, unmapped when it goes.
class MappedRegion {
public:
    MappedRegion() = default;
    ~MappedRegion();

    MappedRegion(MappedRegion&& other) noexcept;
    MappedRegion& operator=(MappedRegion&& other) noexcept;
    MappedRegion(const MappedRegion&) = delete;
    MappedRegion& operator=(const MappedRegion&) = delete;

    // An empty region when the file can't be mapped.
    static MappedRegion Map(int fd, std::size_t size);

    bool IsMapped() const { return m_address != nullptr; }
    std::span<std::byte> Bytes() const { return {static_cast<std::byte*>(m_address), m_size}; }
    void Unmap();

private:
    MappedRegion(void* address, std::size_t size) : m_address(address), m_size(size) {}

    void* m_address = nullptr;
    std::size_t m_size = 0;
};

} // namespace vexto
