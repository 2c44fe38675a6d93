#include "XvfbSession.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr int startDeadlineMs = 20'000;
constexpr int stateDeadlineMs = 5'000;
constexpr int toolDeadlineMs = 10'000;

// Client coordinates from the window's layout.
constexpr QPoint xField(160 + 64 + 20, 360 + 12 + 10);
constexpr QPoint gridOrigin(8, 16);
constexpr QPoint cellPitch(80, 32);
constexpr QPoint cellMiddle(40, 16);

// X -1234.5 with S 1, L 8 and W 4: x is -1234.5 + 8 * column, y is 4 * row (rows counted up).
const QString typedX = QStringLiteral("-1234.5");

QString coordinate(double value) {
    return QString::number(value, 'f', 2);
}

QString expectedX(int column) {
    return coordinate(-1234.5 + 8 * column);
}

QString expectedY(int row) {
    return coordinate(4.0 * row);
}

// Names of the screen grid, top row first.
const char* const screenGrid[7][7] = {
    {"LU9", "LU8", "LU7", "U3", "RU7", "RU8", "RU9"},
    {"LU6", "LU5", "LU4", "U2", "RU4", "RU5", "RU6"},
    {"LU3", "LU2", "LU1", "U1", "RU1", "RU2", "RU3"},
    {"L3", "L2", "L1", "PStart", "R1", "R2", "R3"},
    {"LD3", "LD2", "LD1", "D1", "RD1", "RD2", "RD3"},
    {"LD6", "LD5", "LD4", "D2", "RD4", "RD5", "RD6"},
    {"LD9", "LD8", "LD7", "D3", "RD7", "RD8", "RD9"},
};

QString expectedTable() {
    QString table = QStringLiteral("Cell\tX\tY\n");
    for (int screenRow = 0; screenRow < 7; ++screenRow)
        for (int screenColumn = 0; screenColumn < 7; ++screenColumn)
            table += QLatin1StringView(screenGrid[screenRow][screenColumn]) + u'\t' +
                     expectedX(screenColumn - 3) + u'\t' + expectedY(3 - screenRow) + u'\n';
    return table;
}

} // namespace

// Copies positions out of the real program on a private X server and reads them back with xclip,
// as another program pasting them would.
class TestCopy : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void cellMenuCopiesTheShownCoordinates_data();
    void cellMenuCopiesTheShownCoordinates();
    void shortcutCopiesTheWholeTable();

private:
    QPoint windowOrigin() const;
    QPoint cellCentre(int column, int row) const;
    int visibleWindows() const;
    QString pasted(const QString& selection) const;
    void xdotool(const QStringList& arguments) const;

    std::unique_ptr<XvfbSession> m_x;
    QTemporaryDir m_runtimeDirectory;
    QProcess m_vexto;
    QString m_windowId;
};

void TestCopy::initTestCase() {
    m_x = std::make_unique<XvfbSession>();
    QVERIFY2(m_x->start(), qPrintable(m_x->errorString()));
    QVERIFY(m_runtimeDirectory.isValid());

    QProcessEnvironment environment = m_x->environment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDirectory.path());
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C")); // a full stop
    m_vexto.setProcessEnvironment(environment);
    m_vexto.setProcessChannelMode(QProcess::ForwardedChannels);
    m_vexto.start(QStringLiteral(VEXTO_BINARY), {});
    QVERIFY2(m_vexto.waitForStarted(startDeadlineMs), qPrintable(m_vexto.errorString()));

    const auto findWindow = [this] {
        return m_x
            ->xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                       QStringLiteral("--name"), QStringLiteral("^Vexto$")})
            .section(u'\n', 0, 0);
    };
    QTRY_VERIFY_WITH_TIMEOUT(!(m_windowId = findWindow()).isEmpty(), startDeadlineMs);

    const QPoint field = windowOrigin() + xField;
    xdotool({QStringLiteral("mousemove"), QString::number(field.x()), QString::number(field.y()),
             QStringLiteral("click"), QStringLiteral("1")});
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"),
             QStringLiteral("--"), typedX}); // the text starts with a minus sign
}

void TestCopy::cleanupTestCase() {
    if (m_vexto.state() != QProcess::NotRunning) {
        m_vexto.kill();
        m_vexto.waitForFinished(stateDeadlineMs);
    }
    m_x.reset();
}

void TestCopy::xdotool(const QStringList& arguments) const {
    m_x->xdotool(arguments);
}

QPoint TestCopy::windowOrigin() const {
    const QString geometry =
        m_x->xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), m_windowId});
    const QRegularExpression x(QStringLiteral("^X=(\\d+)$"), QRegularExpression::MultilineOption);
    const QRegularExpression y(QStringLiteral("^Y=(\\d+)$"), QRegularExpression::MultilineOption);
    return {x.match(geometry).captured(1).toInt(), y.match(geometry).captured(1).toInt()};
}

QPoint TestCopy::cellCentre(int column, int row) const {
    const QPoint offset((column + 3) * cellPitch.x(), (3 - row) * cellPitch.y());
    return windowOrigin() + gridOrigin + offset + cellMiddle;
}

// The main window, plus one while a menu is open.
int TestCopy::visibleWindows() const {
    const QString found = m_x->xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--classname"), QStringLiteral("vexto")});
    return found.isEmpty() ? 0 : int(found.count(u'\n')) + 1;
}

QString TestCopy::pasted(const QString& selection) const {
    QProcess xclip;
    xclip.setProcessEnvironment(m_x->environment());
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), selection});
    if (!xclip.waitForFinished(toolDeadlineMs) || xclip.exitCode() != 0)
        return {};
    return QString::fromUtf8(xclip.readAllStandardOutput());
}

void TestCopy::cellMenuCopiesTheShownCoordinates_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("byMenuKey");
    QTest::addColumn<int>("item"); // 1 Copy X, 2 Copy Y, 3 Copy X and Y
    QTest::addColumn<QString>("copied");

    QTest::newRow("Copy X of LU1") << -1 << 1 << false << 1 << expectedX(-1);
    QTest::newRow("Copy Y of RD9") << 3 << -3 << false << 2 << expectedY(-3);
    QTest::newRow("Copy X and Y of R3")
        << 3 << 0 << false << 3 << expectedX(3) + u'\t' + expectedY(0);
    QTest::newRow("menu key, Copy X of LD7") << -1 << -3 << true << 1 << expectedX(-1);
}

void TestCopy::cellMenuCopiesTheShownCoordinates() {
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(bool, byMenuKey);
    QFETCH(int, item);
    QFETCH(QString, copied);

    // Rows follow each other with different texts, so a stale clipboard cannot pass.
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(), 1, stateDeadlineMs);
    const QPoint cell = cellCentre(column, row);
    xdotool({QStringLiteral("mousemove"), QString::number(cell.x()), QString::number(cell.y())});
    if (byMenuKey)
        xdotool({QStringLiteral("key"), QStringLiteral("Menu")});
    else
        xdotool({QStringLiteral("click"), QStringLiteral("3")});
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(), 2, stateDeadlineMs);

    QStringList keys = {QStringLiteral("key")};
    for (int step = 0; step < item; ++step)
        keys << QStringLiteral("Down");
    keys << QStringLiteral("Return");
    xdotool(keys);
    QTRY_COMPARE_WITH_TIMEOUT(pasted(QStringLiteral("clipboard")), copied, stateDeadlineMs);
}

void TestCopy::shortcutCopiesTheWholeTable() {
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(), 1, stateDeadlineMs);
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+shift+c")});
    const QString table = expectedTable();
    QTRY_COMPARE_WITH_TIMEOUT(pasted(QStringLiteral("clipboard")), table, stateDeadlineMs);
    QCOMPARE(pasted(QStringLiteral("primary")), table);
    QCOMPARE(table.count(u'\n'), 50);
}

QTEST_GUILESS_MAIN(TestCopy)
#include "tst_copy.moc"
