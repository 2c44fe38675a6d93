#include "app/guard/InstanceNames.h"

#include <QTest>

#include <cstring>

using namespace vexto;

// Which log-on a copy's names belong to, from its platform plugin and the session's variables.
class TestInstanceNames : public QObject {
    Q_OBJECT

private slots:
    void sessionNamesTheLogOn_data();
    void sessionNamesTheLogOn();
    void notifySocketsAreOneProgramsInOneSession_data();
    void notifySocketsAreOneProgramsInOneSession();
};

void TestInstanceNames::sessionNamesTheLogOn_data() {
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QByteArray>("waylandDisplay");
    QTest::addColumn<QByteArray>("xDisplay");
    QTest::addColumn<QByteArray>("session");

    QTest::newRow("native copy") << "wayland" << QByteArray("wayland-1") << QByteArray(":1")
                                 << QByteArray("wayland-1");
    QTest::newRow("X11 copy under the compositor's X server")
        << "xcb" << QByteArray("wayland-1") << QByteArray(":1") << QByteArray("wayland-1");
    QTest::newRow("X11 copy, screen number given")
        << "xcb" << QByteArray("wayland-1") << QByteArray(":1.0") << QByteArray("wayland-1");
    QTest::newRow("EGL native copy")
        << "wayland-egl" << QByteArray("wayland-1") << QByteArray() << QByteArray("wayland-1");
    QTest::newRow("native copy on the default socket")
        << "wayland" << QByteArray() << QByteArray(":1") << QByteArray("wayland-0");
    QTest::newRow("X11 session") << "xcb" << QByteArray() << QByteArray("unix:57.0")
                                 << QByteArray(":57");
    QTest::newRow("another X11 session")
        << "xcb" << QByteArray() << QByteArray(":58") << QByteArray(":58");
    QTest::newRow("socket as a path in the runtime folder")
        << "wayland" << QByteArray("/run/user/1000//wayland-1") << QByteArray()
        << QByteArray("wayland-1");
    QTest::newRow("socket as a path elsewhere")
        << "xcb" << QByteArray("/tmp/w/wayland-1") << QByteArray(":1")
        << QByteArray("/tmp/w/wayland-1");
    QTest::newRow("socket below the runtime folder")
        << "wayland" << QByteArray("/run/user/1000/w/wayland-1") << QByteArray()
        << QByteArray("/run/user/1000/w/wayland-1");
    QTest::newRow("windowless copy in a Wayland session")
        << "offscreen" << QByteArray("wayland-1") << QByteArray(":1") << QByteArray("wayland-1");
    QTest::newRow("no session") << "offscreen" << QByteArray() << QByteArray() << QByteArray();
}

void TestInstanceNames::sessionNamesTheLogOn() {
    QFETCH(QString, platform);
    QFETCH(QByteArray, waylandDisplay);
    QFETCH(QByteArray, xDisplay);
    QFETCH(QByteArray, session);
    QCOMPARE(InstanceNames::SessionDisplay(platform, waylandDisplay, xDisplay, "/run/user/1000"),
             session);
}

// A copy looking for its first copy's socket passes over those of other programs and sessions.
void TestInstanceNames::notifySocketsAreOneProgramsInOneSession_data() {
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QByteArray>("session");
    QTest::addColumn<bool>("own");

    QTest::newRow("same program, same session") << QByteArray("vexto") << QByteArray(":1") << true;
    QTest::newRow("same program, other session")
        << QByteArray("vexto") << QByteArray(":2") << false;
    QTest::newRow("program name that runs on into the session")
        << QByteArray("vexto:") << QByteArray("1") << false;
}

void TestInstanceNames::notifySocketsAreOneProgramsInOneSession() {
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, session);
    QFETCH(bool, own);
    const InstanceNames names(QStringLiteral("/run/user/1000"), "vexto", ":1");
    const QByteArray socket = InstanceNames(QStringLiteral("/run/user/1000"), program, session)
                                  .NotifyPath(4242)
                                  .mid(qsizetype(strlen("/run/user/1000/")));
    QCOMPARE(names.NotifyIdOf(socket), own ? std::optional<std::uint32_t>(4242) : std::nullopt);
}

QTEST_GUILESS_MAIN(TestInstanceNames)
#include "tst_instancenames.moc"
