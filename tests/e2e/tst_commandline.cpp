#include "XvfbSession.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <memory>

namespace {

// A failing QTRY waits twice as long again before it reports: keep both within the time-out.
constexpr int startDeadlineMs = 10'000;

// The parameters in the hand-over block as a later copy left them: the count at offset 4, then
// slots of 301 bytes from offset 8, each ended by a zero byte.
QStringList parametersInBlock(const QString& runtime) {
    const QStringList blocks =
        QDir(runtime).entryList({QStringLiteral("vexto-instance-*.block")}, QDir::Files);
    if (blocks.size() != 1)
        return {QStringLiteral("<%1 blocks>").arg(blocks.size())};
    QFile file(QDir(runtime).filePath(blocks.first()));
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<unreadable>")};
    const QByteArray block = file.readAll();
    if (block.size() != 3018)
        return {QStringLiteral("<%1 bytes>").arg(block.size())};
    const qint32 count = qFromLittleEndian<qint32>(block.constData() + 4);
    QStringList parameters;
    for (int i = 0; i < count && i < 10; ++i) {
        const QByteArray slot = block.mid(8 + 301 * i, 301);
        parameters << QString::fromLocal8Bit(slot.left(slot.indexOf('\0')));
    }
    return parameters;
}

} // namespace

// The command line belongs to the user: the real program on a private X server, first copy and
// later copies started with parameters that look like the toolkit's own options. None of them
// may change the window, and every one must reach the first copy as given.
class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void firstCopyKeepsItsTitleAndPlace();
    void laterCopyHandsOverEveryParameter_data();
    void laterCopyHandsOverEveryParameter();

private:
    XvfbSession m_x;
    QTemporaryDir m_runtime;
    QProcessEnvironment m_environment;
    QProcess m_first;
};

void TestCommandLine::initTestCase() {
    QVERIFY2(m_x.start(), qPrintable(m_x.errorString()));
    m_environment = m_x.environment();
    m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    m_first.setProcessEnvironment(m_environment);
    m_first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_first.start(QStringLiteral(VEXTO_BINARY),
                  {QStringLiteral("-qwindowtitle"), QStringLiteral("Evil"),
                   QStringLiteral("-qwindowgeometry"), QStringLiteral("300x200+0+0"),
                   QStringLiteral("-reverse")});
    QVERIFY(m_first.waitForStarted(startDeadlineMs));
}

void TestCommandLine::cleanupTestCase() {
    m_first.kill();
    m_first.waitForFinished(5000);
}

void TestCommandLine::firstCopyKeepsItsTitleAndPlace() {
    const auto windows = [this] {
        return m_x.xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                            QStringLiteral("--name"), QStringLiteral(".")});
    };
    QTRY_VERIFY_WITH_TIMEOUT(!windows().isEmpty(), startDeadlineMs);
    const QString window = windows().section(u'\n', 0, 0);
    QTRY_COMPARE_WITH_TIMEOUT(m_x.xdotool({QStringLiteral("getwindowname"), window}),
                              QStringLiteral("Vexto"), startDeadlineMs);

    // Centred on the 1024 x 768 screen, to the pixel that rounding allows, once placed.
    QString shell;
    const auto centred = [&] {
        shell =
            m_x.xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
        QMap<QString, int> geometry;
        for (const QString& line : shell.split(u'\n'))
            geometry.insert(line.section(u'=', 0, 0), line.section(u'=', 1).toInt());
        return qAbs(geometry[QStringLiteral("X")] * 2 + geometry[QStringLiteral("WIDTH")] - 1024) <=
                   2 &&
               qAbs(geometry[QStringLiteral("Y")] * 2 + geometry[QStringLiteral("HEIGHT")] - 768) <=
                   2;
    };
    QTRY_VERIFY2_WITH_TIMEOUT(centred(), qPrintable(shell), startDeadlineMs);
}

void TestCommandLine::laterCopyHandsOverEveryParameter_data() {
    QTest::addColumn<QStringList>("parameters");
    QTest::newRow("another display")
        << QStringList{QStringLiteral("-display"), QStringLiteral(":99"), QStringLiteral("x")};
    QTest::newRow("style, direction and title") << QStringList{
        QStringLiteral("-reverse"),      QStringLiteral("-style"), QStringLiteral("fusion"),
        QStringLiteral("-qwindowtitle"), QStringLiteral("Evil"),   QStringLiteral("z")};
    QTest::newRow("end of options and a platform") << QStringList{
        QStringLiteral("--"), QStringLiteral("-platform"), QStringLiteral("offscreen")};
}

void TestCommandLine::laterCopyHandsOverEveryParameter() {
    QFETCH(QStringList, parameters);
    QProcess later;
    later.setProcessEnvironment(m_environment);
    later.start(QStringLiteral(VEXTO_BINARY), parameters);
    QVERIFY(later.waitForFinished(startDeadlineMs));
    QCOMPARE(later.exitStatus(), QProcess::NormalExit);
    QCOMPARE(later.exitCode(), 0);
    QCOMPARE(parametersInBlock(m_runtime.path()), parameters);
    QCOMPARE(m_first.state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
