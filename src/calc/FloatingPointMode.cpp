#include "FloatingPointMode.h"

#include <cfenv>
#include <cstdint>

namespace vexto {

namespace {

// The x87 control word: precision control in bits 8-9 (11: 64 bits), rounding control in bits
// 10-11 (00: to nearest), the six exception masks in bits 0-5. Read and written directly, as the
// C library's own interface to it is not on every platform, and a platform may start a thread at
// 53-bit precision (Windows on x86-64 does).
constexpr std::uint16_t precisionAndRoundingBits = 0x0F00;
constexpr std::uint16_t allExceptionMasks = 0x003F;
constexpr std::uint16_t extendedPrecision = 0x0300;
constexpr std::uint16_t wantedMode = extendedPrecision | allExceptionMasks;

std::uint16_t x87ControlWord() noexcept {
    std::uint16_t control = 0;
    asm volatile("fnstcw %0" : "=m"(control));
    return control;
}

void setX87ControlWord(std::uint16_t control) noexcept {
    asm volatile("fldcw %0" : : "m"(control));
}

} // namespace

void SetFloatingPointMode() noexcept {
    const std::uint16_t control = x87ControlWord();
    setX87ControlWord((control & ~(precisionAndRoundingBits | allExceptionMasks)) | wantedMode);
    // Doubles travel through SSE registers, which have a rounding mode of their own.
    std::fesetround(FE_TONEAREST);
}

} // namespace vexto
