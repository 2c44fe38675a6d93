#include "LinkLabel.h"

#include "Color.h"
#include "ReadableColor.h"
#include "calc/ErrorReport.h"

#include <QDesktopServices>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <QToolTip>
#include <QUrl>

#include <array>

namespace vexto {

namespace {

constexpr auto linkPrefixes = std::to_array<const char*>({
    "file://", "ftp://", "gopher://", "http://", "https://", "mailto:", "news:", "telnet:", "wais:",
});

} // namespace

TLinkLabel::TLinkLabel(QWidget* owner) : QLabel(owner) {
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    keepLinkReadable();
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setTextFormat(Qt::PlainText);
    // From the top, like the top-aligned labels around it: centred in its box, the text would sink
    // below theirs by a device pixel at some fractional scales.
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Moves restart the pause before the tooltip, which Qt's own tooltip timing would not.
    setMouseTracking(true);
    m_hintPause.setSingleShot(true);
    m_hintPause.setTimerType(Qt::PreciseTimer);
    m_hintPause.setInterval(HintPauseMs);
    connect(&m_hintPause, &QTimer::timeout, this, [this] { RunGuarded([this] { showHint(); }); });
}

void TLinkLabel::SetHyperLink(const QString& hyperLink) {
    m_hyperLink = hyperLink;
    if (text().isEmpty())
        setText(hyperLink);
}

QString TLinkLabel::Address() const {
    return QString::fromLatin1(linkPrefixes[static_cast<std::size_t>(m_linkType)]) + m_hyperLink;
}

void TLinkLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    // A new scheme, or a new parent, brings a new window colour to be read on.
    if (event->type() == QEvent::PaletteChange)
        keepLinkReadable();
}

void TLinkLabel::keepLinkReadable() {
    const QColor link =
        ReadableTintOn(palette().color(QPalette::Window), ToQColor(clBlue, palette()));
    if (palette().color(QPalette::WindowText) == link)
        return;
    QPalette linkText = palette();
    linkText.setColor(QPalette::WindowText, link);
    setPalette(linkText);
}

bool TLinkLabel::event(QEvent* event) {
    // Qt's tooltip request comes after its own pause; the label times its tooltip itself.
    if (event->type() == QEvent::ToolTip) {
        event->accept();
        return true;
    }
    return QLabel::event(event);
}

void TLinkLabel::enterEvent(QEnterEvent* event) {
    m_hintShown = false;
    restartHintPause(event->globalPosition());
    QLabel::enterEvent(event);
}

void TLinkLabel::leaveEvent(QEvent* event) {
    m_hintPause.stop();
    QLabel::leaveEvent(event);
}

void TLinkLabel::mouseMoveEvent(QMouseEvent* event) {
    // Shown once per visit: after it hides, the tooltip waits for the pointer to come back.
    if (!m_hintShown)
        restartHintPause(event->globalPosition());
    QLabel::mouseMoveEvent(event);
}

void TLinkLabel::restartHintPause(QPointF globalPosition) {
    m_restPosition = globalPosition.toPoint();
    if (!toolTip().isEmpty())
        m_hintPause.start();
}

void TLinkLabel::showHint() {
    if (!underMouse())
        return;
    m_hintShown = true;
    QToolTip::showText(m_restPosition, toolTip(), this, rect(), HintHidePauseMs);
}

void TLinkLabel::mousePressEvent(QMouseEvent* event) {
    m_hintPause.stop();
    // Acted on as the button goes down; no capture, so nothing waits for the release.
    if (event->button() == Qt::LeftButton) {
        if (!isSecondPressOfDoubleClick(event))
            RunGuarded([this] { Open(); });
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

// Qt delivers the second press of a double click as a press too (then a double-click event);
// a double click must open the address once, so that press is recognised by the same time and
// distance limits the platform uses, and the press after it counts as a new click.
bool TLinkLabel::isSecondPressOfDoubleClick(const QMouseEvent* event) {
    const quint64 interval =
        static_cast<quint64>(QGuiApplication::styleHints()->mouseDoubleClickInterval());
    const int distance = QGuiApplication::styleHints()->mouseDoubleClickDistance();
    const bool second =
        m_lastPressTime != 0 && event->timestamp() - m_lastPressTime < interval &&
        (event->globalPosition() - m_lastPressPosition).manhattanLength() <= distance;
    m_lastPressTime = second ? 0 : event->timestamp();
    m_lastPressPosition = event->globalPosition();
    return second;
}

void TLinkLabel::Open() const {
    // Whether the desktop could open it is its own business: the label reports nothing.
    QDesktopServices::openUrl(QUrl(Address(), QUrl::TolerantMode));
}

} // namespace vexto
