#include "Desktop.h"

#include "FrameCentring.h"
#include "ModalDialog.h"
#include "StartupIdentity.h"
#include "WindowActivation.h"

#include <QEvent>
#include <QWidget>

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

} // namespace

void Desktop::CentreOnFirstShow(QWidget& window) {
    new FirstShowCentring(window);
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
