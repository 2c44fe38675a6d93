#pragma once

#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A headless sway compositor for one test run, and the tools the tests drive it through:
// swaymsg for its window tree and commands, wtype for keys, grim for the screen, wl-paste for the
// clipboard. sway will not run as root: as root it runs as the user vextotest, made by
// scripts/install-deps.sh, while clients connect as root to its socket by path. Clients get a
// runtime folder of their own.
class SwaySession {
public:
    SwaySession();
    ~SwaySession();
    SwaySession(const SwaySession&) = delete;
    SwaySession& operator=(const SwaySession&) = delete;

    static bool IsInstalled();

    // Starts the compositor and waits, with a deadline, until it takes clients and commands;
    // false (with errorString) on failure.
    bool start();
    QString errorString() const { return m_error; }

    // The environment for native Wayland clients of this compositor.
    QProcessEnvironment environment() const;

    // Runs one sway command (swaymsg); true when sway reports success.
    bool command(const QString& command) const;
    // Gives the output a mode as many times larger as its scale, so the desktop keeps its size
    // and windows their places. Whole numbers only: sway 1.7 tells clients a fractional scale as
    // the next whole one and resamples what they draw. Clients take the scale as they start.
    bool setOutputScale(int scale) const;
    // The views of the client with the application id, in stacking order, the topmost last.
    QJsonArray windows(const QString& appId) const;
    // The view that has the focus; empty when none has.
    QJsonObject focusedWindow() const;

    // Presses and releases a key by its keysym name ("Tab", "5", "plus") with the modifiers
    // ("ctrl", "shift") held, or types text.
    bool key(const QString& keysym, const QStringList& modifiers = {}) const;
    bool type(const QString& text) const;

    // The whole output in its own pixels: at scale 2, twice the desktop's size.
    QImage grabScreen() const;
    QString clipboard() const;

private:
    QString runTool(const QString& program, const QStringList& arguments,
                    bool* succeeded = nullptr) const;
    QByteArray runToolBytes(const QString& program, const QStringList& arguments,
                            bool* succeeded) const;
    QJsonObject tree() const;

    QTemporaryDir m_compositorRuntime;
    QTemporaryDir m_clientRuntime;
    std::unique_ptr<QProcess> m_sway;
    std::unique_ptr<QProcess> m_keyboard;
    QString m_socket;
    QString m_ipcSocket;
    QString m_error;
};
