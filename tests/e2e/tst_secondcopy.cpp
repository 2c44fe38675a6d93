#include "XvfbSession.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A failing QTRY waits twice as long again before it reports: keep both within the time-out.
constexpr int startDeadlineMs = 10'000;

} // namespace

// The real program started twice on a private X server: the second copy hands over and ends
// without a window of its own; the first stays.
class TestSecondCopy : public QObject {
    Q_OBJECT

private slots:
    void secondCopyEndsAtOnceWithoutAWindow();
    void copiesOnOtherDisplaysAreOtherLogOns();

private:
    QStringList visibleVextoWindows(const XvfbSession& x) const {
        return x
            .xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                      QStringLiteral("--name"), QStringLiteral("^Vexto$")})
            .split(u'\n', Qt::SkipEmptyParts);
    }
};

void TestSecondCopy::secondCopyEndsAtOnceWithoutAWindow() {
    XvfbSession x;
    QVERIFY2(x.start(), qPrintable(x.errorString()));
    QTemporaryDir runtime;
    QProcessEnvironment environment = x.environment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());

    QProcess first;
    first.setProcessEnvironment(environment);
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start(QStringLiteral(VEXTO_BINARY), {});
    QTRY_COMPARE_WITH_TIMEOUT(visibleVextoWindows(x).size(), 1, startDeadlineMs);

    QProcess second;
    second.setProcessEnvironment(environment);
    QElapsedTimer elapsed;
    elapsed.start();
    second.start(QStringLiteral(VEXTO_BINARY), {QStringLiteral("one"), QStringLiteral("two")});
    // Well inside the 10 s after which an unanswered copy would give up and stay.
    QVERIFY(second.waitForFinished(5000));
    qInfo("the second copy ended after %lld ms", elapsed.elapsed());
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);

    // The first copy's window comes back to the front, which may map it anew: wait for it.
    QTRY_COMPARE_WITH_TIMEOUT(visibleVextoWindows(x).size(), 1, startDeadlineMs);
    QCOMPARE(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished(5000);
}

void TestSecondCopy::copiesOnOtherDisplaysAreOtherLogOns() {
    // Two displays of one user, one runtime directory: each display is a log-on of its own, and
    // a screen number does not make another display.
    XvfbSession one;
    XvfbSession two;
    QVERIFY2(one.start(), qPrintable(one.errorString()));
    QVERIFY2(two.start(), qPrintable(two.errorString()));
    QTemporaryDir runtime;
    const auto start = [&runtime](QProcess& copy, const XvfbSession& x, const QString& screen) {
        QProcessEnvironment environment = x.environment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        environment.insert(QStringLiteral("DISPLAY"),
                           environment.value(QStringLiteral("DISPLAY")) + screen);
        copy.setProcessEnvironment(environment);
        copy.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        copy.start(QStringLiteral(VEXTO_BINARY), {});
    };

    QProcess onOne;
    start(onOne, one, QString());
    QTRY_COMPARE_WITH_TIMEOUT(visibleVextoWindows(one).size(), 1, startDeadlineMs);
    QProcess onTwo;
    start(onTwo, two, QString());
    QTRY_COMPARE_WITH_TIMEOUT(visibleVextoWindows(two).size(), 1, startDeadlineMs);
    QCOMPARE(onOne.state(), QProcess::Running);
    QCOMPARE(onTwo.state(), QProcess::Running);

    QProcess sameDisplay;
    start(sameDisplay, one, QStringLiteral(".0"));
    QVERIFY(sameDisplay.waitForFinished(startDeadlineMs));
    QCOMPARE(sameDisplay.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sameDisplay.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(visibleVextoWindows(one).size(), 1, startDeadlineMs);

    for (QProcess* copy : {&onOne, &onTwo}) {
        copy->kill();
        copy->waitForFinished(5000);
    }
}

QTEST_GUILESS_MAIN(TestSecondCopy)
#include "tst_secondcopy.moc"
