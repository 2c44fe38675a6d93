#include "ExactBinary.h"

#include <cmath>
#include <stdexcept>

namespace vexto::exact {

int BitLength(u128 value) {
    int length = 0;
    for (; value != 0; value >>= 1)
        ++length;
    return length;
}

u128 ShiftRoundingToEven(u128 value, int shift) {
    if (shift <= 0)
        return value << -shift;
    if (shift >= 128)
        return 0;
    const u128 quotient = value >> shift;
    const u128 remainder = value - (quotient << shift);
    const u128 half = u128(1) << (shift - 1);
    const bool up = remainder > half || (remainder == half && (quotient & 1) != 0);
    return quotient + (up ? 1 : 0);
}

u128 PowerOfTen(int exponent) {
    u128 power = 1;
    for (int i = 0; i < exponent; ++i)
        power *= 10;
    return power;
}

std::string ToDecimal(u128 value) {
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + int(value % 10)));
        value /= 10;
    } while (value != 0);
    return digits;
}

Binary FromExtended(long double value) {
    if (value == 0)
        return {std::signbit(value), 0, 0};
    int exponent = 0;
    const long double fraction = std::frexp(std::fabs(value), &exponent);
    return {value < 0, u128(static_cast<std::uint64_t>(std::ldexp(fraction, 64))), exponent - 64};
}

Binary RoundToBits(Binary value, int bits) {
    const int excess = BitLength(value.significand) - bits;
    if (excess <= 0)
        return value;
    value.significand = ShiftRoundingToEven(value.significand, excess);
    value.exponent += excess;
    // A carry out of the top bit leaves bits + 1 bits, the last of them zero.
    if (BitLength(value.significand) > bits) {
        value.significand >>= 1;
        ++value.exponent;
    }
    return value;
}

Binary Multiply(Binary a, Binary b) {
    if (BitLength(a.significand) > 64 || BitLength(b.significand) > 64)
        throw std::domain_error("Multiply takes operands of at most 64 bits");
    return {a.negative != b.negative, a.significand * b.significand, a.exponent + b.exponent};
}

Binary Negate(Binary value) {
    value.negative = !value.negative;
    return value;
}

Binary Add(Binary a, Binary b) {
    if (a.isZero())
        return b.isZero() ? Binary{a.negative && b.negative, 0, 0} : b;
    if (b.isZero())
        return a;
    if (BitLength(a.significand) > 64 || BitLength(b.significand) > 64)
        throw std::domain_error("Add takes operands of at most 64 bits");
    if (a.exponent < b.exponent)
        std::swap(a, b);
    const int shift = a.exponent - b.exponent;
    if (shift > 63)
        throw std::domain_error("Add covers operands less than 64 binary places apart");
    const u128 aligned = a.significand << shift; // both now count units of 2^b.exponent
    if (a.negative == b.negative)
        return {a.negative, aligned + b.significand, b.exponent};
    if (aligned == b.significand)
        return {false, 0, 0}; // rounding to nearest gives +0 for an exact cancellation
    return aligned > b.significand ? Binary{a.negative, aligned - b.significand, b.exponent}
                                   : Binary{b.negative, b.significand - aligned, b.exponent};
}

double ToDouble(Binary value) {
    if (BitLength(value.significand) > 53)
        throw std::domain_error("ToDouble takes a value already rounded to 53 bits");
    const double magnitude = std::ldexp(
        static_cast<double>(static_cast<std::uint64_t>(value.significand)), value.exponent);
    return value.negative ? -magnitude : magnitude;
}

std::string ReferenceCoordinateText(double value) {
    if (value == 0)
        return "0.00";
    int binaryExponent = 0;
    const double fraction = std::frexp(std::fabs(value), &binaryExponent);
    const auto significand = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    const int scale2 = binaryExponent - 53; // |value| = significand * 2^scale2

    const int e = binaryExponent - 1;
    int decimalExponent = int(std::floor(double(e) * 19728.0 / 65536.0)) + 1;
    if (decimalExponent + 2 < 0)
        return "0.00";

    const int scale10 = 18 - decimalExponent;
    if (scale10 < 0 || scale10 > 22)
        throw std::domain_error("the reference covers coordinates below 10300 only");
    u128 product = u128(significand) * PowerOfTen(scale10); // exact: product * 2^scale2
    const int excessBits = BitLength(product) - 64;
    if (excessBits > 0)
        product = ShiftRoundingToEven(product, excessBits) << excessBits;
    u128 mantissa = ShiftRoundingToEven(product, -scale2);
    if (mantissa >= PowerOfTen(18)) {
        const u128 quotient = mantissa / 10, remainder = mantissa % 10;
        mantissa = quotient + ((remainder > 5 || (remainder == 5 && quotient % 2 == 1)) ? 1 : 0);
        ++decimalExponent;
    }

    // Work in hundredths: the digits that reach the second decimal, rounded half up on the next.
    const int keptDigits = decimalExponent + 2;
    const u128 dropped = PowerOfTen(18 - keptDigits);
    u128 cents = mantissa / dropped;
    if ((mantissa % dropped) * 2 >= dropped)
        ++cents;

    std::string digits = ToDecimal(cents);
    while (digits.size() < 3)
        digits.insert(digits.begin(), '0');
    const bool negative = value < 0 && cents != 0;
    return (negative ? "-" : "") + digits.substr(0, digits.size() - 2) + "." +
           digits.substr(digits.size() - 2);
}

} // namespace vexto::exact
