#pragma once

#include <string>
#include <string_view>

namespace vexto {

// One coordinate with exactly two decimals ("###0.00"): rounded to 18 significant digits, then
// half away from zero; no grouping, and no minus sign on a result of zero.
std::string FormatCoordinate(double value, char decimalSeparator);

// "X = " x, a carriage return (no line feed), "Y = " y. The cell text is 8-bit; the widgets
// convert it at their boundary.
std::string MakeCellText(double x, double y, char decimalSeparator);

} // namespace vexto
