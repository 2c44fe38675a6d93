#pragma once

#include <QByteArray>

#include <chrono>

namespace vexto {

// An activation token asked of the Wayland compositor (xdg-activation) on a connection of its
// own, for a copy that was launched without one: handed to the copy that is to come forward, it
// lets that copy's window ask for activation on the strength of this launch. Compositors may
// honour such a token less than one a launcher made, or not at all; none is asked for without
// a compositor that offers the protocol.
class WaylandActivationToken {
public:
    // The token for the application id, or empty when the compositor (on WAYLAND_DISPLAY unless
    // the display is named) cannot be reached, offers no activation, or has not answered by the
    // deadline.
    static QByteArray Request(const QByteArray& appId, std::chrono::milliseconds deadline,
                              const QByteArray& display = {});
};

} // namespace vexto
