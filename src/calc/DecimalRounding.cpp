#include "DecimalRounding.h"

#include "PowersOfTen.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace vexto {

namespace {

constexpr int significantDigits = RoundedDecimal::maxDigits;
constexpr std::uint64_t tenToThe18 = 1'000'000'000'000'000'000ULL;

// Scales by 10^power. Within the magnitudes the program meets the power is at most 27 and the
// product is one correctly rounded multiplication; beyond them it is applied in exact steps.
Extended scaleByPowerOfTen(Extended value, int power) {
    while (power > LargestExactPowerOfTen) {
        value *= ExactPowerOfTen(LargestExactPowerOfTen);
        power -= LargestExactPowerOfTen;
    }
    while (power < -LargestExactPowerOfTen) {
        value /= ExactPowerOfTen(LargestExactPowerOfTen);
        power += LargestExactPowerOfTen;
    }
    return power >= 0 ? value * ExactPowerOfTen(power) : value / ExactPowerOfTen(-power);
}

// The e of 2^e <= |v| < 2^(e+1), read straight from the x87 format's exponent field; only
// denormal extended numbers, which no double widens to, need the library call.
int binaryExponent(Extended magnitude) {
    std::uint16_t signAndExponent = 0;
    std::memcpy(&signAndExponent, reinterpret_cast<const char*>(&magnitude) + 8,
                sizeof signAndExponent);
    const int biasedExponent = signAndExponent & 0x7FFF;
    return biasedExponent != 0 ? biasedExponent - 16383 : std::ilogb(magnitude);
}

// First estimate of the decimal exponent E with 10^(E-1) <= |v| < 10^E: right or one too small.
// 19728 / 65536 is log10(2) truncated to 16 fractional bits; >> floors for negative exponents.
int estimateDecimalExponent(Extended magnitude) {
    return ((binaryExponent(magnitude) * 19728) >> 16) + 1;
}

std::uint64_t divideByTenTiesToEven(std::uint64_t value) {
    std::uint64_t quotient = value / 10;
    const std::uint64_t remainder = value % 10;
    if (remainder > 5 || (remainder == 5 && quotient % 2 == 1))
        ++quotient;
    return quotient;
}

void writeNineDigits(std::uint32_t value, char* digits) {
    for (int index = 8; index >= 0; --index) {
        digits[index] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

// Two independent 32-bit halves: this runs twice per cell on every keystroke.
void writeDigits(std::uint64_t value, RoundedDecimal& number) {
    constexpr std::uint64_t tenToThe9 = 1'000'000'000;
    number.digitCount = significantDigits;
    writeNineDigits(static_cast<std::uint32_t>(value / tenToThe9), number.digitBuffer.data());
    writeNineDigits(static_cast<std::uint32_t>(value % tenToThe9), number.digitBuffer.data() + 9);
}

// Keeps the first keptDigits digits, rounded half away from zero on the next one; a carry out of
// the first digit leaves the single digit 1 one decimal place higher.
void roundHalfUpAt(RoundedDecimal& number, int keptDigits) {
    const bool roundUp = number.digitBuffer[static_cast<std::size_t>(keptDigits)] >= '5';
    number.digitCount = keptDigits;
    if (!roundUp)
        return;
    for (int index = keptDigits - 1; index >= 0; --index) {
        char& digit = number.digitBuffer[static_cast<std::size_t>(index)];
        if (digit != '9') {
            ++digit;
            return;
        }
        digit = '0';
    }
    number.digitBuffer[0] = '1';
    number.digitCount = 1;
    ++number.exponent;
}

void dropTrailingZeros(RoundedDecimal& number) {
    while (number.digitCount > 0 &&
           number.digitBuffer[static_cast<std::size_t>(number.digitCount - 1)] == '0')
        --number.digitCount;
}

} // namespace

RoundedDecimal RoundToDecimals(Extended value, int decimals) {
    decimals = std::clamp(decimals, 0, MostDecimalsThatMatter);
    RoundedDecimal result;
    if (value == 0 || !std::isfinite(value))
        return result;

    const Extended magnitude = std::fabs(value);
    result.exponent = estimateDecimalExponent(magnitude);
    if (result.exponent + decimals < 0)
        return result;

    const Extended scaled = scaleByPowerOfTen(magnitude, significantDigits - result.exponent);
    auto mantissa = static_cast<std::uint64_t>(std::rint(scaled));
    if (mantissa >= tenToThe18) {
        mantissa = divideByTenTiesToEven(mantissa);
        ++result.exponent;
    }
    writeDigits(mantissa, result);

    const int keptDigits = result.exponent + decimals;
    if (keptDigits < significantDigits)
        roundHalfUpAt(result, keptDigits);
    dropTrailingZeros(result);

    result.negative = value < 0 && !result.isZero();
    return result;
}

void WriteFixed(const RoundedDecimal& number, int minDecimals, int maxDecimals,
                char decimalSeparator, std::string& appendTo) {
    const auto digitAt = [&number](int position) {
        const int index = number.exponent - 1 - position;
        const bool present = index >= 0 && index < number.digitCount;
        return present ? number.digitBuffer[static_cast<std::size_t>(index)] : '0';
    };

    const int decimalsWithDigits = number.isZero() ? 0 : number.digitCount - number.exponent;
    const int writtenDecimals = std::max(minDecimals, std::min(maxDecimals, decimalsWithDigits));
    const int integerDigits = number.isZero() ? 1 : std::max(number.exponent, 1);
    const std::size_t start = appendTo.size();
    appendTo.resize(start + static_cast<std::size_t>(number.negative) +
                    static_cast<std::size_t>(integerDigits) +
                    static_cast<std::size_t>(writtenDecimals > 0 ? writtenDecimals + 1 : 0));

    char* out = appendTo.data() + start;
    if (number.negative)
        *out++ = '-';
    for (int position = integerDigits - 1; position >= 0; --position)
        *out++ = digitAt(position);
    if (writtenDecimals <= 0)
        return;
    *out++ = decimalSeparator;
    for (int position = -1; position >= -writtenDecimals; --position)
        *out++ = digitAt(position);
}

std::string WriteFixed(const RoundedDecimal& number, int minDecimals, int maxDecimals,
                       char decimalSeparator) {
    std::string text;
    WriteFixed(number, minDecimals, maxDecimals, decimalSeparator, text);
    return text;
}

} // namespace vexto
