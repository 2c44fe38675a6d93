#include "WaylandActivationToken.h"

#include "xdg-activation-v1-client-protocol.h"

#include <wayland-client.h>

#include <poll.h>

#include <cstring>
#include <memory>

namespace vexto {

namespace {

struct Exchange {
    xdg_activation_v1* activation = nullptr;
    QByteArray token;
    bool done = false;
};

void announced(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
               std::uint32_t) {
    auto* exchange = static_cast<Exchange*>(data);
    if (!exchange->activation && std::strcmp(interface, xdg_activation_v1_interface.name) == 0)
        exchange->activation = static_cast<xdg_activation_v1*>(
            wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1));
}

void withdrawn(void*, wl_registry*, std::uint32_t) {}

constexpr wl_registry_listener registryListener = {announced, withdrawn};

void tokenDone(void* data, xdg_activation_token_v1*, const char* token) {
    auto* exchange = static_cast<Exchange*>(data);
    exchange->token = token;
    exchange->done = true;
}

constexpr xdg_activation_token_v1_listener tokenListener = {tokenDone};

// Dispatches the connection's events until the condition holds or the deadline passes; unlike
// wl_display_roundtrip, a compositor that stops answering cannot hold the caller.
template <typename Condition>
bool dispatchUntil(wl_display* display, std::chrono::steady_clock::time_point end,
                   Condition condition) {
    while (!condition()) {
        while (wl_display_prepare_read(display) != 0)
            if (wl_display_dispatch_pending(display) < 0)
                return false;
        wl_display_flush(display);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd descriptor{wl_display_get_fd(display), POLLIN, 0};
        if (left.count() <= 0 || ::poll(&descriptor, 1, int(left.count())) <= 0) {
            wl_display_cancel_read(display);
            return false;
        }
        if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0)
            return false;
    }
    return true;
}

struct DisplayDeleter {
    void operator()(wl_display* display) const { wl_display_disconnect(display); }
};

} // namespace

QByteArray WaylandActivationToken::Request(const QByteArray& appId,
                                           std::chrono::milliseconds deadline,
                                           const QByteArray& displayName) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    const std::unique_ptr<wl_display, DisplayDeleter> display(
        wl_display_connect(displayName.isEmpty() ? nullptr : displayName.constData()));
    if (!display)
        return {};
    Exchange exchange;
    wl_registry* registry = wl_display_get_registry(display.get());
    wl_registry_add_listener(registry, &registryListener, &exchange);
    // The registry announces every global in reply to one round trip.
    wl_callback* sync = wl_display_sync(display.get());
    bool synced = false;
    static constexpr wl_callback_listener syncListener = {
        [](void* data, wl_callback*, std::uint32_t) { *static_cast<bool*>(data) = true; }};
    wl_callback_add_listener(sync, &syncListener, &synced);
    dispatchUntil(display.get(), end, [&] { return synced; });
    wl_callback_destroy(sync);

    if (exchange.activation) {
        xdg_activation_token_v1* request =
            xdg_activation_v1_get_activation_token(exchange.activation);
        xdg_activation_token_v1_add_listener(request, &tokenListener, &exchange);
        if (!appId.isEmpty())
            xdg_activation_token_v1_set_app_id(request, appId.constData());
        xdg_activation_token_v1_commit(request);
        dispatchUntil(display.get(), end, [&] { return exchange.done; });
        xdg_activation_token_v1_destroy(request);
        xdg_activation_v1_destroy(exchange.activation);
    }
    wl_registry_destroy(registry);
    wl_display_flush(display.get());
    return exchange.token;
}

} // namespace vexto
