#include "MappedRegion.h"

#include <sys/mman.h>

#include <utility>

namespace vexto {

MappedRegion::~MappedRegion() {
    Unmap();
}

MappedRegion::MappedRegion(MappedRegion&& other) noexcept
    : m_address(std::exchange(other.m_address, nullptr)), m_size(std::exchange(other.m_size, 0)) {}

MappedRegion& MappedRegion::operator=(MappedRegion&& other) noexcept {
    if (this != &other) {
        Unmap();
        m_address = std::exchange(other.m_address, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

MappedRegion MappedRegion::Map(int fd, std::size_t size) {
    void* address = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (address == MAP_FAILED)
        return {};
    return {address, size};
}

void MappedRegion::Unmap() {
    if (m_address)
        ::munmap(m_address, m_size);
    m_address = nullptr;
    m_size = 0;
}

} // namespace vexto
