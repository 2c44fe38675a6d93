#pragma once

class QDialog;

namespace vexto {

// Runs a dialog that blocks the window it belongs to (its parent) until the user is done with
// it, kept above that window and holding the input on every window system. A Wayland compositor
// may stack a dialog like any other window (sway does, although it is told the dialog's parent):
// a click on the blocked window would then raise it over the dialog, which the user could no
// longer reach. There, when the blocked window takes the focus, the dialog is shown anew, and a
// newly shown window goes on top with the focus.
class ModalDialog {
public:
    // The dialog's result, as QDialog::exec returns it.
    static int Exec(QDialog& dialog);
};

} // namespace vexto
