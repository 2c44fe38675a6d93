// A copy of a program that carries the single-instance guard, for tst_oneinstance to start
// several times. Its command-line arguments are the parameters it hands over; settings come
// from the environment:
//   VEXTO_PEER_START_AT   run the guard at this time (ms since the epoch): copies started together
//   VEXTO_PEER_BLOCK_MS   as first copy, keep the event loop blocked this long
//   VEXTO_PEER_HALT       set UseHaltToExit
//   VEXTO_PEER_MINIMIZED  start with the main form minimised
//   VEXTO_PEER_HANDLER_FAILS  as first copy, raise an error from the hand-over handler after
//                         printing what it received
// It prints one line per event: "first", "later show=<0|1>", and in the first copy
// "received <minimised 0|1> <percent-encoded parameters...>" per hand-over. It ends when its
// standard input closes.

#include "app/Application.h"
#include "app/guard/OneInstance.h"
#include "calc/ErrorReport.h"
#include "calc/Exception.h"

#include <QApplication>
#include <QDateTime>
#include <QSocketNotifier>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <unistd.h>

using namespace vexto;

namespace {

void printLine(const QByteArray& line) {
    std::fprintf(stdout, "%s\n", line.constData());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[]) {
    int toolkitArgc = 1;
    char* toolkitArgv[] = {argv[0], nullptr};
    QApplication qtApplication(toolkitArgc, toolkitArgv);
    TApplication application;
    QStringList parameters;
    for (int i = 1; i < argc; ++i)
        parameters.append(QString::fromLocal8Bit(argv[i]));
    application.SetCommandLineParameters(parameters);
    SetErrorReport(
        [](const std::exception& error) { std::fprintf(stderr, "error: %s\n", error.what()); });

    auto ownedForm = std::make_unique<QWidget>();
    QWidget* form = ownedForm.get();
    application.AdoptMainForm(std::move(ownedForm));
    if (qEnvironmentVariableIsSet("VEXTO_PEER_MINIMIZED"))
        form->showMinimized();

    const qint64 startAt = qEnvironmentVariable("VEXTO_PEER_START_AT").toLongLong();
    if (startAt > 0) {
        const qint64 wait = startAt - QDateTime::currentMSecsSinceEpoch();
        if (wait > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    }

    TOneInstance guard(nullptr, application);
    guard.SetUseHaltToExit(qEnvironmentVariableIsSet("VEXTO_PEER_HALT"));
    const bool handlerFails = qEnvironmentVariableIsSet("VEXTO_PEER_HANDLER_FAILS");
    guard.SetOnInstanceStarted([form, handlerFails](TOneInstance*, const QStringList& params) {
        QByteArray line = "received " + QByteArray(form->isMinimized() ? "1" : "0");
        for (const QString& param : params)
            line += ' ' + param.toUtf8().toPercentEncoding();
        printLine(line);
        if (handlerFails)
            throw Exception("handler failed");
    });
    try {
        guard.Loaded();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "start-up failure: %s\n", error.what());
        return 1;
    }

    if (guard.IsFirstInstance()) {
        printLine("first");
    } else {
        printLine("later show=" + QByteArray(application.ShowMainForm() ? "1" : "0"));
        // A copy that runs as if alone stays, like a first copy.
        if (!application.ShowMainForm())
            return application.Run();
    }
    const int blockMs = qEnvironmentVariableIntValue("VEXTO_PEER_BLOCK_MS");
    if (blockMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(blockMs));

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &application, [&] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            input.setEnabled(false);
            application.Terminate();
        }
    });
    return application.Run();
}
