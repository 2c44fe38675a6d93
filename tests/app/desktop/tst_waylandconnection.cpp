#include "app/desktop/WaylandConnection.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <optional>

using namespace std::chrono_literals;

namespace {

// A compositor that takes connections and never answers: hung, or stopped in a debugger.
class SilentCompositor {
public:
    explicit SilentCompositor(const QString& path) : m_socket(::socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::copy(name.begin(), name.end(), address.sun_path);
        m_listening = m_socket >= 0 && name.size() < int(sizeof address.sun_path) &&
                      ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                      ::listen(m_socket, 4) == 0;
    }
    ~SilentCompositor() {
        if (m_socket >= 0)
            ::close(m_socket);
    }
    bool isListening() const { return m_listening; }

private:
    int m_socket;
    bool m_listening = false;
};

} // namespace

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
        std::optional<SilentCompositor> compositor;
        if (listening) {
            compositor.emplace(path);
            QVERIFY(compositor->isListening());
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
