#include "ModalDialog.h"

#include <QDialog>
#include <QEventLoop>
#include <QGuiApplication>
#include <QWindow>

namespace vexto {

int ModalDialog::Exec(QDialog& dialog) {
    dialog.setWindowModality(Qt::WindowModal);
    QWidget* blocked = dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr;
    if (!blocked || QGuiApplication::platformName() != QLatin1String("wayland"))
        return dialog.exec();

    // QDialog::exec would end on the hide below; this loop ends when the dialog is done.
    QEventLoop loop;
    QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, &loop,
                     [&dialog, blocked](QWindow* focus) {
                         if (focus && focus == blocked->windowHandle() && dialog.isVisible()) {
                             dialog.hide();
                             dialog.show();
                         }
                     });
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    dialog.show();
    loop.exec(QEventLoop::DialogExec);
    return dialog.result();
}

} // namespace vexto
