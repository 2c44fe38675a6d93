#pragma once

#include <QStringList>

namespace vexto {

// How the one who started the process asked its main window to show first.
enum class StartupShow {
    Normal,
    Maximized,
    // On the task bar only, the foreground left where it is, until the user restores it.
    MinimizedWithoutActivation,
};

// What the process was started with, as the platform tells it.
class ProcessStart {
public:
    // The parameters the user gave, the program path not counted. On Windows they come from the
    // command line as the system keeps it, split by the rules that the system's programs follow,
    // not the C runtime's; elsewhere they are main's arguments.
    static QStringList Parameters(int argc, char* argv[]);

    // The show command of the process's start-up information, where the platform has one.
    static StartupShow Show();
};

} // namespace vexto
