#include "ProcessStart.h"

namespace vexto {

QStringList ProcessStart::Parameters(int argc, char* argv[]) {
    QStringList parameters;
    for (int i = 1; i < argc; ++i)
        parameters.append(QString::fromLocal8Bit(argv[i]));
    return parameters;
}

StartupShow ProcessStart::Show() {
    // A launcher here names no window state; the desktop places and sizes the window.
    return StartupShow::Normal;
}

} // namespace vexto
