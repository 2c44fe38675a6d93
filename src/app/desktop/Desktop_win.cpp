#include "Desktop.h"

#include "ModalDialog.h"
#include "StartupIdentity.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <windows.h>

namespace vexto {

namespace {

// The show event comes before the window maps: placed then, the window appears in its place.
// The system's frame is known once the native window exists, which it does by the show event.
class FirstShowCentring : public QObject {
public:
    explicit FirstShowCentring(QWidget& window) : QObject(&window), m_window(window) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            watched->removeEventFilter(this);
            placeCentred();
        }
        return false;
    }

private:
    void placeCentred() {
        const QScreen* screen = m_window.screen();
        const QWindow* native = m_window.windowHandle();
        if (!screen || !native)
            return;
        QRect outer(QPoint(), m_window.size().grownBy(native->frameMargins()));
        outer.moveCenter(screen->availableGeometry().center());
        // A top-level widget's position is its frame's.
        m_window.move(outer.topLeft());
    }

    QWidget& m_window;
};

} // namespace

void Desktop::CentreOnFirstShow(QWidget& window) {
    new FirstShowCentring(window);
}

void Desktop::FrameWhereTheDesktopDoesNot(QWidget&) {
    // The system draws every window's frame.
}

void Desktop::Activate(QWidget& window, const StartupIdentity&) {
    window.raise();
    window.activateWindow();
    // Allowed when the later copy that the user started handed the foreground on.
    ::SetForegroundWindow(reinterpret_cast<HWND>(window.winId()));
}

StartupIdentity Desktop::IdentityForHandOver(const StartupIdentity& launch) {
    return launch;
}

int Desktop::ExecModal(QDialog& dialog) {
    return ModalDialog::Exec(dialog);
}

} // namespace vexto
