#include "SwaySession.h"

#include "StopProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QStandardPaths>

#include <algorithm>
#include <pwd.h>
#include <unistd.h>

namespace {

constexpr int toolDeadlineMs = 10'000;
const QString testUser = QStringLiteral("vextotest");
const QString outputName = QStringLiteral("HEADLESS-1");
constexpr int desktopWidth = 1024;
constexpr int desktopHeight = 768;

// No bar, no background, no X server: only what the tests look at. A fixed output size makes
// positions comparable between runs.
const QByteArray configuration = QStringLiteral("xwayland disable\n"
                                                "output %1 resolution %2x%3\n")
                                     .arg(outputName)
                                     .arg(desktopWidth)
                                     .arg(desktopHeight)
                                     .toUtf8();

void collectViews(const QJsonObject& node, QJsonArray& views) {
    if (node.contains(QStringLiteral("app_id")) && !node.value(QStringLiteral("app_id")).isNull())
        views.append(node);
    for (const char* key : {"nodes", "floating_nodes"})
        for (const QJsonValue child : node.value(QLatin1String(key)).toArray())
            collectViews(child.toObject(), views);
}

} // namespace

SwaySession::SwaySession() = default;

SwaySession::~SwaySession() {
    if (m_keyboard) {
        m_keyboard->closeWriteChannel();
        StopProcess(m_keyboard.get());
    }
    StopProcess(m_sway.get());
}

bool SwaySession::IsInstalled() {
    return !QStandardPaths::findExecutable(QStringLiteral("sway")).isEmpty();
}

bool SwaySession::start() {
    if (!m_compositorRuntime.isValid() || !m_clientRuntime.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    const QString runtime = m_compositorRuntime.path();
    const QString configPath = runtime + QStringLiteral("/config");
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly) || config.write(configuration) < 0) {
        m_error = QStringLiteral("cannot write the sway configuration");
        return false;
    }
    config.close();

    QStringList command = {QStringLiteral("sway"), QStringLiteral("-c"), configPath};
    if (::geteuid() == 0) {
        const passwd* user = ::getpwnam(testUser.toLocal8Bit().constData());
        if (!user) {
            m_error = QStringLiteral("sway refuses root and the user %1 is missing: run "
                                     "scripts/install-deps.sh")
                          .arg(testUser);
            return false;
        }
        // The folder and its configuration must be the compositor's own.
        if (::chown(QFile::encodeName(runtime).constData(), user->pw_uid, user->pw_gid) != 0 ||
            ::chown(QFile::encodeName(configPath).constData(), user->pw_uid, user->pw_gid) != 0) {
            m_error = QStringLiteral("cannot give the runtime folder to %1").arg(testUser);
            return false;
        }
        command = QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), testUser,
                              QStringLiteral("--")} +
                  command;
    }
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    environment.insert(QStringLiteral("HOME"), runtime);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    m_sway = std::make_unique<QProcess>();
    m_sway->setProcessEnvironment(environment);
    m_sway->setStandardOutputFile(QProcess::nullDevice());
    m_sway->setStandardErrorFile(runtime + QStringLiteral("/sway.log"));
    m_sway->start(command.takeFirst(), command);
    if (!m_sway->waitForStarted(toolDeadlineMs)) {
        m_error = QStringLiteral("sway did not start: ") + m_sway->errorString();
        return false;
    }

    // sway names its sockets itself; it takes commands once both are there.
    const QDeadlineTimer deadline(toolDeadlineMs);
    const QDir folder(runtime);
    for (;;) {
        const QStringList sockets = folder.entryList({QStringLiteral("wayland-?")}, QDir::System);
        const QStringList ipc = folder.entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
        if (!sockets.isEmpty() && !ipc.isEmpty()) {
            m_socket = folder.filePath(sockets.first());
            m_ipcSocket = folder.filePath(ipc.first());
            bool answered = false;
            runTool(QStringLiteral("swaymsg"),
                    {QStringLiteral("-t"), QStringLiteral("get_version")}, &answered);
            if (answered)
                break;
        }
        if (deadline.hasExpired() || m_sway->state() != QProcess::Running) {
            QFile log(runtime + QStringLiteral("/sway.log"));
            m_error = QStringLiteral("sway did not take clients: ") +
                      QString::fromLocal8Bit(log.open(QIODevice::ReadOnly) ? log.readAll()
                                                                           : QByteArray());
            return false;
        }
    }

    // Every new virtual keyboard costs its first key: one stays for the whole session (wtype
    // waiting on its input), and the short-lived ones that type come after it.
    m_keyboard = std::make_unique<QProcess>();
    m_keyboard->setProcessEnvironment(this->environment());
    m_keyboard->start(QStringLiteral("wtype"), {QStringLiteral("-")});
    if (!m_keyboard->waitForStarted(toolDeadlineMs)) {
        m_error = QStringLiteral("wtype did not start: ") + m_keyboard->errorString();
        return false;
    }
    const QDeadlineTimer keyboardDeadline(toolDeadlineMs);
    while (runTool(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_seats")})
               .indexOf(QStringLiteral("keyboard")) < 0) {
        if (keyboardDeadline.hasExpired()) {
            m_error = QStringLiteral("the virtual keyboard did not appear");
            return false;
        }
    }
    return true;
}

QProcessEnvironment SwaySession::environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("XDG_ACTIVATION_TOKEN"));
    environment.remove(QStringLiteral("DESKTOP_STARTUP_ID"));
    // The toolkit's own style and colours, whatever desktop the tests are started from.
    environment.remove(QStringLiteral("QT_QPA_PLATFORMTHEME"));
    environment.remove(QStringLiteral("QT_STYLE_OVERRIDE"));
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
    environment.insert(QStringLiteral("SWAYSOCK"), m_ipcSocket);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_clientRuntime.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    return environment;
}

QByteArray SwaySession::runToolBytes(const QString& program, const QStringList& arguments,
                                     bool* succeeded) const {
    QProcess tool;
    tool.setProcessEnvironment(environment());
    tool.start(program, arguments);
    const bool ok = tool.waitForFinished(toolDeadlineMs) &&
                    tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    if (succeeded)
        *succeeded = ok;
    return ok ? tool.readAllStandardOutput() : QByteArray();
}

QString SwaySession::runTool(const QString& program, const QStringList& arguments,
                             bool* succeeded) const {
    return QString::fromUtf8(runToolBytes(program, arguments, succeeded));
}

bool SwaySession::command(const QString& command) const {
    bool ok = false;
    const QJsonArray replies =
        QJsonDocument::fromJson(runTool(QStringLiteral("swaymsg"), {command}, &ok).toUtf8())
            .array();
    return ok && !replies.isEmpty() &&
           std::all_of(replies.begin(), replies.end(), [](const QJsonValue& reply) {
               return reply.toObject().value(QStringLiteral("success")).toBool();
           });
}

bool SwaySession::setOutputScale(int scale) const {
    return command(QStringLiteral("output %1 resolution %2x%3 scale %4")
                       .arg(outputName)
                       .arg(desktopWidth * scale)
                       .arg(desktopHeight * scale)
                       .arg(scale));
}

QJsonObject SwaySession::tree() const {
    return QJsonDocument::fromJson(runTool(QStringLiteral("swaymsg"),
                                           {QStringLiteral("-t"), QStringLiteral("get_tree")})
                                       .toUtf8())
        .object();
}

QJsonArray SwaySession::windows(const QString& appId) const {
    QJsonArray views;
    collectViews(tree(), views);
    QJsonArray matching;
    for (const QJsonValue view : views)
        if (view.toObject().value(QStringLiteral("app_id")).toString() == appId)
            matching.append(view);
    return matching;
}

QJsonObject SwaySession::focusedWindow() const {
    QJsonArray views;
    collectViews(tree(), views);
    for (const QJsonValue view : views)
        if (view.toObject().value(QStringLiteral("focused")).toBool())
            return view.toObject();
    return {};
}

bool SwaySession::key(const QString& keysym, const QStringList& modifiers) const {
    QStringList arguments;
    for (const QString& modifier : modifiers)
        arguments << QStringLiteral("-M") << modifier;
    arguments << QStringLiteral("-k") << keysym;
    for (const QString& modifier : modifiers)
        arguments << QStringLiteral("-m") << modifier;
    bool ok = false;
    runTool(QStringLiteral("wtype"), arguments, &ok);
    return ok;
}

bool SwaySession::type(const QString& text) const {
    bool ok = false;
    runTool(QStringLiteral("wtype"), {text}, &ok);
    return ok;
}

QImage SwaySession::grabScreen() const {
    // Uncompressed: a scaled screen takes grim several times longer to write as PNG.
    bool ok = false;
    const QByteArray ppm =
        runToolBytes(QStringLiteral("grim"),
                     {QStringLiteral("-t"), QStringLiteral("ppm"), QStringLiteral("-")}, &ok);
    return ok ? QImage::fromData(ppm, "PPM") : QImage();
}

QString SwaySession::clipboard() const {
    return runTool(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline")});
}
