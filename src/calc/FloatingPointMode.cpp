#include "FloatingPointMode.h"

#include <cfenv>
#include <fpu_control.h>

namespace vexto {

namespace {

constexpr fpu_control_t precisionAndRoundingBits = 0x0F00;
constexpr fpu_control_t allExceptionMasks = 0x003F;
constexpr fpu_control_t wantedMode = _FPU_EXTENDED | _FPU_RC_NEAREST | allExceptionMasks;

} // namespace

void SetFloatingPointMode() noexcept {
    fpu_control_t control = 0;
    _FPU_GETCW(control);
    control = (control & ~(precisionAndRoundingBits | allExceptionMasks)) | wantedMode;
    _FPU_SETCW(control);
    // Doubles travel through SSE registers, which have a rounding mode of their own.
    std::fesetround(FE_TONEAREST);
}

} // namespace vexto
