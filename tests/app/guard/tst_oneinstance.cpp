#include "app/Application.h"
#include "app/guard/InstanceNames.h"
#include "app/guard/NotifyChannel.h"
#include "app/guard/OneInstance.h"
#include "app/guard/posix/NotifySocket.h"
#include "calc/Exception.h"
#include "calc/HandOverBlock.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <QRegularExpression>

#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace vexto;

namespace {

const QString PeerPath = QStringLiteral(VEXTO_PEER_PATH);
// A copy that waits for nobody answers well inside the 10 s of one wait, however loaded the
// machine is.
constexpr int noWaitMs = 5000;
const QByteArray PeerName = "tst_oneinstance_peer";

// One started copy of the peer program and everything it printed so far.
class Peer {
public:
    Peer(const QTemporaryDir& runtime, const QStringList& args,
         const QMap<QString, QString>& settings = {}, const QString& program = PeerPath) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // The session's displays name the log-on; a copy is in none unless the test says so.
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        for (auto it = settings.begin(); it != settings.end(); ++it)
            environment.insert(it.key(), it.value());
        m_process.setProcessEnvironment(environment);
        // The objects must be owner-only whatever the umask says.
        m_process.setChildProcessModifier([] { ::umask(0); });
        m_process.start(program, args);
        m_started.start();
    }
    ~Peer() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Waits until a line starting with `prefix` has been printed; it is returned, or an empty
    // array when the deadline passed or the process ended first.
    QByteArray WaitForLine(const QByteArray& prefix, int timeoutMs = 5000, int skip = 0) {
        QElapsedTimer deadline;
        deadline.start();
        for (;;) {
            m_output += m_process.readAllStandardOutput();
            int seen = 0;
            for (const QByteArray& line : completeLines()) {
                if (line.startsWith(prefix) && seen++ == skip)
                    return line;
            }
            const qint64 left = timeoutMs - deadline.elapsed();
            if (left <= 0 || m_process.state() == QProcess::NotRunning)
                return {};
            m_process.waitForReadyRead(int(left));
        }
    }
    QList<QByteArray> Lines(const QByteArray& prefix) {
        m_output += m_process.readAllStandardOutput();
        QList<QByteArray> lines;
        for (const QByteArray& line : completeLines())
            if (line.startsWith(prefix))
                lines.append(line);
        return lines;
    }
    // Exit code after a normal exit within the deadline, otherwise -1.
    int Finish(int timeoutMs = 15000) {
        if (!m_process.waitForFinished(timeoutMs) || m_process.exitStatus() != QProcess::NormalExit)
            return -1;
        m_output += m_process.readAllStandardOutput();
        return m_process.exitCode();
    }
    void EndNormally() { m_process.closeWriteChannel(); }
    void Kill() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    qint64 ElapsedMs() const { return m_started.elapsed(); }
    qint64 ProcessId() const { return m_process.processId(); }
    QByteArray StandardError() { return m_process.readAllStandardError(); }

private:
    QList<QByteArray> completeLines() const {
        QList<QByteArray> lines = m_output.split('\n');
        lines.removeLast(); // unfinished, or empty after the last newline
        return lines;
    }

    QProcess m_process;
    QElapsedTimer m_started;
    QByteArray m_output;
};

QByteArray receivedLine(const QStringList& params, bool minimised = false) {
    QByteArray line = "received " + QByteArray(minimised ? "1" : "0");
    for (const QString& param : params)
        line += ' ' + param.toUtf8().toPercentEncoding();
    return line;
}

// Overwrites part of the live block, as another program of this user could.
void writeBlock(const QTemporaryDir& runtime, qint64 offset, const QByteArray& bytes) {
    QFile block(QFile::decodeName(InstanceNames(runtime.path(), PeerName).BlockPath()));
    QVERIFY(block.open(QIODevice::ReadWrite));
    QVERIFY(block.seek(offset));
    QCOMPARE(block.write(bytes), bytes.size());
}

quint32 notifyIdOf(const QTemporaryDir& runtime) {
    QFile block(QFile::decodeName(InstanceNames(runtime.path(), PeerName).BlockPath()));
    if (!block.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray id = block.read(4);
    if (id.size() != 4)
        return 0;
    return quint8(id[0]) | quint8(id[1]) << 8 | quint8(id[2]) << 16 | quint32(quint8(id[3])) << 24;
}

QStringList entriesOf(const QString& directory) {
    return QDir(directory).entryList(QDir::AllEntries | QDir::System | QDir::Hidden |
                                     QDir::NoDotAndDotDot);
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// What another process of the same user could do to one of the guard's files.
enum class Damage { Truncate, Delete, SymbolicLink, GroupReadable, OtherWritable };

QByteArray le32(quint32 value) {
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((value >> (8 * i)) & 0xFF);
    return bytes;
}

} // namespace

class TestOneInstance : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void laterCopyHandsOverItsParameters_data();
    void laterCopyHandsOverItsParameters();
    void copiesBackToBackHandOverInTurn();
    void failingHandlerStillAnswersEveryHandOver();
    void eightCopiesAtOnceElectOneFirst();
    void programFileNameDecidesTheProgram_data();
    void programFileNameDecidesTheProgram();
    void haltEndsTheLaterCopyInsideLoaded();
    void hostileBlockDoesNotHarmTheFirstCopy();
    void nextCopyIsFirstWhenTheFirstHasEnded_data();
    void nextCopyIsFirstWhenTheFirstHasEnded();
    void unansweredHandOverMakesTheLaterCopyFirst();
    void objectsAreOwnerOnly();
    void namesStayInsideTheDirectory_data();
    void namesStayInsideTheDirectory();
    void distinctProgramsNeverShareAFile();
    void displayIsOneLogOnHoweverItIsWritten_data();
    void displayIsOneLogOnHoweverItIsWritten();
    void copiesOfOneSessionHandOverWhateverTheyShowOn_data();
    void copiesOfOneSessionHandOverWhateverTheyShowOn();
    void pokeCarriesItsMessageWhole_data();
    void pokeCarriesItsMessageWhole();
    void secondGuardInOneProcessIsRefused();
    void lockCreationFailureIsAnAssertion();

    void damagedFilesNeitherKillNorStopTheHandOver_data();
    void damagedFilesNeitherKillNorStopTheHandOver();
    void fullRuntimeFileSystemRunsAloneAndLeavesNoTemporaryFile();
    void longRuntimePathStillHandsOver();
    void copyWithoutAChannelHoldsNoLock();
    void killedFirstCopiesLeaveOneSetOfFiles();
    void blockWithoutLockMakesTheCopyFirstAtOnce();

private:
    QTemporaryDir m_ownRuntime;
    std::unique_ptr<TApplication> m_application;
};

void TestOneInstance::initTestCase() {
    QVERIFY(QFile::exists(PeerPath));
    QVERIFY(m_ownRuntime.isValid());
    // Guards made inside this process never touch the user's real runtime directory.
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_ownRuntime.path()));
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    m_application = std::make_unique<TApplication>();
}

void TestOneInstance::laterCopyHandsOverItsParameters_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("received");
    QTest::addColumn<bool>("minimised");

    QStringList twelve;
    for (int i = 1; i <= 12; ++i)
        twelve << QString::number(i);

    QTest::newRow("no parameters") << QStringList{} << QStringList{} << false;
    QTest::newRow("in order, blanks and UTF-8 kept")
        << QStringList{QStringLiteral("b"), QStringLiteral("two words"), QStringLiteral("é€")}
        << QStringList{QStringLiteral("b"), QStringLiteral("two words"), QStringLiteral("é€")}
        << false;
    QTest::newRow("empty argument yields nothing")
        << QStringList{QString(), QStringLiteral("x")} << QStringList{QStringLiteral("x")} << false;
    QTest::newRow("twelve arrive as ten") << twelve << twelve.mid(0, 10) << false;
    QTest::newRow("350 bytes arrive as 300")
        << QStringList{QString(350, u'p')} << QStringList{QString(300, u'p')} << false;
    QTest::newRow("minimised first copy is restored")
        << QStringList{QStringLiteral("r")} << QStringList{QStringLiteral("r")} << true;
}

void TestOneInstance::laterCopyHandsOverItsParameters() {
    QFETCH(QStringList, args);
    QFETCH(QStringList, received);
    QFETCH(bool, minimised);
    QTemporaryDir runtime;
    QMap<QString, QString> settings;
    if (minimised)
        settings.insert(QStringLiteral("VEXTO_PEER_MINIMIZED"), QStringLiteral("1"));

    Peer first(runtime, {}, settings);
    QCOMPARE(first.WaitForLine("first"), QByteArray("first"));
    Peer later(runtime, args);
    QCOMPARE(later.WaitForLine("later"), QByteArray("later show=0"));
    QCOMPARE(later.Finish(), 0);
    qInfo("later copy started, handed over and ended in %lld ms", later.ElapsedMs());
    QCOMPARE(first.WaitForLine("received"), receivedLine(received));
}

void TestOneInstance::copiesBackToBackHandOverInTurn() {
    QTemporaryDir runtime;
    Peer first(runtime, {});
    QCOMPARE(first.WaitForLine("first"), QByteArray("first"));
    Peer one(runtime, {QStringLiteral("one")});
    Peer two(runtime, {QStringLiteral("two")});
    QCOMPARE(one.Finish(), 0);
    QCOMPARE(two.Finish(), 0);
    QVERIFY(!first.WaitForLine("received", 5000, 1).isEmpty());
    const QList<QByteArray> lines = first.Lines("received");
    QCOMPARE(QSet<QByteArray>(lines.begin(), lines.end()),
             (QSet<QByteArray>{receivedLine({QStringLiteral("one")}),
                               receivedLine({QStringLiteral("two")})}));
}

void TestOneInstance::failingHandlerStillAnswersEveryHandOver() {
    QTemporaryDir runtime;
    Peer first(runtime, {}, {{QStringLiteral("VEXTO_PEER_HANDLER_FAILS"), QStringLiteral("1")}});
    QCOMPARE(first.WaitForLine("first"), QByteArray("first"));
    // A lock left taken would keep each later copy waiting 10 s and then make it first.
    for (const QString& param : {QStringLiteral("one"), QStringLiteral("two")}) {
        Peer later(runtime, {param});
        QCOMPARE(later.WaitForLine("", noWaitMs), QByteArray("later show=0"));
        QCOMPARE(later.Finish(), 0);
        QCOMPARE(first.WaitForLine("received ", 5000, param == QStringLiteral("two") ? 1 : 0),
                 receivedLine({param}));
    }
    first.EndNormally();
    QCOMPARE(first.Finish(), 0);
    QCOMPARE(first.StandardError().count("error: handler failed"), 2);
}

void TestOneInstance::eightCopiesAtOnceElectOneFirst() {
    QTemporaryDir runtime;
    const QString startAt = QString::number(QDateTime::currentMSecsSinceEpoch() + 800);
    std::vector<std::unique_ptr<Peer>> copies;
    for (int i = 0; i < 8; ++i) {
        copies.push_back(std::make_unique<Peer>(
            runtime,
            QStringList{QStringLiteral("copy"), QString::number(i), QString(300, QChar(u'a' + i))},
            QMap<QString, QString>{{QStringLiteral("VEXTO_PEER_START_AT"), startAt}}));
    }
    Peer* first = nullptr;
    QSet<QByteArray> expected;
    for (int i = 0; i < 8; ++i) {
        const QByteArray decision = copies[i]->WaitForLine("", 15000);
        if (decision == "first") {
            QVERIFY2(!first, "two first copies");
            first = copies[i].get();
        } else {
            QCOMPARE(decision, QByteArray("later show=0"));
            QCOMPARE(copies[i]->Finish(), 0);
            expected.insert(receivedLine(
                {QStringLiteral("copy"), QString::number(i), QString(300, QChar(u'a' + i))}));
        }
    }
    QVERIFY(first);
    QVERIFY(!first->WaitForLine("received", 5000, 6).isEmpty());
    const QList<QByteArray> lines = first->Lines("received");
    QCOMPARE(lines.size(), 7);
    QCOMPARE(QSet<QByteArray>(lines.begin(), lines.end()), expected);
}

void TestOneInstance::programFileNameDecidesTheProgram_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("decision");

    QTest::newRow("same file name in another folder")
        << QString::fromLatin1(PeerName) << QByteArray("later show=0");
    QTest::newRow("another file name") << QStringLiteral("other peer") << QByteArray("first");
    QTest::newRow("name of the lock of this one")
        << QString::fromLatin1(PeerName + "Sem") << QByteArray("first");
}

void TestOneInstance::programFileNameDecidesTheProgram() {
    QFETCH(QString, fileName);
    QFETCH(QByteArray, decision);
    QTemporaryDir runtime;
    QTemporaryDir folder;
    const QString copy = folder.filePath(fileName);
    QVERIFY(QFile::copy(PeerPath, copy));

    Peer first(runtime, {});
    QCOMPARE(first.WaitForLine("first"), QByteArray("first"));
    Peer other(runtime, {QStringLiteral("x")}, {}, copy);
    QCOMPARE(other.WaitForLine(""), decision);
}

void TestOneInstance::haltEndsTheLaterCopyInsideLoaded() {
    QTemporaryDir runtime;
    Peer first(runtime, {});
    QCOMPARE(first.WaitForLine("first"), QByteArray("first"));
    Peer later(runtime, {QStringLiteral("h")},
               {{QStringLiteral("VEXTO_PEER_HALT"), QStringLiteral("1")}});
    QCOMPARE(later.Finish(), 0);
    QVERIFY(later.Lines("later").isEmpty());
    QCOMPARE(first.WaitForLine("received"), receivedLine({QStringLiteral("h")}));
}

void TestOneInstance::hostileBlockDoesNotHarmTheFirstCopy() {
    QTemporaryDir runtime;
    Peer first(runtime, {});
    QCOMPARE(first.WaitForLine("first"), QByteArray("first"));
    writeBlock(runtime, 4, le32(99) + QByteArray(3010, 'x'));
    const InstanceNames names(runtime.path(), PeerName);
    QFile block(QFile::decodeName(names.BlockPath()));
    QVERIFY(block.open(QIODevice::ReadOnly));
    const QByteArray id = block.read(4);
    const quint32 notifyId =
        quint8(id[0]) | quint8(id[1]) << 8 | quint8(id[2]) << 16 | quint32(quint8(id[3])) << 24;
    QVERIFY(NotifyChannel::Post(names, notifyId));
    QStringList tenSlots;
    for (int i = 0; i < 10; ++i)
        tenSlots << QString(300, u'x');
    QCOMPARE(first.WaitForLine("received"), receivedLine(tenSlots));

    // The unasked-for release left the lock usable: the next hand-over works.
    Peer later(runtime, {QStringLiteral("after")});
    QCOMPARE(later.Finish(), 0);
    QCOMPARE(first.WaitForLine("received", 5000, 1), receivedLine({QStringLiteral("after")}));
}

void TestOneInstance::nextCopyIsFirstWhenTheFirstHasEnded_data() {
    QTest::addColumn<bool>("killed");
    QTest::newRow("ended normally") << false;
    QTest::newRow("killed with SIGKILL") << true;
}

void TestOneInstance::nextCopyIsFirstWhenTheFirstHasEnded() {
    QFETCH(bool, killed);
    QTemporaryDir runtime;
    {
        Peer first(runtime, {});
        QCOMPARE(first.WaitForLine("first"), QByteArray("first"));
        if (killed) {
            first.Kill();
        } else {
            first.EndNormally();
            QCOMPARE(first.Finish(), 0);
        }
    }
    Peer next(runtime, {});
    QCOMPARE(next.WaitForLine("", noWaitMs), QByteArray("first"));
    qInfo("next copy was first after %lld ms", next.ElapsedMs());
    QVERIFY(next.ElapsedMs() < noWaitMs);
}

void TestOneInstance::unansweredHandOverMakesTheLaterCopyFirst() {
    // A first copy whose event loop is blocked and a block naming a copy that is gone: both
    // leave the later copy waiting out the same 10 s, so the two wait side by side.
    QTemporaryDir blockedRuntime;
    QTemporaryDir staleRuntime;
    Peer blocked(blockedRuntime, {},
                 {{QStringLiteral("VEXTO_PEER_BLOCK_MS"), QStringLiteral("11000")}});
    Peer stale(staleRuntime, {});
    QCOMPARE(blocked.WaitForLine("first"), QByteArray("first"));
    QCOMPARE(stale.WaitForLine("first"), QByteArray("first"));
    writeBlock(staleRuntime, 0, le32(0x7FFFFFF0u));

    Peer blockedLater(blockedRuntime, {QStringLiteral("late")});
    Peer staleLater(staleRuntime, {QStringLiteral("late")});
    for (Peer* later : {&blockedLater, &staleLater}) {
        // One wait of 10 s, not two, plus a start-up that a loaded machine may make slow.
        QCOMPARE(later->WaitForLine("", 16000), QByteArray("first"));
        qInfo("unanswered copy became first after %lld ms", later->ElapsedMs());
        QVERIFY(later->ElapsedMs() >= 9900);
        QVERIFY(later->ElapsedMs() < 15000);
    }

    // From now on later copies hand over to the copy that took over. A blocked first copy still
    // answers the old poke when it wakes; wait for that so it can't disturb what follows.
    QCOMPARE(blocked.WaitForLine("received", 3000), receivedLine({QStringLiteral("late")}));
    const std::pair<QTemporaryDir*, Peer*> takenOver[] = {{&blockedRuntime, &blockedLater},
                                                          {&staleRuntime, &staleLater}};
    for (const auto& [runtime, newFirst] : takenOver) {
        Peer third(*runtime, {QStringLiteral("third")});
        QCOMPARE(third.Finish(), 0);
        QCOMPARE(newFirst->WaitForLine("received"), receivedLine({QStringLiteral("third")}));
    }
}

void TestOneInstance::objectsAreOwnerOnly() {
    QTemporaryDir runtime;
    Peer first(runtime, {});
    QCOMPARE(first.WaitForLine("first"), QByteArray("first"));
    Peer later(runtime, {QStringLiteral("m")});
    QCOMPARE(later.Finish(), 0);

    const QStringList entries =
        QDir(runtime.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    QCOMPARE(entries.size(), 5); // block, lock, liveness, creation lock, notification socket
    for (const QString& entry : entries) {
        struct stat status {};
        QCOMPARE(
            ::lstat(QFile::encodeName(QDir(runtime.path()).filePath(entry)).constData(), &status),
            0);
        QVERIFY2((status.st_mode & 0777) == 0600, qPrintable(entry));
    }
}

void TestOneInstance::namesStayInsideTheDirectory_data() {
    QTest::addColumn<QByteArray>("programFileName");
    QTest::newRow("dot dot") << QByteArray("..");
    QTest::newRow("dot") << QByteArray(".");
    QTest::newRow("climbing path") << QByteArray("../../etc/passwd");
    QTest::newRow("slash") << QByteArray("a/b");
    QTest::newRow("hidden") << QByteArray(".vexto");
    QTest::newRow("control and UTF-8") << QByteArray("v\n\t\xC3\xA9");
    QTest::newRow("255 bytes") << QByteArray(255, '.');
}

void TestOneInstance::namesStayInsideTheDirectory() {
    QFETCH(QByteArray, programFileName);
    const InstanceNames names(QStringLiteral("/run/user/1000"), programFileName);
    for (const QByteArray& path :
         {names.BlockPath(), names.LockPath(), names.LivenessPath(), names.CreationPath()}) {
        QVERIFY2(path.startsWith("/run/user/1000/vexto-instance-"), path.constData());
        const QByteArray fileName = path.mid(15);
        QVERIFY(!fileName.contains('/'));
        QVERIFY(fileName.size() <= 255);
    }
}

void TestOneInstance::distinctProgramsNeverShareAFile() {
    const QList<QByteArray> programs = {"a",
                                        "aSem",
                                        "a.lock",
                                        "a%2E",
                                        "a.",
                                        "A",
                                        "a~",
                                        QByteArray(300, 'z'),
                                        QByteArray(299, 'z') + 'y'};
    QSet<QByteArray> paths;
    int count = 0;
    for (const QByteArray& program : programs) {
        const InstanceNames names(QStringLiteral("/r"), program);
        for (const QByteArray& path :
             {names.BlockPath(), names.LockPath(), names.LivenessPath(), names.CreationPath()}) {
            paths.insert(path);
            ++count;
        }
    }
    QCOMPARE(paths.size(), count);
}

void TestOneInstance::displayIsOneLogOnHoweverItIsWritten_data() {
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("identity");
    QTest::newRow("plain") << QByteArray(":57") << QByteArray(":57");
    QTest::newRow("with its screen") << QByteArray(":57.0") << QByteArray(":57");
    QTest::newRow("another screen") << QByteArray(":57.1") << QByteArray(":57");
    QTest::newRow("local connection named") << QByteArray("unix:57.0") << QByteArray(":57");
    QTest::newRow("remote host keeps its name") << QByteArray("host:3.0") << QByteArray("host:3");
    QTest::newRow("other number") << QByteArray(":570") << QByteArray(":570");
}

void TestOneInstance::displayIsOneLogOnHoweverItIsWritten() {
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, identity);
    QCOMPARE(InstanceNames::XDisplayIdentity(display), identity);
}

void TestOneInstance::copiesOfOneSessionHandOverWhateverTheyShowOn_data() {
    using Settings = QMap<QString, QString>;
    QTest::addColumn<Settings>("first");
    QTest::addColumn<Settings>("later");
    QTest::addColumn<bool>("handsOver");
    const QString wayland = QStringLiteral("WAYLAND_DISPLAY");
    const QString x = QStringLiteral("DISPLAY");
    // What an X11 copy under the compositor's X server and a native copy each see.
    const Settings x11Copy = {{wayland, QStringLiteral("wayland-7")}, {x, QStringLiteral(":7")}};
    const Settings nativeCopy = {{wayland, QStringLiteral("wayland-7")}};

    QTest::newRow("X11 copy, then a native copy") << x11Copy << nativeCopy << true;
    QTest::newRow("native copy, then an X11 copy") << nativeCopy << x11Copy << true;
    QTest::newRow("another Wayland session")
        << x11Copy << Settings{{wayland, QStringLiteral("wayland-8")}, {x, QStringLiteral(":7")}}
        << false;
    QTest::newRow("another X display without Wayland")
        << Settings{{x, QStringLiteral(":7")}} << Settings{{x, QStringLiteral(":8")}} << false;
}

void TestOneInstance::copiesOfOneSessionHandOverWhateverTheyShowOn() {
    using Settings = QMap<QString, QString>;
    QFETCH(Settings, first);
    QFETCH(Settings, later);
    QFETCH(bool, handsOver);
    QTemporaryDir runtime;
    Peer one(runtime, {}, first);
    QCOMPARE(one.WaitForLine("first"), QByteArray("first"));
    Peer two(runtime, {}, later);
    if (handsOver) {
        QCOMPARE(two.WaitForLine("later", noWaitMs), QByteArray("later show=0"));
        QCOMPARE(two.Finish(), 0);
    } else {
        QCOMPARE(two.WaitForLine("first", noWaitMs), QByteArray("first"));
        two.EndNormally();
        QCOMPARE(two.Finish(), 0);
    }
}

void TestOneInstance::pokeCarriesItsMessageWhole_data() {
    QTest::addColumn<QList<QByteArray>>("messages");

    QByteArray allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes += char(i);
    QTest::newRow("empty poke") << QList<QByteArray>{QByteArray()};
    QTest::newRow("every byte value, zero bytes inside") << QList<QByteArray>{allBytes};
    QTest::newRow("1024 bytes") << QList<QByteArray>{QByteArray(1024, '\xFF')};
    QTest::newRow("longest") << QList<QByteArray>{QByteArray(NotifyChannel::MaxMessageSize, 'm')};
    QTest::newRow("several queued stay apart, in order")
        << QList<QByteArray>{"one", QByteArray(), QByteArray(1000, 'b'), "\0\n"};
}

void TestOneInstance::pokeCarriesItsMessageWhole() {
    QFETCH(QList<QByteArray>, messages);
    QTemporaryDir runtime;
    const QByteArray path = QFile::encodeName(runtime.filePath(QStringLiteral("n")));
    QList<QByteArray> received;
    const auto channel =
        NotifySocket::Listen(path, [&](const QByteArray& message) { received.append(message); });
    QVERIFY(channel);
    for (const QByteArray& message : messages)
        QVERIFY(NotifySocket::Post(path, message));
    QTRY_COMPARE(received.size(), messages.size());
    QCOMPARE(received, messages);
    QVERIFY(!NotifySocket::Post(path, QByteArray(NotifySocket::MaxMessageSize + 1, 'x')));
}

void TestOneInstance::secondGuardInOneProcessIsRefused() {
    {
        TOneInstance guard(nullptr, *m_application);
        try {
            TOneInstance second(nullptr, *m_application);
            QFAIL("a second guard was made");
        } catch (const Exception& error) {
            QCOMPARE(QByteArray(error.what()),
                     QByteArray("Drop only one of these components on your form !"));
        }
    }
    TOneInstance afterTheFirstWent(nullptr, *m_application);
}

void TestOneInstance::lockCreationFailureIsAnAssertion() {
    // A directory where the lock's file should be: no semaphore can be made there.
    QTemporaryDir runtime;
    for (const QByteArray& program : {InstanceNames::ProgramFileName(), PeerName}) {
        const InstanceNames names(runtime.path(), program);
        QVERIFY(QDir().mkpath(QFile::decodeName(names.LockPath())));
    }
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    {
        TOneInstance guard(nullptr, *m_application);
        try {
            guard.Loaded();
            QFAIL("no assertion failure");
        } catch (const EAssertionFailed& error) {
            const QByteArray message = error.what();
            QVERIFY2(message.startsWith("Unable to create semaphore ("), message.constData());
            // The source file alone, wherever the program was built.
            QVERIFY2(QRegularExpression(QStringLiteral("\\(OneInstance\\.cpp, line \\d+\\)$"))
                         .match(QString::fromLocal8Bit(message))
                         .hasMatch(),
                     message.constData());
        }
    }
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_ownRuntime.path()));

    Peer copy(runtime, {});
    QCOMPARE(copy.Finish(), 1);
    QVERIFY(copy.StandardError().contains("Unable to create semaphore"));
    for (const QString& entry : entriesOf(runtime.path()))
        QVERIFY2(!entry.contains(u".new"), qPrintable(entry));
}

void TestOneInstance::damagedFilesNeitherKillNorStopTheHandOver_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<Damage>("damage");

    QTest::newRow("block truncated") << QStringLiteral("block") << Damage::Truncate;
    QTest::newRow("lock truncated") << QStringLiteral("lock") << Damage::Truncate;
    QTest::newRow("block deleted") << QStringLiteral("block") << Damage::Delete;
    QTest::newRow("lock deleted") << QStringLiteral("lock") << Damage::Delete;
    QTest::newRow("block is a symbolic link") << QStringLiteral("block") << Damage::SymbolicLink;
    QTest::newRow("lock is a symbolic link") << QStringLiteral("lock") << Damage::SymbolicLink;
    QTest::newRow("creation lock is a symbolic link")
        << QStringLiteral("create") << Damage::SymbolicLink;
    QTest::newRow("liveness file is a symbolic link")
        << QStringLiteral("live") << Damage::SymbolicLink;
    QTest::newRow("block readable by the group")
        << QStringLiteral("block") << Damage::GroupReadable;
    QTest::newRow("lock writable by others") << QStringLiteral("lock") << Damage::OtherWritable;
}

void TestOneInstance::damagedFilesNeitherKillNorStopTheHandOver() {
    QFETCH(QString, kind);
    QFETCH(Damage, damage);
    QTemporaryDir runtime;
    QTemporaryDir elsewhere;
    const InstanceNames names(runtime.path(), PeerName);
    const QMap<QString, QByteArray> paths = {{QStringLiteral("block"), names.BlockPath()},
                                             {QStringLiteral("lock"), names.LockPath()},
                                             {QStringLiteral("live"), names.LivenessPath()},
                                             {QStringLiteral("create"), names.CreationPath()}};
    const QString path = QFile::decodeName(paths.value(kind));
    Peer first(runtime, {});
    QCOMPARE(first.WaitForLine("first"), QByteArray("first"));
    const quint32 notifyId = notifyIdOf(runtime);
    QVERIFY(notifyId != 0);

    // A file the guard must never follow into nor write: a link's target, or the refused file
    // itself, kept under a second name.
    const QString untouched = elsewhere.filePath(QStringLiteral("untouched"));
    QByteArray untouchedContent;
    const QByteArray pathBytes = QFile::encodeName(path);
    switch (damage) {
    case Damage::Truncate:
        QCOMPARE(::truncate(pathBytes.constData(), 0), 0);
        break;
    case Damage::Delete:
        QCOMPARE(::unlink(pathBytes.constData()), 0);
        break;
    case Damage::SymbolicLink: {
        QFile target(untouched);
        QVERIFY(target.open(QIODevice::WriteOnly));
        QVERIFY(target.resize(HandOverBlock::Size));
        target.close();
        QVERIFY(QFile::setPermissions(untouched, QFile::ReadOwner | QFile::WriteOwner));
        untouchedContent = readAll(untouched);
        QCOMPARE(::unlink(pathBytes.constData()), 0);
        QCOMPARE(::symlink(QFile::encodeName(untouched).constData(), pathBytes.constData()), 0);
        break;
    }
    case Damage::GroupReadable:
    case Damage::OtherWritable:
        QCOMPARE(::link(pathBytes.constData(), QFile::encodeName(untouched).constData()), 0);
        QCOMPARE(::chmod(pathBytes.constData(), damage == Damage::GroupReadable ? 0640 : 0602), 0);
        untouchedContent = readAll(untouched);
        break;
    }

    // A poke as a later copy would send it: the first copy must survive reading a damaged block
    // and releasing a damaged lock.
    NotifyChannel::Post(names, notifyId);
    Peer later(runtime, {QStringLiteral("after damage")});
    QCOMPARE(later.WaitForLine("", 5000), QByteArray("later show=0"));
    QCOMPARE(later.Finish(), 0);
    const QByteArray expected = receivedLine({QStringLiteral("after damage")});
    QCOMPARE(first.WaitForLine(expected), expected);

    if (!untouchedContent.isEmpty())
        QCOMPARE(readAll(untouched), untouchedContent);
    struct stat status {};
    if (::lstat(pathBytes.constData(), &status) == 0) {
        QVERIFY(S_ISREG(status.st_mode));
        QCOMPARE(status.st_mode & 0777, mode_t(0600));
    }
    first.EndNormally();
    QCOMPARE(first.Finish(), 0);
}

void TestOneInstance::fullRuntimeFileSystemRunsAloneAndLeavesNoTemporaryFile() {
    // A runtime directory of its own, filled to the last byte. Mounting needs root, or a user
    // namespace in which this user counts as root.
    QTemporaryDir runtime;
    const QStringList unshare = ::geteuid() == 0 ? QStringList{QStringLiteral("--mount")}
                                                 : QStringList{QStringLiteral("--map-root-user"),
                                                               QStringLiteral("--mount")};
    QProcess probe;
    probe.start(QStringLiteral("unshare"), unshare + QStringList{QStringLiteral("true")});
    if (!probe.waitForFinished(5000) || probe.exitStatus() != QProcess::NormalExit ||
        probe.exitCode() != 0)
        QSKIP("needs root or user namespaces (unshare) to mount a full tmpfs");

    // The listing after the copy has ended shows whatever it left behind.
    const QString script =
        QStringLiteral("mount -t tmpfs -o size=64k,mode=0700 tmpfs \"$1\" || exit 99; "
                       "dd if=/dev/zero of=\"$1/filler\" bs=4k 2>/dev/null; "
                       "\"$2\" \"$3\"; status=$?; ls -A \"$1\" | sed 's/^/left: /'; exit $status");
    Peer alone(runtime,
               unshare + QStringList{QStringLiteral("sh"), QStringLiteral("-c"), script,
                                     QStringLiteral("sh"), runtime.path(), PeerPath,
                                     QStringLiteral("p")},
               {}, QStringLiteral("unshare"));
    const QByteArray decision = alone.WaitForLine("", 10000);
    QVERIFY2(decision == "first" || decision == "later show=1", alone.StandardError().constData());
    alone.EndNormally();
    QCOMPARE(alone.Finish(), 0);
    QVERIFY(alone.Lines("left: ").contains("left: filler"));
    for (const QByteArray& line : alone.Lines("left: "))
        QVERIFY2(line == "left: filler" || !line.contains(".new"), line.constData());
}

void TestOneInstance::longRuntimePathStillHandsOver() {
    // Longer than a socket address can hold (108 bytes).
    QTemporaryDir base;
    const QString directory = base.filePath(QString(150, u'd'));
    QVERIFY(QDir().mkdir(directory));
    QVERIFY(
        QFile::setPermissions(directory, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QTemporaryDir runtime(directory + QStringLiteral("/rt-XXXXXX"));
    QVERIFY(QFile::encodeName(runtime.path()).size() > 108);

    Peer first(runtime, {});
    QCOMPARE(first.WaitForLine("first"), QByteArray("first"));
    Peer later(runtime, {QStringLiteral("long")});
    QCOMPARE(later.WaitForLine("", noWaitMs), QByteArray("later show=0"));
    QCOMPARE(later.Finish(), 0);
    QVERIFY(later.ElapsedMs() < noWaitMs);
    QCOMPARE(first.WaitForLine("received"), receivedLine({QStringLiteral("long")}));
}

void TestOneInstance::copyWithoutAChannelHoldsNoLock() {
    // A directory already in place of the socket the copy will want: the wrapper keeps its
    // process id when it becomes the copy, so the socket's name is known in advance.
    QTemporaryDir runtime;
    const QByteArray pattern = InstanceNames(runtime.path(), PeerName).NotifyPath(0);
    QVERIFY(pattern.endsWith("0.notify"));
    const QString notifyDirectory =
        QFile::decodeName(pattern.left(pattern.size() - int(strlen("0.notify")))) +
        QStringLiteral("$$.notify");
    Peer alone(runtime,
               {QStringLiteral("-c"),
                QStringLiteral("mkdir \"%1\" && exec \"%2\"").arg(notifyDirectory, PeerPath)},
               {}, QStringLiteral("sh"));
    QVERIFY(!alone.WaitForLine("", 5000).isEmpty());

    // Nobody can reach it, so nobody may wait for it either.
    Peer next(runtime, {});
    QCOMPARE(next.WaitForLine("", noWaitMs), QByteArray("first"));
    QVERIFY(next.ElapsedMs() < noWaitMs);
}

void TestOneInstance::killedFirstCopiesLeaveOneSetOfFiles() {
    QTemporaryDir runtime;
    qint64 killedId = 0;
    for (int i = 0; i < 10; ++i) {
        Peer first(runtime, {});
        QCOMPARE(first.WaitForLine("first"), QByteArray("first"));
        killedId = first.ProcessId();
        first.Kill();
    }
    // A temporary file as a copy killed while making its block leaves it, and one whose maker
    // is still at work.
    const QString block = QFile::decodeName(InstanceNames(runtime.path(), PeerName).BlockPath());
    const QString orphan = block + QStringLiteral(".new") + QString::number(killedId);
    const QString inTheMaking =
        block + QStringLiteral(".new") + QString::number(QCoreApplication::applicationPid());
    for (const QString& path : {orphan, inTheMaking}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    }

    Peer last(runtime, {});
    QCOMPARE(last.WaitForLine("first"), QByteArray("first"));
    QVERIFY(!QFile::exists(orphan));
    QVERIFY(QFile::exists(inTheMaking));
    const QStringList entries = entriesOf(runtime.path());
    // block, lock, liveness, creation lock, the one live copy's socket, the file in the making
    QVERIFY2(entries.size() == 6, qPrintable(entries.join(u' ')));
}

void TestOneInstance::blockWithoutLockMakesTheCopyFirstAtOnce() {
    // The moment between a first copy making its block and its lock, held still: the block
    // exists and its holder is alive, but there is no lock and no channel yet.
    QTemporaryDir runtime;
    const InstanceNames names(runtime.path(), PeerName);
    QFile block(QFile::decodeName(names.BlockPath()));
    QVERIFY(block.open(QIODevice::WriteOnly));
    QVERIFY(block.resize(HandOverBlock::Size));
    block.close();
    QVERIFY(block.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    const int liveness =
        ::open(names.LivenessPath().constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    QVERIFY(liveness >= 0);
    QCOMPARE(::flock(liveness, LOCK_SH), 0);

    Peer copy(runtime, {QStringLiteral("early")});
    QCOMPARE(copy.WaitForLine("", noWaitMs), QByteArray("first"));
    QVERIFY(copy.ElapsedMs() < noWaitMs);
    ::close(liveness);

    Peer later(runtime, {QStringLiteral("then")});
    QCOMPARE(later.Finish(), 0);
    QCOMPARE(copy.WaitForLine("received"), receivedLine({QStringLiteral("then")}));
}

QTEST_MAIN(TestOneInstance)
#include "tst_oneinstance.moc"
