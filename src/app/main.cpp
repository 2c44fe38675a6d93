#include "app/Application.h"
#include "app/Form1.h"
#include "app/LocaleSeparatorWatcher.h"
#include "app/ProcessStart.h"
#include "app/SessionDisplay.h"
#include "app/Toolkit.h"
#include "calc/ErrorReport.h"
#include "calc/FloatingPointMode.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

using namespace vexto;

namespace {

int runProgram(int argc, char* argv[], const StartupIdentity& launch) {
    // Every size the build rendered; each file tells its own size.
    QIcon icon;
    const QDir icons(QStringLiteral(":/icons"));
    for (const QString& name : icons.entryList(QDir::Files))
        icon.addFile(icons.filePath(name));
    QApplication::setWindowIcon(icon);
    // A Wayland compositor finds the menu entry, and with it the icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.vx.vexto"));
    TApplication application;
    application.SetTitle(QStringLiteral("Vexto"));
    application.SetCommandLineParameters(ProcessStart::Parameters(argc, argv));
    application.SetStartupShow(ProcessStart::Show());
    application.SetLaunchIdentity(launch);
    const LocaleSeparatorWatcher localeWatcher;
    SetErrorReport(
        [&application](const std::exception& error) { application.ShowException(error); });

    try {
        application.AdoptMainForm(std::make_unique<TForm1>(application));
    } catch (const std::exception& error) {
        TApplication::ShowStartupFailure(error);
        return 1;
    }
    return application.Run();
}

} // namespace

int main(int argc, char* argv[]) {
    SetFloatingPointMode();
    if (!SessionDisplay::IsNamed()) {
        std::fprintf(stderr, "vexto: no display to show the window on (DISPLAY is not set); "
                             "start Vexto from a desktop session.\n");
        return 1;
    }

    // The toolkit gets the program path alone: the parameters are the user's, to be handed
    // over as given, and none of them may change the window or where it shows.
    // Read before the toolkit, which takes the startup id out of the environment.
    const StartupIdentity launch = StartupIdentity::FromEnvironment();
    int toolkitArgc = 1;
    char* toolkitArgv[] = {argv[0], nullptr};
    std::unique_ptr<QApplication> qtApplication = Toolkit::Start(toolkitArgc, toolkitArgv);
    // Every object of the program is gone once it returns; only the toolkit is left to end.
    const int exitCode = runProgram(argc, argv, launch);
    return Toolkit::Exit(std::move(qtApplication), exitCode);
}
