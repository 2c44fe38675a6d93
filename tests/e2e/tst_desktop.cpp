#include "XvfbSession.h"
#include "widgets/Color.h"
#include "widgets/VxPanel.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr int startDeadlineMs = 20'000;
constexpr int stateDeadlineMs = 5'000;

// Client coordinates from the window's layout.
constexpr QPoint xField(160 + 64 + 20, 360 + 12 + 10);
constexpr QPoint endProgramButton(488 + 40, 424 + 12);
constexpr QPoint quadrantCellLU9(8, 16); // top-left cell
constexpr QPoint axisCellR1(328, 112);
constexpr QPoint startCell(248, 112);
constexpr QPoint cellFillPoint(4, 4); // inside the bevel, clear of the text

const QColor quadrantBlue(193, 235, 255);
const QColor axisBlue(140, 218, 255);

} // namespace

// Drives the real program on a private X server, as a user would.
class TestDesktop : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void windowMapsWithTitleAndClientSize();
    void typingIntoXChangesTheCellsOnScreen();
    void hoveringAQuadrantCellTurnsItHotUntilThePointerLeaves();
    void endProgramExitsWithCodeZero();

private:
    QPoint windowOrigin() const;
    QColor screenPixel(QPoint clientPoint) const;
    QImage clientArea() const;

    std::unique_ptr<XvfbSession> m_x;
    QTemporaryDir m_runtimeDirectory;
    QProcess m_vexto;
    QString m_windowId;
};

void TestDesktop::initTestCase() {
    m_x = std::make_unique<XvfbSession>();
    QVERIFY2(m_x->start(), qPrintable(m_x->errorString()));
    QVERIFY(m_runtimeDirectory.isValid());

    QProcessEnvironment environment = m_x->environment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDirectory.path());
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
}

void TestDesktop::cleanupTestCase() {
    if (m_vexto.state() != QProcess::NotRunning) {
        m_vexto.kill();
        m_vexto.waitForFinished(stateDeadlineMs);
    }
    m_x.reset();
}

QPoint TestDesktop::windowOrigin() const {
    const QString geometry =
        m_x->xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), m_windowId});
    const QRegularExpression x(QStringLiteral("^X=(\\d+)$"), QRegularExpression::MultilineOption);
    const QRegularExpression y(QStringLiteral("^Y=(\\d+)$"), QRegularExpression::MultilineOption);
    return {x.match(geometry).captured(1).toInt(), y.match(geometry).captured(1).toInt()};
}

QImage TestDesktop::clientArea() const {
    return m_x->grabScreen().copy(QRect(windowOrigin(), QSize(578, 457)));
}

QColor TestDesktop::screenPixel(QPoint clientPoint) const {
    const QImage screen = m_x->grabScreen();
    return screen.isNull() ? QColor() : screen.pixelColor(windowOrigin() + clientPoint);
}

void TestDesktop::windowMapsWithTitleAndClientSize() {
    QCOMPARE(m_x->xdotool({QStringLiteral("getwindowname"), m_windowId}), QStringLiteral("Vexto"));
    const QString geometry =
        m_x->xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), m_windowId});
    QVERIFY2(geometry.contains(QStringLiteral("WIDTH=578")), qPrintable(geometry));
    QVERIFY2(geometry.contains(QStringLiteral("HEIGHT=457")), qPrintable(geometry));
}

void TestDesktop::typingIntoXChangesTheCellsOnScreen() {
    // A cell as the program draws it for a text, drawn here off screen: the inside of its bevel.
    const auto expectedCell = [](const char* text, vexto::TColor colour) {
        QFont font;
        font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                          QStringLiteral("Arial"), QStringLiteral("Helvetica"),
                          QStringLiteral("DejaVu Sans")});
        font.setPixelSize(11);
        font.setStyleStrategy(QFont::PreferAntialias);
        font.setBold(true);
        vexto::TVxPanel cell;
        cell.resize(81, 33);
        cell.setFont(font);
        cell.SetBevelOuter(vexto::TBevelCut::bvLowered);
        cell.SetMultiLine(true);
        cell.SetColor(colour);
        cell.SetCaption(QString::fromLatin1(text));
        return cell.grab().toImage().convertToFormat(QImage::Format_RGB32).copy(1, 1, 79, 31);
    };
    const auto shownCell = [this](QPoint cellTopLeft) {
        return clientArea()
            .copy(QRect(cellTopLeft + QPoint(1, 1), QSize(79, 31)))
            .convertToFormat(QImage::Format_RGB32);
    };
    const QImage start = expectedCell("X = 100.00\rY = 0.00", vexto::clMoneyGreen);
    const QImage right = expectedCell("X = 108.00\rY = 0.00", vexto::TColor(16767628));
    const QImage corner = expectedCell("X = 76.00\rY = 12.00", vexto::TColor(16772033));
    QVERIFY(shownCell(startCell) != start);

    const QPoint field = windowOrigin() + xField;
    m_x->xdotool({QStringLiteral("mousemove"), QString::number(field.x()),
                  QString::number(field.y()), QStringLiteral("click"), QStringLiteral("1")});
    m_x->xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"),
                  QStringLiteral("100")});
    QTRY_VERIFY_WITH_TIMEOUT(shownCell(startCell) == start, stateDeadlineMs);
    QCOMPARE(shownCell(axisCellR1), right);
    QCOMPARE(shownCell(quadrantCellLU9), corner);

    // The README's picture of the window comes from here.
    if (const QString path = qEnvironmentVariable("VEXTO_SCREENSHOT"); !path.isEmpty())
        QVERIFY(clientArea().save(path));
}

void TestDesktop::hoveringAQuadrantCellTurnsItHotUntilThePointerLeaves() {
    QTRY_COMPARE_WITH_TIMEOUT(screenPixel(quadrantCellLU9 + cellFillPoint), quadrantBlue,
                              stateDeadlineMs);
    QCOMPARE(screenPixel(axisCellR1 + cellFillPoint), axisBlue);

    const QPoint inside = windowOrigin() + quadrantCellLU9 + QPoint(40, 16);
    m_x->xdotool(
        {QStringLiteral("mousemove"), QString::number(inside.x()), QString::number(inside.y())});
    QTRY_COMPARE_WITH_TIMEOUT(screenPixel(quadrantCellLU9 + cellFillPoint), axisBlue,
                              stateDeadlineMs);

    // Straight out of the window: only the cells' timer can notice.
    m_x->xdotool({QStringLiteral("mousemove"), QStringLiteral("1"), QStringLiteral("1")});
    QTRY_COMPARE_WITH_TIMEOUT(screenPixel(quadrantCellLU9 + cellFillPoint), quadrantBlue,
                              stateDeadlineMs);
}

void TestDesktop::endProgramExitsWithCodeZero() {
    const QPoint button = windowOrigin() + endProgramButton;
    m_x->xdotool({QStringLiteral("mousemove"), QString::number(button.x()),
                  QString::number(button.y()), QStringLiteral("click"), QStringLiteral("1")});
    QVERIFY(m_vexto.waitForFinished(stateDeadlineMs));
    QCOMPARE(m_vexto.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_vexto.exitCode(), 0);
}

// The test draws expected cells itself, off screen (QT_QPA_PLATFORM=offscreen).
QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
