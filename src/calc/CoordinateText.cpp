#include "CoordinateText.h"

#include "DecimalRounding.h"
#include "Extended.h"

namespace vexto {

namespace {
constexpr int coordinateDecimals = 2;

constexpr std::size_t longestCellText = 32;

void appendCoordinate(double value, char decimalSeparator, std::string& text) {
    const RoundedDecimal rounded =
        RoundToDecimals(static_cast<Extended>(value), coordinateDecimals);
    WriteFixed(rounded, coordinateDecimals, coordinateDecimals, decimalSeparator, text);
}

} // namespace

std::string FormatCoordinate(double value, char decimalSeparator) {
    std::string text;
    appendCoordinate(value, decimalSeparator, text);
    return text;
}

std::string MakeCellText(double x, double y, char decimalSeparator) {
    std::string text;
    text.reserve(longestCellText);
    text += "X = ";
    appendCoordinate(x, decimalSeparator, text);
    text += "\rY = ";
    appendCoordinate(y, decimalSeparator, text);
    return text;
}

} // namespace vexto
