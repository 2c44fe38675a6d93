#include "app/desktop/FrameCentring.h"

#include "X11Properties.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

using namespace vexto;
using namespace x11properties;

namespace {

// Hears the client messages sent to the root window, as the window manager does.
class RootMessages : public QAbstractNativeEventFilter {
public:
    RootMessages() {
        const std::uint32_t redirect =
            XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection(), Root(), XCB_CW_EVENT_MASK, &redirect);
        qApp->installNativeEventFilter(this);
    }
    ~RootMessages() override { qApp->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray&, void* message, qintptr*) override {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & ~0x80) == XCB_CLIENT_MESSAGE) {
            const auto* client = static_cast<const xcb_client_message_event_t*>(message);
            requests.push_back({client->type, client->window});
        }
        return false;
    }

    std::vector<std::pair<std::uint32_t, std::uint32_t>> requests; // type, window

private:
    static xcb_connection_t* connection() {
        return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    }
};

} // namespace

// The test plays the window manager on a bare X server; the screen is 640 × 480.
class TestFrameCentring : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void frameIsCentredAtOnceWithTheManagersAnswer();

private:
    std::unique_ptr<QWidget> m_checkWindow;
};

void TestFrameCentring::initTestCase() {
    QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 640, 480));
    m_checkWindow = std::make_unique<QWidget>();
    Write(Root(), "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW, 32,
          {std::uint32_t(m_checkWindow->winId())});
    Write(Root(), "_NET_SUPPORTED", XCB_ATOM_ATOM, 32, {Atom("_NET_REQUEST_FRAME_EXTENTS")});
}

void TestFrameCentring::frameIsCentredAtOnceWithTheManagersAnswer() {
    RootMessages manager;
    QWidget window;
    window.resize(200, 100);
    const auto id = std::uint32_t(window.winId());
    auto* centring = new FrameCentring(&window);

    // Asked before mapping, with the frame stated: title and border, moving and resizing.
    const std::pair request(Atom("_NET_REQUEST_FRAME_EXTENTS"), id);
    QTRY_VERIFY(std::ranges::find(manager.requests, request) != manager.requests.end());
    QCOMPARE(Read(id, "_MOTIF_WM_HINTS"), (std::vector<std::uint32_t>{1 | 2, 4 | 2, 2 | 8, 0, 0}));

    // Left, right, top, bottom: the frame is 208 × 124, with 216 pixels either side and 178
    // above and below.
    Write(id, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL, 32, {4, 4, 20, 4});
    centring->PlaceCentred();
    QCOMPARE(window.pos(), QPoint(216 + 4, 178 + 20));

    // A frame other than the answer moves the window once more: 220 × 140, 210 and 170 around.
    Write(id, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL, 32, {10, 10, 30, 10});
    QTRY_COMPARE(window.pos(), QPoint(210 + 10, 170 + 30));

    // Not after the user has moved it.
    window.move(5, 5);
    Write(id, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL, 32, {4, 4, 20, 4});
    QTest::qWait(100);
    QCOMPARE(window.pos(), QPoint(5, 5));
}

QTEST_MAIN(TestFrameCentring)
#include "tst_framecentring.moc"
