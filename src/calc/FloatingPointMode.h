#pragma once

namespace vexto {

// Puts the floating-point unit into the mode the calculation is defined in: 64-bit precision,
// rounding to nearest with ties to even. Exceptions stay masked: unmasked, they would arrive as
// SIGFPE inside the toolkit, and within the input ranges no such condition can occur.
void SetFloatingPointMode() noexcept;

} // namespace vexto
