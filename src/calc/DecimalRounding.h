#pragma once

#include "Extended.h"

#include <array>
#include <string>
#include <string_view>

namespace vexto {

// A number rounded to a fixed count of decimals, as significant digits and a decimal exponent:
// the digit digits[m] stands for 10^(exponent - 1 - m). No digits means zero.
// Kept in a fixed array: it is made twice per cell on every keystroke.
struct RoundedDecimal {
    static constexpr int maxDigits = 18;

    bool negative = false;
    int exponent = 0;
    int digitCount = 0;
    std::array<char, maxDigits> digitBuffer{};

    std::string_view digits() const noexcept {
        return {digitBuffer.data(), static_cast<std::size_t>(digitCount)};
    }
    bool isZero() const noexcept { return digitCount == 0; }
};

// Beyond this many decimals even the smallest extended number has no digit left to show; larger
// requests are treated as this many.
inline constexpr int MostDecimalsThatMatter = 5000;

// Rounds in two stages: first to 18 significant digits in extended precision, then half away from
// zero at the last requested decimal. The first stage can turn a value just below a half-way
// point into an exact half, which the second then rounds up (1000.005 gives 1000.01).
// A result of zero is never negative.
RoundedDecimal RoundToDecimals(Extended value, int decimals);

// Writes a rounded number without grouping: optional minus sign, at least one integer digit, and
// between minDecimals and maxDecimals decimals (trailing zeros beyond minDecimals dropped); the
// separator appears only when a decimal follows it.
void WriteFixed(const RoundedDecimal& number, int minDecimals, int maxDecimals,
                char decimalSeparator, std::string& appendTo);
std::string WriteFixed(const RoundedDecimal& number, int minDecimals, int maxDecimals,
                       char decimalSeparator);

} // namespace vexto
