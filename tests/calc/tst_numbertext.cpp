#include "calc/Exception.h"
#include "calc/FloatingPointMode.h"
#include "calc/NumberText.h"

#include <QTest>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <string>

using namespace vexto;

Q_DECLARE_METATYPE(long double)

namespace {

// Bit-for-bit equality, so that -0 and 0 differ.
bool sameNumber(Extended left, Extended right) {
    return std::signbit(left) == std::signbit(right) && (left == right);
}

QByteArray describe(Extended actual, Extended expected) {
    char text[128];
    std::snprintf(text, sizeof text, "got %.21Lg, expected %.21Lg", actual, expected);
    return text;
}

constexpr NumberSeparators pointLocale{'.', ','};
constexpr NumberSeparators commaLocale{',', '.'};

#if defined(__SANITIZE_ADDRESS__)
constexpr int randomTextCount = 100'000;
#else
constexpr int randomTextCount = 300'000;
#endif

} // namespace

class TestNumberText : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetFloatingPointMode(); }

    void normalises_data();
    void normalises();
    void readsNumbers_data();
    void readsNumbers();
    void exponentCases_data();
    void exponentCases();
    void refusesUnreadableText_data();
    void refusesUnreadableText();
    void conversionErrorNamesTheText();
    void clampsToBounds_data();
    void clampsToBounds();
    void writesEditText_data();
    void writesEditText();
    void composesDisplayText_data();
    void composesDisplayText();
    void testsKeystrokes_data();
    void testsKeystrokes();
    void readerIsTotalOnRandomText();
};

void TestNumberText::normalises_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<char>("decimal");
    QTest::addColumn<char>("thousands");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("grouping dropped")
        << QByteArray("1,234.5") << '.' << ',' << QByteArray("1234.5");
    QTest::newRow("comma is grouping") << QByteArray("1,5") << '.' << ',' << QByteArray("15");
    QTest::newRow("comma locale: point is grouping")
        << QByteArray("1.5") << ',' << '.' << QByteArray("15");
    QTest::newRow("comma locale: comma is decimal")
        << QByteArray("1,5") << ',' << '.' << QByteArray("1,5");
    QTest::newRow("empty") << QByteArray("") << '.' << ',' << QByteArray("0");
    QTest::newRow("only blanks") << QByteArray("   ") << '.' << ',' << QByteArray("0");
    QTest::newRow("lone minus") << QByteArray("-") << '.' << ',' << QByteArray("-0");
    QTest::newRow("blanked minus") << QByteArray(" - ") << '.' << ',' << QByteArray("-0");
    QTest::newRow("blanks trimmed") << QByteArray("  12  ") << '.' << ',' << QByteArray("12");
    QTest::newRow("inner blank kept") << QByteArray("1 2") << '.' << ',' << QByteArray("1 2");
    QTest::newRow("tab is no blank") << QByteArray("\t5") << '.' << ',' << QByteArray("\t5");
    QTest::newRow("equal separators keep both")
        << QByteArray("1.5") << '.' << '.' << QByteArray("1.5");
    QTest::newRow("space grouping maps both marks")
        << QByteArray("1 234.5,6") << ',' << ' ' << QByteArray("1234,5,6");
}

void TestNumberText::normalises() {
    QFETCH(QByteArray, text);
    QFETCH(char, decimal);
    QFETCH(char, thousands);
    QFETCH(QByteArray, expected);
    QCOMPARE(
        QByteArray::fromStdString(NormaliseNumberText(text.toStdString(), {decimal, thousands})),
        expected);
}

void TestNumberText::readsNumbers_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<char>("decimal");
    QTest::addColumn<long double>("expected");

    QTest::newRow("integer") << QByteArray("1234") << '.' << 1234.0L;
    QTest::newRow("fraction") << QByteArray("1234.5") << '.' << 1234.5L;
    QTest::newRow("one tenth rounded once") << QByteArray("0.1") << '.' << 0.1L;
    QTest::newRow("1.05 rounded once") << QByteArray("1.05") << '.' << 1.05L;
    QTest::newRow("exponent makes the point vanish") << QByteArray("0.1E1") << '.' << 1.0L;
    QTest::newRow("1.2E3") << QByteArray("1.2E3") << '.' << 1200.0L;
    QTest::newRow("1.25E3") << QByteArray("1.25E3") << '.' << 1250.0L;
    QTest::newRow("lower-case exponent") << QByteArray("1e5") << '.' << 100000.0L;
    QTest::newRow("signed exponent") << QByteArray("1E+2") << '.' << 100.0L;
    QTest::newRow("negative exponent") << QByteArray("1E-2") << '.' << 0.01L;
    QTest::newRow("exponent letter alone") << QByteArray("1E") << '.' << 1.0L;
    QTest::newRow("exponent sign alone") << QByteArray("1E-") << '.' << 1.0L;
    QTest::newRow("lone separator") << QByteArray(".") << '.' << 0.0L;
    QTest::newRow("minus separator") << QByteArray("-.") << '.' << -0.0L;
    QTest::newRow("negative zero") << QByteArray("-0") << '.' << -0.0L;
    QTest::newRow("plus sign") << QByteArray("+7") << '.' << 7.0L;
    QTest::newRow("negative") << QByteArray("-12.5") << '.' << -12.5L;
    QTest::newRow("blanks around") << QByteArray("  5  ") << '.' << 5.0L;
    QTest::newRow("comma separator") << QByteArray("1,5") << ',' << 1.5L;
    QTest::newRow("19 digits stay exact")
        << QByteArray("9999999999999999999") << '.' << 9999999999999999999.0L;
    // Past 64 bits the whole number continues in extended precision; wrapping around would read
    // these as tiny numbers.
    QTest::newRow("20 digits: 2^64 - 1 is still exact")
        << QByteArray("18446744073709551615") << '.' << 0xffffffffffffffffp+0L;
    QTest::newRow("20 digits: 2^64 + 3 ties to even")
        << QByteArray("18446744073709551619") << '.' << 0x8000000000000002p+1L;
    QTest::newRow("20 digits rounded") << QByteArray("99999999999999999999") << '.' << 1e20L;
    QTest::newRow("exponent stops at 500") << QByteArray("1E0000500") << '.' << 1e500L;
}

void TestNumberText::readsNumbers() {
    QFETCH(QByteArray, text);
    QFETCH(char, decimal);
    QFETCH(long double, expected);
    const std::optional<Extended> read = TryReadNumber(text.toStdString(), decimal);
    QVERIFY(read.has_value());
    QVERIFY2(sameNumber(*read, expected), describe(*read, expected));
}

// Expected values come from exact rational arithmetic: the whole number of all digits (rounded
// at each step once past 64 bits), times or divided by 10^k rounded once, rounded once more.
void TestNumberText::exponentCases_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("reads");
    QTest::addColumn<long double>("expected");

    const auto reads = [](const char* text, long double expected) {
        QTest::newRow(text) << QByteArray(text) << true << expected;
    };
    const auto unreadable = [](const char* name, const QByteArray& text) {
        QTest::newRow(name) << text << false << 0.0L;
    };
    reads("1E499", 0xc7c265ea160544acp+1594L);
    reads("1E4932", 0xd72cb2a95c7ef6cdp+16320L);
    reads("1.189731495357231765E4932", 0xffffffffffffffffp+16320L);
    reads("77.310e-30", 0xc4010f0b550c4f34p-157L);
    reads(".89E45", 0x9fa2cbb8e9db206fp+86L);
    reads("9.753839033587842797229880004839459", 0x9c0fb984bb5417a2p-60L);
    reads("5e788", 0x801cc97a9c55da2ep+2557L);
    reads("1E-500", 0x833ada2003db9a80p-1724L);
    reads("1E-4932", 0x98491f23ca4d5fc0p-16447L); // subnormal, rounded once
    reads("0E4932", 0.0L);
    reads("-0E-4932", -0.0L);
    unreadable("1E-4999", "1E-4999");
    unreadable("1E-4951", "1E-4951");
    unreadable("3.6E-4951", "3.6E-4951");
    unreadable("1E4933", "1E4933");
    unreadable("0E4999", "0E4999");
    unreadable("-0E4999", "-0E4999");
    unreadable("0E-4933", "0E-4933");
    unreadable("5001 fraction digits", "0." + QByteArray(5000, '0') + '1');
    unreadable("power in range, product not", "2E4932");
}

void TestNumberText::exponentCases() {
    QFETCH(QByteArray, text);
    QFETCH(bool, reads);
    QFETCH(long double, expected);
    const std::optional<Extended> read = TryReadNumber(text.toStdString(), '.');
    QCOMPARE(read.has_value(), reads);
    if (reads)
        QVERIFY2(sameNumber(*read, expected), describe(*read, expected));
}

void TestNumberText::refusesUnreadableText_data() {
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("lone plus") << QByteArray("+");
    QTest::newRow("exponent without mantissa") << QByteArray("E5");
    QTest::newRow("sign then exponent") << QByteArray("-E5");
    QTest::newRow("inner blank") << QByteArray("5 5");
    QTest::newRow("trailing sign") << QByteArray("1-");
    QTest::newRow("two signs") << QByteArray("--1");
    QTest::newRow("two separators") << QByteArray("1.2.3");
    QTest::newRow("letter") << QByteArray("abc");
    QTest::newRow("digit after the exponent reached 500") << QByteArray("1E5000");
    // Read on, the exponent would bring this small mantissa well into range.
    QTest::newRow("exponent past 500 after many decimals")
        << QByteArray("0.") + QByteArray(100, '0') + QByteArray("1E5000");
    QTest::newRow("negative exponent past 500") << QByteArray("1E-5000");
    QTest::newRow("zero with too long an exponent") << QByteArray("0E49999");
    QTest::newRow("mantissa beyond the range") << QByteArray(5000, '9');
    QTest::newRow("tab") << QByteArray("\t5");
    QTest::newRow("embedded nul") << QByteArray("5\0"
                                                "5",
                                                3);
}

void TestNumberText::refusesUnreadableText() {
    QFETCH(QByteArray, text);
    QVERIFY(!TryReadNumber(text.toStdString(), '.').has_value());
    QVERIFY_THROWS_EXCEPTION(EConvertError, ReadNumber(text.toStdString(), '.'));
}

void TestNumberText::conversionErrorNamesTheText() {
    try {
        ReadNumber(NormaliseNumberText(" + ", pointLocale), '.');
        QFAIL("a lone plus sign read as a number");
    } catch (const EConvertError& error) {
        QCOMPARE(QByteArray(error.what()), QByteArray("'+' is not a valid floating point value"));
    }
}

void TestNumberText::clampsToBounds_data() {
    QTest::addColumn<long double>("value");
    QTest::addColumn<long double>("minValue");
    QTest::addColumn<long double>("maxValue");
    QTest::addColumn<long double>("expected");

    QTest::newRow("equal bounds: none") << -5.0L << 3.0L << 3.0L << -5.0L;
    QTest::newRow("equal zero bounds keep a negative") << -5.0L << 0.0L << 0.0L << -5.0L;
    QTest::newRow("below") << 0.09L << 0.1L << 10.0L << 0.1L;
    QTest::newRow("above") << 20.0L << 0.1L << 10.0L << 10.0L;
    QTest::newRow("inside") << 1.257L << 0.1L << 10.0L << 1.257L;
    QTest::newRow("at the lower bound") << 0.1L << 0.1L << 10.0L << 0.1L;
    QTest::newRow("negative zero is not below zero") << -0.0L << 0.0L << 10.0L << -0.0L;
    QTest::newRow("crossed, max 0: lower only, below") << -3.0L << 2.0L << 0.0L << 2.0L;
    QTest::newRow("crossed, max 0: lower only, above") << 50.0L << 2.0L << 0.0L << 50.0L;
    QTest::newRow("crossed, min 0: upper only, above") << 50.0L << 0.0L << -2.0L << -2.0L;
    QTest::newRow("crossed, min 0: upper only, below") << -50.0L << 0.0L << -2.0L << -50.0L;
    QTest::newRow("crossed, neither 0: untouched") << 50.0L << 5.0L << 2.0L << 50.0L;
}

void TestNumberText::clampsToBounds() {
    QFETCH(long double, value);
    QFETCH(long double, minValue);
    QFETCH(long double, maxValue);
    QFETCH(long double, expected);
    const Extended clamped = ClampValue(value, minValue, maxValue);
    QVERIFY2(sameNumber(clamped, expected), describe(clamped, expected));
}

void TestNumberText::writesEditText_data() {
    QTest::addColumn<long double>("value");
    QTest::addColumn<uint>("decimalPlaces");
    QTest::addColumn<bool>("zeroEmpty");
    QTest::addColumn<char>("decimal");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("8") << 8.0L << 2u << true << '.' << QByteArray("8");
    QTest::newRow("0.1") << 0.1L << 2u << true << '.' << QByteArray("0.1");
    QTest::newRow("8.5") << 8.5L << 2u << true << '.' << QByteArray("8.5");
    QTest::newRow("1.05") << 1.05L << 2u << true << '.' << QByteArray("1.05");
    QTest::newRow("0.001 rounds to 0") << 0.001L << 2u << true << '.' << QByteArray("0");
    QTest::newRow("-12.5") << -12.5L << 2u << true << '.' << QByteArray("-12.5");
    QTest::newRow("1.257 rounds up") << 1.257L << 2u << true << '.' << QByteArray("1.26");
    QTest::newRow("zero empty") << 0.0L << 2u << true << '.' << QByteArray("");
    QTest::newRow("negative zero empty") << -0.0L << 2u << true << '.' << QByteArray("");
    QTest::newRow("zero shown") << 0.0L << 2u << false << '.' << QByteArray("0");
    QTest::newRow("negative zero shown without sign")
        << -0.0L << 2u << false << '.' << QByteArray("0");
    QTest::newRow("tiny negative has no sign") << -0.001L << 2u << true << '.' << QByteArray("0");
    QTest::newRow("comma") << 8.5L << 2u << true << ',' << QByteArray("8,5");
    QTest::newRow("no decimals rounds half away") << 8.5L << 0u << true << '.' << QByteArray("9");
    QTest::newRow("no grouping") << -9999.0L << 2u << true << '.' << QByteArray("-9999");
    QTest::newRow("absurd decimal count")
        << 0.5L << 4'000'000'000u << true << '.' << QByteArray("0.5");
}

void TestNumberText::writesEditText() {
    QFETCH(long double, value);
    QFETCH(uint, decimalPlaces);
    QFETCH(bool, zeroEmpty);
    QFETCH(char, decimal);
    QFETCH(QByteArray, expected);
    QCOMPARE(QByteArray::fromStdString(WriteEditText(value, decimalPlaces, zeroEmpty, decimal)),
             expected);
}

void TestNumberText::composesDisplayText_data() {
    QTest::addColumn<long double>("value");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<char>("decimal");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("0") << 0.0L << QByteArray("0.00") << '.' << QByteArray("0.00");
    QTest::newRow("1") << 1.0L << QByteArray("0.00") << '.' << QByteArray("1.00");
    QTest::newRow("8") << 8.0L << QByteArray("0.00") << '.' << QByteArray("8.00");
    QTest::newRow("0.1") << 0.1L << QByteArray("0.00") << '.' << QByteArray("0.10");
    QTest::newRow("9999") << 9999.0L << QByteArray("0.00") << '.' << QByteArray("9999.00");
    QTest::newRow("-0.004") << -0.004L << QByteArray("0.00") << '.' << QByteArray("0.00");
    QTest::newRow("negative zero") << -0.0L << QByteArray("0.00") << '.' << QByteArray("0.00");
    QTest::newRow("half rounds away") << 1.257L << QByteArray("0.00") << '.' << QByteArray("1.26");
    QTest::newRow("comma locale") << 8.0L << QByteArray("0.00") << ',' << QByteArray("8,00");
    QTest::newRow("optional decimals") << 8.5L << QByteArray("0.##") << '.' << QByteArray("8.5");
    QTest::newRow("no decimals") << 8.5L << QByteArray("0") << '.' << QByteArray("9");
    QTest::newRow("grouping not written")
        << 1234.5L << QByteArray("#,##0.00") << '.' << QByteArray("1234.50");
    QTest::newRow("only the first section")
        << -2.0L << QByteArray("0.0;(0.00)") << '.' << QByteArray("-2.0");
    QTest::newRow("empty pattern") << 0.1L << QByteArray("") << '.' << QByteArray("0.1");
}

void TestNumberText::composesDisplayText() {
    QFETCH(long double, value);
    QFETCH(QByteArray, format);
    QFETCH(char, decimal);
    QFETCH(QByteArray, expected);
    QCOMPARE(QByteArray::fromStdString(ComposeDisplayText(value, format.toStdString(), decimal)),
             expected);
}

void TestNumberText::testsKeystrokes_data() {
    QTest::addColumn<QByteArray>("candidate");
    QTest::addColumn<uint>("decimalPlaces");
    QTest::addColumn<long double>("minValue");
    QTest::addColumn<long double>("maxValue");
    QTest::addColumn<bool>("commaDecimal");
    QTest::addColumn<bool>("accepted");

    const long double lo = 0.1L;
    QTest::newRow("digit in X") << QByteArray("5") << 2u << -9999.0L << 9999.0L << false << true;
    QTest::newRow("two decimals") << QByteArray("1.25") << 2u << lo << 10.0L << false << true;
    QTest::newRow("third decimal") << QByteArray("1.257") << 2u << lo << 10.0L << false << false;
    QTest::newRow("no decimals: point alone")
        << QByteArray("1.") << 0u << lo << 10.0L << false << true;
    QTest::newRow("no decimals: a decimal")
        << QByteArray("1.5") << 0u << lo << 10.0L << false << false;
    QTest::newRow("decimals end at exponent")
        << QByteArray("1.25E3") << 2u << -9999.0L << 9999.0L << false << true;
    QTest::newRow("three decimals before exponent")
        << QByteArray("1.257E3") << 2u << -9999.0L << 9999.0L << false << false;
    QTest::newRow("exponent after decimals may be long")
        << QByteArray("1.2E345") << 2u << -9999.0L << 9999.0L << false << true;
    QTest::newRow("exponent without mantissa")
        << QByteArray("E") << 2u << -9999.0L << 9999.0L << false << false;
    QTest::newRow("lone minus in S") << QByteArray("-") << 2u << lo << 10.0L << false << true;
    QTest::newRow("minus zero in S") << QByteArray("-0") << 2u << lo << 10.0L << false << true;
    QTest::newRow("minus zero point in S")
        << QByteArray("-0.") << 2u << lo << 10.0L << false << true;
    QTest::newRow("negative in S") << QByteArray("-5") << 2u << lo << 10.0L << false << false;
    QTest::newRow("negative in X")
        << QByteArray("-5") << 2u << -9999.0L << 9999.0L << false << true;
    QTest::newRow("negative with crossed bounds")
        << QByteArray("-5") << 2u << 5.0L << 0.0L << false << true;
    QTest::newRow("bounds not tested")
        << QByteArray("99999") << 2u << -9999.0L << 9999.0L << false << true;
    QTest::newRow("leading blank") << QByteArray(" 5") << 2u << lo << 10.0L << false << true;
    QTest::newRow("trailing blank") << QByteArray("5 ") << 2u << lo << 10.0L << false << true;
    QTest::newRow("blank between digits")
        << QByteArray("5 5") << 2u << lo << 10.0L << false << false;
    QTest::newRow("letter") << QByteArray("5a") << 2u << lo << 10.0L << false << false;
    QTest::newRow("lone plus") << QByteArray("+") << 2u << -9999.0L << 9999.0L << false << false;
    QTest::newRow("grouping comma vanishes")
        << QByteArray("1,5") << 2u << lo << 10.0L << false << true;
    QTest::newRow("comma locale decimals")
        << QByteArray("1,25") << 2u << lo << 10.0L << true << true;
    QTest::newRow("comma locale third decimal")
        << QByteArray("1,257") << 2u << lo << 10.0L << true << false;
    QTest::newRow("syntax reads 63 characters")
        << QByteArray(63, '1') + "-" << 2u << -9999.0L << 9999.0L << false << true;
    QTest::newRow("sign within 63 characters")
        << QByteArray(62, '1') + "-" << 2u << -9999.0L << 9999.0L << false << false;
}

void TestNumberText::testsKeystrokes() {
    QFETCH(QByteArray, candidate);
    QFETCH(uint, decimalPlaces);
    QFETCH(long double, minValue);
    QFETCH(long double, maxValue);
    QFETCH(bool, commaDecimal);
    QFETCH(bool, accepted);
    const KeyRules rules{decimalPlaces, minValue, maxValue,
                         commaDecimal ? commaLocale : pointLocale};
    QCOMPARE(AcceptsKey(candidate.toStdString(), rules), accepted);
}

namespace {

// A text the keystroke test lets stand holds only number characters, its first 63 characters
// read, and in a field with positive bounds it is not below zero.
void checkKeyTestAgreesWithReader(const std::string& text, NumberSeparators separators) {
    const std::string normalised = NormaliseNumberText(text, separators);
    const std::optional<Extended> head =
        TryReadNumber(std::string_view(normalised).substr(0, 63), separators.decimal);
    const bool onlyNumberCharacters =
        normalised.find_first_not_of(std::string("0123456789+-eE") + separators.decimal) ==
        std::string::npos;
    if (AcceptsKey(text, {18, -9999, 9999, separators}))
        QVERIFY2(head.has_value() && onlyNumberCharacters, text.c_str());
    else if (head.has_value() && onlyNumberCharacters)
        QVERIFY2(normalised.find(separators.decimal) != std::string::npos, text.c_str());
    if (AcceptsKey(text, {18, 0.1L, 10, separators}))
        QVERIFY2(head.has_value() && !(*head < 0), text.c_str());
}

} // namespace

// Every text either reads as a finite number or raises the conversion error, and the two entry
// points agree.
void TestNumberText::readerIsTotalOnRandomText() {
    std::mt19937_64 random(20261208);
    const auto below = [&random](std::uint64_t bound) { return random() % bound; };
    static constexpr char numberish[] = "0123456789+-.,eE ";
    int values = 0;
    int errors = 0;
    std::string text;
    for (int run = 0; run < randomTextCount; ++run) {
        text.clear();
        switch (below(8)) {
        case 0: // arbitrary bytes
            for (std::uint64_t length = below(40); length > 0; --length)
                text += static_cast<char>(below(256));
            break;
        case 1: // a huge run of digits, perhaps a point and an exponent
            text.assign(below(6000), static_cast<char>('0' + below(10)));
            if (below(2) != 0)
                text.insert(below(text.size() + 1), 1, '.');
            if (below(2) != 0)
                text += "E-" + std::to_string(below(6000));
            break;
        case 2: // a huge exponent
            text = std::to_string(below(1000)) + (below(2) != 0 ? "e" : "E-");
            text.append(below(3000), static_cast<char>('0' + below(10)));
            break;
        default: // characters of numbers in any order
            for (std::uint64_t length = below(24); length > 0; --length)
                text += numberish[below(sizeof numberish - 1)];
            break;
        }
        const NumberSeparators separators = below(2) != 0 ? pointLocale : commaLocale;
        const std::string normalised = NormaliseNumberText(text, separators);
        const std::optional<Extended> read = TryReadNumber(normalised, separators.decimal);
        if (read) {
            ++values;
            if (!std::isfinite(*read))
                QFAIL(("not finite: " + normalised.substr(0, 80)).c_str());
        } else {
            ++errors;
        }
        if (run % 64 == 0) {
            bool raised = false;
            try {
                ReadNumber(normalised, separators.decimal);
            } catch (const EConvertError&) {
                raised = true;
            }
            QCOMPARE(raised, !read.has_value());
            checkKeyTestAgreesWithReader(text, separators);
            if (QTest::currentTestFailed())
                return;
        }
    }
    QCOMPARE(values + errors, randomTextCount);
    QVERIFY(values > 0 && errors > 0);
    qInfo("%d random texts: %d values, %d conversion errors", randomTextCount, values, errors);
}

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
