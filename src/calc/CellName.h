#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vexto {

// The 49 result cells, declared in processing order: the grid is computed and its texts are set
// in this order.
enum class CellName : std::uint8_t {
    // clang-format off
    PStart,
    U1, U2, U3, D1, D2, D3, L1, L2, L3, R1, R2, R3,
    LU1, LU2, LU3, LU4, LU5, LU6, LU7, LU8, LU9,
    RU1, RU2, RU3, RU4, RU5, RU6, RU7, RU8, RU9,
    LD1, LD2, LD3, LD4, LD5, LD6, LD7, LD8, LD9,
    RD1, RD2, RD3, RD4, RD5, RD6, RD7, RD8, RD9,
    // clang-format on
};

inline constexpr std::size_t CellCount = 49;

// Offsets from the start cell: column towards larger x (right), row towards larger y (up).
struct CellOffset {
    int column = 0;
    int row = 0;

    friend bool operator==(const CellOffset&, const CellOffset&) = default;
};

enum class CellRegion : std::uint8_t { Start, Axis, Quadrant };

constexpr std::size_t indexOf(CellName cell) {
    return static_cast<std::size_t>(cell);
}

// Every cell in processing order.
constexpr std::array<CellName, CellCount> allCells() {
    std::array<CellName, CellCount> cells{};
    for (std::size_t index = 0; index < CellCount; ++index)
        cells[index] = static_cast<CellName>(index);
    return cells;
}

CellOffset offsetOf(CellName cell);
CellRegion regionOf(CellName cell);
std::string_view nameOf(CellName cell);

} // namespace vexto
