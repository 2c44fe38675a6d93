#include "app/desktop/StartupIdentity.h"

#include <QTest>

#include <optional>

using vexto::StartupIdentity;

Q_DECLARE_METATYPE(std::optional<std::uint32_t>)

// The launch identity that a later copy hands to the first: what survives the trip, and the
// user's action time read from a startup id.
class TestStartupIdentity : public QObject {
    Q_OBJECT

private slots:
    void timestampFromTheStartupId_data();
    void timestampFromTheStartupId();
    void messageCarriesWhatIsPlain_data();
    void messageCarriesWhatIsPlain();
    void messageLinesOfOtherKindsAreIgnored();
};

void TestStartupIdentity::timestampFromTheStartupId_data() {
    QTest::addColumn<QByteArray>("startupId");
    QTest::addColumn<std::optional<std::uint32_t>>("timestamp");
    const std::optional<std::uint32_t> none;
    QTest::newRow("launcher id") << QByteArray("host-launcher-4242-vexto-3_TIME12345678")
                                 << std::optional<std::uint32_t>(12345678);
    QTest::newRow("time zero") << QByteArray("x_TIME0") << std::optional<std::uint32_t>(0);
    QTest::newRow("largest 32-bit time")
        << QByteArray("x_TIME4294967295") << std::optional<std::uint32_t>(4294967295u);
    QTest::newRow("past 32 bits") << QByteArray("x_TIME4294967296") << none;
    QTest::newRow("no time") << QByteArray("host-launcher-4242-vexto-3") << none;
    QTest::newRow("marker without digits") << QByteArray("x_TIME") << none;
    QTest::newRow("digits then more") << QByteArray("x_TIME12a") << none;
    QTest::newRow("sign") << QByteArray("x_TIME-5") << none;
    QTest::newRow("last marker counts")
        << QByteArray("a_TIME7_TIME9") << std::optional<std::uint32_t>(9);
    QTest::newRow("marker first") << QByteArray("_TIME5") << std::optional<std::uint32_t>(5);
    QTest::newRow("no id") << QByteArray() << none;
}

void TestStartupIdentity::timestampFromTheStartupId() {
    QFETCH(QByteArray, startupId);
    QFETCH(std::optional<std::uint32_t>, timestamp);
    QCOMPARE(StartupIdentity(startupId, {}).Timestamp(), timestamp);
}

void TestStartupIdentity::messageCarriesWhatIsPlain_data() {
    QTest::addColumn<QByteArray>("startupId");
    QTest::addColumn<QByteArray>("activationToken");
    QTest::addColumn<QByteArray>("arrivingId");
    QTest::addColumn<QByteArray>("arrivingToken");
    const QByteArray id("launcher-1_TIME99"), token("3b1f-token_0");
    QTest::newRow("both") << id << token << id << token;
    QTest::newRow("id only") << id << QByteArray() << id << QByteArray();
    QTest::newRow("token only") << QByteArray() << token << QByteArray() << token;
    QTest::newRow("none") << QByteArray() << QByteArray() << QByteArray() << QByteArray();
    // Such ids could not go into a startup message unquoted, or would split the message.
    QTest::newRow("blank in id") << QByteArray("a b") << token << QByteArray() << token;
    QTest::newRow("quote in id") << QByteArray("a\"b") << token << QByteArray() << token;
    QTest::newRow("backslash in id") << QByteArray("a\\b") << token << QByteArray() << token;
    QTest::newRow("line break in id")
        << QByteArray("a\nXDG_ACTIVATION_TOKEN=forged") << token << QByteArray() << token;
    QTest::newRow("control byte in token") << id << QByteArray("t\x01") << id << QByteArray();
    QTest::newRow("non-ASCII in token") << id << QByteArray("t\xc3\xa9") << id << QByteArray();
    QTest::newRow("delete in token") << id << QByteArray("t\x7f") << id << QByteArray();
    QTest::newRow("longest id") << QByteArray(1024, 'a') << QByteArray() << QByteArray(1024, 'a')
                                << QByteArray();
    QTest::newRow("too long id") << QByteArray(1025, 'a') << QByteArray() << QByteArray()
                                 << QByteArray();
}

void TestStartupIdentity::messageCarriesWhatIsPlain() {
    QFETCH(QByteArray, startupId);
    QFETCH(QByteArray, activationToken);
    QFETCH(QByteArray, arrivingId);
    QFETCH(QByteArray, arrivingToken);
    const StartupIdentity arrived =
        StartupIdentity::FromMessage(StartupIdentity(startupId, activationToken).ToMessage());
    QCOMPARE(arrived.StartupId(), arrivingId);
    QCOMPARE(arrived.ActivationToken(), arrivingToken);
    QCOMPARE(arrived.IsEmpty(), arrivingId.isEmpty() && arrivingToken.isEmpty());
}

void TestStartupIdentity::messageLinesOfOtherKindsAreIgnored() {
    const StartupIdentity arrived = StartupIdentity::FromMessage(
        "HELLO=1\nDESKTOP_STARTUP_ID=abc_TIME5\n\ngarbage\x01\nXDG_ACTIVATION_TOKEN=tok");
    QCOMPARE(arrived.StartupId(), QByteArray("abc_TIME5"));
    QCOMPARE(arrived.ActivationToken(), QByteArray("tok"));
    QVERIFY(StartupIdentity::FromMessage({}).IsEmpty());
    QVERIFY(StartupIdentity::FromMessage(QByteArray(5000, '\n')).IsEmpty());
}

QTEST_GUILESS_MAIN(TestStartupIdentity)
#include "tst_startupidentity.moc"
