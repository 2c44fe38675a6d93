#include "calc/PositionTable.h"

#include <QTest>

#include <string>
#include <vector>

using namespace vexto;

namespace {

// The screen grid as the window's layout draws it, top row first.
const std::vector<std::string> screenRows[7] = {
    {"LU9", "LU8", "LU7", "U3", "RU7", "RU8", "RU9"},
    {"LU6", "LU5", "LU4", "U2", "RU4", "RU5", "RU6"},
    {"LU3", "LU2", "LU1", "U1", "RU1", "RU2", "RU3"},
    {"L3", "L2", "L1", "PStart", "R1", "R2", "R3"},
    {"LD3", "LD2", "LD1", "D1", "RD1", "RD2", "RD3"},
    {"LD6", "LD5", "LD4", "D2", "RD4", "RD5", "RD6"},
    {"LD9", "LD8", "LD7", "D3", "RD7", "RD8", "RD9"},
};

} // namespace

class TestPositionTable : public QObject {
    Q_OBJECT

private slots:
    void splitsCellTextIntoShownCoordinates_data();
    void splitsCellTextIntoShownCoordinates();
    void readingOrderFollowsTheScreenGrid();
    void tableHasHeaderAndOneLinePerCellInReadingOrder();
    void tableCopiesTheShownTextsOfAWorkedGrid();
};

void TestPositionTable::splitsCellTextIntoShownCoordinates_data() {
    QTest::addColumn<QByteArray>("cellText");
    QTest::addColumn<QByteArray>("x");
    QTest::addColumn<QByteArray>("y");
    QTest::addColumn<QByteArray>("pair");

    QTest::newRow("initial text") << QByteArray("X = 0.00\rY = 0.00") << QByteArray("0.00")
                                  << QByteArray("0.00") << QByteArray("0.00\t0.00");
    QTest::newRow("negative five digits, comma")
        << QByteArray("X = -10299.00\rY = 8,50") << QByteArray("-10299.00") << QByteArray("8,50")
        << QByteArray("-10299.00\t8,50");
    QTest::newRow("carriage return and line feed")
        << QByteArray("X = 1.00\r\nY = -2.00") << QByteArray("1.00") << QByteArray("-2.00")
        << QByteArray("1.00\t-2.00");
    QTest::newRow("line feed alone") << QByteArray("X = 3.00\nY = 4.00") << QByteArray("3.00")
                                     << QByteArray("4.00") << QByteArray("3.00\t4.00");
    QTest::newRow("lines without prefixes kept whole")
        << QByteArray("1.00\r2.00") << QByteArray("1.00") << QByteArray("2.00")
        << QByteArray("1.00\t2.00");
    QTest::newRow("layout caption, one line")
        << QByteArray("PStart") << QByteArray("PStart") << QByteArray() << QByteArray("PStart\t");
    QTest::newRow("empty") << QByteArray() << QByteArray() << QByteArray() << QByteArray("\t");
}

void TestPositionTable::splitsCellTextIntoShownCoordinates() {
    QFETCH(QByteArray, cellText);
    QFETCH(QByteArray, x);
    QFETCH(QByteArray, y);
    QFETCH(QByteArray, pair);

    const CellCoordinates coordinates = SplitCellText(cellText.toStdString());
    QCOMPARE(QByteArray::fromStdString(coordinates.x), x);
    QCOMPARE(QByteArray::fromStdString(coordinates.y), y);
    QCOMPARE(QByteArray::fromStdString(CoordinatePairText(cellText.toStdString())), pair);
}

void TestPositionTable::readingOrderFollowsTheScreenGrid() {
    std::vector<std::string> expected;
    for (const auto& row : screenRows)
        expected.insert(expected.end(), row.begin(), row.end());
    std::vector<std::string> actual;
    for (const CellName cell : ReadingOrder())
        actual.emplace_back(nameOf(cell));
    QCOMPARE(actual, expected);
}

void TestPositionTable::tableHasHeaderAndOneLinePerCellInReadingOrder() {
    // Each cell shows coordinates spelled after its own name, so a line with the wrong cell's
    // numbers cannot pass.
    CellTexts texts;
    for (const CellName cell : allCells()) {
        const std::string name(nameOf(cell));
        texts[indexOf(cell)] = "X = " + name + "x\rY = " + name + "y";
    }
    std::string expected = "Cell\tX\tY\n";
    for (const auto& row : screenRows)
        for (const std::string& name : row)
            expected += name + '\t' + name + "x\t" + name + "y\n";
    QCOMPARE(QByteArray::fromStdString(MakePositionTable(texts)),
             QByteArray::fromStdString(expected));
}

void TestPositionTable::tableCopiesTheShownTextsOfAWorkedGrid() {
    // X 0, Y 0, S 1, L 8, W 4: x is 8 per column and y 4 per row; written by hand below.
    CellTexts texts;
    for (const CellName cell : allCells()) {
        const CellOffset offset = offsetOf(cell);
        texts[indexOf(cell)] = "X = " + std::to_string(8 * offset.column) +
                               ".00\rY = " + std::to_string(4 * offset.row) + ".00";
    }
    const QList<QByteArray> lines = QByteArray::fromStdString(MakePositionTable(texts)).split('\n');
    QCOMPARE(lines.size(), 51); // 50 lines, each ending in a line feed
    QCOMPARE(lines.last(), QByteArray());
    QCOMPARE(lines[0], QByteArray("Cell\tX\tY"));
    QCOMPARE(lines[1], QByteArray("LU9\t-24.00\t12.00"));
    QCOMPARE(lines[7], QByteArray("RU9\t24.00\t12.00"));
    QCOMPARE(lines[25], QByteArray("PStart\t0.00\t0.00"));
    QCOMPARE(lines[26], QByteArray("R1\t8.00\t0.00"));
    QCOMPARE(lines[43], QByteArray("LD9\t-24.00\t-12.00"));
    QCOMPARE(lines[49], QByteArray("RD9\t24.00\t-12.00"));
    for (qsizetype line = 0; line < 50; ++line)
        QCOMPARE(lines[line].count('\t'), 2);
}

QTEST_GUILESS_MAIN(TestPositionTable)
#include "tst_positiontable.moc"
