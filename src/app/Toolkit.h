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

    // The line Start() writes, from what the toolkit logged while it tried its platform plugins
    // and the environment that chose them.
    static QString StartFailureText(const QStringList& toolkitLog,
                                    const QProcessEnvironment& environment);
};

} // namespace vexto
