#pragma once

#include "Extended.h"

#include <array>
#include <cstddef>

namespace vexto {

// 10^0 .. 10^27 are exact in extended precision (5^27 < 2^64), so scaling by one of them is a
// single correctly rounded multiplication or division.
inline constexpr int LargestExactPowerOfTen = 27;

inline constexpr std::array<Extended, LargestExactPowerOfTen + 1> ExactPowersOfTen = [] {
    std::array<Extended, LargestExactPowerOfTen + 1> powers{};
    Extended power = 1;
    for (Extended& entry : powers) {
        entry = power;
        power *= 10;
    }
    return powers;
}();

constexpr Extended ExactPowerOfTen(int power) {
    return ExactPowersOfTen[static_cast<std::size_t>(power)];
}

// 10^4933 and beyond exceed the extended range.
inline constexpr int LargestFinitePowerOfTen = 4932;

// 10^power for 0 <= power <= LargestFinitePowerOfTen, rounded once from its exact value to
// nearest with ties to even. Products of rounded powers would drift by many units in the last
// place, so the table is built from exact integer arithmetic on first use.
Extended CorrectlyRoundedPowerOfTen(int power);

} // namespace vexto
