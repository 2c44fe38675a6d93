#include "calc/CoordinateText.h"
#include "calc/DecimalRounding.h"
#include "calc/FloatingPointMode.h"

#include "ExactBinary.h"

#include <QTest>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>

using namespace vexto;

namespace {

using exact::ToDecimal;
using exact::u128;

std::string referenceFormat(double value) {
    return exact::ReferenceCoordinateText(value);
}

// Away from a half-way point the two stages change nothing: the text is the exact value rounded
// half away from zero at the second decimal. Returns false where the value is too close to call.
bool exactRounding(double value, std::string& text) {
    int binaryExponent = 0;
    const double fraction = std::frexp(std::fabs(value), &binaryExponent);
    const auto significand = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    const int shift = 53 - binaryExponent; // |value| * 100 = significand * 100 / 2^shift
    if (shift <= 0 || shift > 100)
        return false;
    const u128 scaled = u128(significand) * 100;
    const u128 whole = scaled >> shift;
    const u128 remainder = scaled - (whole << shift);
    const long double distanceFromHalf =
        std::fabs(std::ldexp((long double)remainder, -shift) - 0.5L);
    if (distanceFromHalf < 1e-9L)
        return false;
    const u128 cents = whole + (std::ldexp((long double)remainder, -shift) > 0.5L ? 1 : 0);
    std::string digits = ToDecimal(cents);
    while (digits.size() < 3)
        digits.insert(digits.begin(), '0');
    text = (value < 0 && cents != 0 ? "-" : "") + digits.substr(0, digits.size() - 2) + "." +
           digits.substr(digits.size() - 2);
    return true;
}

// Values that stress the rule: near half-cent points (a few ulps either side), whole and round
// numbers, and doubles spread evenly over every binary magnitude up to 10300, of both signs.
double sampleValue(std::mt19937_64& random) {
    std::uniform_int_distribution<int> kind(0, 3);
    std::uniform_int_distribution<std::int64_t> halfCents(-1'030'000, 1'030'000);
    std::uniform_int_distribution<int> ulps(-3, 3);
    switch (kind(random)) {
    case 0:
    case 1: {
        double value = (double(halfCents(random)) + 0.5) / 100.0;
        for (int step = ulps(random); step != 0; step += step > 0 ? -1 : 1)
            value = std::nextafter(value, step > 0 ? INFINITY : -INFINITY);
        return value;
    }
    case 2:
        return double(halfCents(random)) / 1000.0;
    default: {
        std::uniform_int_distribution<int> exponent(-12, 13);
        std::uniform_real_distribution<double> mantissa(1.0, 2.0);
        const double magnitude = std::ldexp(mantissa(random), exponent(random));
        return (random() & 1) ? -magnitude : magnitude;
    }
    }
}

} // namespace

class TestDecimalRounding : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetFloatingPointMode(); }

    void coordinatesFollowTheRuleOnASeededSample();
    void editPatternDropsTrailingZeros_data();
    void editPatternDropsTrailingZeros();
    void roundsTheExtendedValueItself();
};

void TestDecimalRounding::coordinatesFollowTheRuleOnASeededSample() {
    std::mt19937_64 random(20261208);
    constexpr int sampleSize = 200'000;
    int checkedAgainstExactValue = 0;
    for (int i = 0; i < sampleSize; ++i) {
        const double value = sampleValue(random);
        const std::string text = FormatCoordinate(value, '.');
        if (text != referenceFormat(value))
            QFAIL(qPrintable(QStringLiteral("%1: got %2, rule gives %3")
                                 .arg(value, 0, 'g', 21)
                                 .arg(QString::fromStdString(text),
                                      QString::fromStdString(referenceFormat(value)))));
        std::string exact;
        if (exactRounding(value, exact)) {
            ++checkedAgainstExactValue;
            if (text != exact)
                QFAIL(qPrintable(
                    QStringLiteral("%1: got %2, exact value rounds to %3")
                        .arg(value, 0, 'g', 21)
                        .arg(QString::fromStdString(text), QString::fromStdString(exact))));
        }
    }
    // Half the sample sits on purpose too close to a half-way point for the exact check.
    QVERIFY(checkedAgainstExactValue > sampleSize / 3);
}

void TestDecimalRounding::editPatternDropsTrailingZeros_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<char>("separator");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("whole number") << 8.0 << 2 << '.' << QByteArray("8");
    QTest::newRow("one decimal") << 0.1 << 2 << '.' << QByteArray("0.1");
    QTest::newRow("half") << 8.5 << 2 << '.' << QByteArray("8.5");
    QTest::newRow("two decimals") << 1.05 << 2 << '.' << QByteArray("1.05");
    QTest::newRow("rounds to zero") << 0.001 << 2 << '.' << QByteArray("0");
    QTest::newRow("negative") << -12.5 << 2 << '.' << QByteArray("-12.5");
    QTest::newRow("comma") << -12.5 << 2 << ',' << QByteArray("-12,5");
    QTest::newRow("no decimals") << 7.5 << 0 << '.' << QByteArray("8");
    QTest::newRow("four decimals") << 3.14159 << 4 << '.' << QByteArray("3.1416");
}

void TestDecimalRounding::editPatternDropsTrailingZeros() {
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(char, separator);
    QFETCH(QByteArray, expected);
    const RoundedDecimal rounded = RoundToDecimals(value, decimals);
    QCOMPARE(QByteArray::fromStdString(WriteFixed(rounded, 0, decimals, separator)), expected);
}

void TestDecimalRounding::roundsTheExtendedValueItself() {
    // 0.125 - 2^-64 is not a double; as a double it would be 0.125 and round up.
    const Extended justBelowHalf = 0.125L - std::ldexp(1.0L, -64);
    QCOMPARE(WriteFixed(RoundToDecimals(justBelowHalf, 2), 2, 2, '.'), std::string("0.13"));
    // Further below the half, 18 digits still see it as below.
    const Extended far = 0.125L - std::ldexp(1.0L, -40);
    QCOMPARE(WriteFixed(RoundToDecimals(far, 2), 2, 2, '.'), std::string("0.12"));
    // Its 18 significant digits are 949999999999999997 and keep it below the half; 17 would
    // round it up to 0.095 and then to 0.10.
    QCOMPARE(WriteFixed(RoundToDecimals(0.0949999999999999997L, 2), 2, 2, '.'),
             std::string("0.09"));
}

QTEST_GUILESS_MAIN(TestDecimalRounding)
#include "tst_decimalrounding.moc"
