// Start-up, memory and idle figures of the real program under Xvfb, side by side with a bare Qt
// window of the same size: wall time from exec to the window being mapped, resident set after
// start-up, and CPU time and wake-ups over an idle sample with the pointer off the window (a cell
// under the pointer is hot and polls the pointer, as it should).
#include "XvfbSession.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
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
    const char* label;
    QString path;
    QStringList arguments;
    QString title;
    std::vector<double> startupMs;
    long rssKiB = 0;
    long idleCpuTicks = 0;
    long idleWakeUps = 0;
};

// Waits until a top-level window with the title is mapped; the X server tells us at once.
bool waitForMappedWindow(Display* display, const QString& title) {
    const QByteArray wanted = title.toUtf8();
    const auto deadline = Clock::now() + mapDeadline;
    while (Clock::now() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != MapNotify)
                continue;
            char* name = nullptr;
            if (XFetchName(display, event.xmap.window, &name) && name) {
                const bool found = wanted == name;
                XFree(name);
                if (found)
                    return true;
            }
        }
        pollfd descriptor{ConnectionNumber(display), POLLIN, 0};
        poll(&descriptor, 1, 50);
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

long wakeUps(qint64 pid) {
    return statusField(pid, "voluntary_ctxt_switches:") +
           statusField(pid, "nonvoluntary_ctxt_switches:");
}

void movePointerOffTheWindows(Display* display) {
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, 0, 0);
    XSync(display, False);
}

std::optional<double> startOnce(const XvfbSession& x, Display* display, Program& program,
                                bool sampleIdle) {
    QTemporaryDir runtime;
    QProcessEnvironment environment = x.environment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    QProcess process;
    process.setProcessEnvironment(environment);

    const auto started = Clock::now();
    process.start(program.path, program.arguments);
    if (!process.waitForStarted() || !waitForMappedWindow(display, program.title))
        return std::nullopt;
    const double elapsedMs =
        std::chrono::duration<double, std::milli>(Clock::now() - started).count();

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
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished(5000);
    return elapsedMs;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    XvfbSession x;
    if (!x.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(x.errorString()));
        return 1;
    }
    Display* display = XOpenDisplay(qPrintable(x.environment().value(QStringLiteral("DISPLAY"))));
    if (!display) {
        std::fprintf(stderr, "cannot open the Xvfb display\n");
        return 1;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XFlush(display);

    const QString bareWindow = QStringLiteral(BARE_WINDOW_BINARY);
    std::vector<Program> programs = {
        {"vexto", QStringLiteral(VEXTO_BINARY), {}, QStringLiteral("Vexto"), {}},
        {"bare window", bareWindow, {}, QStringLiteral("Bare"), {}},
        {"bare with label",
         bareWindow,
         {QStringLiteral("--label")},
         QStringLiteral("Bare with label"),
         {}},
    };
    for (int round = 0; round < rounds; ++round)
        for (Program& program : programs) {
            const bool last = round == rounds - 1;
            const std::optional<double> ms = startOnce(x, display, program, last);
            if (!ms) {
                std::fprintf(stderr, "%s: no window mapped\n", program.label);
                return 1;
            }
            if (round > 0) // the first round warms the disk cache
                program.startupMs.push_back(*ms);
        }
    XCloseDisplay(display);

    std::printf("%-16s %14s %10s %16s %16s\n", "program", "start-up (ms)", "RSS (KiB)",
                "idle CPU ticks", "idle wake-ups");
    for (const Program& program : programs)
        std::printf("%-16s %14.1f %10ld %16ld %16ld\n", program.label, median(program.startupMs),
                    program.rssKiB, program.idleCpuTicks, program.idleWakeUps);
    std::printf("start-up ratio vexto / bare window: %.2f, vexto / bare with label: %.2f "
                "(median of %d runs each, idle sample %llds)\n",
                median(programs[0].startupMs) / median(programs[1].startupMs),
                median(programs[0].startupMs) / median(programs[2].startupMs), rounds - 1,
                static_cast<long long>(idleSample.count()));
    return 0;
}
