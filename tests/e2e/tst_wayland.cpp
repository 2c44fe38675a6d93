#include "SwaySession.h"
#include "app/desktop/WaylandActivationToken.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A failing QTRY waits twice as long again before it reports: keep both within the time-out.
constexpr int startDeadlineMs = 10'000;
constexpr int stateDeadlineMs = 5'000;

// The menu entry's name, by which the compositor matches the window to its entry and icon.
const QString appId = QStringLiteral("example.vx.vexto");

QRect rect(const QJsonObject& view, const char* name) {
    const QJsonObject r = view.value(QLatin1String(name)).toObject();
    return {r.value(QStringLiteral("x")).toInt(), r.value(QStringLiteral("y")).toInt(),
            r.value(QStringLiteral("width")).toInt(), r.value(QStringLiteral("height")).toInt()};
}

QSize size(const QJsonObject& view, const char* name) {
    return rect(view, name).size();
}

qint64 id(const QJsonObject& view) {
    return view.value(QStringLiteral("id")).toInteger();
}

// Where the client area lies on the desktop: sway gives the frame, and the window within it.
QPoint clientOrigin(const QJsonObject& view) {
    return rect(view, "rect").topLeft() + rect(view, "window_rect").topLeft();
}

// The result cells as the window lays them out: 7 by 7 from (8, 16), 80 by 32 pixels apart as
// neighbours share a line, so 8 lines down and 8 across. At scale 2 a line is 2 screen pixels.
constexpr int screenScale = 2;
constexpr QSize screenSize(1024 * screenScale, 768 * screenScale);
constexpr int gridCells = 7;
constexpr QPoint gridOrigin(8, 16);
constexpr QPoint cellPitch(80, 32);

// The toolkit's own palette, desktop themes being left out: the window's grey, and the light and
// dark shades of it that the bevels are drawn in.
constexpr QRgb windowGrey = qRgb(239, 239, 239);
constexpr QRgb bevelLight = qRgb(255, 255, 255);
constexpr QRgb bevelDark = qRgb(159, 159, 159);

// The start cell in the middle, its row and column the axes, the rest the quadrants.
QRgb cellFill(int column, int row) {
    const bool axisColumn = column == 3;
    const bool axisRow = row == 3;
    if (axisColumn && axisRow)
        return qRgb(192, 220, 192);
    return axisColumn || axisRow ? qRgb(140, 218, 255) : qRgb(193, 235, 255);
}

QString describe(QPoint at, QRgb pixel, const QString& expected) {
    return QStringLiteral("screen pixel (%1, %2) is %3, not %4")
        .arg(at.x())
        .arg(at.y())
        .arg(QColor(pixel).name(), expected);
}

// One scan along a row (across) or a column (down) of cells, 2 screen pixels inside their lines,
// where no caption reaches: the window's grey, each line 2 pixels of one bevel shade with the
// cell's exact fill between, and the grey again. Empty when so, else the first difference.
QString scanFault(const QImage& screen, QPoint gridCorner, bool across, int index) {
    const QPoint step = across ? QPoint(1, 0) : QPoint(0, 1);
    const QPoint start = gridCorner + screenScale * (across ? QPoint(0, index * cellPitch.y() + 2)
                                                            : QPoint(index * cellPitch.x() + 2, 0));
    const int pitch = screenScale * (across ? cellPitch.x() : cellPitch.y());
    const int end = gridCells * pitch + screenScale; // just past the last line
    for (int i = -1; i <= end; ++i) {
        const QPoint at = start + step * i;
        const QRgb pixel = screen.pixel(at);
        const int cell = i / pitch;
        const int inCell = i % pitch;
        if (i < 0 || i == end) {
            if (pixel != windowGrey)
                return describe(at, pixel, QStringLiteral("the window's grey"));
        } else if (inCell < screenScale) {
            const QRgb lineStart = screen.pixel(start + step * (i - inCell));
            if ((pixel != bevelLight && pixel != bevelDark) || pixel != lineStart)
                return describe(at, pixel, QStringLiteral("the line's bevel shade"));
        } else {
            const QRgb fill = across ? cellFill(cell, index) : cellFill(index, cell);
            if (pixel != fill)
                return describe(at, pixel, QColor(fill).name() + QStringLiteral(", the fill"));
        }
    }
    return {};
}

// A window drawn at scale 1 and doubled by the compositor is made of 2 by 2 blocks of one colour;
// the captions' edges drawn at scale 2 are not.
bool drawnAtScreenScale(const QImage& screen, const QRect& area) {
    for (int y = area.top(); y < area.bottom(); y += screenScale)
        for (int x = area.left(); x < area.right(); x += screenScale) {
            const QRgb pixel = screen.pixel(x, y);
            if (screen.pixel(x + 1, y) != pixel || screen.pixel(x, y + 1) != pixel ||
                screen.pixel(x + 1, y + 1) != pixel)
                return true;
        }
    return false;
}

// What differs from the cells' lines and fills on the screen at scale 2; empty when nothing does.
QString cellGridFault(const QImage& screen, QPoint clientOrigin) {
    if (screen.size() != screenSize)
        return QStringLiteral("the screen is %1 by %2").arg(screen.width()).arg(screen.height());
    const QPoint gridCorner = screenScale * (clientOrigin + gridOrigin);
    const QSize gridSize(gridCells * cellPitch.x() + 1, gridCells * cellPitch.y() + 1);
    if (!drawnAtScreenScale(screen, QRect(gridCorner, screenScale * gridSize)))
        return QStringLiteral("the window was drawn at scale 1 and doubled");
    for (const bool across : {true, false})
        for (int index = 0; index < gridCells; ++index)
            if (const QString fault = scanFault(screen, gridCorner, across, index);
                !fault.isEmpty())
                return QLatin1String(across ? "row " : "column ") + QString::number(index) +
                       QStringLiteral(": ") + fault;
    return {};
}

} // namespace

// The real program as a native client of a headless sway: what a Wayland desktop shows of it,
// the hand-over to a running copy, the error box, and the cells on a scaled output.
class TestWayland : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void windowHasItsIdTitleAndFixedSize();
    void typingUpdatesTheCells();
    void laterCopyEndsWithoutAWindow();
    void laterCopyBringsTheFirstForward_data();
    void laterCopyBringsTheFirstForward();
    void errorBoxStaysAboveAndTakesTheKeys();
    void startupFailureEndsWithExitCodeOne();
    void cellLinesAreTwoScreenPixelsAtScaleTwo();

private:
    void startProgram(QProcess& copy, const QString& program = QStringLiteral(VEXTO_BINARY));
    QJsonObject mainWindow() const;

    std::unique_ptr<SwaySession> m_sway;
    QProcess m_first;
};

void TestWayland::initTestCase() {
    if (!SwaySession::IsInstalled())
        QSKIP("sway is not installed (scripts/install-deps.sh installs it)");
    m_sway = std::make_unique<SwaySession>();
    QVERIFY2(m_sway->start(), qPrintable(m_sway->errorString()));
}

void TestWayland::cleanupTestCase() {
    m_sway.reset();
}

void TestWayland::init() {
    startProgram(m_first);
    QTRY_VERIFY_WITH_TIMEOUT(!mainWindow().isEmpty(), startDeadlineMs);
    QTRY_COMPARE_WITH_TIMEOUT(id(m_sway->focusedWindow()), id(mainWindow()), stateDeadlineMs);
}

void TestWayland::cleanup() {
    m_first.kill();
    m_first.waitForFinished(5000);
    QTRY_VERIFY_WITH_TIMEOUT(m_sway->windows(appId).isEmpty(), stateDeadlineMs);
}

void TestWayland::startProgram(QProcess& copy, const QString& program) {
    copy.setProcessEnvironment(m_sway->environment());
    copy.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    copy.start(program, {});
}

// The first copy's window: another program of the same app id may stand beside it.
QJsonObject TestWayland::mainWindow() const {
    for (const QJsonValue view : m_sway->windows(appId))
        if (view.toObject().value(QStringLiteral("pid")).toInteger() == m_first.processId() &&
            size(view.toObject(), "geometry").width() == 578)
            return view.toObject();
    return {};
}

void TestWayland::windowHasItsIdTitleAndFixedSize() {
    const QJsonObject window = mainWindow();
    QCOMPARE(window.value(QStringLiteral("name")).toString(), QStringLiteral("Vexto"));
    QCOMPARE(size(window, "geometry"), QSize(578, 457));
    // sway makes the frame as large as asked; the window inside keeps its size.
    QVERIFY(m_sway->command(QStringLiteral("[con_id=%1] resize set 700 600").arg(id(window))));
    QTRY_COMPARE_WITH_TIMEOUT(size(m_sway->windows(appId).first().toObject(), "rect").width(),
                              700, stateDeadlineMs);
    QCOMPARE(size(m_sway->windows(appId).first().toObject(), "geometry"), QSize(578, 457));
}

void TestWayland::typingUpdatesTheCells() {
    // The X field has the focus, its text selected on entry; so has Y after Tab.
    QVERIFY(m_sway->type(QStringLiteral("7")));
    QVERIFY(m_sway->key(QStringLiteral("Tab")));
    QVERIFY(m_sway->type(QStringLiteral("3")));
    // The copy may come before the typing reaches the cells, so it is made again while the
    // clipboard holds nothing or a stale grid; but not at every look, as a copy made while the
    // clipboard is being read cancels the reading, and a slow build would never be read.
    const QStringList ctrlShift = {QStringLiteral("ctrl"), QStringLiteral("shift")};
    QElapsedTimer sinceCopy;
    const auto copiedTypedGrid = [&] {
        if (m_sway->clipboard().contains(QStringLiteral("\nPStart\t7.00\t3.00\n")))
            return true;
        if (!sinceCopy.isValid() || sinceCopy.elapsed() > 1000) {
            m_sway->key(QStringLiteral("c"), ctrlShift);
            sinceCopy.start();
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(copiedTypedGrid(), stateDeadlineMs);
    // Three lengths right of X and three widths below Y.
    QVERIFY(m_sway->clipboard().contains(QStringLiteral("\nRD9\t31.00\t-9.00\n")));
}

void TestWayland::laterCopyEndsWithoutAWindow() {
    QProcess later;
    QElapsedTimer elapsed;
    elapsed.start();
    startProgram(later);
    QVERIFY(later.waitForFinished(5000));
    qInfo("the later copy ended after %lld ms", elapsed.elapsed());
    QCOMPARE(later.exitStatus(), QProcess::NormalExit);
    QCOMPARE(later.exitCode(), 0);
    QCOMPARE(m_sway->windows(appId).size(), 1);
    QCOMPARE(m_first.state(), QProcess::Running);
}

void TestWayland::laterCopyBringsTheFirstForward_data() {
    QTest::addColumn<QString>("policy");
    QTest::addColumn<QString>("launcherVariable");

    QTest::newRow("urgent, launcher token") << "urgent" << "XDG_ACTIVATION_TOKEN";
    QTest::newRow("urgent, launcher startup id") << "urgent" << "DESKTOP_STARTUP_ID";
    QTest::newRow("urgent, no token") << "urgent" << "";
    QTest::newRow("focus, launcher token") << "focus" << "XDG_ACTIVATION_TOKEN";
    QTest::newRow("focus, no token") << "focus" << "";
}

void TestWayland::laterCopyBringsTheFirstForward() {
    QFETCH(QString, policy);
    QFETCH(QString, launcherVariable);
    QVERIFY(m_sway->command(QStringLiteral("focus_on_window_activation ") + policy));

    // Another program takes the focus: the same binary under another name is not a later copy.
    QTemporaryDir folder;
    const QString other = folder.filePath(QStringLiteral("other"));
    QVERIFY(QFile::copy(QStringLiteral(VEXTO_BINARY), other));
    QProcess otherProgram;
    startProgram(otherProgram, other);
    const auto otherEnded = qScopeGuard([&otherProgram] {
        otherProgram.kill();
        otherProgram.waitForFinished(5000);
    });
    QTRY_COMPARE_WITH_TIMEOUT(m_sway->focusedWindow().value(QStringLiteral("pid")).toInteger(),
                              otherProgram.processId(), startDeadlineMs);
    QVERIFY(!mainWindow().value(QStringLiteral("urgent")).toBool());

    QProcess later;
    QProcessEnvironment environment = m_sway->environment();
    if (!launcherVariable.isEmpty()) {
        // What a launcher does: ask the compositor for a token and start the program with it.
        const QByteArray token = vexto::WaylandActivationToken::Request(
            appId.toUtf8(), std::chrono::seconds(5),
            environment.value(QStringLiteral("WAYLAND_DISPLAY")).toUtf8());
        QVERIFY(!token.isEmpty());
        environment.insert(launcherVariable, QString::fromLatin1(token));
    }
    // The client library writes out every request the copy makes.
    environment.insert(QStringLiteral("WAYLAND_DEBUG"), QStringLiteral("client"));
    later.setProcessEnvironment(environment);
    later.start(QStringLiteral(VEXTO_BINARY), {});
    QVERIFY(later.waitForFinished(5000));
    QCOMPARE(later.exitCode(), 0);
    if (launcherVariable.isEmpty()) {
        // Its own token names the program, as the compositor's rules for it may require.
        const QRegularExpression appIdRequest(
            QStringLiteral(R"(xdg_activation_token_v1@\d+\.set_app_id\("%1"\))")
                .arg(QRegularExpression::escape(appId)));
        QVERIFY(QString::fromLocal8Bit(later.readAllStandardError()).contains(appIdRequest));
    }

    if (policy == QLatin1String("focus"))
        QTRY_COMPARE_WITH_TIMEOUT(id(m_sway->focusedWindow()), id(mainWindow()), stateDeadlineMs);
    else
        QTRY_VERIFY_WITH_TIMEOUT(mainWindow().value(QStringLiteral("urgent")).toBool(),
                                 stateDeadlineMs);
}

void TestWayland::errorBoxStaysAboveAndTakesTheKeys() {
    // Y left with a text that reads as no number: the error box opens over the window.
    for (const char* key : {"Tab", "5", "Home", "plus", "Delete", "Tab"})
        QVERIFY(m_sway->key(QLatin1String(key)));
    QTRY_COMPARE_WITH_TIMEOUT(m_sway->windows(appId).size(), 2, stateDeadlineMs);
    // The box on top with the focus; sway may give a box shown anew another id.
    const auto boxOnTopWithFocus = [this] {
        const QJsonArray windows = m_sway->windows(appId);
        const qint64 focused = id(m_sway->focusedWindow());
        return windows.size() == 2 && focused != id(mainWindow()) &&
               focused == id(windows.last().toObject());
    };
    QTRY_VERIFY_WITH_TIMEOUT(boxOnTopWithFocus(), stateDeadlineMs);

    // What a click on the main window makes the compositor do.
    QVERIFY(m_sway->command(QStringLiteral("[con_id=%1] focus").arg(id(mainWindow()))));
    QTRY_VERIFY_WITH_TIMEOUT(boxOnTopWithFocus(), stateDeadlineMs);

    QVERIFY(m_sway->key(QStringLiteral("Return")));
    QTRY_COMPARE_WITH_TIMEOUT(m_sway->windows(appId).size(), 1, stateDeadlineMs);
}

void TestWayland::startupFailureEndsWithExitCodeOne() {
    // A session of its own through a second name for sway's socket, in whose runtime folder
    // something else already holds the name of the single-instance lock.
    QTemporaryDir runtime;
    const QString socket = m_sway->environment().value(QStringLiteral("WAYLAND_DISPLAY"));
    QVERIFY(QFile::link(socket, runtime.filePath(QStringLiteral("wayland-failing"))));
    QVERIFY(
        QDir(runtime.path()).mkdir(QStringLiteral("vexto-instance-vextoSem@wayland-failing.lock")));
    QProcessEnvironment environment = m_sway->environment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-failing"));
    QProcess failing;
    failing.setProcessEnvironment(environment);
    failing.start(QStringLiteral(VEXTO_BINARY), {});

    const auto reportHasTheFocus = [this] {
        return m_sway->focusedWindow().value(QStringLiteral("name")).toString() ==
               u"Application Error";
    };
    QTRY_VERIFY_WITH_TIMEOUT(reportHasTheFocus(), startDeadlineMs);
    QVERIFY(m_sway->key(QStringLiteral("Return")));
    QVERIFY(failing.waitForFinished(stateDeadlineMs));
    QCOMPARE(failing.exitStatus(), QProcess::NormalExit);
    QCOMPARE(failing.exitCode(), 1);
}

void TestWayland::cellLinesAreTwoScreenPixelsAtScaleTwo() {
    // The toolkit takes its output's scale when it makes the window and keeps it after a change,
    // so the program starts again on the scaled output.
    m_first.kill();
    m_first.waitForFinished(5000);
    QTRY_VERIFY_WITH_TIMEOUT(m_sway->windows(appId).isEmpty(), stateDeadlineMs);
    QVERIFY(m_sway->setOutputScale(screenScale));
    const auto unscaled = qScopeGuard([this] { m_sway->setOutputScale(1); });
    startProgram(m_first);
    QTRY_VERIFY_WITH_TIMEOUT(!mainWindow().isEmpty(), startDeadlineMs);

    // Each look is a screenshot: one, and more only while the first frame is still to come or
    // sway is still laying the new window out, so its place is read again each time.
    const QDeadlineTimer deadline(stateDeadlineMs);
    QString fault;
    do
        fault = cellGridFault(m_sway->grabScreen(), clientOrigin(mainWindow()));
    while (!fault.isEmpty() && !deadline.hasExpired());
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

QTEST_GUILESS_MAIN(TestWayland)
#include "tst_wayland.moc"
