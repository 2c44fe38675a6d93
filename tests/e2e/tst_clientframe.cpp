#include "HeadlessWeston.h"
#include "StopProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

constexpr int deadlineMs = 20'000;

constexpr int clientWidth = 578;
// The start cell's fill begins inside its one-pixel bevel: the cell is at (248, 112).
constexpr QPoint startFillInClient(249, 113);
constexpr QRgb startCellGreen = qRgb(192, 220, 192);
// A title bar is at least as tall as its 16-pixel icon with a margin above and below.
constexpr int barRows = 24;
constexpr int buttonsWidth = 96;

// The client area's top left on the screen, found by the start cell, the only one of its colour.
std::optional<QPoint> clientOrigin(const QImage& screen) {
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x)
            if (screen.pixel(x, y) == startCellGreen)
                return QPoint(x, y) - startFillInClient;
    return std::nullopt;
}

QSet<QRgb> coloursIn(const QImage& screen, const QRect& place) {
    QSet<QRgb> colours;
    for (int y = place.top(); y <= place.bottom(); ++y)
        for (int x = place.left(); x <= place.right(); ++x)
            colours.insert(screen.pixel(x, y));
    return colours;
}

int contrast(QRgb one, QRgb other) {
    return std::max({std::abs(qRed(one) - qRed(other)), std::abs(qGreen(one) - qGreen(other)),
                     std::abs(qBlue(one) - qBlue(other))});
}

// Above the client area, where Qt's stand-in frame puts minimise, maximise and close, and where
// the title comes after the icon.
QRect buttonsPlace(QPoint origin) {
    return {origin.x() + clientWidth - buttonsWidth, origin.y() - barRows, buttonsWidth, barRows};
}

QRect titlePlace(QPoint origin) {
    return {origin.x() + 24, origin.y() - barRows, 80, barRows};
}

// What is wrong with the frame on the screen; empty when nothing is.
QString frameFault(const QImage& screen) {
    const std::optional<QPoint> origin = clientOrigin(screen);
    if (!origin || origin->y() < barRows)
        return QStringLiteral("no window with room for a bar");
    const QSet<QRgb> barColours = coloursIn(screen, buttonsPlace(*origin));
    if (barColours.size() != 1)
        return QStringLiteral("buttons in the title bar");
    // Text and bar stand out, whether the window is active or not; the smoothed edges of text
    // drawn in the bar's own colour would not.
    const QRgb bar = *barColours.begin();
    if (contrast(bar, screen.pixel(*origin + QPoint(2, 2))) < 32)
        return QStringLiteral("the bar is the window's colour");
    const QSet<QRgb> titleColours = coloursIn(screen, titlePlace(*origin));
    if (std::none_of(titleColours.begin(), titleColours.end(),
                     [bar](QRgb colour) { return contrast(colour, bar) >= 64; }))
        return QStringLiteral("no title in the bar");
    return {};
}

} // namespace

// The real program on a compositor that leaves window frames to their clients (weston): the
// title bar shows the title and offers no buttons, as the window allows none.
class TestClientFrame : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void titleBarHasTheTitleAndNoButtons();

private:
    std::unique_ptr<HeadlessWeston> m_weston;
};

void TestClientFrame::initTestCase() {
    if (QStandardPaths::findExecutable(QStringLiteral("weston-screenshooter")).isEmpty())
        QSKIP("weston is not installed (scripts/install-deps.sh installs it)");
    m_weston = std::make_unique<HeadlessWeston>(HeadlessWeston::Screen::Seen);
    QVERIFY2(m_weston->start(), qPrintable(m_weston->errorString()));
}

void TestClientFrame::titleBarHasTheTitleAndNoButtons() {
    QProcess program;
    program.setProcessEnvironment(m_weston->environment());
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(VEXTO_BINARY), {});

    // The window may show its cells before its bar is on the screen.
    QImage screen;
    QString fault;
    const QDeadlineTimer deadline(deadlineMs);
    do {
        screen = m_weston->grabScreen().convertToFormat(QImage::Format_RGB32);
        fault = frameFault(screen);
    } while (!fault.isEmpty() && !deadline.hasExpired());
    const QString picture = QDir::temp().filePath(QStringLiteral("vexto-clientframe.png"));
    screen.save(picture);
    QVERIFY2(fault.isEmpty(), qPrintable(fault + QStringLiteral("; see ") + picture));
    StopProcess(&program, deadlineMs);
}

QTEST_GUILESS_MAIN(TestClientFrame)
#include "tst_clientframe.moc"
