#include "ProcessStart.h"

#include "calc/CommandLineParameters.h"

#include <QStringView>

#include <string>
#include <string_view>
#include <windows.h>

namespace vexto {

QStringList ProcessStart::Parameters(int, char*[]) {
    const QStringView commandLine(::GetCommandLineW());
    QStringList parameters;
    for (const std::u16string& parameter :
         CommandLineParameters(std::u16string_view(commandLine.utf16(), commandLine.size())))
        parameters.append(QString::fromStdU16String(parameter));
    return parameters;
}

StartupShow ProcessStart::Show() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ::GetStartupInfoW(&startup);
    if (!(startup.dwFlags & STARTF_USESHOWWINDOW))
        return StartupShow::Normal;
    switch (startup.wShowWindow) {
    case SW_SHOWMAXIMIZED:
        return StartupShow::Maximized;
    case SW_SHOWMINNOACTIVE:
        return StartupShow::MinimizedWithoutActivation;
    default:
        return StartupShow::Normal;
    }
}

} // namespace vexto
