#include "VxPanel.h"

#include "PanelAccessible.h"
#include "ReadableColor.h"
#include "VxMouseTimer.h"
#include "calc/ErrorReport.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>

#include <utility>

namespace vexto {

namespace {

// Neighbouring cells overlap by one pixel and share their bevel line. At a fractional device pixel
// ratio a 1-pixel rectangle at logical coordinates covers one or two device pixels depending on
// where it falls, so the frame is laid out on device pixels: each line starts where its logical
// pixel starts and is as wide as the narrowest logical pixel can be, so it lies inside the pixel
// two cells share and both cells draw it on the same device pixels.
struct DeviceGrid {
    QTransform toDevice; // identity where painting is rotated, sheared or mirrored
    QTransform toLogical;
    int lineWidth = 1;
    int lineHeight = 1;
};

DeviceGrid deviceGrid(const QPainter& painter) {
    DeviceGrid grid;
    const QTransform toDevice = painter.deviceTransform();
    if (toDevice.type() > QTransform::TxScale || toDevice.m11() <= 0 || toDevice.m22() <= 0)
        return grid;
    grid.toDevice = toDevice;
    grid.toLogical = toDevice.inverted();
    // A ratio of 2 may reach the painter a hair short of 2.
    grid.lineWidth = std::max(1, int(std::floor(toDevice.m11() + 1e-3)));
    grid.lineHeight = std::max(1, int(std::floor(toDevice.m22() + 1e-3)));
    return grid;
}

// The device pixels where the lines of rect's edges start.
QRect deviceBox(const DeviceGrid& grid, const QRect& rect) {
    const auto x = [&grid](int logical) {
        return qRound(logical * grid.toDevice.m11() + grid.toDevice.dx());
    };
    const auto y = [&grid](int logical) {
        return qRound(logical * grid.toDevice.m22() + grid.toDevice.dy());
    };
    return QRect(QPoint(x(rect.left()), y(rect.top())), QPoint(x(rect.right()), y(rect.bottom())));
}

// The painter rounds the mapped edges of a filled rectangle, so this covers exactly these pixels.
void fillDevicePixels(QPainter& painter, const DeviceGrid& grid, const QRect& pixels,
                      const QColor& color) {
    painter.fillRect(grid.toLogical.mapRect(QRectF(pixels)), color);
}

// A 3D frame of `rings` lines along the inside of box (from deviceBox), which shrinks by that
// much. Each ring is what two polylines give when they leave out their final point: the top-left
// colour on the left column but its bottom line and on the top row but its rightmost line, the
// bottom-right colour on the whole right column and the whole bottom row.
void drawFrame3D(QPainter& painter, const DeviceGrid& grid, QRect& box, const QColor& topLeft,
                 const QColor& bottomRight, int rings) {
    const int w = grid.lineWidth;
    const int h = grid.lineHeight;
    for (int ring = 0; ring < rings; ++ring) {
        if (box.right() >= box.left() && box.bottom() >= box.top()) {
            const int across = box.right() - box.left();
            const int down = box.bottom() - box.top();
            fillDevicePixels(painter, grid, QRect(box.left(), box.top(), w, down), topLeft);
            fillDevicePixels(painter, grid, QRect(box.left(), box.top(), across, h), topLeft);
            fillDevicePixels(painter, grid, QRect(box.right(), box.top(), w, down + h),
                             bottomRight);
            fillDevicePixels(painter, grid, QRect(box.left(), box.bottom(), across + w, h),
                             bottomRight);
        }
        box.adjust(w, h, -w, -h);
    }
}

void drawBevel(QPainter& painter, const DeviceGrid& grid, QRect& box, TBevelCut bevel, int width,
               const QPalette& palette) {
    const QColor shadow = ToQColor(clBtnShadow, palette);
    const QColor highlight = ToQColor(clBtnHighlight, palette);
    if (bevel == TBevelCut::bvLowered)
        drawFrame3D(painter, grid, box, shadow, highlight, width);
    else
        drawFrame3D(painter, grid, box, highlight, shadow, width);
}

} // namespace

TVxPanel::TVxPanel(QWidget* owner) : QWidget(owner) {
    // Every paint covers every pixel, so nothing is erased first and the cell never flickers.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    // Moves are watched only to catch a pointer that is back over the cell after a missed enter.
    setMouseTracking(true);
    resize(185, 41);
}

TVxPanel::~TVxPanel() {
    if (TVxMouseTimer* timer = TVxMouseTimer::Existing())
        timer->Detach(this);
}

void TVxPanel::SetCaption(const QString& caption) {
    if (caption == m_caption)
        return;
    const QString previous = std::exchange(m_caption, caption);
    update();
    PanelAccessible::CaptionChanged(this, previous);
}

void TVxPanel::SetCaption(std::string_view caption) {
    SetCaption(QString::fromLatin1(caption.data(), qsizetype(caption.size())));
}

template <typename Value> void TVxPanel::setAndUpdate(Value& member, Value value) {
    if (member == value)
        return;
    member = value;
    update();
}

void TVxPanel::SetColor(TColor color) {
    setAndUpdate(m_color, color);
}

void TVxPanel::SetHotColor(TColor color) {
    setAndUpdate(m_hotColor, color);
}

void TVxPanel::SetFontColor(TColor color) {
    setAndUpdate(m_fontColor, color);
}

void TVxPanel::SetMultiLine(bool multiLine) {
    setAndUpdate(m_multiLine, multiLine);
}

void TVxPanel::SetAlignment(TAlignment alignment) {
    setAndUpdate(m_alignment, alignment);
}

void TVxPanel::SetBevelOuter(TBevelCut bevel) {
    setAndUpdate(m_bevelOuter, bevel);
}

void TVxPanel::SetBevelInner(TBevelCut bevel) {
    setAndUpdate(m_bevelInner, bevel);
}

void TVxPanel::SetBevelWidth(int width) {
    setAndUpdate(m_bevelWidth, std::max(1, width));
}

void TVxPanel::SetBorderWidth(int width) {
    setAndUpdate(m_borderWidth, std::max(0, width));
}

void TVxPanel::MouseEnter(QWidget* child) {
    if (!m_mouseOver && child == nullptr) {
        m_savedColor = m_color;
        SetColor(m_hotColor);
        TVxMouseTimer::Instance().Attach(this);
    }
    m_mouseOver = true;
    emit OnMouseEnter(this);
}

void TVxPanel::MouseLeave(QWidget* child) {
    if (m_mouseOver && child == nullptr) {
        SetColor(m_savedColor);
        if (TVxMouseTimer* timer = TVxMouseTimer::Existing())
            timer->Detach(this);
    }
    m_mouseOver = false;
    emit OnMouseLeave(this);
}

QRect TVxPanel::textRect() const {
    int inset = m_borderWidth;
    if (m_bevelOuter != TBevelCut::bvNone)
        inset += m_bevelWidth;
    if (m_bevelInner != TBevelCut::bvNone)
        inset += m_bevelWidth;
    return rect().adjusted(inset, inset, -inset, -inset);
}

const TCaptionLayout& TVxPanel::captionLayout(int width) {
    if (m_layoutWidth != width || m_layoutMultiLine != m_multiLine ||
        m_layoutCaption != m_caption || m_layoutFont != font()) {
        m_layout = LayoutCaption(m_caption, font(), width,
                                 m_multiLine ? TCaptionWrap::WordBreak : TCaptionWrap::SingleLine);
        m_layoutCaption = m_caption;
        m_layoutFont = font();
        m_layoutWidth = width;
        m_layoutMultiLine = m_multiLine;
    }
    return m_layout;
}

void TVxPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colors = palette();
    const QColor background = ToQColor(m_color, colors);
    painter.fillRect(rect(), background);

    const DeviceGrid grid = deviceGrid(painter);
    QRect frame = deviceBox(grid, rect());
    if (m_bevelOuter != TBevelCut::bvNone)
        drawBevel(painter, grid, frame, m_bevelOuter, m_bevelWidth, colors);
    drawFrame3D(painter, grid, frame, background, background, m_borderWidth);
    if (m_bevelInner != TBevelCut::bvNone)
        drawBevel(painter, grid, frame, m_bevelInner, m_bevelWidth, colors);

    if (m_caption.isEmpty())
        return;
    const QRect available = textRect();
    const TCaptionLayout& layout = captionLayout(available.width());

    // Integer division truncating toward zero: a block taller or wider than the cell sticks out
    // by the same amount on both sides (one pixel more at the bottom or right when odd).
    QRect block(QPoint(available.left(), (height() - layout.size.height()) / 2), layout.size);
    switch (m_alignment) {
    case TAlignment::taCenter:
        block.moveLeft((width() - layout.size.width()) / 2);
        break;
    case TAlignment::taRightJustify:
        block.moveLeft(width() - layout.size.width() - available.left());
        break;
    case TAlignment::taLeftJustify:
        break;
    }

    painter.setClipRect(block.intersected(rect()));
    // The background is the cell's own and may not suit the scheme's text colour: grey text
    // keeps its greyness, as it tells a disabled cell from an enabled one.
    painter.setPen(isEnabled() ? TextColorOn(background, ToQColor(m_fontColor, colors))
                               : ReadableTintOn(background, ToQColor(clGrayText, colors)));
    const int lineHeight = fontMetrics().height();
    int top = block.top();
    for (const TCaptionLine& line : layout.lines) {
        int left = block.left();
        if (m_alignment == TAlignment::taCenter)
            left += (block.width() - line.width) / 2;
        else if (m_alignment == TAlignment::taRightJustify)
            left += block.width() - line.width;
        DrawCaptionLine(painter, QPoint(left, top), line);
        top += lineHeight;
    }
}

void TVxPanel::enterEvent(QEnterEvent* event) {
    RunGuarded([this] { MouseEnter(nullptr); });
    QWidget::enterEvent(event);
}

void TVxPanel::leaveEvent(QEvent* event) {
    // Qt sends a cell that held the capture its leave only on release; the crossing was already
    // reported when the pointer went over the edge.
    const bool reported = m_leftUnderCapture;
    m_leftUnderCapture = false;
    if (!reported)
        RunGuarded([this] { MouseLeave(nullptr); });
    QWidget::leaveEvent(event);
}

void TVxPanel::mouseMoveEvent(QMouseEvent* event) {
    // Moves reach the cell while the pointer is over it, and anywhere while a button pressed on
    // it is held (Qt then sends no enter or leave to anyone). The cell is hot exactly while the
    // pointer is inside it; this also brings it back after the mouse timer has let it go while
    // Qt still counted the pointer as over it.
    const bool inside = rect().contains(event->position().toPoint());
    if (inside && !m_mouseOver) {
        m_leftUnderCapture = false;
        RunGuarded([this] { MouseEnter(nullptr); });
    } else if (!inside && m_mouseOver) {
        m_leftUnderCapture = event->buttons() != Qt::NoButton;
        RunGuarded([this] { MouseLeave(nullptr); });
    }
    QWidget::mouseMoveEvent(event);
}

} // namespace vexto
