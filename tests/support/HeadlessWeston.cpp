#include "HeadlessWeston.h"

#include "StopProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sys/stat.h>

namespace {

constexpr int deadlineMs = 10'000;
const QString socketName = QStringLiteral("headless-weston");

} // namespace

HeadlessWeston::~HeadlessWeston() {
    StopProcess(m_compositor.get(), deadlineMs);
}

bool HeadlessWeston::start() {
    // The client library refuses a runtime folder that others may enter.
    if (!m_runtime.isValid() || ::chmod(QFile::encodeName(m_runtime.path()).constData(), 0700)) {
        m_error = QStringLiteral("no private runtime folder for weston");
        return false;
    }
    m_compositor = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    m_compositor->setProcessEnvironment(environment);
    m_compositor->setStandardOutputFile(QProcess::nullDevice());
    m_compositor->setStandardErrorFile(m_runtime.filePath(QStringLiteral("weston.log")));
    QStringList arguments = {QStringLiteral("--backend=headless-backend.so"),
                             QStringLiteral("--socket=") + socketName,
                             QStringLiteral("--idle-time=0"), QStringLiteral("--width=1024"),
                             QStringLiteral("--height=768")};
    // Without --debug weston lets only the screenshot tool it starts itself take pictures.
    if (m_screen == Screen::Seen)
        arguments << QStringLiteral("--use-pixman") << QStringLiteral("--debug");
    m_compositor->start(QStringLiteral("weston"), arguments);
    if (!m_compositor->waitForStarted(deadlineMs)) {
        m_error = QStringLiteral("weston did not start: ") + m_compositor->errorString();
        return false;
    }
    // weston makes its socket once it accepts clients, and says nothing on a channel of ours.
    const QDeadlineTimer deadline(deadlineMs);
    while (!QFileInfo(m_runtime.filePath(socketName)).exists()) {
        if (deadline.hasExpired() || m_compositor->state() != QProcess::Running) {
            m_error = QStringLiteral("weston made no socket; see ") +
                      m_runtime.filePath(QStringLiteral("weston.log"));
            m_runtime.setAutoRemove(false);
            return false;
        }
        QThread::msleep(10);
    }
    return true;
}

QProcessEnvironment HeadlessWeston::environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), m_runtime.filePath(socketName));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    return environment;
}

QImage HeadlessWeston::grabScreen() const {
    // The tool writes its picture, named by the time, into the folder it runs in.
    QTemporaryDir folder;
    QProcess shooter;
    shooter.setProcessEnvironment(environment());
    shooter.setWorkingDirectory(folder.path());
    shooter.start(QStringLiteral("weston-screenshooter"), {});
    if (!shooter.waitForFinished(deadlineMs) || shooter.exitCode() != 0)
        return {};
    const QStringList pictures = QDir(folder.path()).entryList({QStringLiteral("*.png")});
    return pictures.isEmpty() ? QImage() : QImage(folder.filePath(pictures.first()));
}
