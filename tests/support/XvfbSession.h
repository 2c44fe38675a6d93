#pragma once

#include <QColor>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <memory>

// A private X server for one test run, with the small tools the tests drive it through: xdotool
// for the pointer and keyboard, xprop and xwininfo for what the window manager did, xwd for
// reading the screen back. With a window manager, windows get frames, focus and activation as
// on a desktop; metacity is the one used, as it prevents focus stealing.
class XvfbSession {
public:
    enum class WindowManager { Absent, Metacity };

    explicit XvfbSession(WindowManager manager = WindowManager::Absent);
    ~XvfbSession();
    XvfbSession(const XvfbSession&) = delete;
    XvfbSession& operator=(const XvfbSession&) = delete;

    // Starts the server and waits for it to accept clients, and for the window manager to manage
    // windows; false (with errorString) on failure.
    bool start();
    QString errorString() const { return m_error; }

    // The environment for programs that should show their windows on this server.
    QProcessEnvironment environment() const;

    // Runs xdotool with the arguments and returns its standard output (trimmed); empty on failure.
    QString xdotool(const QStringList& arguments) const;
    QString xprop(const QStringList& arguments) const;
    QString xwininfo(const QStringList& arguments) const;

    // The whole screen as it is now.
    QImage grabScreen() const;

private:
    QString runTool(const QString& program, const QStringList& arguments) const;
    bool startWindowManager();

    WindowManager m_manager;
    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QProcess> m_windowManager;
    QString m_display;
    QString m_error;
};
