#pragma once

// The window-system layer: what the program needs of the desktop that Qt does not do alike on
// every window system. The window and the application ask Desktop only; which window system's
// conventions answer is decided in here: on Windows by the build, elsewhere at run time from the
// platform plugin Qt runs on. On X11 they are spoken on Qt's own X connection (X11Desktop); a
// launch is named by StartupIdentity.

class QDialog;
class QWidget;

namespace vexto {

class StartupIdentity;

class Desktop {
public:
    // Makes the window, created and not yet shown, appear centred on its screen with its frame
    // when it is first shown; later shows (back from minimised) leave it where it is. The frame's
    // size is asked for at once, so that the window maps in its place.
    static void CentreOnFirstShow(QWidget& window);

    // Gives the window, created and not yet shown, a title bar of its own where the window system
    // leaves the frame to the program (Wayland compositors that offer no server-side frames):
    // Qt's stand-in there offers minimise, maximise and close, which the window does not allow.
    static void FrameWhereTheDesktopDoesNot(QWidget& window);

    // Brings a shown window to the front, on behalf of the launch the identity names when it
    // names one.
    static void Activate(QWidget& window, const StartupIdentity& launch);

    // What a later copy hands the first copy for Activate: the launch's identity, completed
    // with what the window system needs to let the first copy come forward.
    static StartupIdentity IdentityForHandOver(const StartupIdentity& launch);

    // Runs the dialog, modal to the window it belongs to, until the user is done with it; it
    // stays above that window and keeps the input meanwhile. Returns the dialog's result.
    static int ExecModal(QDialog& dialog);
};

} // namespace vexto
