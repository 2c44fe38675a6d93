#pragma once

#include <QByteArray>
#include <QMargins>

#include <chrono>
#include <cstdint>
#include <optional>

struct xcb_connection_t;

namespace vexto {

// The few desktop conventions that Qt does not expose, spoken on Qt's own X connection: asking
// the window manager for a frame's size before mapping, activating a window with a chosen user
// time, and the messages of the startup-notification protocol. Window ids are X window ids.
class X11Desktop {
public:
    // Empty when the application does not run on X11.
    static std::optional<X11Desktop> ForThisApplication();

    // True when a running window manager says it answers frame-extents requests.
    bool ManagerAnswersFrameRequests() const;
    // Declares the frame Qt asks for when a window has a title and no buttons (border and title
    // bar, no functions beyond moving), but with the decorations stated outright: a manager may
    // otherwise answer a frame-extents request for that window with an empty frame.
    void DeclareTitledFrame(std::uint32_t window) const;
    // The window manager answers by setting the frame extents on the window, mapped or not.
    void RequestFrameExtents(std::uint32_t window) const;
    // Left, top, right and bottom frame widths; empty until the window manager has set them.
    std::optional<QMargins> FrameExtents(std::uint32_t window) const;
    // Waits, at most until the deadline, for the window manager to set the frame extents.
    std::optional<QMargins> AwaitFrameExtents(std::uint32_t window,
                                              std::chrono::milliseconds deadline) const;
    // True for the property change that announces new frame extents of the window.
    bool IsFrameExtentsChange(const void* xcbEvent, std::uint32_t window) const;

    // Asks the window manager to activate the window as a direct result of a user action made at
    // the timestamp (X server time); a manager that prevents focus stealing compares it with the
    // user's latest action elsewhere.
    void RequestActivation(std::uint32_t window, std::uint32_t timestamp) const;

    // Broadcasts a startup-notification message ("remove: ID=..."), sent from the window.
    void SendStartupMessage(std::uint32_t window, const QByteArray& message) const;

private:
    explicit X11Desktop(xcb_connection_t* connection);

    xcb_connection_t* m_connection;
    std::uint32_t m_root = 0;
    std::uint32_t m_requestFrameExtents = 0;
    std::uint32_t m_frameExtents = 0;
    std::uint32_t m_activeWindow = 0;
    std::uint32_t m_startupInfoBegin = 0;
    std::uint32_t m_startupInfo = 0;
    std::uint32_t m_motifHints = 0;
    std::uint32_t m_supportingCheck = 0;
    std::uint32_t m_supported = 0;
};

} // namespace vexto
