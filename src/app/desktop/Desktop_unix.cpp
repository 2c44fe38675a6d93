#include "Desktop.h"

#include "ClientTitleBar.h"
#include "FrameCentring.h"
#include "ModalDialog.h"
#include "StartupIdentity.h"
#include "WaylandConnection.h"
#include "WindowActivation.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

#include <chrono>

namespace vexto {

namespace {

// The show event comes before the window maps: placed then, the window appears in its place.
class FirstShowCentring : public QObject {
public:
    explicit FirstShowCentring(QWidget& window)
        : QObject(&window), m_centring(new FrameCentring(&window)) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            watched->removeEventFilter(this);
            m_centring->PlaceCentred();
        }
        return false;
    }

private:
    FrameCentring* m_centring;
};

// The compositor answers at once; one that does not delays the first show by no more than this.
constexpr std::chrono::milliseconds globalsDeadline{1000};

// Qt asks for a server-side frame wherever the compositor offers them, and draws its own
// otherwise, unless told to draw none.
bool compositorLeavesTheFrameToUs() {
    if (QGuiApplication::platformName() != QLatin1String("wayland") ||
        qEnvironmentVariableIntValue("QT_WAYLAND_DISABLE_WINDOWDECORATION"))
        return false;
    const WaylandConnection connection({}, globalsDeadline);
    return connection.IsConnected() && !connection.Offers("zxdg_decoration_manager_v1");
}

} // namespace

void Desktop::CentreOnFirstShow(QWidget& window) {
    new FirstShowCentring(window);
}

void Desktop::FrameWhereTheDesktopDoesNot(QWidget& window) {
    if (compositorLeavesTheFrameToUs())
        new ClientTitleBar(window);
}

void Desktop::Activate(QWidget& window, const StartupIdentity& launch) {
    WindowActivation::Activate(window, launch);
}

StartupIdentity Desktop::IdentityForHandOver(const StartupIdentity& launch) {
    return WindowActivation::IdentityForHandOver(launch);
}

int Desktop::ExecModal(QDialog& dialog) {
    return ModalDialog::Exec(dialog);
}

} // namespace vexto
