#include "app/guard/posix/OwnerOnlyFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace vexto;

class TestOwnerOnlyFile : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void opensOnlyThisUsersPrivateRegularFiles_data();
    void opensOnlyThisUsersPrivateRegularFiles();
    void makeReportsEveryFailureAndLeavesNoTemporaryFile_data();
    void makeReportsEveryFailureAndLeavesNoTemporaryFile();

private:
    QString path() const { return m_dir->filePath(u"object"_qs); }
    QByteArray encodedPath() const { return QFile::encodeName(path()); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestOwnerOnlyFile::opensOnlyThisUsersPrivateRegularFiles_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("opens");
    QTest::newRow("private file") << "0600" << true;
    QTest::newRow("group may read") << "0640" << false;
    QTest::newRow("others may write") << "0602" << false;
    QTest::newRow("link to a private file") << "link" << false;
    QTest::newRow("directory") << "directory" << false;
    QTest::newRow("missing") << "missing" << false;
}

void TestOwnerOnlyFile::opensOnlyThisUsersPrivateRegularFiles() {
    QFETCH(QString, kind);
    QFETCH(bool, opens);
    const QString target = m_dir->filePath(u"target"_qs);
    QFile file(kind == u"link" ? target : path());
    if (kind == u"directory") {
        QVERIFY(QDir().mkdir(path()));
    } else if (kind != u"missing") {
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const bool isLink = kind == u"link";
        QVERIFY(::chmod(QFile::encodeName(file.fileName()).constData(),
                        isLink ? 0600 : kind.toUInt(nullptr, 8)) == 0);
        if (isLink)
            QVERIFY(QFile::link(target, path()));
    }
    QCOMPARE(OwnerOnlyFile::Open(encodedPath(), OwnerOnlyFile::Creation::OpenExisting).IsOpen(),
             opens);
}

void TestOwnerOnlyFile::makeReportsEveryFailureAndLeavesNoTemporaryFile_data() {
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("a directory in the way of the name") << "name";
    QTest::newRow("a directory in the way of the temporary name") << "temporary";
    QTest::newRow("filling fails") << "fill";
}

void TestOwnerOnlyFile::makeReportsEveryFailureAndLeavesNoTemporaryFile() {
    QFETCH(QString, obstacle);
    const QString temporary =
        QFile::decodeName(OwnerOnlyFile::TemporaryPath(encodedPath(), ::getpid()));
    if (obstacle != u"fill")
        QVERIFY(QDir().mkdir(obstacle == u"name" ? path() : temporary));
    const bool made = OwnerOnlyFile::Make(encodedPath(), 16, OwnerOnlyFile::Existing::Replace,
                                          [&obstacle](int) { return obstacle != u"fill"; });
    QVERIFY(!made);
    QCOMPARE(QFileInfo(temporary).isFile(), false);
    QCOMPARE(QFileInfo(path()).isFile(), false);
}

QTEST_GUILESS_MAIN(TestOwnerOnlyFile)
#include "tst_owneronlyfile.moc"
