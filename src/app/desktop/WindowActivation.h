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

    // What a later copy hands over so that the first copy may come forward. On Wayland the
    // launcher's token, which some launchers give as DESKTOP_STARTUP_ID only; without one, a
    // token this copy asks the compositor for: a window needs one to ask for activation at all.
    static StartupIdentity IdentityForHandOver(const StartupIdentity& launch);
};

} // namespace vexto
