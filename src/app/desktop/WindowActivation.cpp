#include "WindowActivation.h"

#include "StartupIdentity.h"
#include "WaylandActivationToken.h"
#include "X11Desktop.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace vexto {

namespace {

// The compositor answers at once; one that does not costs a later copy no more than this.
constexpr std::chrono::milliseconds tokenDeadline{1000};

bool onWayland() {
    return QGuiApplication::platformName() == QLatin1String("wayland");
}

// The application id Qt gives this program's windows.
QByteArray applicationId() {
    QString name = QGuiApplication::desktopFileName();
    if (name.endsWith(QLatin1String(".desktop")))
        name.chop(8);
    if (name.isEmpty())
        name = QFileInfo(QCoreApplication::applicationFilePath()).baseName();
    return name.toUtf8();
}

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
    if (!onWayland() || identity.ActivationToken().isEmpty() || !window.windowHandle())
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

StartupIdentity WindowActivation::IdentityForHandOver(const StartupIdentity& launch) {
    if (!onWayland() || !launch.ActivationToken().isEmpty())
        return launch;
    if (!launch.StartupId().isEmpty())
        return {launch.StartupId(), launch.StartupId()};
    return {{}, WaylandActivationToken::Request(applicationId(), tokenDeadline)};
}

} // namespace vexto
