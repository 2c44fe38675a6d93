// The window's cells and the change event are read through AT-SPI by the end-to-end
// accessibility test; here are the line breaks and offsets a screen reader may ask about.
#include "widgets/VxPanel.h"
#include "widgets/WidgetAccessibility.h"

#include <QAccessible>
#include <QTest>

using namespace vexto;

class TestPanelAccessible : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallWidgetAccessibility(); }
    void readsCaptionAsOneReadOnlyLine_data();
    void readsCaptionAsOneReadOnlyLine();
};

void TestPanelAccessible::readsCaptionAsOneReadOnlyLine_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("spoken");

    QTest::newRow("carriage return and line feed") << "a\r\nb"
                                                   << "a, b";
    QTest::newRow("line feed") << "a\nb"
                               << "a, b";
    QTest::newRow("two breaks") << "a\r\rb"
                                << "a, , b";
    QTest::newRow("one line") << "PStart"
                              << "PStart";
}

void TestPanelAccessible::readsCaptionAsOneReadOnlyLine() {
    QFETCH(QString, caption);
    QFETCH(QString, spoken);

    TVxPanel panel;
    panel.setObjectName(QStringLiteral("LU1"));
    panel.SetCaption(caption);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&panel);
    QVERIFY(accessible && accessible->textInterface());
    QCOMPARE(accessible->role(), QAccessible::StaticText);
    QVERIFY(accessible->state().readOnly);
    QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("LU1"));
    QAccessibleTextInterface* text = accessible->textInterface();
    QCOMPARE(text->characterCount(), spoken.size());
    QCOMPARE(text->text(0, text->characterCount()), spoken);
    QCOMPARE(text->text(2, 4), spoken.mid(2, 2));
    QCOMPARE(text->text(0, text->characterCount() + 1), QString()); // past the end
    QCOMPARE(text->text(-1, 1), QString());
}

QTEST_MAIN(TestPanelAccessible)
#include "tst_panelaccessible.moc"
