#include "CoordinateText.h"

#include "DecimalRounding.h"
#include "Extended.h"

namespace vexto {

namespace {
constexpr int coordinateDecimals = 2;

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
    // No reserve: growing out of the short-string buffer makes the one allocation a cell text
    // needs, whatever its length.
    std::string text;
    text += "X = ";
    appendCoordinate(x, decimalSeparator, text);
    text += "\rY = ";
    appendCoordinate(y, decimalSeparator, text);
    return text;
}

} // namespace vexto
