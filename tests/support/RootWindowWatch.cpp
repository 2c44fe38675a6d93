#include "RootWindowWatch.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

RootWindowWatch::RootWindowWatch(const QString& display)
    : m_display(XOpenDisplay(display.toLocal8Bit().constData())) {
    if (!m_display)
        return;
    const Window root = DefaultRootWindow(m_display);
    // Startup messages go to the root with the property-change mask.
    XSelectInput(m_display, root, PropertyChangeMask);
    m_clockWindow = XCreateSimpleWindow(m_display, root, 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(m_display, m_clockWindow, PropertyChangeMask);
    m_startupInfoBegin = XInternAtom(m_display, "_NET_STARTUP_INFO_BEGIN", False);
    m_startupInfo = XInternAtom(m_display, "_NET_STARTUP_INFO", False);
    XSync(m_display, False);
}

RootWindowWatch::~RootWindowWatch() {
    if (m_display)
        XCloseDisplay(m_display);
}

void RootWindowWatch::readPendingEvents() {
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type != ClientMessage || event.xclient.format != 8)
            continue;
        const XClientMessageEvent& message = event.xclient;
        if (message.message_type == m_startupInfoBegin)
            m_partial[message.window].clear();
        else if (message.message_type != m_startupInfo || !m_partial.contains(message.window))
            continue;
        QByteArray& text = m_partial[message.window];
        const QByteArray chunk(message.data.b, sizeof message.data.b);
        const qsizetype end = chunk.indexOf('\0');
        text += chunk.left(end < 0 ? chunk.size() : end);
        if (end >= 0) {
            m_messages.append(QString::fromUtf8(text));
            m_partial.remove(message.window);
        }
    }
}

QStringList RootWindowWatch::startupMessages() {
    if (m_display) {
        XSync(m_display, False);
        readPendingEvents();
    }
    return m_messages;
}

std::uint32_t RootWindowWatch::serverTime() {
    if (!m_display)
        return 0;
    // A property change comes back stamped with the server's time.
    const unsigned char nothing = 0;
    XChangeProperty(m_display, m_clockWindow, XA_WM_NAME, XA_STRING, 8, PropModeAppend, &nothing,
                    0);
    XEvent event;
    XWindowEvent(m_display, m_clockWindow, PropertyChangeMask, &event);
    return static_cast<std::uint32_t>(event.xproperty.time);
}
