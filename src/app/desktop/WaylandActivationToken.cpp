#include "WaylandActivationToken.h"

#include "WaylandConnection.h"
#include "xdg-activation-v1-client-protocol.h"

namespace vexto {

namespace {

struct Exchange {
    QByteArray token;
    bool done = false;
};

void tokenDone(void* data, xdg_activation_token_v1*, const char* token) {
    auto* exchange = static_cast<Exchange*>(data);
    exchange->token = token;
    exchange->done = true;
}

constexpr xdg_activation_token_v1_listener tokenListener = {tokenDone};

} // namespace

QByteArray WaylandActivationToken::Request(const QByteArray& appId,
                                           std::chrono::milliseconds deadline,
                                           const QByteArray& displayName) {
    const WaylandConnection connection(displayName, deadline);
    auto* activation = static_cast<xdg_activation_v1*>(
        connection.Bind(xdg_activation_v1_interface, 1));
    if (!activation)
        return {};
    Exchange exchange;
    xdg_activation_token_v1* request = xdg_activation_v1_get_activation_token(activation);
    xdg_activation_token_v1_add_listener(request, &tokenListener, &exchange);
    if (!appId.isEmpty())
        xdg_activation_token_v1_set_app_id(request, appId.constData());
    xdg_activation_token_v1_commit(request);
    connection.DispatchUntil([&] { return exchange.done; });
    xdg_activation_token_v1_destroy(request);
    xdg_activation_v1_destroy(activation);
    return exchange.token;
}

} // namespace vexto
