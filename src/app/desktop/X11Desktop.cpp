#include "X11Desktop.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

namespace vexto {

namespace {

// Client messages to the root window reach the window manager through these masks.
constexpr std::uint32_t toWindowManager =
    XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
// The startup-notification protocol's listeners select property changes on the root.
constexpr std::uint32_t toStartupListeners = XCB_EVENT_MASK_PROPERTY_CHANGE;
// One client message carries 20 bytes of a startup message.
constexpr std::size_t startupChunk = 20;
// The application itself asks, not a pager or task bar.
constexpr std::uint32_t sourceApplication = 1;

template <typename T> struct FreeDeleter {
    void operator()(T* reply) const { std::free(reply); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter<T>>;

xcb_client_message_event_t clientMessage(std::uint32_t window, std::uint32_t type) {
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    return event;
}

} // namespace

std::optional<X11Desktop> X11Desktop::ForThisApplication() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return std::nullopt;
    return X11Desktop(x11->connection());
}

X11Desktop::X11Desktop(xcb_connection_t* connection) : m_connection(connection) {
    if (const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data)
        m_root = screen->root;

    const std::array<const char*, 8> names = {
        "_NET_REQUEST_FRAME_EXTENTS", "_NET_FRAME_EXTENTS", "_NET_ACTIVE_WINDOW",
        "_NET_STARTUP_INFO_BEGIN",    "_NET_STARTUP_INFO",  "_MOTIF_WM_HINTS",
        "_NET_SUPPORTING_WM_CHECK",   "_NET_SUPPORTED"};
    const std::array<std::uint32_t*, 8> atoms = {
        &m_requestFrameExtents, &m_frameExtents, &m_activeWindow,    &m_startupInfoBegin,
        &m_startupInfo,         &m_motifHints,   &m_supportingCheck, &m_supported};
    // All requests first, then all replies: one round trip.
    std::array<xcb_intern_atom_cookie_t, 8> cookies;
    for (std::size_t i = 0; i < names.size(); ++i)
        cookies[i] = xcb_intern_atom(connection, 0,
                                     static_cast<std::uint16_t>(std::strlen(names[i])), names[i]);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const Reply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(connection, cookies[i], nullptr));
        *atoms[i] = reply ? reply->atom : std::uint32_t(XCB_ATOM_NONE);
    }
}

bool X11Desktop::ManagerAnswersFrameRequests() const {
    // A manager that has gone may have left its list behind; its check window goes with it.
    const Reply<xcb_get_property_reply_t> check(xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 0, m_root, m_supportingCheck, XCB_ATOM_WINDOW, 0, 1),
        nullptr));
    if (!check || xcb_get_property_value_length(check.get()) != 4)
        return false;
    const auto checkWindow =
        *static_cast<const std::uint32_t*>(xcb_get_property_value(check.get()));
    const Reply<xcb_get_window_attributes_reply_t> alive(xcb_get_window_attributes_reply(
        m_connection, xcb_get_window_attributes(m_connection, checkWindow), nullptr));
    if (!alive)
        return false;
    const Reply<xcb_get_property_reply_t> supported(xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 0, m_root, m_supported, XCB_ATOM_ATOM, 0, 1024), nullptr));
    if (!supported)
        return false;
    const auto* atoms = static_cast<const std::uint32_t*>(xcb_get_property_value(supported.get()));
    const auto count = std::size_t(xcb_get_property_value_length(supported.get())) / 4;
    return std::find(atoms, atoms + count, m_requestFrameExtents) != atoms + count;
}

void X11Desktop::DeclareTitledFrame(std::uint32_t window) const {
    enum : std::uint32_t {
        hasFunctions = 1,
        hasDecorations = 2,
        functionResize = 2,
        functionMove = 4,
        decorationBorder = 2,
        decorationTitle = 8,
    };
    const std::array<std::uint32_t, 5> hints = {hasFunctions | hasDecorations,
                                                functionMove | functionResize,
                                                decorationBorder | decorationTitle, 0, 0};
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, m_motifHints, m_motifHints, 32,
                        std::uint32_t(hints.size()), hints.data());
}

void X11Desktop::RequestFrameExtents(std::uint32_t window) const {
    const xcb_client_message_event_t event = clientMessage(window, m_requestFrameExtents);
    xcb_send_event(m_connection, 0, m_root, toWindowManager, reinterpret_cast<const char*>(&event));
    xcb_flush(m_connection);
}

std::optional<QMargins> X11Desktop::FrameExtents(std::uint32_t window) const {
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 0, window, m_frameExtents, XCB_ATOM_CARDINAL, 0, 4),
        nullptr));
    if (!reply || reply->type != XCB_ATOM_CARDINAL || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) != 16)
        return std::nullopt;
    const auto* extents = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    // The property lists left, right, top, bottom.
    return QMargins(int(extents[0]), int(extents[2]), int(extents[1]), int(extents[3]));
}

std::optional<QMargins> X11Desktop::AwaitFrameExtents(std::uint32_t window,
                                                      std::chrono::milliseconds deadline) const {
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        if (std::optional<QMargins> extents = FrameExtents(window))
            return extents;
        if (std::chrono::steady_clock::now() >= end)
            return std::nullopt;
        // Each look is a round trip to the server; in between, leave the processor to the
        // window manager that is to answer.
        std::this_thread::sleep_for(std::chrono::microseconds(250));
    }
}

bool X11Desktop::IsFrameExtentsChange(const void* xcbEvent, std::uint32_t window) const {
    const auto* event = static_cast<const xcb_generic_event_t*>(xcbEvent);
    if ((event->response_type & ~0x80) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto* change = static_cast<const xcb_property_notify_event_t*>(xcbEvent);
    return change->window == window && change->atom == m_frameExtents;
}

void X11Desktop::RequestActivation(std::uint32_t window, std::uint32_t timestamp) const {
    xcb_client_message_event_t event = clientMessage(window, m_activeWindow);
    event.data.data32[0] = sourceApplication;
    event.data.data32[1] = timestamp;
    xcb_send_event(m_connection, 0, m_root, toWindowManager, reinterpret_cast<const char*>(&event));
    xcb_flush(m_connection);
}

void X11Desktop::SendStartupMessage(std::uint32_t window, const QByteArray& message) const {
    // The message goes out with its ending zero byte, split over as many events as it takes.
    const QByteArray bytes = message + '\0';
    for (qsizetype offset = 0; offset < bytes.size(); offset += qsizetype(startupChunk)) {
        xcb_client_message_event_t event =
            clientMessage(window, offset == 0 ? m_startupInfoBegin : m_startupInfo);
        event.format = 8;
        const auto length = std::min<std::size_t>(startupChunk, std::size_t(bytes.size() - offset));
        std::memcpy(event.data.data8, bytes.constData() + offset, length);
        xcb_send_event(m_connection, 0, m_root, toStartupListeners,
                       reinterpret_cast<const char*>(&event));
    }
    xcb_flush(m_connection);
}

} // namespace vexto
