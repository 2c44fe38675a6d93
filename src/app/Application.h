#pragma once

// The application layer. main() creates a QApplication, wraps it in the one TApplication, sets the
// title and creates TForm1; while the form is built its single-instance guard decides whether
// this copy runs (and may clear ShowMainForm, terminate or halt); Run() then shows the form and
// runs Qt's event loop. Errors from event handlers arrive through the calc layer's ErrorReport,
// which TApplication routes to its message box.

#include "app/ProcessStart.h"
#include "app/desktop/StartupIdentity.h"
#include "app/guard/GuardedApplication.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <exception>
#include <memory>

class QWidget;

namespace vexto {

class TApplication : public QObject, public GuardedApplication {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TApplication)

public:
    TApplication();
    ~TApplication() override;

    // The one application object of the process; null before construction and after destruction.
    static TApplication* Instance();

    QString Title() const { return m_title; }
    // Captions every window of the program shows exactly as it is given: the title is not
    // appended to them.
    void SetTitle(const QString& title);

    // The command line without the program path, exactly as the user gave it. The toolkit never
    // sees it: it takes its settings from the environment only.
    QStringList CommandLineParameters() const override { return m_commandLineParameters; }
    void SetCommandLineParameters(const QStringList& parameters) {
        m_commandLineParameters = parameters;
    }

    // How the desktop named this copy's launch, for a later copy to hand over.
    const StartupIdentity& LaunchIdentity() const override { return m_launchIdentity; }
    void SetLaunchIdentity(const StartupIdentity& identity) { m_launchIdentity = identity; }

    // The application owns its main window; closing it ends the program. A form that throws
    // while it is made never becomes the main form.
    QWidget* MainForm() const { return m_mainForm.get(); }
    void AdoptMainForm(std::unique_ptr<QWidget> form);

    // How Run shows the main form: as the starter of the process asked.
    void SetStartupShow(StartupShow show) { m_startupShow = show; }

    bool ShowMainForm() const { return m_showMainForm; }
    void SetShowMainForm(bool show) override { m_showMainForm = show; }

    bool Terminated() const { return m_terminated; }

    // Shows the main form, in the state the process was started with, when ShowMainForm is set,
    // and runs the event loop until Terminate. Returns the exit code.
    int Run();

    // Closing the main form asks the application to terminate instead of merely hiding it.
    void HandleMainFormClose(QWidget* form);

    // Asks the event loop to end with exit code 0; before Run() it makes Run() return at once.
    void Terminate() override;

    // Only while minimised: brings the main form back to its normal state.
    void Restore() override;
    // Raises and activates the window last active among the application's own: the main form or
    // a dialog it shows; on behalf of the launch the identity names, when it names one.
    void BringToFront(const StartupIdentity& launch = {}) override;

    // The orderly immediate end: destroys the main form (and with it its controls and guard),
    // then ends the process with the exit code, without returning.
    [[noreturn]] void Halt(int exitCode = 0) override;

    // The report of an error raised while the event loop runs: a message box captioned with the
    // title, the error icon and OK. The loop goes on.
    void ShowException(const std::exception& error) const;

    // The report of an error that escaped the creation of the main form.
    static void ShowStartupFailure(const std::exception& error);

    // The message box text: the error's message with a "." added unless it ends in "." or lower.
    static QString MessageText(const std::exception& error);

private:
    void showMainFormAsStarted();

    QString m_title;
    QStringList m_commandLineParameters;
    StartupIdentity m_launchIdentity;
    std::unique_ptr<QWidget> m_mainForm;
    StartupShow m_startupShow = StartupShow::Normal;
    bool m_showMainForm = true;
    bool m_terminated = false;
};

} // namespace vexto
