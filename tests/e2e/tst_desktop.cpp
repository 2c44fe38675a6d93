#include "RootWindowWatch.h"
#include "TextContrast.h"
#include "XvfbSession.h"
#include "widgets/Color.h"
#include "widgets/VxPanel.h"
#include "widgets/WindowFont.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

// A failing QTRY waits twice as long again before it reports: keep both within the time-out.
constexpr int startDeadlineMs = 10'000;
constexpr int stateDeadlineMs = 5'000;

const QSize clientSize(578, 457);
const QSize screenSize(1024, 768);

// Client coordinates from the window's layout: the group box holds the fields.
constexpr QPoint groupBox(160, 360);
const QRect xField(groupBox + QPoint(64, 12), QSize(57, 21));
const QRect yField(groupBox + QPoint(64, 36), QSize(57, 21));
const QRect wField(groupBox + QPoint(176, 52), QSize(57, 21));
constexpr QPoint endProgramButton(488 + 40, 424 + 12);
constexpr QPoint quadrantCellLU9(8, 16); // top-left cell
constexpr QPoint axisCellR1(328, 112);
constexpr QPoint startCell(248, 112);
constexpr QPoint cellFillPoint(4, 4); // inside the bevel, clear of the text

const QColor quadrantBlue(193, 235, 255);
const QColor axisBlue(140, 218, 255);

QString arg(int value) {
    return QString::number(value);
}

bool isInk(QRgb pixel) {
    return qGray(pixel) < 110;
}

// The columns of a field's inside that hold text (or the caret), relative to the inside's left
// edge; {-1, -1} when there is none. Edit text sits at the left, display text at the right.
std::pair<int, int> inkColumns(const QImage& field) {
    const QRect inside = field.rect().adjusted(3, 3, -3, -3);
    int first = -1, last = -1;
    for (int x = inside.left(); x <= inside.right(); ++x)
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            if (isInk(field.pixel(x, y))) {
                if (first < 0)
                    first = x - inside.left();
                last = x - inside.left();
                break;
            }
    return {first, last};
}

// A caret: one column inked over most of the field's inside height, taller than any digit.
bool showsCaret(const QImage& field) {
    const QRect inside = field.rect().adjusted(3, 2, -3, -2);
    for (int x = inside.left(); x <= inside.right(); ++x) {
        int run = 0, longest = 0;
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            run = isInk(field.pixel(x, y)) ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        if (longest >= 11)
            return true;
    }
    return false;
}

// A cell as the program draws it for a text, drawn here off screen: the inside of its bevel.
QImage expectedCell(const char* text, vexto::TColor colour) {
    QFont font = vexto::WindowFont();
    font.setBold(true);
    vexto::TVxPanel cell;
    cell.resize(81, 33);
    cell.setFont(font);
    cell.SetBevelOuter(vexto::TBevelCut::bvLowered);
    cell.SetMultiLine(true);
    cell.SetColor(colour);
    cell.SetCaption(QString::fromLatin1(text));
    return cell.grab().toImage().convertToFormat(QImage::Format_RGB32).copy(1, 1, 79, 31);
}

QImage expectedStartCell(const char* text) {
    return expectedCell(text, vexto::clMoneyGreen);
}

// Polls until the condition holds once. Unlike QTRY, which looks again after success, this
// suits a blinking caret.
template <typename Condition> bool seenWithin(int deadlineMs, Condition condition) {
    const QDeadlineTimer deadline(deadlineMs);
    while (!condition())
        if (deadline.hasExpired())
            return false;
    return true;
}

} // namespace

// Drives the real program on a private X server under a window manager (metacity, which
// prevents focus stealing), as a user would.
class TestDesktop : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void windowMapsWithTitleAndClientSize();
    void windowIconIsTheDesignInEachSize();
    void titleBarOffersNoCloseMinimiseOrMaximise();
    void sizeIsFixed();
    void frameIsCentredOnTheScreen();
    void xHasTheFocusThroughARealFocusIn();
    void typingIntoXChangesTheCellsOnScreen();
    void resultsReadUnderTheGtkDarkTheme();
    void hoveringAQuadrantCellTurnsItHotUntilThePointerLeaves();
    void unreadableTextKeepsTheFocus_data();
    void unreadableTextKeepsTheFocus();
    void enterInANumericFieldChangesNothing();
    void restoreAfterAHandOverKeepsTheFocus();
    void laterCopyFromALauncherActivatesTheWindow();
    void copyFromALauncherEndsItsOwnStartup();
    void endProgramExitsWithCodeZero_data();
    void endProgramExitsWithCodeZero();

private:
    void startCopy(QProcess& copy, const QString& runtimeDirectory,
                   const QStringList& arguments = {}, const QProcessEnvironment& extra = {}) const;
    QStringList visibleVextoWindows() const;
    QString topWindow() const;
    QString freshStartupId(const QString& name) const;
    QString activeWindow() const;
    QString windowProperty(const QString& window, const QString& property) const;
    QPoint clientOrigin(const QString& window) const;
    QMargins frameExtents(const QString& window) const;
    QImage client(const QString& window) const;
    QImage client() const { return client(m_windowId); }
    QImage shownCell(QPoint cellTopLeft) const;
    bool startCellShows(const QImage& expected) const { return shownCell(startCell) == expected; }
    void clickAt(const QString& window, QPoint clientPoint) const;
    void key(const QString& keys) const;
    void type(const QString& text) const;

    std::unique_ptr<XvfbSession> m_x;
    QTemporaryDir m_runtimeDirectory;
    QProcess m_vexto;
    QString m_windowId;
    std::unique_ptr<RootWindowWatch> m_root;
};

void TestDesktop::initTestCase() {
    m_x = std::make_unique<XvfbSession>(XvfbSession::WindowManager::Metacity);
    QVERIFY2(m_x->start(), qPrintable(m_x->errorString()));
    QVERIFY(m_runtimeDirectory.isValid());
    startCopy(m_vexto, m_runtimeDirectory.path());
    QTRY_COMPARE_WITH_TIMEOUT(visibleVextoWindows().size(), 1, startDeadlineMs);
    m_windowId = visibleVextoWindows().front();
    QTRY_COMPARE_WITH_TIMEOUT(activeWindow(), m_windowId, stateDeadlineMs);
    m_root = std::make_unique<RootWindowWatch>(m_x->environment().value(QStringLiteral("DISPLAY")));
    QVERIFY(m_root->isConnected());
}

void TestDesktop::cleanupTestCase() {
    if (m_vexto.state() != QProcess::NotRunning) {
        m_vexto.kill();
        m_vexto.waitForFinished(stateDeadlineMs);
    }
    m_root.reset();
    m_x.reset();
}

void TestDesktop::startCopy(QProcess& copy, const QString& runtimeDirectory,
                            const QStringList& arguments, const QProcessEnvironment& extra) const {
    QProcessEnvironment environment = m_x->environment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDirectory);
    environment.insert(extra);
    copy.setProcessEnvironment(environment);
    copy.setProcessChannelMode(QProcess::ForwardedChannels);
    copy.start(QStringLiteral(VEXTO_BINARY), arguments);
}

QStringList TestDesktop::visibleVextoWindows() const {
    return m_x
        ->xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                   QStringLiteral("--name"), QStringLiteral("^Vexto$")})
        .split(u'\n', Qt::SkipEmptyParts);
}

// The topmost managed window, as a decimal id like xdotool's.
QString TestDesktop::topWindow() const {
    const QString stacking =
        m_x->xprop({QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    const QString last = stacking.section(u' ', -1);
    bool ok = false;
    const qulonglong value = last.toULongLong(&ok, 16);
    return ok ? QString::number(value) : QString();
}

// A launcher's startup id: unique, and stamped with the time of the user's action, now.
QString TestDesktop::freshStartupId(const QString& name) const {
    return QStringLiteral("%1-%2_TIME%3")
        .arg(name)
        .arg(QCoreApplication::applicationPid())
        .arg(m_root->serverTime());
}

// The window the manager has made active, as a decimal id like xdotool's.
QString TestDesktop::activeWindow() const {
    const QString property =
        m_x->xprop({QStringLiteral("-root"), QStringLiteral("_NET_ACTIVE_WINDOW")});
    const QRegularExpression id(QStringLiteral("# (0x[0-9a-f]+)"));
    bool ok = false;
    const qulonglong value = id.match(property).captured(1).toULongLong(&ok, 16);
    return ok ? QString::number(value) : QString();
}

QString TestDesktop::windowProperty(const QString& window, const QString& property) const {
    return m_x->xprop({QStringLiteral("-id"), window, property});
}

// Where the manager put the client area, in screen coordinates.
QPoint TestDesktop::clientOrigin(const QString& window) const {
    const QString info = m_x->xwininfo({QStringLiteral("-id"), window});
    const QRegularExpression x(QStringLiteral("Absolute upper-left X:\\s+(-?\\d+)"));
    const QRegularExpression y(QStringLiteral("Absolute upper-left Y:\\s+(-?\\d+)"));
    return {x.match(info).captured(1).toInt(), y.match(info).captured(1).toInt()};
}

QMargins TestDesktop::frameExtents(const QString& window) const {
    const QRegularExpression numbers(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)"));
    const QRegularExpressionMatch match =
        numbers.match(windowProperty(window, QStringLiteral("_NET_FRAME_EXTENTS")));
    // The property lists left, right, top, bottom.
    return {match.captured(1).toInt(), match.captured(3).toInt(), match.captured(2).toInt(),
            match.captured(4).toInt()};
}

QImage TestDesktop::client(const QString& window) const {
    return m_x->grabScreen().copy(QRect(clientOrigin(window), clientSize));
}

QImage TestDesktop::shownCell(QPoint cellTopLeft) const {
    return client()
        .copy(QRect(cellTopLeft + QPoint(1, 1), QSize(79, 31)))
        .convertToFormat(QImage::Format_RGB32);
}

void TestDesktop::clickAt(const QString& window, QPoint clientPoint) const {
    const QPoint point = clientOrigin(window) + clientPoint;
    m_x->xdotool({QStringLiteral("mousemove"), arg(point.x()), arg(point.y()),
                  QStringLiteral("click"), QStringLiteral("1")});
}

// Keys go to whatever window has the focus, as the keyboard's would.
void TestDesktop::key(const QString& keys) const {
    m_x->xdotool({QStringLiteral("key"), keys});
}

void TestDesktop::type(const QString& text) const {
    m_x->xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
}

void TestDesktop::windowMapsWithTitleAndClientSize() {
    QCOMPARE(m_x->xdotool({QStringLiteral("getwindowname"), m_windowId}), QStringLiteral("Vexto"));
    const QString info = m_x->xwininfo({QStringLiteral("-id"), m_windowId});
    QVERIFY2(info.contains(QStringLiteral("Width: 578")), qPrintable(info));
    QVERIFY2(info.contains(QStringLiteral("Height: 457")), qPrintable(info));
    // The task bar and the window switcher show the program's icon.
    const QString icon = windowProperty(m_windowId, QStringLiteral("_NET_WM_ICON"));
    QVERIFY2(icon.contains(QStringLiteral("Icon (")), qPrintable(icon.left(80)));
}

// The icon's design, in its 24-unit grid: a blue outline round a green band over white cells
// ruled in light blue. Each point lies inside one area at every size.
void TestDesktop::windowIconIsTheDesignInEachSize() {
    const QString text = m_x->xprop({QStringLiteral("-id"), m_windowId, QStringLiteral("-notype"),
                                     QStringLiteral("-f"), QStringLiteral("_NET_WM_ICON"),
                                     QStringLiteral("32c"), QStringLiteral("_NET_WM_ICON")});
    QList<quint32> values;
    for (const QString& number : text.section(u'=', 1).split(u',', Qt::SkipEmptyParts))
        values.append(number.trimmed().toUInt());

    struct Sample {
        QPointF point;
        QRgb colour;
    };
    const Sample samples[] = {
        {{12, 5.5}, 0xff2e9e3e},  // the band, black-edged in an older design
        {{2.5, 3.5}, 0xff2e9e3e}, // the band's corner by the outline
        {{1.5, 12}, 0xff4a7f9f},  // the outline
        {{4.5, 10}, 0xffffffff},  // a cell
        {{12.5, 10}, 0xff8ccaff}, // a rule
        {{0.5, 0.5}, 0x00000000}, // clear round the outline
    };
    QList<int> sizes;
    for (qsizetype at = 0; at + 2 <= values.size();) {
        const int width = int(values[at]), height = int(values[at + 1]);
        QCOMPARE(height, width);
        QVERIFY(at + 2 + qsizetype(width) * height <= values.size());
        for (const Sample& sample : samples) {
            const QPoint pixel(int(sample.point.x() * width / 24),
                               int(sample.point.y() * width / 24));
            const QRgb colour = values[at + 2 + pixel.y() * width + pixel.x()];
            QVERIFY2(qAlpha(sample.colour) == 0 ? qAlpha(colour) == 0 : colour == sample.colour,
                     qPrintable(QStringLiteral("%1 px at (%2, %3): %4")
                                    .arg(width)
                                    .arg(pixel.x())
                                    .arg(pixel.y())
                                    .arg(colour, 8, 16, QLatin1Char('0'))));
        }
        sizes.append(width);
        at += 2 + qsizetype(width) * height;
    }
    std::sort(sizes.begin(), sizes.end());
    QCOMPARE(sizes, QList<int>({24, 48, 64, 128}));
}

void TestDesktop::titleBarOffersNoCloseMinimiseOrMaximise() {
    // The manager writes the whole list at once, when it has taken the window on.
    QString actions;
    QTRY_VERIFY2_WITH_TIMEOUT(
        (actions = windowProperty(m_windowId, QStringLiteral("_NET_WM_ALLOWED_ACTIONS")))
            .contains(QStringLiteral("_NET_WM_ACTION_MOVE")),
        qPrintable(actions), stateDeadlineMs);
    for (const char* action :
         {"_NET_WM_ACTION_CLOSE", "_NET_WM_ACTION_MINIMIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ",
          "_NET_WM_ACTION_MAXIMIZE_VERT", "_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_FULLSCREEN"})
        QVERIFY2(!actions.contains(QLatin1String(action)), qPrintable(actions));
}

void TestDesktop::sizeIsFixed() {
    const QString hints = windowProperty(m_windowId, QStringLiteral("WM_NORMAL_HINTS"));
    QVERIFY2(hints.contains(QStringLiteral("minimum size: 578 by 457")), qPrintable(hints));
    QVERIFY2(hints.contains(QStringLiteral("maximum size: 578 by 457")), qPrintable(hints));
}

void TestDesktop::frameIsCentredOnTheScreen() {
    // The window is placed again once the manager has told it the frame: wait for that.
    QString seen;
    const auto centred = [&] {
        const QMargins frame = frameExtents(m_windowId);
        const QRect outer = QRect(clientOrigin(m_windowId), clientSize).marginsAdded(frame);
        // Equal room on either side, give or take the odd pixel of an odd difference.
        const int left = outer.left(), right = screenSize.width() - 1 - outer.right();
        const int top = outer.top(), bottom = screenSize.height() - 1 - outer.bottom();
        seen = QStringLiteral("title bar %1, left %2, right %3, top %4, bottom %5")
                   .arg(frame.top())
                   .arg(left)
                   .arg(right)
                   .arg(top)
                   .arg(bottom);
        return frame.top() > 0 && std::abs(left - right) <= 1 && std::abs(top - bottom) <= 1;
    };
    QTRY_VERIFY2_WITH_TIMEOUT(centred(), qPrintable(seen), stateDeadlineMs);
}

void TestDesktop::xHasTheFocusThroughARealFocusIn() {
    QCOMPARE(activeWindow(), m_windowId);
    // No click: the key reaches X only if the window was activated and focused X.
    type(QStringLiteral("7"));
    QTRY_VERIFY_WITH_TIMEOUT(startCellShows(expectedStartCell("X = 7.00\rY = 0.00")),
                             stateDeadlineMs);
    key(QStringLiteral("BackSpace"));
    QTRY_VERIFY_WITH_TIMEOUT(startCellShows(expectedStartCell("X = 0.00\rY = 0.00")),
                             stateDeadlineMs);
}

void TestDesktop::typingIntoXChangesTheCellsOnScreen() {
    // A cell as the program draws it for a text, drawn here off screen: the inside of its bevel.
    const QImage start = expectedStartCell("X = 100.00\rY = 0.00");
    const QImage right = expectedCell("X = 108.00\rY = 0.00", vexto::TColor(16767628));
    const QImage corner = expectedCell("X = 76.00\rY = 12.00", vexto::TColor(16772033));
    QVERIFY(shownCell(startCell) != start);

    clickAt(m_windowId, xField.center());
    type(QStringLiteral("100"));
    QTRY_VERIFY_WITH_TIMEOUT(shownCell(startCell) == start, stateDeadlineMs);
    QTRY_VERIFY_WITH_TIMEOUT(shownCell(axisCellR1) == right, stateDeadlineMs);
    QTRY_VERIFY_WITH_TIMEOUT(shownCell(quadrantCellLU9) == corner, stateDeadlineMs);

    // The README's picture of the window, title bar and all, comes from here.
    if (const QString path = qEnvironmentVariable("VEXTO_SCREENSHOT"); !path.isEmpty()) {
        const QRect outer =
            QRect(clientOrigin(m_windowId), clientSize).marginsAdded(frameExtents(m_windowId));
        QVERIFY(m_x->grabScreen().copy(outer).save(path));
    }
}

// What was unreadable on a GNOME desktop in dark mode, through Qt's GTK theme.
void TestDesktop::resultsReadUnderTheGtkDarkTheme() {
    QTemporaryDir runtime; // a copy of its own beside the first, not a later copy
    QProcess dark;
    QProcessEnvironment theme;
    theme.insert(QStringLiteral("QT_QPA_PLATFORMTHEME"), QStringLiteral("gtk3"));
    theme.insert(QStringLiteral("GTK_THEME"), QStringLiteral("Adwaita:dark"));
    startCopy(dark, runtime.path(), {}, theme);
    const auto ended = qScopeGuard([&dark] {
        dark.kill();
        dark.waitForFinished(stateDeadlineMs);
    });
    QString window;
    const auto darkWindow = [&] {
        const QStringList windows = visibleVextoWindows();
        for (const QString& candidate : windows)
            if (candidate != m_windowId)
                window = candidate;
        return !window.isEmpty();
    };
    QTRY_VERIFY_WITH_TIMEOUT(darkWindow(), startDeadlineMs);

    struct Text {
        const char* name;
        QRect place;
    };
    const Text texts[] = {
        {"start cell", QRect(startCell, QSize(81, 33)).adjusted(2, 2, -2, -2)},
        {"axis cell", QRect(axisCellR1, QSize(81, 33)).adjusted(2, 2, -2, -2)},
        {"quadrant cell", QRect(quadrantCellLU9, QSize(81, 33)).adjusted(2, 2, -2, -2)},
        {"link", QRect(385, 295, 89, 13)}};
    const auto fault = [&]() -> QString {
        const QImage shown = client(window).convertToFormat(QImage::Format_RGB32);
        // Below the notice, clear of every control: the theme's window.
        if (const QColor ground = shown.pixelColor(2, clientSize.height() - 3);
            WcagContrast(ground, Qt::black) > 2)
            return QStringLiteral("the window is not dark: ") + ground.name();
        for (const Text& text : texts)
            if (const MeasuredText measured = MeasureText(shown, text.place);
                measured.contrast < 4.5)
                return QStringLiteral("%1: %2 on %3 is %4 : 1")
                    .arg(QLatin1StringView(text.name), measured.ink.name(), measured.ground.name(),
                         QString::number(measured.contrast, 'f', 2));
        return {};
    };
    QTRY_COMPARE_WITH_TIMEOUT(fault(), QString(), stateDeadlineMs);
}

void TestDesktop::hoveringAQuadrantCellTurnsItHotUntilThePointerLeaves() {
    const auto cellFill = [this](QPoint cell) { return client().pixelColor(cell + cellFillPoint); };
    QTRY_COMPARE_WITH_TIMEOUT(cellFill(quadrantCellLU9), quadrantBlue, stateDeadlineMs);
    QTRY_COMPARE_WITH_TIMEOUT(cellFill(axisCellR1), axisBlue, stateDeadlineMs);

    const QPoint inside = clientOrigin(m_windowId) + quadrantCellLU9 + QPoint(40, 16);
    m_x->xdotool({QStringLiteral("mousemove"), arg(inside.x()), arg(inside.y())});
    QTRY_COMPARE_WITH_TIMEOUT(cellFill(quadrantCellLU9), axisBlue, stateDeadlineMs);

    // Straight out of the window: only the cells' timer can notice.
    m_x->xdotool({QStringLiteral("mousemove"), QStringLiteral("1"), QStringLiteral("1")});
    QTRY_COMPARE_WITH_TIMEOUT(cellFill(quadrantCellLU9), quadrantBlue, stateDeadlineMs);
}

void TestDesktop::unreadableTextKeepsTheFocus_data() {
    QTest::addColumn<bool>("byClick");
    QTest::newRow("Tab") << false;
    QTest::newRow("click on Y") << true;
}

void TestDesktop::unreadableTextKeepsTheFocus() {
    QFETCH(bool, byClick);
    // A lone plus sign can't be typed, as it does not read; deleting the digit of "+5" leaves it.
    clickAt(m_windowId, xField.center());
    key(QStringLiteral("ctrl+a"));
    type(QStringLiteral("5"));
    key(QStringLiteral("Home"));
    type(QStringLiteral("+"));
    key(QStringLiteral("End"));
    const QImage readable = expectedStartCell("X = 5.00\rY = 0.00");
    QTRY_VERIFY_WITH_TIMEOUT(startCellShows(readable), stateDeadlineMs);
    key(QStringLiteral("BackSpace"));
    // "+" reads as X's lower bound, which the cells show.
    QTRY_VERIFY_WITH_TIMEOUT(startCellShows(expectedStartCell("X = -9999.00\rY = 0.00")),
                             stateDeadlineMs);

    if (byClick)
        clickAt(m_windowId, yField.center());
    else
        key(QStringLiteral("Tab"));
    // The error box, captioned like the window, takes the focus.
    QTRY_COMPARE_WITH_TIMEOUT(visibleVextoWindows().size(), 2, stateDeadlineMs);
    QTRY_VERIFY_WITH_TIMEOUT(!activeWindow().isEmpty() && activeWindow() != m_windowId,
                             stateDeadlineMs);
    key(QStringLiteral("Return"));
    QTRY_COMPARE_WITH_TIMEOUT(visibleVextoWindows().size(), 1, stateDeadlineMs);
    QTRY_COMPARE_WITH_TIMEOUT(activeWindow(), m_windowId, stateDeadlineMs);

    // Still in X: a digit makes "+5".
    type(QStringLiteral("5"));
    QTRY_VERIFY_WITH_TIMEOUT(startCellShows(readable), stateDeadlineMs);
    QCOMPARE(m_vexto.state(), QProcess::Running);
}

void TestDesktop::enterInANumericFieldChangesNothing() {
    clickAt(m_windowId, xField.center());
    key(QStringLiteral("ctrl+a"));
    type(QStringLiteral("2"));
    QTRY_VERIFY_WITH_TIMEOUT(startCellShows(expectedStartCell("X = 2.00\rY = 0.00")),
                             stateDeadlineMs);
    key(QStringLiteral("Return"));
    key(QStringLiteral("KP_Enter"));
    // A digit after the Enter keys proves they were handled: X reads "23", no line break, no
    // button pressed, no error.
    type(QStringLiteral("3"));
    QTRY_VERIFY_WITH_TIMEOUT(startCellShows(expectedStartCell("X = 23.00\rY = 0.00")),
                             stateDeadlineMs);
    QCOMPARE(visibleVextoWindows().size(), 1);
    QCOMPARE(m_vexto.state(), QProcess::Running);
}

void TestDesktop::restoreAfterAHandOverKeepsTheFocus() {
    // X empty (its value 0), then 3 typed into Y, which keeps the focus.
    clickAt(m_windowId, xField.center());
    key(QStringLiteral("ctrl+a"));
    key(QStringLiteral("BackSpace"));
    clickAt(m_windowId, yField.center());
    key(QStringLiteral("ctrl+a"));
    type(QStringLiteral("3"));
    QTRY_VERIFY_WITH_TIMEOUT(startCellShows(expectedStartCell("X = 0.00\rY = 3.00")),
                             stateDeadlineMs);
    QTRY_VERIFY_WITH_TIMEOUT(inkColumns(client().copy(yField)).first >= 0, stateDeadlineMs);
    const int typedEnd = inkColumns(client().copy(yField)).second;

    m_x->xdotool({QStringLiteral("windowminimize"), m_windowId});
    QTRY_VERIFY_WITH_TIMEOUT(
        windowProperty(m_windowId, QStringLiteral("WM_STATE")).contains(QStringLiteral("Iconic")),
        stateDeadlineMs);

    QProcess later;
    startCopy(later, m_runtimeDirectory.path());
    QVERIFY(later.waitForFinished(startDeadlineMs));
    QCOMPARE(later.exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(
        windowProperty(m_windowId, QStringLiteral("WM_STATE")).contains(QStringLiteral("Normal")),
        stateDeadlineMs);
    QTRY_COMPARE_WITH_TIMEOUT(activeWindow(), m_windowId, stateDeadlineMs);

    // Once the restored window is repainted, Y shows its edit text at the left, with the caret
    // (it blinks: wait for it), and X its display text "0.00" at the right, as wide as W's
    // "4.00" (the digits' own ink differs by a pixel or two).
    QString seen;
    const bool settled = seenWithin(stateDeadlineMs, [&] {
        const QImage restored = client();
        const auto xInk = inkColumns(restored.copy(xField));
        const auto wInk = inkColumns(restored.copy(wField));
        seen = QStringLiteral("Y ink from %1, X ink %2-%3, W ink %4-%5")
                   .arg(inkColumns(restored.copy(yField)).first)
                   .arg(xInk.first)
                   .arg(xInk.second)
                   .arg(wInk.first)
                   .arg(wInk.second);
        return showsCaret(restored.copy(yField)) && inkColumns(restored.copy(yField)).first < 6 &&
               wInk.first > 20 && std::abs(xInk.first - wInk.first) <= 2 &&
               std::abs(xInk.second - wInk.second) <= 2;
    });
    QVERIFY2(settled, qPrintable(seen));

    // The next key goes on after the 3: Y reads "34".
    type(QStringLiteral("4"));
    QTRY_VERIFY_WITH_TIMEOUT(startCellShows(expectedStartCell("X = 0.00\rY = 34.00")),
                             stateDeadlineMs);
    QTRY_VERIFY_WITH_TIMEOUT(inkColumns(client().copy(yField)).second > typedEnd + 3,
                             stateDeadlineMs);
}

void TestDesktop::laterCopyFromALauncherActivatesTheWindow() {
    // The user works in another program: a click there is the latest user action.
    QProcess other;
    const auto stopOther = qScopeGuard([&other] {
        other.kill();
        other.waitForFinished(stateDeadlineMs);
    });
    other.setProcessEnvironment(m_x->environment());
    other.start(QStringLiteral("xlogo"),
                {QStringLiteral("-geometry"), QStringLiteral("200x200+10+10")});
    QString otherWindow;
    QTRY_VERIFY_WITH_TIMEOUT(
        !(otherWindow = m_x->xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                      QStringLiteral("--class"), QStringLiteral("xlogo")})
                            .section(u'\n', 0, 0))
             .isEmpty(),
        startDeadlineMs);
    clickAt(otherWindow, QPoint(100, 100));
    QTRY_COMPARE_WITH_TIMEOUT(activeWindow(), otherWindow, stateDeadlineMs);
    QTRY_COMPARE_WITH_TIMEOUT(topWindow(), otherWindow, stateDeadlineMs);
    // and goes on working there: the program stamps its window with the time of each action,
    // as desktop programs do, so the manager knows of a user action later than any event Vexto
    // has seen.
    m_x->xprop({QStringLiteral("-id"), otherWindow, QStringLiteral("-f"),
                QStringLiteral("_NET_WM_USER_TIME"), QStringLiteral("32c"), QStringLiteral("-set"),
                QStringLiteral("_NET_WM_USER_TIME"), QString::number(m_root->serverTime())});

    // Then starts Vexto again from a launcher.
    const QString startupId = freshStartupId(QStringLiteral("later"));
    QProcessEnvironment launcher;
    launcher.insert(QStringLiteral("DESKTOP_STARTUP_ID"), startupId);
    QProcess later;
    startCopy(later, m_runtimeDirectory.path(), {}, launcher);
    QVERIFY(later.waitForFinished(startDeadlineMs));
    QCOMPARE(later.exitCode(), 0);

    QTRY_COMPARE_WITH_TIMEOUT(activeWindow(), m_windowId, stateDeadlineMs);
    QTRY_COMPARE_WITH_TIMEOUT(topWindow(), m_windowId, stateDeadlineMs);
    QTRY_VERIFY_WITH_TIMEOUT(
        m_root->startupMessages().contains(QStringLiteral("remove: ID=") + startupId),
        stateDeadlineMs);
}

void TestDesktop::copyFromALauncherEndsItsOwnStartup() {
    QTemporaryDir runtime;
    const QString startupId = freshStartupId(QStringLiteral("first"));
    QProcessEnvironment launcher;
    launcher.insert(QStringLiteral("DESKTOP_STARTUP_ID"), startupId);
    QProcess copy;
    const auto stopCopy = qScopeGuard([&copy] {
        copy.kill();
        copy.waitForFinished(stateDeadlineMs);
    });
    startCopy(copy, runtime.path(), {}, launcher);
    QTRY_VERIFY_WITH_TIMEOUT(
        m_root->startupMessages().contains(QStringLiteral("remove: ID=") + startupId),
        startDeadlineMs);
    QTRY_COMPARE_WITH_TIMEOUT(visibleVextoWindows().size(), 2, stateDeadlineMs);
}

void TestDesktop::endProgramExitsWithCodeZero_data() {
    QTest::addColumn<QString>("press");
    QTest::newRow("click") << QString();
    QTest::newRow("Enter") << QStringLiteral("Return");
    QTest::newRow("Space") << QStringLiteral("space");
}

void TestDesktop::endProgramExitsWithCodeZero() {
    QFETCH(QString, press);
    // A copy of its own, beside the one the other cases use.
    QTemporaryDir runtime;
    QProcess copy;
    const auto stopCopy = qScopeGuard([&copy] {
        if (copy.state() != QProcess::NotRunning) {
            copy.kill();
            copy.waitForFinished(stateDeadlineMs);
        }
    });
    // Wherever the manager put the focus when the copy before went, the user goes back to the
    // main window; then the new copy is started as a launcher does, so the manager gives it the
    // focus on the strength of that later launch.
    m_x->xdotool({QStringLiteral("windowactivate"), m_windowId});
    QTRY_VERIFY2_WITH_TIMEOUT(
        activeWindow() == m_windowId,
        qPrintable(QStringLiteral("active %1, main %2, visible %3, state %4")
                       .arg(activeWindow(), m_windowId, visibleVextoWindows().join(u' '),
                            windowProperty(m_windowId, QStringLiteral("WM_STATE")))),
        stateDeadlineMs);
    const QStringList before = visibleVextoWindows();
    QProcessEnvironment launcher;
    launcher.insert(QStringLiteral("DESKTOP_STARTUP_ID"), freshStartupId(QStringLiteral("end")));
    startCopy(copy, runtime.path(), {}, launcher);
    QString window;
    const auto newWindow = [&] {
        for (const QString& id : visibleVextoWindows())
            if (!before.contains(id))
                window = id;
        return !window.isEmpty();
    };
    QTRY_VERIFY_WITH_TIMEOUT(newWindow(), startDeadlineMs);
    QTRY_COMPARE_WITH_TIMEOUT(activeWindow(), window, stateDeadlineMs);

    if (press.isEmpty()) {
        clickAt(window, endProgramButton);
    } else {
        // From X, Shift+Tab goes back round to End program.
        key(QStringLiteral("shift+Tab"));
        key(press);
    }
    QVERIFY(copy.waitForFinished(stateDeadlineMs));
    QCOMPARE(copy.exitStatus(), QProcess::NormalExit);
    QCOMPARE(copy.exitCode(), 0);
}

// The test draws expected cells itself, off screen (QT_QPA_PLATFORM=offscreen).
QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
