#pragma once

#include <limits>

namespace vexto {

// Placement coordinates must come out bit for bit as the 80-bit x87 format computes them: every
// intermediate keeps a 64-bit significand and only the final coordinate is rounded to double.
using Extended = long double;

static_assert(std::numeric_limits<Extended>::digits == 64 &&
                  std::numeric_limits<Extended>::max_exponent == 16384,
              "Vexto needs long double to be the x87 80-bit extended format (64-bit significand); "
              "build it with GCC or Clang for x86 or x86-64");

} // namespace vexto
