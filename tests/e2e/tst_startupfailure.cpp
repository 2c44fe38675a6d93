#include "XvfbSession.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Sanitizer builds start slowly on a busy machine.
constexpr int deadlineMs = 20'000;

} // namespace

// The real program failing while its window is made: the single-instance guard cannot create
// its lock because something else already holds the lock's name. The failure report must show,
// name the error, and the program must end with exit code 1 once it is acknowledged.
class TestStartupFailure : public QObject {
    Q_OBJECT

private slots:
    void failureReportEndsWithExitCodeOne();
    void withoutADisplayItSaysWhatIsMissing();
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

void TestStartupFailure::withoutADisplayItSaysWhatIsMissing() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    QProcess vexto;
    vexto.setProcessEnvironment(environment);
    vexto.start(QStringLiteral(VEXTO_BINARY), {});
    QVERIFY(vexto.waitForFinished(deadlineMs));
    QCOMPARE(vexto.exitStatus(), QProcess::NormalExit);
    QCOMPARE(vexto.exitCode(), 1);
    const QString text = QString::fromLocal8Bit(vexto.readAllStandardError());
    QVERIFY2(text.startsWith(u"vexto: no display to show the window on"), qPrintable(text));
}

QTEST_GUILESS_MAIN(TestStartupFailure)
#include "tst_startupfailure.moc"
