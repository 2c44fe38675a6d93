#include "CellName.h"

namespace vexto {

namespace {

constexpr std::array<std::string_view, CellCount> cellNames = {
    // clang-format off
    "PStart",
    "U1", "U2", "U3", "D1", "D2", "D3", "L1", "L2", "L3", "R1", "R2", "R3",
    "LU1", "LU2", "LU3", "LU4", "LU5", "LU6", "LU7", "LU8", "LU9",
    "RU1", "RU2", "RU3", "RU4", "RU5", "RU6", "RU7", "RU8", "RU9",
    "LD1", "LD2", "LD3", "LD4", "LD5", "LD6", "LD7", "LD8", "LD9",
    "RD1", "RD2", "RD3", "RD4", "RD5", "RD6", "RD7", "RD8", "RD9",
    // clang-format on
};

constexpr std::size_t firstAxisCell = indexOf(CellName::U1);
constexpr std::size_t firstQuadrantCell = indexOf(CellName::LU1);
constexpr int cellsPerAxisArm = 3;
constexpr int cellsPerQuadrant = 9;

// Up, down, left, right: the axis arms in processing order.
constexpr std::array<CellOffset, 4> axisDirections = {{{0, 1}, {0, -1}, {-1, 0}, {1, 0}}};
// LU, RU, LD, RD: the quadrants in processing order.
constexpr std::array<CellOffset, 4> quadrantDirections = {{{-1, 1}, {1, 1}, {-1, -1}, {1, -1}}};

} // namespace

CellOffset offsetOf(CellName cell) {
    const std::size_t index = indexOf(cell);
    if (index < firstAxisCell)
        return {};
    if (index < firstQuadrantCell) {
        const auto arm = static_cast<int>(index - firstAxisCell);
        const CellOffset direction =
            axisDirections[static_cast<std::size_t>(arm / cellsPerAxisArm)];
        const int distance = arm % cellsPerAxisArm + 1;
        return {direction.column * distance, direction.row * distance};
    }
    const auto inQuadrants = static_cast<int>(index - firstQuadrantCell);
    const CellOffset direction =
        quadrantDirections[static_cast<std::size_t>(inQuadrants / cellsPerQuadrant)];
    const int number = inQuadrants % cellsPerQuadrant; // n - 1 of the cell's name
    return {direction.column * (number % 3 + 1), direction.row * (number / 3 + 1)};
}

CellRegion regionOf(CellName cell) {
    const std::size_t index = indexOf(cell);
    if (index < firstAxisCell)
        return CellRegion::Start;
    return index < firstQuadrantCell ? CellRegion::Axis : CellRegion::Quadrant;
}

std::string_view nameOf(CellName cell) {
    return cellNames[indexOf(cell)];
}

} // namespace vexto
