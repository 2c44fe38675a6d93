#include "XvfbSession.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Sanitizer builds start slowly on a busy machine.
constexpr int deadlineMs = 20'000;

// A socket file that nothing listens on any more, as a compositor that died leaves behind.
bool makeDeadSocket(const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (size_t(name.size()) >= sizeof address.sun_path)
        return false;
    std::copy(name.begin(), name.end(), address.sun_path);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound =
        socket >= 0 && ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (socket >= 0)
        ::close(socket);
    return bound;
}

QString unusedXDisplay() {
    int number = 4000;
    while (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
        ++number;
    return QStringLiteral(":%1").arg(number);
}

} // namespace

using Settings = QMap<QString, QString>;

// The real program failing while its window is made: the single-instance guard cannot create
// its lock because something else already holds the lock's name. The failure report must show,
// name the error, and the program must end with exit code 1 once it is acknowledged.
class TestStartupFailure : public QObject {
    Q_OBJECT

private slots:
    void failureReportEndsWithExitCodeOne();
    void withoutAUsableWindowSystemItSaysWhatIsMissing_data();
    void withoutAUsableWindowSystemItSaysWhatIsMissing();
};

void TestStartupFailure::failureReportEndsWithExitCodeOne() {
    XvfbSession x;
    QVERIFY2(x.start(), qPrintable(x.errorString()));
    QTemporaryDir runtime;
    QProcessEnvironment environment = x.environment();
    // The lock's name carries the display, ":" escaped.
    const QString display = environment.value(QStringLiteral("DISPLAY")).mid(1);
    QVERIFY(QDir(runtime.path())
                .mkdir(QStringLiteral("vexto-instance-vextoSem@%3A%1.lock").arg(display)));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());

    QProcess vexto;
    vexto.setProcessEnvironment(environment);
    vexto.start(QStringLiteral(VEXTO_BINARY), {});
    QString report;
    const auto findReport = [&x] {
        return x
            .xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                      QStringLiteral("--name"), QStringLiteral("^Application Error")})
            .section(u'\n', 0, 0);
    };
    QTRY_VERIFY_WITH_TIMEOUT(
        !(report = findReport()).isEmpty() || vexto.state() == QProcess::NotRunning, deadlineMs);
    if (report.isEmpty())
        QFAIL(qPrintable(QStringLiteral("no report window; the program said: ") +
                         QString::fromLocal8Bit(vexto.readAllStandardError())));
    QCOMPARE(x.xdotool({QStringLiteral("getwindowname"), report}),
             QStringLiteral("Application Error"));
    QVERIFY(x.xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                       QStringLiteral("--name"), QStringLiteral("^Vexto$")})
                .isEmpty());

    x.xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), report});
    x.xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    QVERIFY(vexto.waitForFinished(deadlineMs));
    QCOMPARE(vexto.exitStatus(), QProcess::NormalExit);
    QCOMPARE(vexto.exitCode(), 1);
    const QString text = QString::fromLocal8Bit(vexto.readAllStandardError());
    QVERIFY2(text.startsWith(u"Exception EAssertionFailed in module vexto at "), qPrintable(text));
    // The source file is named without the folder it was built in.
    QVERIFY2(text.contains(u"Unable to create semaphore (OneInstance.cpp, line "),
             qPrintable(text));
}

void TestStartupFailure::withoutAUsableWindowSystemItSaysWhatIsMissing_data() {
    // Values name the window system; an empty one is left out of the environment, and
    // "<socket>" is a dead Wayland socket in the runtime folder.
    QTest::addColumn<Settings>("settings");
    QTest::addColumn<QString>("reason");
    const QString deadX = unusedXDisplay();

    QTest::newRow("nothing set") << Settings{} << QStringLiteral("DISPLAY is not set");
    QTest::newRow("dead Wayland socket")
        << Settings{{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland")},
                    {QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("<socket>")}}
        << QStringLiteral("no Wayland compositor answers on WAYLAND_DISPLAY=dead-wayland");
    QTest::newRow("unknown plugin")
        << Settings{{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("nosuchplugin")}}
        << QStringLiteral("the window system plugin \"nosuchplugin\" is not installed");
    QTest::newRow("X display with no server")
        << Settings{{QStringLiteral("DISPLAY"), deadX}}
        << QStringLiteral("no X server answers on DISPLAY=") + deadX;
    QTest::newRow("X11 plugin without DISPLAY")
        << Settings{{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")}}
        << QStringLiteral("(DISPLAY is not set)");
    QTest::newRow("Wayland then X11, neither answers")
        << Settings{{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland;xcb")},
                    {QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("<socket>")},
                    {QStringLiteral("DISPLAY"), deadX}}
        << QStringLiteral("(no Wayland compositor answers on WAYLAND_DISPLAY=dead-wayland; no X "
                          "server answers on DISPLAY=") +
               deadX + u')';
}

void TestStartupFailure::withoutAUsableWindowSystemItSaysWhatIsMissing() {
    QFETCH(Settings, settings);
    QFETCH(QString, reason);
    QTemporaryDir runtime;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        QString value = it.value();
        if (value == u"<socket>") {
            value = QStringLiteral("dead-wayland");
            QVERIFY(makeDeadSocket(runtime.filePath(value)));
        }
        environment.insert(it.key(), value);
    }
    QProcess vexto;
    vexto.setProcessEnvironment(environment);
    vexto.start(QStringLiteral(VEXTO_BINARY), {});
    QVERIFY(vexto.waitForFinished(deadlineMs));
    const QString text = QString::fromLocal8Bit(vexto.readAllStandardError());
    QVERIFY2(vexto.exitStatus() == QProcess::NormalExit, qPrintable(text));
    QCOMPARE(vexto.exitCode(), 1);
    // The toolkit may say more first; the program's own line comes last.
    const QString line = text.trimmed().section(u'\n', -1);
    QVERIFY2(line.startsWith(u"vexto: no display to show the window on ("), qPrintable(text));
    QVERIFY2(line.contains(reason), qPrintable(text));
}

QTEST_GUILESS_MAIN(TestStartupFailure)
#include "tst_startupfailure.moc"
