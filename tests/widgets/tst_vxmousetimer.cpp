#include "widgets/VxMouseTimer.h"
#include "widgets/VxPanel.h"

#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <stdexcept>

using namespace vexto;

namespace {

constexpr TColor axisColor(16767628);
constexpr TColor quadrantColor(16772033);

// A window at a known place on the screen holding two neighbouring quadrant cells.
struct CellWindow {
    QWidget window;
    TVxPanel* first = new TVxPanel(&window);
    TVxPanel* second = new TVxPanel(&window);

    CellWindow() {
        window.setGeometry(100, 50, 300, 200);
        for (TVxPanel* cell : {first, second}) {
            cell->resize(81, 33);
            cell->SetBevelOuter(TBevelCut::bvLowered);
            cell->SetColor(quadrantColor);
            cell->SetHotColor(axisColor);
        }
        first->move(8, 16);
        second->move(88, 16);
    }
};

QPoint virtualPointer;

void enter(QWidget* cell) {
    virtualPointer = cell->mapToGlobal(QPoint(cell->width() / 2, cell->height() / 2));
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), QPointF(virtualPointer));
    QApplication::sendEvent(cell, &event);
}

void leave(QWidget* cell) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(cell, &event);
}

bool isHot(const TVxPanel* cell) {
    return cell->Color() == cell->HotColor();
}

} // namespace

class TestVxMouseTimer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        TVxMouseTimer::SetPointerSource([] { return virtualPointer; });
    }

    void cleanup() {
        TVxMouseTimer::SetPointerSource([] { return virtualPointer; });
        QCOMPARE(TVxMouseTimer::Instance().AttachedControl(), nullptr);
        QVERIFY(!TVxMouseTimer::Instance().IsRunning());
    }

    void aLostLeaveStillLeavesOneCellHot() {
        // Even when the window system loses the leave, attaching the next cell lets the first go.
        CellWindow cells;
        enter(cells.second);
        QVERIFY(TVxMouseTimer::Instance().IsRunning());
        enter(cells.first);
        QVERIFY(!isHot(cells.second));
        QVERIFY(!cells.second->MouseOver());
        QVERIFY(isHot(cells.first));
        QCOMPARE(TVxMouseTimer::Instance().AttachedControl(), cells.first);
        leave(cells.first);
    }

    void restoresACellThePointerLeftWithinATick() {
        CellWindow cells;
        enter(cells.first);
        virtualPointer = QPoint(-500, -500);
        QTRY_VERIFY_WITH_TIMEOUT(!isHot(cells.first), 2 * TVxMouseTimer::IntervalMs + 500);
        QCOMPARE(cells.first->Color(), quadrantColor);
        QVERIFY(!cells.first->MouseOver());

        // Qt never saw the pointer go, so it sends no enter when it comes back: a move does.
        virtualPointer = cells.first->mapToGlobal(QPoint(5, 5));
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(virtualPointer), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(cells.first, &move);
        QVERIFY(isHot(cells.first));
        leave(cells.first);
    }

    void movingStraightFromCellToCell() {
        CellWindow cells;
        cells.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cells.window));
        TVxMouseTimer::SetPointerSource({});
        QTest::mouseMove(&cells.window, QPoint(40, 30));
        QTRY_VERIFY(isHot(cells.first));
        QTest::mouseMove(&cells.window, QPoint(120, 30));
        QTRY_VERIFY(isHot(cells.second));
        QVERIFY(!isHot(cells.first));
        QTest::mouseMove(&cells.window, QPoint(250, 150));
        QTRY_VERIFY(!isHot(cells.second));
    }

    // Pressed on the first cell and dragged across the second with the button held: Qt sends no
    // enter or leave to anyone until the release, so the first cell follows the pointer through
    // the moves it still receives, and the second waits for the release.
    void heldButtonTracksOnlyTheCapturingCell() {
        CellWindow cells;
        cells.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cells.window));
        const QPoint onFirst(48, 32);
        const QPoint onSecond(128, 32);
        // Moves and buttons go through the window system, so that Qt's own capture and
        // enter/leave dispatch decide who hears of them.
        QWindow* window = cells.window.windowHandle();
        const auto moveTo = [&cells](QPoint position) {
            virtualPointer = cells.window.mapToGlobal(position);
            QCursor::setPos(virtualPointer);
            QCoreApplication::processEvents();
        };
        moveTo(onFirst);
        QTRY_VERIFY(isHot(cells.first));
        QSignalSpy firstEnters(cells.first, &TVxPanel::OnMouseEnter);
        QSignalSpy firstLeaves(cells.first, &TVxPanel::OnMouseLeave);
        QSignalSpy secondEnters(cells.second, &TVxPanel::OnMouseEnter);
        QTest::mousePress(window, Qt::LeftButton, {}, onFirst);

        moveTo(onSecond);
        QVERIFY(!isHot(cells.first));
        QCOMPARE(firstLeaves.count(), 1);
        // Further moves and polls must not bring the first cell back: that was the flicker.
        for (int step = 1; step <= 4; ++step) {
            moveTo(onSecond + QPoint(step, 0));
            TVxMouseTimer::Instance().Tick();
            QVERIFY(!isHot(cells.first));
            QVERIFY(!isHot(cells.second));
        }
        QCOMPARE(firstEnters.count(), 0);
        QCOMPARE(secondEnters.count(), 0);

        // Back over its edge, the capturing cell turns hot at once, and off again when it leaves.
        moveTo(onFirst);
        QVERIFY(isHot(cells.first));
        QCOMPARE(firstEnters.count(), 1);
        moveTo(onSecond);
        QVERIFY(!isHot(cells.first));
        QCOMPARE(firstLeaves.count(), 2);

        QTest::mouseRelease(window, Qt::LeftButton, {}, onSecond);
        QTRY_VERIFY(isHot(cells.second));
        QCOMPARE(secondEnters.count(), 1);
        QCOMPARE(firstLeaves.count(), 2);
        QVERIFY(!isHot(cells.first));
        QCOMPARE(TVxMouseTimer::Instance().AttachedControl(), cells.second);
        moveTo(QPoint(250, 150));
        QTRY_VERIFY(!isHot(cells.second));
    }

    void pointerOnTheEdges_data() {
        QTest::addColumn<QPoint>("offset"); // from the cell's top left corner
        QTest::addColumn<bool>("staysHot");
        QTest::newRow("top left corner") << QPoint(0, 0) << true;
        QTest::newRow("bottom right pixel") << QPoint(80, 32) << true;
        QTest::newRow("right edge") << QPoint(81, 10) << false;
        QTest::newRow("bottom edge") << QPoint(10, 33) << false;
        QTest::newRow("left of it") << QPoint(-1, 10) << false;
        QTest::newRow("above it") << QPoint(10, -1) << false;
    }
    void pointerOnTheEdges() {
        QFETCH(QPoint, offset);
        QFETCH(bool, staysHot);
        CellWindow cells;
        enter(cells.second);
        // The second cell sits at (88, 16) in a window whose client area starts at (100, 50).
        QCOMPARE(cells.second->mapToGlobal(QPoint(0, 0)), QPoint(188, 66));
        virtualPointer = QPoint(188, 66) + offset;
        TVxMouseTimer::Instance().Tick();
        QCOMPARE(isHot(cells.second), staysHot);
        leave(cells.second);
    }

    void recalculationKeepsTheCellHot() {
        CellWindow cells;
        enter(cells.first);
        cells.first->SetCaption(QStringLiteral("X = 8.00\rY = 4.00"));
        TVxMouseTimer::Instance().Tick();
        QVERIFY(isHot(cells.first));
        leave(cells.first);
        QCOMPARE(cells.first->Color(), quadrantColor);
    }

    void destroyedControlsAreDetached() {
        auto cells = std::make_unique<CellWindow>();
        enter(cells->first);
        delete cells->first;
        QCOMPARE(TVxMouseTimer::Instance().AttachedControl(), nullptr);

        // A control that isn't a cell is let go by the destruction watch alone, which must follow
        // the timer from control to control.
        TVxMouseTimer& timer = TVxMouseTimer::Instance();
        auto* former = new QWidget(&cells->window);
        const auto attachAndDestroy = [&timer, &cells] {
            auto* control = new QWidget(&cells->window);
            timer.Attach(control);
            delete control;
            QCOMPARE(timer.AttachedControl(), nullptr);
            QVERIFY(!timer.IsRunning());
        };
        attachAndDestroy();
        timer.Attach(former);
        attachAndDestroy();
        timer.Attach(former);
        timer.Detach(former);
        attachAndDestroy();

        // Letting go with no successor stops the poll at once.
        timer.Attach(former);
        timer.Attach(nullptr);
        QVERIFY(!timer.IsRunning());
    }

    void aFailingTickDetaches() {
        CellWindow cells;
        enter(cells.first);
        TVxMouseTimer::SetPointerSource([]() -> QPoint { throw std::runtime_error("no pointer"); });
        TVxMouseTimer::Instance().Tick();
        QCOMPARE(TVxMouseTimer::Instance().AttachedControl(), nullptr);
        QVERIFY(!TVxMouseTimer::Instance().IsRunning());
        leave(cells.first);
        QCOMPARE(cells.first->Color(), quadrantColor);
    }

    void aFailingLeaveStillAttachesTheNewCell() {
        CellWindow cells;
        connect(cells.first, &TVxPanel::OnMouseLeave, this,
                [] { throw std::runtime_error("handler failed"); });
        enter(cells.first);
        enter(cells.second);
        QCOMPARE(TVxMouseTimer::Instance().AttachedControl(), cells.second);
        QVERIFY(TVxMouseTimer::Instance().IsRunning());
        leave(cells.second);
    }
};

QTEST_MAIN(TestVxMouseTimer)
#include "tst_vxmousetimer.moc"
