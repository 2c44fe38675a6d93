#include "ListeningSocket.h"
#include "app/desktop/WaylandConnection.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace std::chrono_literals;

class TestWaylandConnection : public QObject {
    Q_OBJECT

private slots:
    void compositorThatCannotAnswerHoldsNoLongerThanTheDeadline_data() {
        QTest::addColumn<bool>("listening");
        QTest::newRow("no compositor") << false;
        QTest::newRow("silent compositor") << true;
    }

    void compositorThatCannotAnswerHoldsNoLongerThanTheDeadline() {
        QFETCH(bool, listening);
        const QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("wayland-test"));
        // A compositor that takes connections and never answers: hung, or stopped in a debugger.
        std::optional<ListeningSocket> compositor;
        if (listening) {
            compositor.emplace(path);
            QVERIFY(compositor->Listening());
        }

        QElapsedTimer clock;
        clock.start();
        const vexto::WaylandConnection connection(QFile::encodeName(path), 300ms);
        QVERIFY(!connection.IsConnected());
        QVERIFY(!connection.Offers("wl_compositor"));
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!connection.DispatchUntil([] { return false; }));
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    }
};

QTEST_GUILESS_MAIN(TestWaylandConnection)
#include "tst_waylandconnection.moc"
