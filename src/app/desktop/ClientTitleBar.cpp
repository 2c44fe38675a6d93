#include "ClientTitleBar.h"

#include "widgets/ReadableColor.h"

#include <QEvent>
#include <QFontMetrics>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>

namespace vexto {

namespace {

constexpr int padding = 4;
constexpr int iconSize = 16;

QFont titleFont(const QWidget& window) {
    QFont font = window.font();
    font.setBold(true);
    return font;
}

} // namespace

ClientTitleBar::ClientTitleBar(QWidget& window) : QWidget(&window) {
    setFont(titleFont(window));
    makeRoomIn(window);
    window.setWindowFlag(Qt::FramelessWindowHint);
    window.installEventFilter(this);
}

void ClientTitleBar::makeRoomIn(QWidget& window) {
    const int height = std::max(iconSize, fontMetrics().height()) + 2 * padding;
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child != this)
            child->move(child->pos() + QPoint(0, height));
    window.setFixedSize(window.width(), window.height() + height);
    setGeometry(0, 0, window.width(), height);
}

bool ClientTitleBar::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ActivationChange:
    case QEvent::WindowTitleChange:
    case QEvent::WindowIconChange:
        update();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void ClientTitleBar::mousePressEvent(QMouseEvent* event) {
    // The compositor moves the window for as long as the button is held.
    if (event->button() == Qt::LeftButton && window()->windowHandle())
        window()->windowHandle()->startSystemMove();
}

void ClientTitleBar::paintEvent(QPaintEvent*) {
    const bool active = window()->isActiveWindow();
    const QColor title = palette().color(active ? QPalette::HighlightedText : QPalette::WindowText);
    // The title keeps the scheme's text colour; where the scheme's bar colour does not set it off
    // (white on the light scheme's mid blue), the bar deepens or pales just enough.
    const QColor bar =
        ReadableTintOn(title, palette().color(active ? QPalette::Highlight : QPalette::Mid));
    QPainter painter(this);
    painter.fillRect(rect(), bar);

    const QRect iconPlace(padding, (height() - iconSize) / 2, iconSize, iconSize);
    window()->windowIcon().paint(&painter, iconPlace);

    const QRect titlePlace = rect().adjusted(iconPlace.right() + 1 + padding, 0, -padding, 0);
    painter.setPen(title);
    painter.drawText(titlePlace, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(window()->windowTitle(), Qt::ElideRight,
                                              titlePlace.width()));
}

} // namespace vexto
