#include "app/guard/posix/LockFile.h"

#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace vexto;
using namespace std::chrono_literals;

namespace {

// Another holder of the file lock: a separate open file, so the lock conflicts within one process.
class FileLockHolder {
public:
    explicit FileLockHolder(const QByteArray& path) : m_fd(::open(path.constData(), O_RDWR)) {
        QVERIFY(m_fd >= 0 && ::flock(m_fd, LOCK_EX) == 0);
    }
    ~FileLockHolder() { ::close(m_fd); }
    FileLockHolder(const FileLockHolder&) = delete;
    FileLockHolder& operator=(const FileLockHolder&) = delete;

private:
    int m_fd;
};

void writeCount(const QByteArray& path, char count) {
    const int fd = ::open(path.constData(), O_WRONLY);
    QVERIFY(fd >= 0);
    QCOMPARE(::pwrite(fd, &count, 1, 0), 1);
    ::close(fd);
}

} // namespace

class TestLockFile : public QObject {
    Q_OBJECT

private slots:
    void countsUpToOne();
    void anyCountButTakenIsFree();
    void aHeldFileLockIsWaitedOutNeverIgnored();

private:
    QByteArray path() const { return QFile::encodeName(m_dir.filePath(u"lock"_qs)); }

    QTemporaryDir m_dir;
};

// Each copy opens the lock for itself; what one does, the other sees.
void TestLockFile::countsUpToOne() {
    QVERIFY(LockFile::CreateTaken(path()));
    const auto first = LockFile::Open(path());
    const auto second = LockFile::Open(path());
    QVERIFY(first && second);
    QVERIFY(!first->Wait(0ms));
    QVERIFY(first->Release());
    QVERIFY(!second->Release());
    QVERIFY(second->Wait(0ms));
    QVERIFY(!first->Wait(20ms));
}

void TestLockFile::anyCountButTakenIsFree() {
    QVERIFY(LockFile::CreateTaken(path()));
    const auto lock = LockFile::Open(path());
    writeCount(path(), 7);
    QVERIFY(!lock->Release());
    QVERIFY(lock->Wait(0ms));

    // A lock file deleted meanwhile is made anew by a release, free.
    QVERIFY(QFile::remove(m_dir.filePath(u"lock"_qs)));
    QVERIFY(lock->Release());
    QVERIFY(lock->Wait(0ms));
}

// A process that keeps the file lock, stopped or hostile, makes waiters give up after their
// bound; nobody changes the count behind its back.
void TestLockFile::aHeldFileLockIsWaitedOutNeverIgnored() {
    QVERIFY(LockFile::CreateFree(path()));
    const auto lock = LockFile::Open(path());
    {
        const FileLockHolder holder(path());
        QVERIFY(!lock->Wait(0ms));
    }
    QVERIFY(lock->Wait(0ms));
}

QTEST_GUILESS_MAIN(TestLockFile)
#include "tst_lockfile.moc"
