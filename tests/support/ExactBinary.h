#pragma once

// Exact binary arithmetic for checking the calculation core independently of it: numbers are
// kept as integer significands and powers of two, and every rounding the program's rules ask for
// (to a 64-bit significand, to double, to two decimals) is done here with integers only.

#include <cstdint>
#include <string>

namespace vexto::exact {

__extension__ using u128 = unsigned __int128;

int BitLength(u128 value);
// value / 2^shift rounded to nearest, ties to even; a negative shift multiplies exactly.
u128 ShiftRoundingToEven(u128 value, int shift);
u128 PowerOfTen(int exponent);
std::string ToDecimal(u128 value);

// A binary number: (-1)^negative * significand * 2^exponent, exact.
struct Binary {
    bool negative = false;
    u128 significand = 0;
    int exponent = 0;

    bool isZero() const { return significand == 0; }
};

Binary FromExtended(long double value);
// Rounded to `bits` significant bits, to nearest with ties to even.
Binary RoundToBits(Binary value, int bits);
// Exact results; only operands of up to 64 significant bits whose leading bits lie less than 64
// places apart are supported (anything else throws std::domain_error).
Binary Multiply(Binary a, Binary b);
Binary Add(Binary a, Binary b);
Binary Negate(Binary value);
double ToDouble(Binary value); // value must already fit in 53 bits

// The coordinate rule worked through on the exact binary value of a double: the decimal exponent
// estimated from the binary one, 18 digits (the scaled product rounded to 64 significant bits,
// then to an integer, ties to even, a 19-digit result corrected), then half away from zero at the
// second decimal. Covers magnitudes below 10300, as the grid produces.
std::string ReferenceCoordinateText(double value);

} // namespace vexto::exact
