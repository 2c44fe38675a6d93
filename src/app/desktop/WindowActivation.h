#pragma once

class QWidget;

namespace vexto {

class StartupIdentity;

// Brings a shown window to the front for a launch the user has just made. With the launch's
// identity the desktop lets the window take the focus from whatever the user worked in before
// (a manager that prevents focus stealing would otherwise only flag it), and the launcher's wait
// for that launch ends. X11: the window asks the manager for activation with the time from the
// startup id, then broadcasts the id's "remove" message. Wayland: Qt activates the window with
// the token it finds in XDG_ACTIVATION_TOKEN. Without an identity Qt activates as it can.
class WindowActivation {
public:
    static void Activate(QWidget& window, const StartupIdentity& identity);
};

} // namespace vexto
