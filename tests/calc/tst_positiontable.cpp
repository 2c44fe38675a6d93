#include "calc/PositionTable.h"

#include <QTest>

using namespace vexto;

// The table's layout and order are checked on the copied text of a real window, in the copier's
// tests; here are the cell texts a window never shows but the split must still survive.
class TestPositionTable : public QObject {
    Q_OBJECT

private slots:
    void splitsCellTextIntoShownCoordinates_data();
    void splitsCellTextIntoShownCoordinates();
};

void TestPositionTable::splitsCellTextIntoShownCoordinates_data() {
    QTest::addColumn<QByteArray>("cellText");
    QTest::addColumn<QByteArray>("x");
    QTest::addColumn<QByteArray>("y");

    QTest::newRow("carriage return")
        << QByteArray("X = -10299.00\rY = 8,50") << QByteArray("-10299.00") << QByteArray("8,50");
    QTest::newRow("carriage return and line feed")
        << QByteArray("X = 1.00\r\nY = -2.00") << QByteArray("1.00") << QByteArray("-2.00");
    QTest::newRow("line feed") << QByteArray("X = 3.00\nY = 4.00") << QByteArray("3.00")
                               << QByteArray("4.00");
    QTest::newRow("no prefixes") << QByteArray("1.00\r2.00") << QByteArray("1.00")
                                 << QByteArray("2.00");
    QTest::newRow("one line") << QByteArray("PStart") << QByteArray("PStart") << QByteArray();
}

void TestPositionTable::splitsCellTextIntoShownCoordinates() {
    QFETCH(QByteArray, cellText);
    QFETCH(QByteArray, x);
    QFETCH(QByteArray, y);

    const CellCoordinates coordinates = SplitCellText(cellText.toStdString());
    QCOMPARE(QByteArray::fromStdString(coordinates.x), x);
    QCOMPARE(QByteArray::fromStdString(coordinates.y), y);
}

QTEST_GUILESS_MAIN(TestPositionTable)
#include "tst_positiontable.moc"
