#include "calc/CoordinateText.h"
#include "calc/FloatingPointMode.h"
#include "calc/PlacementGrid.h"

#include "ExactBinary.h"

#include <QTest>

#include <array>
#include <cstdlib>
#include <map>
#include <new>
#include <random>
#include <string>
#include <vector>

using namespace vexto;

namespace {

struct Inputs {
    Extended X = 0, Y = 0, S = 1, L = 8, W = 4;

    Extended read(InputName name) const {
        switch (name) {
        case InputName::X:
            return X;
        case InputName::Y:
            return Y;
        case InputName::S:
            return S;
        case InputName::L:
            return L;
        case InputName::W:
            return W;
        }
        return 0;
    }
};

std::map<std::string, std::string> refresh(const Inputs& inputs, char separator = '.') {
    std::map<std::string, std::string> texts;
    RefreshPlacementGrid([&inputs](InputName name) { return inputs.read(name); },
                         [&texts](CellName cell, const std::string& text) {
                             texts[std::string(nameOf(cell))] = text;
                         },
                         separator);
    return texts;
}

std::string cellText(const char* x, const char* y) {
    return std::string("X = ") + x + "\rY = " + y;
}

// One coordinate by the rules, worked out exactly: scale times size rounded to a 64-bit
// significand, the multiple (x2 exact, x3 rounded), the sum or difference rounded, then to double.
double referenceCoordinate(Extended start, Extended scale, Extended size, int offset) {
    using namespace exact;
    if (offset == 0)
        return ToDouble(RoundToBits(FromExtended(start), 53));
    Binary step = RoundToBits(Multiply(FromExtended(scale), FromExtended(size)), 64);
    const int distance = std::abs(offset);
    if (distance > 1)
        step = RoundToBits(Multiply(step, FromExtended(Extended(distance))), 64);
    const Binary sum = Add(FromExtended(start), offset > 0 ? step : Negate(step));
    return ToDouble(RoundToBits(RoundToBits(sum, 64), 53));
}

// Inputs as the fields hand them over: mostly typed numbers of at most two decimals, sometimes any
// extended number in the field's range.
Extended sampleInput(std::mt19937_64& random, int lowestCents, int highestCents) {
    std::uniform_int_distribution<int> cents(lowestCents, highestCents);
    if (random() % 4 != 0)
        return Extended(cents(random)) / 100;
    std::uniform_real_distribution<long double> any(lowestCents / 100.0L, highestCents / 100.0L);
    return any(random);
}

} // namespace

class TestPlacementGrid : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetFloatingPointMode(); }

    void cellNamesFollowTheirOffsets_data();
    void cellNamesFollowTheirOffsets();
    void refreshShowsEdgeCasePositions_data();
    void refreshShowsEdgeCasePositions();
    void baseTwoRoundingNeverShowsMinusZero_data();
    void baseTwoRoundingNeverShowsMinusZero();
    void readsInputsInStatedOrderBeforeSettingAnyText();
    void gridMatchesExactArithmeticOnASeededSample();
    void stepIsScaleTimesLengthBeforeTheMultiple();
    void failedTextStopsRunAfterEarlierCells();
};

void TestPlacementGrid::cellNamesFollowTheirOffsets_data() {
    QTest::addColumn<int>("cell");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("name");

    QTest::addColumn<int>("region");

    const auto row = [](CellName cell, int column, int rowOffset, const char* name) {
        const CellRegion region = cell == CellName::PStart ? CellRegion::Start
                                  : column == 0 || rowOffset == 0 ? CellRegion::Axis
                                                                  : CellRegion::Quadrant;
        QTest::newRow(name) << int(cell) << column << rowOffset << QString::fromLatin1(name)
                            << int(region);
    };
    row(CellName::PStart, 0, 0, "PStart");
    row(CellName::U1, 0, 1, "U1");
    row(CellName::U3, 0, 3, "U3");
    row(CellName::D2, 0, -2, "D2");
    row(CellName::L1, -1, 0, "L1");
    row(CellName::R3, 3, 0, "R3");
    row(CellName::LU1, -1, 1, "LU1");
    row(CellName::LU6, -3, 2, "LU6");
    row(CellName::LU9, -3, 3, "LU9");
    row(CellName::RU5, 2, 2, "RU5");
    row(CellName::RU7, 1, 3, "RU7");
    row(CellName::LD3, -3, -1, "LD3");
    row(CellName::LD9, -3, -3, "LD9");
    row(CellName::RD4, 1, -2, "RD4");
    row(CellName::RD9, 3, -3, "RD9");
}

void TestPlacementGrid::cellNamesFollowTheirOffsets() {
    QFETCH(int, cell);
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(QString, name);
    QFETCH(int, region);
    const auto cellName = static_cast<CellName>(cell);
    QCOMPARE(offsetOf(cellName), (CellOffset{column, row}));
    QCOMPARE(QString::fromLatin1(nameOf(cellName)), name);
    QCOMPARE(int(regionOf(cellName)), region);
}

void TestPlacementGrid::refreshShowsEdgeCasePositions_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("s");
    QTest::addColumn<double>("l");
    QTest::addColumn<double>("w");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char* name, double x, double y, double s, double l, double w,
                        const char* cell, const char* tx, const char* ty) {
        QTest::newRow(name) << x << y << s << l << w << QString::fromLatin1(cell)
                            << QString::fromStdString(cellText(tx, ty));
    };
    row("unit scale start", 0, 0, 1, 8, 4, "PStart", "0.00", "0.00");
    row("unit scale U1", 0, 0, 1, 8, 4, "U1", "0.00", "4.00");
    row("unit scale R3", 0, 0, 1, 8, 4, "R3", "24.00", "0.00");
    row("unit scale RU5", 0, 0, 1, 8, 4, "RU5", "16.00", "8.00");
    row("unit scale LD9", 0, 0, 1, 8, 4, "LD9", "-24.00", "-12.00");
    row("worked example R1", 100, 50, 0.5, 8, 4, "R1", "104.00", "50.00");
    row("worked example LU6", 100, 50, 0.5, 8, 4, "LU6", "88.00", "54.00");
    row("largest coordinates", 9999, -9999, 10, 10, 10, "RD9", "10299.00", "-10299.00");
    row("smallest coordinates", -9999, 9999, 10, 10, 10, "LU9", "-10299.00", "10299.00");
}

void TestPlacementGrid::refreshShowsEdgeCasePositions() {
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(double, s);
    QFETCH(double, l);
    QFETCH(double, w);
    QFETCH(QString, cell);
    QFETCH(QString, expected);
    const auto texts = refresh({x, y, s, l, w});
    QCOMPARE(texts.size(), CellCount);
    QCOMPARE(QString::fromStdString(texts.at(cell.toStdString())), expected);
}

void TestPlacementGrid::baseTwoRoundingNeverShowsMinusZero_data() {
    // The inputs are the extended numbers nearest to the typed texts, as the fields read them.
    QTest::addColumn<QByteArray>("x");
    QTest::addColumn<QByteArray>("s");
    QTest::addColumn<QByteArray>("l");
    QTest::addColumn<int>("cell");
    QTest::newRow("three steps left")
        << QByteArray("0.9") << QByteArray("0.1") << QByteArray("3") << int(CellName::L3);
    QTest::newRow("one step left")
        << QByteArray("2.1") << QByteArray("0.3") << QByteArray("7") << int(CellName::L1);
}

void TestPlacementGrid::baseTwoRoundingNeverShowsMinusZero() {
    QFETCH(QByteArray, x);
    QFETCH(QByteArray, s);
    QFETCH(QByteArray, l);
    QFETCH(int, cell);

    const Inputs inputs{std::strtold(x.constData(), nullptr), 0,
                        std::strtold(s.constData(), nullptr), std::strtold(l.constData(), nullptr),
                        4};
    const auto cellName = static_cast<CellName>(cell);
    const double rawX =
        CalcPlacementGrid(inputs.X, inputs.Y, inputs.S, inputs.L, inputs.W)[indexOf(cellName)].x;
    QVERIFY2(rawX < 0 && rawX > -1e-18, "the extended arithmetic should leave a tiny negative");
    QCOMPARE(refresh(inputs).at(std::string(nameOf(cellName))), cellText("0.00", "0.00"));
}

void TestPlacementGrid::readsInputsInStatedOrderBeforeSettingAnyText() {
    std::vector<char> events; // an input's letter per read, '#' per text set
    const Inputs inputs{3, 4, 2, 8, 4};
    RefreshPlacementGrid(
        [&](InputName name) {
            events.push_back("XYSLW"[int(name)]);
            return inputs.read(name);
        },
        [&](CellName, const std::string&) { events.push_back('#'); }, '.');

    QCOMPARE(events.size(), std::size_t{266 + 49});
    const std::string sequence(events.begin(), events.end());
    QCOMPARE(sequence.find('#'), std::size_t{266});
    QCOMPARE(sequence.substr(266), std::string(49, '#'));
    // PStart reads the start coordinates alone; U1 then reads X for x and Y, W, S for y; D1 the
    // same.
    QCOMPARE(sequence.substr(0, 10), std::string("XY"
                                                 "XYWS"
                                                 "XYWS"));
    // L1 reads X, L, S for x and Y alone for y.
    const std::size_t firstLeftCell = 2 + 6 * 4;
    QCOMPARE(sequence.substr(firstLeftCell, 4), std::string("XLSY"));
}

void TestPlacementGrid::failedTextStopsRunAfterEarlierCells() {
    std::vector<CellName> shown;
    const auto failAtR1 = [&shown](CellName cell, const std::string&) {
        if (cell == CellName::R1)
            throw std::bad_alloc();
        shown.push_back(cell);
    };
    const Inputs inputs;
    QVERIFY_THROWS_EXCEPTION(
        std::bad_alloc,
        RefreshPlacementGrid([&](InputName n) { return inputs.read(n); }, failAtR1, '.'));
    QCOMPARE(shown.size(), indexOf(CellName::R1));
    QCOMPARE(shown.back(), CellName::L3);
}

void TestPlacementGrid::gridMatchesExactArithmeticOnASeededSample() {
    std::mt19937_64 random(1324);
    constexpr int sampleSize = 20'000;
    constexpr int textedSamples = 2'000; // formatting costs more than the arithmetic
    for (int sample = 0; sample < sampleSize; ++sample) {
        // X is 0 now and then, and never a sliver that would put it 64 places below the step.
        Inputs inputs{sampleInput(random, -999'900, 999'900),
                      sampleInput(random, -999'900, 999'900), sampleInput(random, 10, 1000),
                      sampleInput(random, 10, 1000), sampleInput(random, 10, 1000)};
        if (sample % 50 == 0)
            inputs.X = 0;
        const PlacementGrid grid =
            CalcPlacementGrid(inputs.X, inputs.Y, inputs.S, inputs.L, inputs.W);
        std::array<double, 7> xs{}, ys{};
        for (int offset = -3; offset <= 3; ++offset) {
            xs[std::size_t(offset + 3)] = referenceCoordinate(inputs.X, inputs.S, inputs.L, offset);
            ys[std::size_t(offset + 3)] = referenceCoordinate(inputs.Y, inputs.S, inputs.W, offset);
        }
        const auto describe = [&](CellName cell) {
            return qPrintable(QStringLiteral("sample %1, cell %2: X %3 Y %4 S %5 L %6 W %7")
                                  .arg(sample)
                                  .arg(QLatin1StringView(nameOf(cell)))
                                  .arg(double(inputs.X), 0, 'g', 20)
                                  .arg(double(inputs.Y), 0, 'g', 20)
                                  .arg(double(inputs.S), 0, 'g', 20)
                                  .arg(double(inputs.L), 0, 'g', 20)
                                  .arg(double(inputs.W), 0, 'g', 20));
        };
        for (const CellName cell : allCells()) {
            const CellOffset offset = offsetOf(cell);
            const Position expected{xs[std::size_t(offset.column + 3)],
                                    ys[std::size_t(offset.row + 3)]};
            if (grid[indexOf(cell)] != expected)
                QFAIL(describe(cell));
        }
        if (sample >= textedSamples)
            continue;
        const auto texts = refresh(inputs);
        for (const CellName cell : allCells()) {
            const CellOffset offset = offsetOf(cell);
            const std::string expected =
                "X = " + exact::ReferenceCoordinateText(xs[std::size_t(offset.column + 3)]) +
                "\rY = " + exact::ReferenceCoordinateText(ys[std::size_t(offset.row + 3)]);
            if (texts.at(std::string(nameOf(cell))) != expected)
                QFAIL(describe(cell));
        }
    }
}

// Worked by hand from the exact binary values the fields hold: 227.77 is 227.77 + 3.9e-18 and
// 8.93 is 8.93 + 2.8e-19; S x L rounds to 75.905 - 1.1e-18, times 3 to 227.715 - 3.3e-18, so
// L3's x is 0.055 + 7.2e-18, the double 0.05500000000000001, shown as 0.06. Multiplying L by 3
// first would give 227.715 + 6.7e-18 and so 0.05.
void TestPlacementGrid::stepIsScaleTimesLengthBeforeTheMultiple() {
    const Inputs inputs{std::strtold("227.77", nullptr), 0, std::strtold("8.93", nullptr), 8.5L, 4};
    QCOMPARE(refresh(inputs).at("L3"), cellText("0.06", "0.00"));
}

QTEST_GUILESS_MAIN(TestPlacementGrid)
#include "tst_placementgrid.moc"
