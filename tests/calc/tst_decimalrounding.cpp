#include "calc/CoordinateText.h"
#include "calc/DecimalRounding.h"
#include "calc/FloatingPointMode.h"

#include <QTest>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>

using namespace vexto;

namespace {

__extension__ using u128 = unsigned __int128;

int bitLength(u128 value) {
    int length = 0;
    for (; value != 0; value >>= 1)
        ++length;
    return length;
}

// Shifts right by `shift` bits, rounding to nearest with ties to even.
u128 shiftRoundingToEven(u128 value, int shift) {
    if (shift <= 0)
        return value << -shift;
    if (shift >= 128)
        return 0;
    const u128 quotient = value >> shift;
    const u128 remainder = value - (quotient << shift);
    const u128 half = u128(1) << (shift - 1);
    const bool up = remainder > half || (remainder == half && (quotient & 1) != 0);
    return quotient + (up ? 1 : 0);
}

u128 powerOfTen(int exponent) {
    u128 power = 1;
    for (int i = 0; i < exponent; ++i)
        power *= 10;
    return power;
}

std::string toDecimal(u128 value) {
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + int(value % 10)));
        value /= 10;
    } while (value != 0);
    return digits;
}

// The documented coordinate rule, worked through on the exact binary value of the double with
// integer arithmetic only: estimate the decimal exponent, scale to 18 digits (the product rounded
// to 64 significant bits, then to an integer, ties to even), correct a 19-digit result, round half
// away from zero at the second decimal, write it.
std::string referenceFormat(double value) {
    if (value == 0)
        return "0.00";
    int binaryExponent = 0;
    const double fraction = std::frexp(std::fabs(value), &binaryExponent);
    const auto significand = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    const int scale2 = binaryExponent - 53; // |value| = significand * 2^scale2

    const int e = binaryExponent - 1;
    int decimalExponent = int(std::floor(double(e) * 19728.0 / 65536.0)) + 1;
    if (decimalExponent + 2 < 0)
        return "0.00";

    const int scale10 = 18 - decimalExponent;
    if (scale10 < 0 || scale10 > 22)
        qFatal("reference covers coordinates below 10300 only");
    u128 product = u128(significand) * powerOfTen(scale10); // exact: product * 2^scale2
    const int excessBits = bitLength(product) - 64;
    if (excessBits > 0)
        product = shiftRoundingToEven(product, excessBits) << excessBits;
    u128 mantissa = shiftRoundingToEven(product, -scale2);
    if (mantissa >= powerOfTen(18)) {
        const u128 quotient = mantissa / 10, remainder = mantissa % 10;
        mantissa = quotient + ((remainder > 5 || (remainder == 5 && quotient % 2 == 1)) ? 1 : 0);
        ++decimalExponent;
    }

    // Work in hundredths: the digits that reach the second decimal, rounded half up on the next.
    const int keptDigits = decimalExponent + 2;
    const u128 dropped = powerOfTen(18 - keptDigits);
    u128 cents = mantissa / dropped;
    if ((mantissa % dropped) * 2 >= dropped)
        ++cents;

    std::string digits = toDecimal(cents);
    while (digits.size() < 3)
        digits.insert(digits.begin(), '0');
    const bool negative = value < 0 && cents != 0;
    return (negative ? "-" : "") + digits.substr(0, digits.size() - 2) + "." +
           digits.substr(digits.size() - 2);
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
    std::string digits = toDecimal(cents);
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
}

QTEST_GUILESS_MAIN(TestDecimalRounding)
#include "tst_decimalrounding.moc"
