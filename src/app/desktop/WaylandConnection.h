#pragma once

#include <QByteArray>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct wl_display;
struct wl_interface;
struct wl_registry;

namespace vexto {

// A connection of the program's own to the Wayland compositor, beside Qt's, for what Qt does not
// ask of it. Every wait on it shares one deadline, so that a compositor that stops answering
// cannot hold the program.
class WaylandConnection {
public:
    // Connects to the named display (WAYLAND_DISPLAY when empty) and reads the interfaces the
    // compositor offers.
    WaylandConnection(const QByteArray& displayName, std::chrono::milliseconds deadline);
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    // Whether the compositor answered, with what it offers, before the deadline.
    bool IsConnected() const { return m_globalsRead; }
    bool Offers(const char* interface) const;
    // The compositor's object for an offered interface, bound at the version; null when the
    // interface is not offered.
    void* Bind(const wl_interface& interface, std::uint32_t version) const;

    // Dispatches the compositor's events until the condition holds; false when the deadline
    // passed first or the connection broke.
    bool DispatchUntil(const std::function<bool()>& condition) const;

    struct Global {
        std::uint32_t name;
        QByteArray interface;
    };

private:
    struct DisplayDeleter {
        void operator()(wl_display* display) const;
    };

    std::chrono::steady_clock::time_point m_deadline;
    std::unique_ptr<wl_display, DisplayDeleter> m_display;
    wl_registry* m_registry = nullptr;
    std::vector<Global> m_globals;
    bool m_globalsRead = false;
};

} // namespace vexto
