#include "app/desktop/X11Desktop.h"

#include "X11Properties.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>

#include <vector>

using namespace vexto;

namespace {

using namespace x11properties;

std::uint32_t nativeWindow(QWidget& widget) {
    return static_cast<std::uint32_t>(widget.winId());
}

} // namespace

// A desktop is faked on a bare X server: the test writes what a window manager would.
class TestX11Desktop : public QObject {
    Q_OBJECT

private slots:
    void managerIsBelievedWhileItsCheckWindowLives();
    void frameExtentsAreTakenOnlyAsTheProtocolWritesThem_data();
    void frameExtentsAreTakenOnlyAsTheProtocolWritesThem();
    void frameExtentsChangeIsKnownByWindowAndProperty();
};

void TestX11Desktop::managerIsBelievedWhileItsCheckWindowLives() {
    const std::optional<X11Desktop> desktop = X11Desktop::ForThisApplication();
    QVERIFY(desktop);
    QVERIFY(!desktop->ManagerAnswersFrameRequests());

    auto checkWindow = std::make_unique<QWidget>();
    Write(Root(), "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW, 32,
                {nativeWindow(*checkWindow)});
    Write(Root(), "_NET_SUPPORTED", XCB_ATOM_ATOM, 32,
                {Atom("_NET_ACTIVE_WINDOW"), Atom("_NET_FRAME_EXTENTS")});
    QVERIFY(!desktop->ManagerAnswersFrameRequests());
    Write(Root(), "_NET_SUPPORTED", XCB_ATOM_ATOM, 32,
                {Atom("_NET_ACTIVE_WINDOW"), Atom("_NET_REQUEST_FRAME_EXTENTS")});
    QVERIFY(desktop->ManagerAnswersFrameRequests());

    // A manager that has gone leaves its list behind.
    checkWindow.reset();
    QVERIFY(!desktop->ManagerAnswersFrameRequests());
}

void TestX11Desktop::frameExtentsAreTakenOnlyAsTheProtocolWritesThem_data() {
    QTest::addColumn<int>("type"); // 0: not set at all
    QTest::addColumn<int>("format");
    QTest::addColumn<std::vector<std::uint32_t>>("values");
    QTest::addColumn<std::optional<QMargins>>("frame");
    const std::optional<QMargins> none;
    // The property lists left, right, top, bottom; QMargins takes left, top, right, bottom.
    QTest::newRow("as written") << int(XCB_ATOM_CARDINAL) << 32
                                << std::vector<std::uint32_t>{1, 2, 3, 4}
                                << std::optional(QMargins(1, 3, 2, 4));
    QTest::newRow("not set") << 0 << 32 << std::vector<std::uint32_t>{} << none;
    QTest::newRow("wrong type") << int(XCB_ATOM_INTEGER) << 32
                                << std::vector<std::uint32_t>{1, 2, 3, 4} << none;
    QTest::newRow("wrong format") << int(XCB_ATOM_CARDINAL) << 8
                                  << std::vector<std::uint32_t>{1, 2, 3, 4} << none;
    QTest::newRow("too short") << int(XCB_ATOM_CARDINAL) << 32
                               << std::vector<std::uint32_t>{1, 2, 3} << none;
}

void TestX11Desktop::frameExtentsAreTakenOnlyAsTheProtocolWritesThem() {
    QFETCH(int, type);
    QFETCH(int, format);
    QFETCH(std::vector<std::uint32_t>, values);
    QFETCH(std::optional<QMargins>, frame);
    QWidget window;
    if (type != 0)
        Write(nativeWindow(window), "_NET_FRAME_EXTENTS", xcb_atom_t(type),
                    std::uint8_t(format), values);
    QCOMPARE(X11Desktop::ForThisApplication()->FrameExtents(nativeWindow(window)), frame);
}

void TestX11Desktop::frameExtentsChangeIsKnownByWindowAndProperty() {
    QWidget window;
    const xcb_window_t id = nativeWindow(window);
    const auto isChange = [id](std::uint8_t responseType, xcb_window_t window, xcb_atom_t property) {
        xcb_property_notify_event_t event{};
        event.response_type = responseType;
        event.window = window;
        event.atom = property;
        return X11Desktop::ForThisApplication()->IsFrameExtentsChange(&event, id);
    };
    const std::uint32_t frameExtents = Atom("_NET_FRAME_EXTENTS");
    QVERIFY(isChange(XCB_PROPERTY_NOTIFY, id, frameExtents));
    QVERIFY(isChange(XCB_PROPERTY_NOTIFY | 0x80, id, frameExtents)); // sent by another client
    QVERIFY(!isChange(XCB_PROPERTY_NOTIFY, id + 1, frameExtents));
    QVERIFY(!isChange(XCB_PROPERTY_NOTIFY, id, Atom("WM_NAME")));
    QVERIFY(!isChange(XCB_CONFIGURE_NOTIFY, id, frameExtents));
}

QTEST_MAIN(TestX11Desktop)
#include "tst_x11desktop.moc"
