#include "calc/CoordinateText.h"
#include "calc/FloatingPointMode.h"

#include <QTest>

#include <cmath>
#include <string>

using namespace vexto;

class TestCoordinateText : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetFloatingPointMode(); }

    void formatsWorkedExamples_data();
    void formatsWorkedExamples();
    void zeroNeverCarriesMinusSign_data();
    void zeroNeverCarriesMinusSign();
    void cellTextJoinsTwoLinesWithCarriageReturn_data();
    void cellTextJoinsTwoLinesWithCarriageReturn();
};

void TestCoordinateText::formatsWorkedExamples_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<char>("separator");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("zero") << 0.0 << '.' << QByteArray("0.00");
    QTest::newRow("half") << 0.5 << '.' << QByteArray("0.50");
    QTest::newRow("exact half rounds away from zero") << 0.125 << '.' << QByteArray("0.13");
    QTest::newRow("negative exact half") << -0.125 << '.' << QByteArray("-0.13");
    QTest::newRow("just below half") << 2.675 << '.' << QByteArray("2.67");
    QTest::newRow("carry adds integer digit") << 99.995 << '.' << QByteArray("100.00");
    QTest::newRow("negative rounds to zero") << -0.004 << '.' << QByteArray("0.00");
    QTest::newRow("negative rounds away") << -0.005 << '.' << QByteArray("-0.01");
    QTest::newRow("18 digits make a half") << 1000.005 << '.' << QByteArray("1000.01");
    QTest::newRow("five integer digits") << 10299.0 << '.' << QByteArray("10299.00");
    QTest::newRow("negative five integer digits") << -10299.0 << '.' << QByteArray("-10299.00");
    QTest::newRow("lower input bound") << -9999.0 << '.' << QByteArray("-9999.00");
    QTest::newRow("comma separator") << 12.5 << ',' << QByteArray("12,50");
    QTest::newRow("no grouping with comma") << 10299.0 << ',' << QByteArray("10299,00");
    QTest::newRow("small positive") << 0.01 << '.' << QByteArray("0.01");
    QTest::newRow("below the second decimal") << 0.0049 << '.' << QByteArray("0.00");
    QTest::newRow("far below the second decimal") << 1e-5 << '.' << QByteArray("0.00");
    QTest::newRow("carry through all nines") << 9999.999 << '.' << QByteArray("10000.00");
}

void TestCoordinateText::formatsWorkedExamples() {
    QFETCH(double, value);
    QFETCH(char, separator);
    QFETCH(QByteArray, expected);
    QCOMPARE(QByteArray::fromStdString(FormatCoordinate(value, separator)), expected);
}

void TestCoordinateText::zeroNeverCarriesMinusSign_data() {
    QTest::addColumn<double>("value");
    QTest::newRow("negative zero") << -0.0;
    // X 0.9 minus (0.1 x 3) x 3 in extended precision leaves about -5.4e-20 instead of 0.
    QTest::newRow("tiny negative from base-2 rounding") << -5.421010862427522e-20;
    QTest::newRow("smallest subnormal") << -std::nextafter(0.0, 1.0);
    QTest::newRow("just under the half cent") << -0.00499999;
}

void TestCoordinateText::zeroNeverCarriesMinusSign() {
    QFETCH(double, value);
    QCOMPARE(FormatCoordinate(value, '.'), std::string("0.00"));
}

void TestCoordinateText::cellTextJoinsTwoLinesWithCarriageReturn_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<char>("separator");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("full stop") << 12.5 << -3.0 << '.' << QByteArray("X = 12.50\rY = -3.00");
    QTest::newRow("comma") << -24.0 << 8.5 << ',' << QByteArray("X = -24,00\rY = 8,50");
    QTest::newRow("widest texts") << -10299.0 << 10299.0 << '.'
                                  << QByteArray("X = -10299.00\rY = 10299.00");
}

void TestCoordinateText::cellTextJoinsTwoLinesWithCarriageReturn() {
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(char, separator);
    QFETCH(QByteArray, expected);
    const QByteArray text = QByteArray::fromStdString(MakeCellText(x, y, separator));
    QCOMPARE(text, expected);
    QVERIFY(!text.contains('\n'));
}

QTEST_GUILESS_MAIN(TestCoordinateText)
#include "tst_coordinatetext.moc"
