#pragma once

#include "CellName.h"

#include <array>
#include <string>
#include <string_view>

namespace vexto {

// The two coordinates of one cell text, exactly as the cell shows them ("-10299.00", "8,50").
struct CellCoordinates {
    std::string x;
    std::string y;

    friend bool operator==(const CellCoordinates&, const CellCoordinates&) = default;
};

// The texts the 49 cells show, indexed by indexOf(cell).
using CellTexts = std::array<std::string, CellCount>;

// Splits a cell text at its line break (a carriage return, a line feed or the pair) and takes the
// "X = " and "Y = " off the two lines. A line without its prefix is kept whole; a text without a
// line break has no y.
CellCoordinates SplitCellText(std::string_view cellText);

// "x<TAB>y": both coordinates of one cell, for a paste into two neighbouring fields.
std::string CoordinatePairText(std::string_view cellText);

// The cells as they stand on the screen: top row first, each row left to right.
std::array<CellName, CellCount> ReadingOrder();

// A tab-separated table of the grid: the header "Cell, X, Y", then one line per cell in reading
// order with its name and its coordinates as shown. Every line ends in a line feed.
std::string MakePositionTable(const CellTexts& cellTexts);

} // namespace vexto
