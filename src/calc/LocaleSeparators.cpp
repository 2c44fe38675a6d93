#include "LocaleSeparators.h"

namespace vexto {

namespace {
NumberSeparators currentSeparators;
}

NumberSeparators CurrentSeparators() noexcept {
    return currentSeparators;
}

void SetCurrentSeparators(NumberSeparators separators) noexcept {
    currentSeparators = separators;
}

} // namespace vexto
