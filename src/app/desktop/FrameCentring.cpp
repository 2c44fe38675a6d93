#include "FrameCentring.h"

#include <QCoreApplication>
#include <QScreen>
#include <QWidget>

namespace vexto {

namespace {
// The manager answers within a few milliseconds; a busy one costs the window one move later.
constexpr std::chrono::milliseconds answerDeadline{100};
} // namespace

FrameCentring::FrameCentring(QWidget* window)
    : QObject(window), m_window(window), m_x11(X11Desktop::ForThisApplication()) {
    if (m_x11 && m_x11->ManagerAnswersFrameRequests()) {
        m_x11->DeclareTitledFrame(windowId());
        m_x11->RequestFrameExtents(windowId());
        m_awaitingAnswer = true;
    }
}

FrameCentring::~FrameCentring() {
    if (m_listening)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

std::uint32_t FrameCentring::windowId() const {
    return static_cast<std::uint32_t>(m_window->winId());
}

void FrameCentring::PlaceCentred() {
    std::optional<QMargins> frame;
    if (m_awaitingAnswer)
        frame = m_x11->AwaitFrameExtents(windowId(), answerDeadline);
    placeWithin(frame.value_or(QMargins()));
    if (m_x11 && !m_listening) {
        m_listening = true;
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
}

bool FrameCentring::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || !m_x11->IsFrameExtentsChange(message, windowId()))
        return false;
    const std::optional<QMargins> frame = m_x11->FrameExtents(windowId());
    if (frame && *frame != m_placedWithin && m_window->geometry().topLeft() == m_placedAt)
        placeWithin(*frame);
    return false;
}

void FrameCentring::placeWithin(const QMargins& frame) {
    const QScreen* screen = m_window->screen();
    if (!screen)
        return;
    QRect outer(QPoint(), m_window->size().grownBy(frame));
    outer.moveCenter(screen->availableGeometry().center());
    // Client coordinates: the window manager keeps the client where it is asked to be.
    m_placedWithin = frame;
    m_placedAt = outer.topLeft() + QPoint(frame.left(), frame.top());
    m_window->setGeometry(QRect(m_placedAt, m_window->size()));
}

} // namespace vexto
