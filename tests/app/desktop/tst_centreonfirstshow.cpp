#include "app/desktop/Desktop.h"

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

using namespace vexto;

// Without a window manager (offscreen) the client area itself is centred.
class TestCentreOnFirstShow : public QObject {
    Q_OBJECT

private slots:
    void firstShowCentresTheWindow();
    void laterShowsLeaveTheWindowWhereItIs();
};

namespace {

QRect centredOnScreen(const QWidget& window) {
    QRect expected(QPoint(), window.size());
    expected.moveCenter(window.screen()->availableGeometry().center());
    return expected;
}

} // namespace

void TestCentreOnFirstShow::firstShowCentresTheWindow() {
    QWidget window;
    window.setFixedSize(301, 157);
    window.move(3, 5);
    Desktop::CentreOnFirstShow(window);
    // The window is still being made: nothing moves it until it shows.
    window.setWindowTitle(QStringLiteral("Vexto"));
    QCOMPARE(window.pos(), QPoint(3, 5));

    window.show();
    QCOMPARE(window.geometry(), centredOnScreen(window));
}

void TestCentreOnFirstShow::laterShowsLeaveTheWindowWhereItIs() {
    QWidget window;
    window.setFixedSize(301, 157);
    Desktop::CentreOnFirstShow(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    window.move(7, 11);
    window.hide();
    window.show();
    QCOMPARE(window.pos(), QPoint(7, 11));
}

QTEST_MAIN(TestCentreOnFirstShow)
#include "tst_centreonfirstshow.moc"
