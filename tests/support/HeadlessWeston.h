#pragma once

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A private headless weston for one test or benchmark run. weston leaves window frames to its
// clients. Its socket lives in a runtime folder of its own and is handed to programs as a path,
// so that each program can have a runtime folder of its own too.
class HeadlessWeston {
public:
    // Screenshots need a renderer that keeps the screen's pixels, which costs start-up time.
    enum class Screen { Unseen, Seen };

    explicit HeadlessWeston(Screen screen = Screen::Unseen) : m_screen(screen) {}
    ~HeadlessWeston();
    HeadlessWeston(const HeadlessWeston&) = delete;
    HeadlessWeston& operator=(const HeadlessWeston&) = delete;

    // Starts the compositor and waits for its socket; false (with errorString) on failure.
    bool start();
    QString errorString() const { return m_error; }

    // The environment for programs that should show their windows natively on this compositor.
    QProcessEnvironment environment() const;

    // The whole screen, 1024 × 768, with a Seen screen; null on failure.
    QImage grabScreen() const;

private:
    Screen m_screen;
    QTemporaryDir m_runtime;
    std::unique_ptr<QProcess> m_compositor;
    QString m_error;
};
