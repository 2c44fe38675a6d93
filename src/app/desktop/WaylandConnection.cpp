#include "WaylandConnection.h"

#include <wayland-client.h>

#include <poll.h>

#include <algorithm>

namespace vexto {

namespace {

void announced(void* data, wl_registry*, std::uint32_t name, const char* interface,
               std::uint32_t) {
    static_cast<std::vector<WaylandConnection::Global>*>(data)->push_back({name, interface});
}

void withdrawn(void*, wl_registry*, std::uint32_t) {}

constexpr wl_registry_listener registryListener = {announced, withdrawn};

void synced(void* data, wl_callback*, std::uint32_t) {
    *static_cast<bool*>(data) = true;
}

constexpr wl_callback_listener syncListener = {synced};

} // namespace

void WaylandConnection::DisplayDeleter::operator()(wl_display* display) const {
    wl_display_disconnect(display);
}

WaylandConnection::WaylandConnection(const QByteArray& displayName,
                                     std::chrono::milliseconds deadline)
    : m_deadline(std::chrono::steady_clock::now() + deadline),
      m_display(wl_display_connect(displayName.isEmpty() ? nullptr : displayName.constData())) {
    if (!m_display)
        return;
    m_registry = wl_display_get_registry(m_display.get());
    wl_registry_add_listener(m_registry, &registryListener, &m_globals);
    // The registry announces every global before it answers the round trip.
    wl_callback* sync = wl_display_sync(m_display.get());
    bool roundTripDone = false;
    wl_callback_add_listener(sync, &syncListener, &roundTripDone);
    m_globalsRead = DispatchUntil([&] { return roundTripDone; });
    wl_callback_destroy(sync);
}

WaylandConnection::~WaylandConnection() {
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_flush(m_display.get());
}

bool WaylandConnection::Offers(const char* interface) const {
    return std::any_of(m_globals.begin(), m_globals.end(),
                       [interface](const Global& global) { return global.interface == interface; });
}

void* WaylandConnection::Bind(const wl_interface& interface, std::uint32_t version) const {
    const auto global =
        std::find_if(m_globals.begin(), m_globals.end(),
                     [&interface](const Global& g) { return g.interface == interface.name; });
    if (global == m_globals.end())
        return nullptr;
    return wl_registry_bind(m_registry, global->name, &interface, version);
}

// Unlike wl_display_roundtrip, this gives up at the deadline.
bool WaylandConnection::DispatchUntil(const std::function<bool()>& condition) const {
    if (!m_display)
        return false;
    wl_display* display = m_display.get();
    for (;;) {
        while (wl_display_prepare_read(display) != 0)
            if (wl_display_dispatch_pending(display) < 0)
                return false;
        // Events already queued may have met the condition: then there is nothing to wait for.
        if (condition()) {
            wl_display_cancel_read(display);
            return true;
        }
        wl_display_flush(display);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            m_deadline - std::chrono::steady_clock::now());
        pollfd descriptor{wl_display_get_fd(display), POLLIN, 0};
        if (left.count() <= 0 || ::poll(&descriptor, 1, int(left.count())) <= 0) {
            wl_display_cancel_read(display);
            return false;
        }
        if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0)
            return false;
    }
}

} // namespace vexto
