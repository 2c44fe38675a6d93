#include "ListeningSocket.h"
#include "app/Toolkit.h"

#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <sys/un.h>

using namespace vexto;

using Settings = QMap<QString, QString>;

// What the failure line makes of the toolkit's words about each platform plugin it tried. A
// compositor that answers is a local server in the runtime folder.
class TestToolkit : public QObject {
    Q_OBJECT

private slots:
    void startFailureSaysWhatIsMissing_data();
    void startFailureSaysWhatIsMissing();
};

void TestToolkit::startFailureSaysWhatIsMissing_data() {
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<Settings>("settings");
    QTest::addColumn<QString>("reasons");

    const QString waylandFailed =
        QStringLiteral("Could not load the Qt platform plugin \"wayland\" in \"\" even though "
                       "it was found.");
    const QString xFailed =
        QStringLiteral("Could not load the Qt platform plugin \"xcb\" in \"\" even though it "
                       "was found.");
    const QString wayland = QStringLiteral("WAYLAND_DISPLAY");
    const QString runtime = QStringLiteral("XDG_RUNTIME_DIR");

    QTest::newRow("Wayland plugin missing")
        << QStringList{QStringLiteral("Could not find the Qt platform plugin \"wayland\" in \"\"")}
        << Settings{}
        << "the window system plugin \"wayland\" is not installed (package qt6-wayland)";
    QTest::newRow("no compositor on the socket")
        << QStringList{waylandFailed} << Settings{{wayland, QStringLiteral("gone")}}
        << "no Wayland compositor answers on WAYLAND_DISPLAY=gone";
    QTest::newRow("a compositor answers but will not do")
        << QStringList{waylandFailed} << Settings{{wayland, QStringLiteral("<live>")}}
        << "the Wayland compositor on WAYLAND_DISPLAY=live could not be used";
    // The kernel binds a path that fills the address with no room for the ending zero, but a
    // client that must end the name with one cannot reach it.
    QTest::newRow("compositor whose socket path is too long to name")
        << QStringList{waylandFailed} << Settings{{wayland, QStringLiteral("<too long>")}}
        << "no Wayland compositor answers on WAYLAND_DISPLAY=<too long>";
    QTest::newRow("Wayland display not set")
        << QStringList{waylandFailed} << Settings{}
        << "WAYLAND_DISPLAY is not set and no Wayland compositor answers on wayland-0";
    QTest::newRow("relative socket without a runtime folder")
        << QStringList{waylandFailed}
        << Settings{{wayland, QStringLiteral("wayland-1")}, {runtime, QString()}}
        << "XDG_RUNTIME_DIR is not set, so WAYLAND_DISPLAY=wayland-1 names no compositor";
    QTest::newRow("other plugin failed")
        << QStringList{QStringLiteral("Could not load the Qt platform plugin \"vnc\" in \"\" "
                                      "even though it was found.")}
        << Settings{} << "the window system plugin \"vnc\" could not start";
    QTest::newRow("one reason per plugin, each once")
        << QStringList{waylandFailed, QStringLiteral("could not connect to display :5"), xFailed,
                       xFailed}
        << Settings{{wayland, QStringLiteral("gone")},
                    {QStringLiteral("DISPLAY"), QStringLiteral(":5")}}
        << "no Wayland compositor answers on WAYLAND_DISPLAY=gone; no X server answers on "
           "DISPLAY=:5";
    QTest::newRow("words the program does not know")
        << QStringList{QStringLiteral("something else")}
        << Settings{{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("eglfs")}}
        << "no window system plugin could start for QT_QPA_PLATFORM=eglfs";
}

void TestToolkit::startFailureSaysWhatIsMissing() {
    QFETCH(QStringList, log);
    QFETCH(Settings, settings);
    QFETCH(QString, reasons);
    QTemporaryDir runtime;
    const ListeningSocket compositor(runtime.filePath(QStringLiteral("live")));
    QVERIFY(compositor.Listening());
    const qsizetype addressRoom = sizeof sockaddr_un::sun_path;
    QVERIFY(runtime.path().size() + 2 <= addressRoom);
    const QString tooLong(addressRoom - runtime.path().size() - 1, u'w');
    const ListeningSocket unreachable(runtime.filePath(tooLong));
    QVERIFY(unreachable.Listening());
    reasons.replace(QStringLiteral("<too long>"), tooLong);
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        if (it.value().isNull())
            environment.remove(it.key());
        else
            environment.insert(it.key(),
                               QString(it.value())
                                   .replace(QStringLiteral("<live>"), QStringLiteral("live"))
                                   .replace(QStringLiteral("<too long>"), tooLong));
    }
    QCOMPARE(Toolkit::StartFailureText(log, environment),
             QStringLiteral("vexto: no display to show the window on (") + reasons +
                 QStringLiteral("); start Vexto from a desktop session."));
}

QTEST_GUILESS_MAIN(TestToolkit)
#include "tst_toolkit.moc"
