#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QApplication;
class QProcessEnvironment;

namespace vexto {

// The toolkit's application object: started before any object of the program and ended after
// the last one is gone.
class Toolkit {
public:
    // Connects to the window system. The toolkit reports a platform plugin that is missing or
    // cannot connect as a fatal error and dumps core; here that becomes one line on standard
    // error saying what is missing, and exit code 1.
    static std::unique_ptr<QApplication> Start(int& argc, char** argv);

    // Called with the program's exit code once every object of the program is destroyed. On
    // Wayland the process ends here, without the platform's teardown, which can wait forever for
    // its event thread; elsewhere the code is returned for main() to return, and the toolkit is
    // torn down as usual (on X11 that hands the clipboard over to the desktop).
    static int Exit(std::unique_ptr<QApplication> application, int exitCode);

    // The line Start() writes, from what the toolkit logged while it tried its platform plugins
    // and the environment that chose them.
    static QString StartFailureText(const QStringList& toolkitLog,
                                    const QProcessEnvironment& environment);
};

} // namespace vexto
