#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A private headless weston for one benchmark run. Its socket lives in a runtime folder of its
// own and is handed to programs as a path, so that each program can have a runtime folder of
// its own too.
class HeadlessWeston {
public:
    HeadlessWeston() = default;
    ~HeadlessWeston();
    HeadlessWeston(const HeadlessWeston&) = delete;
    HeadlessWeston& operator=(const HeadlessWeston&) = delete;

    // Starts the compositor and waits for its socket; false (with errorString) on failure.
    bool start();
    QString errorString() const { return m_error; }

    // The environment for programs that should show their windows natively on this compositor.
    QProcessEnvironment environment() const;

private:
    QTemporaryDir m_runtime;
    std::unique_ptr<QProcess> m_compositor;
    QString m_error;
};
