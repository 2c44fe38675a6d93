#pragma once

class QProcess;

// Asks a helper process to end, kills it if it will not, and waits for it: a server, window
// manager or compositor a test or benchmark started. Does nothing to a process that is not
// running, or to none.
void StopProcess(QProcess* process, int deadlineMs = 10'000);
