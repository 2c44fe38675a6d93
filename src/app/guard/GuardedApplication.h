#pragma once

#include <QStringList>

namespace vexto {

class StartupIdentity;

// What the single-instance guard needs of the application it guards. The guard decides; the
// application acts: it knows its parameters and its launch, comes forward for a later copy, and
// ends this copy when the guard finds it is a later one.
class GuardedApplication {
public:
    virtual ~GuardedApplication() = default;

    // This copy's parameters: the command line without the program path.
    virtual QStringList CommandLineParameters() const = 0;
    // How the desktop named this copy's launch, for a later copy to hand over.
    virtual const StartupIdentity& LaunchIdentity() const = 0;

    // The first copy's answer to a later copy: back from minimised, then to the front on behalf
    // of the later copy's launch.
    virtual void Restore() = 0;
    virtual void BringToFront(const StartupIdentity& launch) = 0;

    // A later copy's end: its main window is never shown, and the event loop ends at once.
    virtual void SetShowMainForm(bool show) = 0;
    virtual void Terminate() = 0;
    // The orderly immediate end, from inside the creation of the main window.
    [[noreturn]] virtual void Halt(int exitCode) = 0;

protected:
    GuardedApplication() = default;
    GuardedApplication(const GuardedApplication&) = default;
    GuardedApplication& operator=(const GuardedApplication&) = default;
};

} // namespace vexto
