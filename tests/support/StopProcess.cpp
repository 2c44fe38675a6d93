#include "StopProcess.h"

#include <QProcess>

void StopProcess(QProcess* process, int deadlineMs) {
    if (!process || process->state() == QProcess::NotRunning)
        return;
    process->terminate();
    if (!process->waitForFinished(deadlineMs))
        process->kill();
    process->waitForFinished(deadlineMs);
}
