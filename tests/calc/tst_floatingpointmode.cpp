#include "calc/Extended.h"
#include "calc/FloatingPointMode.h"

#include <QTest>

#include <cfenv>
#include <cstdint>
#include <cstring>

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

std::uint16_t x87ControlWord() {
    std::uint16_t control = 0;
    asm volatile("fnstcw %0" : "=m"(control));
    return control;
}

// Leaves the x87 unit in the given control word and SSE in the given rounding, as another
// library or the platform's own thread start could. Nothing is computed before the mode is set
// again, so an unmasked exception can't trap.
void spoilFloatingPointMode(std::uint16_t control, int sseRounding) {
    std::feclearexcept(FE_ALL_EXCEPT);
    asm volatile("fldcw %0" : : "m"(control));
    std::fesetround(sseRounding);
}

} // namespace

class TestFloatingPointMode : public QObject {
    Q_OBJECT

private slots:
    void restoresExtendedPrecisionAndRoundingToNearest_data() {
        QTest::addColumn<quint16>("spoiledControl");
        QTest::addColumn<int>("sseRounding");
        // Single precision, rounding towards zero, invalid operations and division by zero
        // unmasked: every part of the mode wrong.
        QTest::newRow("single, toward zero, unmasked") << quint16(0x0C7A) << FE_DOWNWARD;
        // Double precision, as Windows starts a thread on x86-64.
        QTest::newRow("double precision (0x027F)") << quint16(0x027F) << FE_TONEAREST;
    }

    void restoresExtendedPrecisionAndRoundingToNearest() {
        QFETCH(quint16, spoiledControl);
        QFETCH(int, sseRounding);
        spoilFloatingPointMode(spoiledControl, sseRounding);
        SetFloatingPointMode();
        // Precision control 11 (64 bits), rounding control 00 (nearest), all six exceptions
        // masked.
        QCOMPARE(x87ControlWord() & 0x0F3F, 0x033F);
        QCOMPARE(std::fegetround(), FE_TONEAREST);

        // 1/3 has the significand 0xAAAA…AAAA|AAA…: to nearest in 64 bits it ends in B; towards
        // zero, or in 53 or 24 bits, it would not.
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
