// The change event that a caption change sends is checked through AT-SPI by the end-to-end
// accessibility test: without a platform accessibility bridge Qt drops it before any handler.
#include "widgets/VxPanel.h"
#include "widgets/WidgetAccessibility.h"

#include <QAccessible>
#include <QTest>

using namespace vexto;

class TestPanelAccessible : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallWidgetAccessibility(); }

    void readsCaptionAsOneLine_data();
    void readsCaptionAsOneLine();
    void namedAfterItsCell();
};

void TestPanelAccessible::readsCaptionAsOneLine_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("spoken");

    QTest::newRow("cell text") << "X = -10299.00\rY = 8,50"
                               << "X = -10299.00, Y = 8,50";
    QTest::newRow("carriage return and line feed") << "a\r\nb"
                                                   << "a, b";
    QTest::newRow("line feed") << "a\nb"
                               << "a, b";
    QTest::newRow("two breaks") << "a\r\rb"
                                << "a, , b";
    QTest::newRow("one line") << "PStart"
                              << "PStart";
    QTest::newRow("empty") << ""
                           << "";
}

void TestPanelAccessible::readsCaptionAsOneLine() {
    QFETCH(QString, caption);
    QFETCH(QString, spoken);

    TVxPanel panel;
    panel.SetCaption(caption);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&panel);
    QVERIFY(accessible && accessible->textInterface());
    QAccessibleTextInterface* text = accessible->textInterface();
    QCOMPARE(text->characterCount(), spoken.size());
    QCOMPARE(text->text(0, text->characterCount()), spoken);
    QCOMPARE(text->text(0, text->characterCount() + 1), QString()); // past the end
}

void TestPanelAccessible::namedAfterItsCell() {
    TVxPanel panel;
    panel.setObjectName(QStringLiteral("LU1"));
    panel.SetCaption(QStringLiteral("X = 0.00\rY = 0.00"));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&panel);
    QCOMPARE(accessible->role(), QAccessible::StaticText);
    QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("LU1"));
    QVERIFY(accessible->state().readOnly);
    QVERIFY(!accessible->state().focusable);

    panel.setAccessibleName(QStringLiteral("Cell LU1"));
    QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Cell LU1"));
}

QTEST_MAIN(TestPanelAccessible)
#include "tst_panelaccessible.moc"
