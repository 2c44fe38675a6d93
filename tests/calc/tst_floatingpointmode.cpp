#include "calc/Extended.h"
#include "calc/FloatingPointMode.h"

#include <QTest>

#include <cfenv>
#include <cstdint>
#include <cstring>
#include <fpu_control.h>

using namespace vexto;

namespace {

// The 64-bit significand of an extended value, read from its bytes.
std::uint64_t significandOf(Extended value) {
    std::uint64_t significand = 0;
    std::memcpy(&significand, &value, sizeof significand);
    return significand;
}

std::uint64_t bitsOf(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

fpu_control_t x87ControlWord() {
    fpu_control_t control = 0;
    _FPU_GETCW(control);
    return control;
}

// Single precision, rounding towards zero, invalid operations and division by zero unmasked in
// the x87 unit, downward rounding in SSE: every part of the mode wrong, as another library could
// leave it. Nothing is computed before the mode is set again, so nothing can trap.
void spoilFloatingPointMode() {
    std::feclearexcept(FE_ALL_EXCEPT);
    fpu_control_t control = x87ControlWord();
    control = (control & ~fpu_control_t(0x0F3F)) | _FPU_SINGLE | _FPU_RC_ZERO | 0x003A;
    _FPU_SETCW(control);
    std::fesetround(FE_DOWNWARD);
}

} // namespace

class TestFloatingPointMode : public QObject {
    Q_OBJECT

private slots:
    void restoresExtendedPrecisionAndRoundingToNearest() {
        spoilFloatingPointMode();
        SetFloatingPointMode();
        // Precision control 11 (64 bits), rounding control 00 (nearest), all six exceptions
        // masked.
        QCOMPARE(x87ControlWord() & 0x0F3F, fpu_control_t(0x033F));
        QCOMPARE(std::fegetround(), FE_TONEAREST);

        // 1/3 has the significand 0xAAAA…AAAA|AAA…: to nearest in 64 bits it ends in B; towards
        // zero or in 24 bits it would not.
        volatile Extended one = 1;
        volatile Extended three = 3;
        QCOMPARE(significandOf(one / three), std::uint64_t(0xAAAAAAAAAAAAAAABu));
        // A double quotient goes through SSE: 1/10 to nearest ends in A, downward in 9.
        volatile double oneDouble = 1;
        volatile double tenDouble = 10;
        QCOMPARE(bitsOf(oneDouble / tenDouble), std::uint64_t(0x3FB999999999999Au));
    }
};

QTEST_GUILESS_MAIN(TestFloatingPointMode)
#include "tst_floatingpointmode.moc"
