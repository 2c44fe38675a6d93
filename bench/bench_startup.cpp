// Start-up, memory and idle figures of the real program under Xvfb, side by side with bare Qt
// windows of the same size, started in turn in every round: wall time from exec to the window
// being mapped, processor time spent until the program has settled after mapping (the yardstick
// for it is a Qt window with three labels and a line edit in Vexto's font), resident set after
// start-up, and CPU time and wake-ups over an idle sample with the pointer off the window (a cell
// under the pointer is hot and polls the pointer, as it should). With --metacity a window manager
// frames the windows, as on a desktop. With --wayland the programs show their windows natively on
// a headless weston instead, and start-up lasts until the first picture is handed to the
// compositor (a Wayland window has no map of its own: it shows with its first picture). With
// --wine <windows-build-dir>, the Windows build's vexto.exe and bare_window.exe run under Wine on
// the same X server (Wine shows a window as an X window of the same title), in a Wine prefix made
// for the run, whose wineserver keeps running over all the rounds as Windows does on a desktop.
#include "HeadlessWeston.h"
#include "StopProcess.h"
#include "XvfbSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <X11/Xlib.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int rounds = 9;
constexpr auto mapDeadline = std::chrono::seconds(20);
constexpr auto idleSample = std::chrono::seconds(5);

struct Program {
    const char* label = "";
    QString path;
    QStringList arguments;
    QString title;
    std::vector<double> startupMs;
    std::vector<double> startupCpuMs;
    long rssKiB = 0;
    long idleCpuTicks = 0;
    long idleWakeUps = 0;
};

bool hasTitle(Display* display, Window window, const QByteArray& wanted) {
    char* name = nullptr;
    if (!XFetchName(display, window, &name) || !name)
        return false;
    const bool found = wanted == name;
    XFree(name);
    return found;
}

// Waits until a top-level window with the title is mapped; the X server tells us at once. A
// window manager first moves the window into its frame, and the window's own map is then told to
// the frame: from the move on, the window itself is watched.
bool waitForMappedWindow(Display* display, const QString& title) {
    const QByteArray wanted = title.toUtf8();
    const auto deadline = Clock::now() + mapDeadline;
    Window framed = None;
    while (Clock::now() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify &&
                (event.xmap.window == framed || hasTitle(display, event.xmap.window, wanted)))
                return true;
            if (event.type == ReparentNotify && framed == None &&
                hasTitle(display, event.xreparent.window, wanted)) {
                framed = event.xreparent.window;
                XSelectInput(display, framed, StructureNotifyMask);
                XWindowAttributes attributes;
                if (XGetWindowAttributes(display, framed, &attributes) &&
                    attributes.map_state == IsViewable)
                    return true;
            }
        }
        pollfd descriptor{ConnectionNumber(display), POLLIN, 0};
        poll(&descriptor, 1, 50);
    }
    return false;
}

// Waits until the program, whose Wayland requests are logged to the file, commits a buffer to a
// surface: the compositor then has its first picture to show.
bool waitForFirstPicture(const QString& requestLog) {
    static const QRegularExpression attach(
        QStringLiteral(R"(-> wl_surface@(\d+)\.attach\(wl_buffer@)"));
    QFile log(requestLog);
    QByteArray seen;
    QString attached;
    const auto deadline = Clock::now() + mapDeadline;
    while (Clock::now() < deadline) {
        if (!log.isOpen())
            log.open(QIODevice::ReadOnly);
        if (log.isOpen())
            seen += log.readAll();
        qsizetype end = 0;
        while ((end = seen.indexOf('\n')) >= 0) {
            const QString line = QString::fromLatin1(seen.left(end));
            seen.remove(0, end + 1);
            if (const QRegularExpressionMatch match = attach.match(line); match.hasMatch())
                attached = match.captured(1);
            else if (!attached.isEmpty() &&
                     line.contains(QStringLiteral("-> wl_surface@%1.commit()").arg(attached)))
                return true;
        }
        QThread::msleep(2);
    }
    return false;
}

long statusField(qint64 pid, const char* field) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(std::strlen(field))).trimmed().split(' ').front().toLong();
    return -1;
}

long cpuTicks(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields[11].toLong() + fields[12].toLong() : -1; // utime, stime
}

// Processor time of all the process's threads so far, in nanoseconds.
long long cpuNanoseconds(qint64 pid) {
    long long total = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks.filePath(task) + QStringLiteral("/schedstat"));
        if (schedstat.open(QIODevice::ReadOnly))
            total += schedstat.readAll().split(' ').front().toLongLong();
    }
    return total;
}

// The processor time a program spends to start: until, after its window is mapped, it stops
// using the processor (first paint included).
double settledCpuMs(qint64 pid) {
    long long previous = cpuNanoseconds(pid);
    for (int look = 0; look < 60; ++look) {
        QThread::msleep(50);
        const long long now = cpuNanoseconds(pid);
        if (now == previous)
            break;
        previous = now;
    }
    return double(previous) / 1e6;
}

long wakeUps(qint64 pid) {
    return statusField(pid, "voluntary_ctxt_switches:") +
           statusField(pid, "nonvoluntary_ctxt_switches:");
}

void movePointerOffTheWindows(Display* display) {
    if (!display) // no pointer on the headless compositor
        return;
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, 0, 0);
    XSync(display, False);
}

struct Start {
    double wallMs;
    double cpuMs;
};

// Where the windows show: an X server (display set), or the compositor.
struct Output {
    QProcessEnvironment environment;
    Display* display = nullptr;
};

std::optional<Start> startOnce(const Output& output, Program& program, bool sampleIdle) {
    QTemporaryDir runtime;
    QProcessEnvironment environment = output.environment;
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    const QString requestLog = runtime.filePath(QStringLiteral("requests.log"));
    QProcess process;
    if (!output.display) {
        // The client library logs each request as it sends it; to a file, which never blocks.
        environment.insert(QStringLiteral("WAYLAND_DEBUG"), QStringLiteral("client"));
        process.setStandardErrorFile(requestLog);
    }
    process.setProcessEnvironment(environment);
    Display* display = output.display;

    const auto started = Clock::now();
    process.start(program.path, program.arguments);
    if (!process.waitForStarted() ||
        (display ? !waitForMappedWindow(display, program.title) : !waitForFirstPicture(requestLog)))
        return std::nullopt;
    const double elapsedMs =
        std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    movePointerOffTheWindows(display);
    const double cpuMs = settledCpuMs(process.processId());

    if (sampleIdle) {
        movePointerOffTheWindows(display);
        // Let the first paint settle before the idle sample starts.
        QThread::msleep(500);
        const qint64 pid = process.processId();
        program.rssKiB = statusField(pid, "VmRSS:");
        const long ticksBefore = cpuTicks(pid), wakeUpsBefore = wakeUps(pid);
        QThread::sleep(static_cast<unsigned long>(idleSample.count()));
        program.idleCpuTicks = cpuTicks(pid) - ticksBefore;
        program.idleWakeUps = wakeUps(pid) - wakeUpsBefore;
    }
    StopProcess(&process, 5000);
    return Start{elapsedMs, cpuMs};
}

// A Wine prefix for the run, made before the first round: its first start builds the registry and
// the system folders, which takes far longer than any program's start. Its wineserver stays up
// until the prefix is removed.
class WinePrefix {
public:
    WinePrefix() = default;
    WinePrefix(const WinePrefix&) = delete;
    WinePrefix& operator=(const WinePrefix&) = delete;

    ~WinePrefix() {
        if (m_serverStarted)
            run(QStringLiteral("wineserver"), {QStringLiteral("-k")}, serverDeadlineMs);
    }

    // Makes the prefix for programs shown through the environment; false (with errorString) on
    // failure.
    bool start(const QProcessEnvironment& display) {
        if (!m_directory.isValid()) {
            m_error = QStringLiteral("no folder for the Wine prefix");
            return false;
        }
        m_environment = display;
        m_environment.insert(QStringLiteral("WINEPREFIX"), m_directory.path());
        m_environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
        // No offer to install Mono or Gecko: its window would stall the prefix's making.
        m_environment.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
        // The server the making started ends a few seconds after it; then a persistent one
        // is started.
        m_serverStarted =
            run(QStringLiteral("wineboot"), {QStringLiteral("--init")}, bootDeadlineMs) &&
            run(QStringLiteral("wineserver"), {QStringLiteral("-w")}, serverDeadlineMs) &&
            run(QStringLiteral("wineserver"), {QStringLiteral("-p")}, serverDeadlineMs);
        return m_serverStarted;
    }

    QProcessEnvironment environment() const { return m_environment; }
    QString errorString() const { return m_error; }

private:
    static constexpr int bootDeadlineMs = 180'000;
    static constexpr int serverDeadlineMs = 30'000;

    bool run(const QString& program, const QStringList& arguments, int deadlineMs) {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(program, arguments);
        if (!process.waitForFinished(deadlineMs) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0) {
            m_error = QStringLiteral("%1 %2 failed").arg(program, arguments.join(u' '));
            StopProcess(&process);
            return false;
        }
        return true;
    }

    QTemporaryDir m_directory;
    QProcessEnvironment m_environment;
    bool m_serverStarted = false;
    QString m_error;
};

// The programs compared, started in turn: the real program and bare Qt windows of its size; the
// Linux builds, or with a Windows build folder, its programs under Wine.
std::vector<Program> comparedPrograms(const QString& windowsBuild) {
    const auto program = [&windowsBuild](const char* label, const QString& linuxPath,
                                         const QString& windowsName, const QStringList& arguments,
                                         const QString& title) {
        Program made;
        made.label = label;
        if (windowsBuild.isEmpty()) {
            made.path = linuxPath;
            made.arguments = arguments;
        } else {
            const QString program =
                QDir(windowsBuild).absoluteFilePath(QStringLiteral("bin/") + windowsName);
            made.path = QStringLiteral("wine");
            made.arguments = QStringList{program} + arguments;
        }
        made.title = title;
        return made;
    };
    const QString bareWindow = QStringLiteral(BARE_WINDOW_BINARY);
    const QString bareWindowExe = QStringLiteral("bare_window.exe");
    return {
        program("vexto", QStringLiteral(VEXTO_BINARY), QStringLiteral("vexto.exe"), {},
                QStringLiteral("Vexto")),
        program("bare form", bareWindow, bareWindowExe, {QStringLiteral("--form")},
                QStringLiteral("Bare form")),
        program("bare window", bareWindow, bareWindowExe, {}, QStringLiteral("Bare")),
        program("bare with label", bareWindow, bareWindowExe, {QStringLiteral("--label")},
                QStringLiteral("Bare with label")),
    };
}

// The folder after --wine; empty without it.
QString windowsBuildFolder(const QStringList& arguments) {
    const qsizetype option = arguments.indexOf(QStringLiteral("--wine"));
    return option >= 0 && option + 1 < arguments.size() ? arguments[option + 1] : QString();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const bool onWayland = arguments.contains(QStringLiteral("--wayland"));
    const bool underManager = arguments.contains(QStringLiteral("--metacity"));
    const QString windowsBuild = windowsBuildFolder(arguments);
    const bool underWine = !windowsBuild.isEmpty();
    if (arguments.contains(QStringLiteral("--wine")) && (!underWine || onWayland)) {
        std::fprintf(stderr, "--wine needs a Windows build folder, and an X server\n");
        return 1;
    }
    std::vector<Program> programs = comparedPrograms(windowsBuild);
    if (underWine)
        for (const Program& program : programs)
            if (!QFile::exists(program.arguments.front())) {
                std::fprintf(stderr, "no %s: build the Windows benchmarks first\n",
                             qPrintable(program.arguments.front()));
                return 1;
            }

    XvfbSession x(underManager ? XvfbSession::WindowManager::Metacity
                               : XvfbSession::WindowManager::Absent);
    HeadlessWeston weston;
    WinePrefix wine; // ends its server while the X server still runs
    Output output;
    if (onWayland) {
        if (!weston.start()) {
            std::fprintf(stderr, "%s\n", qPrintable(weston.errorString()));
            return 1;
        }
        output.environment = weston.environment();
    } else {
        if (!x.start()) {
            std::fprintf(stderr, "%s\n", qPrintable(x.errorString()));
            return 1;
        }
        output.environment = x.environment();
        output.display =
            XOpenDisplay(qPrintable(output.environment.value(QStringLiteral("DISPLAY"))));
        if (!output.display) {
            std::fprintf(stderr, "cannot open the Xvfb display\n");
            return 1;
        }
        // Windows come and go while they are looked at (a manager's short-lived ones too): a
        // failed look just finds nothing.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        XSelectInput(output.display, DefaultRootWindow(output.display), SubstructureNotifyMask);
        XFlush(output.display);
    }
    if (underWine) {
        if (!wine.start(output.environment)) {
            std::fprintf(stderr, "%s\n", qPrintable(wine.errorString()));
            return 1;
        }
        output.environment = wine.environment();
    }

    for (int round = 0; round < rounds; ++round)
        for (Program& program : programs) {
            const bool last = round == rounds - 1;
            const std::optional<Start> start = startOnce(output, program, last);
            if (!start) {
                std::fprintf(stderr, "%s: no window mapped\n", program.label);
                return 1;
            }
            if (round > 0) { // the first round warms the disk cache
                program.startupMs.push_back(start->wallMs);
                program.startupCpuMs.push_back(start->cpuMs);
            }
        }
    if (output.display)
        XCloseDisplay(output.display);

    std::printf("%s%s\n", underWine ? "under Wine, " : "",
                onWayland      ? "natively on a headless weston"
                : underManager ? "under metacity"
                               : "without a window manager");
    std::printf("%-16s %14s %14s %10s %16s %16s\n", "program", "start-up (ms)", "start CPU (ms)",
                "RSS (KiB)", "idle CPU ticks", "idle wake-ups");
    for (const Program& program : programs)
        std::printf("%-16s %14.1f %14.1f %10ld %16ld %16ld\n", program.label,
                    median(program.startupMs), median(program.startupCpuMs), program.rssKiB,
                    program.idleCpuTicks, program.idleWakeUps);
    std::printf("start-up CPU ratio vexto / bare form: %.2f; start-up time ratio vexto / bare "
                "form: %.2f, vexto / bare window: %.2f (median of %d interleaved runs each, idle "
                "sample %llds)\n",
                median(programs[0].startupCpuMs) / median(programs[1].startupCpuMs),
                median(programs[0].startupMs) / median(programs[1].startupMs),
                median(programs[0].startupMs) / median(programs[2].startupMs), rounds - 1,
                static_cast<long long>(idleSample.count()));
    return 0;
}
