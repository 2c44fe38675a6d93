#include "Toolkit.h"

#include "SessionDisplay.h"

#include <QApplication>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define VEXTO_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEXTO_LEAK_CHECK 1
#endif
#endif
#ifdef VEXTO_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace vexto {

namespace {

QtMessageHandler toolkitHandler = nullptr;
QStringList pluginLog;

// Only while the application object is made: what the toolkit says about its platform plugins
// is kept for the failure line, and its fatal error, which would dump core, ends the process.
void handleStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg) {
        const QString text =
            Toolkit::StartFailureText(pluginLog, QProcessEnvironment::systemEnvironment());
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        std::fflush(nullptr);
        std::_Exit(1);
    }
    if (context.category && std::strcmp(context.category, "qt.qpa.plugin") == 0)
        pluginLog.append(message);
    if (toolkitHandler)
        toolkitHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

QString waylandReason(const QProcessEnvironment& environment) {
    const QString name = environment.value(QStringLiteral("WAYLAND_DISPLAY"));
    if (name.isEmpty())
        return QStringLiteral("WAYLAND_DISPLAY is not set and no Wayland compositor answers on "
                              "wayland-0");
    const QString runtime = environment.value(QStringLiteral("XDG_RUNTIME_DIR"));
    if (!name.startsWith(u'/') && runtime.isEmpty())
        return QStringLiteral("XDG_RUNTIME_DIR is not set, so WAYLAND_DISPLAY=%1 names no "
                              "compositor")
            .arg(name);
    const QString path = name.startsWith(u'/') ? name : runtime + u'/' + name;
    if (SessionDisplay::AcceptsConnections(path.toLocal8Bit()))
        return QStringLiteral("the Wayland compositor on WAYLAND_DISPLAY=%1 could not be used")
            .arg(name);
    return QStringLiteral("no Wayland compositor answers on WAYLAND_DISPLAY=%1").arg(name);
}

QString xReason(const QProcessEnvironment& environment) {
    const QString display = environment.value(QStringLiteral("DISPLAY"));
    if (display.isEmpty())
        return QStringLiteral("DISPLAY is not set");
    return QStringLiteral("no X server answers on DISPLAY=%1").arg(display);
}

} // namespace

std::unique_ptr<QApplication> Toolkit::Start(int& argc, char** argv) {
    pluginLog.clear();
    toolkitHandler = qInstallMessageHandler(handleStartMessage);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(toolkitHandler);
    pluginLog.clear();
    return application;
}

int Toolkit::Exit(std::unique_ptr<QApplication> application, int exitCode) {
    if (!QGuiApplication::platformName().startsWith(u"wayland")) {
        application.reset();
        return exitCode;
    }
#ifdef VEXTO_LEAK_CHECK
    // The toolkit's objects are still reachable; what is not is ours, and must still be told.
    __lsan_do_leak_check();
#endif
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

QString Toolkit::StartFailureText(const QStringList& toolkitLog,
                                  const QProcessEnvironment& environment) {
    static const QRegularExpression attempt(
        QStringLiteral("Could not (load|find) the Qt platform plugin \"([^\"]*)\""));
    QStringList reasons;
    const auto add = [&reasons](const QString& reason) {
        if (!reasons.contains(reason))
            reasons.append(reason);
    };
    for (const QString& line : toolkitLog) {
        const QRegularExpressionMatch match = attempt.match(line);
        if (!match.hasMatch())
            continue;
        const QString plugin = match.captured(2);
        const bool wayland = plugin.startsWith(u"wayland");
        if (match.captured(1) == u"find")
            add(QStringLiteral("the window system plugin \"%1\" is not installed%2")
                    .arg(plugin, wayland ? QStringLiteral(" (package qt6-wayland)") : QString()));
        else if (wayland)
            add(waylandReason(environment));
        else if (plugin == u"xcb")
            add(xReason(environment));
        else
            add(QStringLiteral("the window system plugin \"%1\" could not start").arg(plugin));
    }
    if (reasons.isEmpty()) {
        const QString platform = environment.value(QStringLiteral("QT_QPA_PLATFORM"));
        add(platform.isEmpty()
                ? QStringLiteral("no window system plugin could start")
                : QStringLiteral("no window system plugin could start for QT_QPA_PLATFORM=%1")
                      .arg(platform));
    }
    return QStringLiteral("vexto: no display to show the window on (%1); start Vexto from a "
                          "desktop session.")
        .arg(reasons.join(QStringLiteral("; ")));
}

} // namespace vexto
