#pragma once

#include <QColor>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <memory>

// A private X server for one test run, with the small tools the tests drive it through: xdotool
// for the pointer and keyboard, xwd for reading the screen back.
class XvfbSession {
public:
    XvfbSession();
    ~XvfbSession();
    XvfbSession(const XvfbSession&) = delete;
    XvfbSession& operator=(const XvfbSession&) = delete;

    // Starts the server and waits for it to accept clients; false (with errorString) on failure.
    bool start();
    QString errorString() const { return m_error; }

    // The environment for programs that should show their windows on this server.
    QProcessEnvironment environment() const;

    // Runs xdotool with the arguments and returns its standard output (trimmed); empty on failure.
    QString xdotool(const QStringList& arguments) const;

    // The whole screen as it is now.
    QImage grabScreen() const;

private:
    std::unique_ptr<QProcess> m_server;
    QString m_display;
    QString m_error;
};
