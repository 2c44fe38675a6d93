#include "WindowActivation.h"

#include "StartupIdentity.h"
#include "X11Desktop.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace vexto {

namespace {

bool activateOnX11(QWidget& window, const StartupIdentity& identity) {
    const std::optional<X11Desktop> x11 = X11Desktop::ForThisApplication();
    if (!x11 || identity.StartupId().isEmpty())
        return false;
    const auto id = static_cast<std::uint32_t>(window.winId());
    const std::optional<std::uint32_t> time = identity.Timestamp();
    // Qt's own request would carry the time of the last event this copy saw, which is older
    // than the user's latest action elsewhere.
    if (time)
        x11->RequestActivation(id, *time);
    x11->SendStartupMessage(id, QByteArrayLiteral("remove: ID=") + identity.StartupId());
    return time.has_value();
}

bool activateOnWayland(QWidget& window, const StartupIdentity& identity) {
    if (QGuiApplication::platformName() != QLatin1String("wayland") ||
        identity.ActivationToken().isEmpty() || !window.windowHandle())
        return false;
    // Qt's Wayland shell activates with this token, and takes it out of the environment.
    qputenv("XDG_ACTIVATION_TOKEN", identity.ActivationToken());
    window.windowHandle()->requestActivate();
    return true;
}

} // namespace

void WindowActivation::Activate(QWidget& window, const StartupIdentity& identity) {
    window.raise();
    if (!activateOnX11(window, identity) && !activateOnWayland(window, identity))
        window.activateWindow();
}

} // namespace vexto
