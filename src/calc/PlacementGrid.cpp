#include "PlacementGrid.h"

#include "CoordinateText.h"

#include <cstdlib>

namespace vexto {

namespace {

// start + offset * scale * size, in exactly this order of operations: scale times size, then the
// multiple (x2 is exact, x3 rounds), then the sum or difference; every step rounds to extended and
// only the result to double. Another order changes the last bit, and so sometimes a digit.
double coordinate(Extended start, Extended scale, Extended size, int offset) {
    if (offset == 0)
        return static_cast<double>(start);
    Extended step = scale * size;
    const int distance = std::abs(offset);
    if (distance > 1)
        step = step * distance;
    const Extended sum = offset > 0 ? start + step : start - step;
    return static_cast<double>(sum);
}

struct Axis {
    InputName start;
    InputName size;
};

constexpr Axis xAxis{InputName::X, InputName::L};
constexpr Axis yAxis{InputName::Y, InputName::W};

// Reads in the order start, size, scale, and only what the offset needs.
double readCoordinate(const InputReader& readInput, Axis axis, int offset) {
    const Extended start = readInput(axis.start);
    if (offset == 0)
        return static_cast<double>(start);
    const Extended size = readInput(axis.size);
    const Extended scale = readInput(InputName::S);
    return coordinate(start, scale, size, offset);
}

} // namespace

PlacementGrid CalcPlacementGrid(Extended X, Extended Y, Extended S, Extended L, Extended W) {
    PlacementGrid grid;
    for (const CellName cell : allCells()) {
        const CellOffset offset = offsetOf(cell);
        grid[indexOf(cell)] = {coordinate(X, S, L, offset.column), coordinate(Y, S, W, offset.row)};
    }
    return grid;
}

void RefreshPlacementGrid(const InputReader& readInput, const CellTextSink& setCellText,
                          char decimalSeparator) {
    PlacementGrid grid;
    for (const CellName cell : allCells()) {
        const CellOffset offset = offsetOf(cell);
        const double x = readCoordinate(readInput, xAxis, offset.column);
        const double y = readCoordinate(readInput, yAxis, offset.row);
        grid[indexOf(cell)] = {x, y};
    }
    for (const CellName cell : allCells()) {
        const Position position = grid[indexOf(cell)];
        setCellText(cell, MakeCellText(position.x, position.y, decimalSeparator));
    }
}

} // namespace vexto
