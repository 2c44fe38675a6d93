#pragma once

// The placement calculation. Five input values (start position X, Y; scale S; shield length L and
// width W) give one position per result cell: x = X + i*S*L and y = Y + j*S*W for the cell's
// offsets (i, j), computed in extended precision and rounded once to double. The refresh reads
// the inputs through a caller's function, computes all 98 coordinates, and only then hands each
// cell its two-line text (CoordinateText.h) in processing order (CellName.h).

#include "CellName.h"
#include "Extended.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace vexto {

enum class InputName : std::uint8_t { X, Y, S, L, W };

struct Position {
    double x = 0;
    double y = 0;

    friend bool operator==(const Position&, const Position&) = default;
};

// Indexed by indexOf(CellName).
using PlacementGrid = std::array<Position, CellCount>;

PlacementGrid CalcPlacementGrid(Extended X, Extended Y, Extended S, Extended L, Extended W);

using InputReader = std::function<Extended(InputName)>;
using CellTextSink = std::function<void(CellName, const std::string&)>;

// Reads each input at the moment a coordinate needs it (the start coordinate alone for offset 0,
// otherwise start, size, scale: 266 reads a run). If setting a text throws, the run stops there
// and the error propagates; earlier cells keep their new text, later ones their old.
void RefreshPlacementGrid(const InputReader& readInput, const CellTextSink& setCellText,
                          char decimalSeparator);

} // namespace vexto
