#pragma once

#include "Alignment.h"
#include "CaptionLayout.h"
#include "Color.h"

#include <QFont>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <string_view>

namespace vexto {

enum class TBevelCut : std::uint8_t { bvNone, bvLowered, bvRaised, bvSpace };

// A result cell: its caption centred on a coloured background inside a 3D bevel, drawn by the
// panel itself pixel for pixel. While the pointer is over it the cell shows HotColor; the
// program-wide TVxMouseTimer puts the normal colour back if the pointer leaves without the window
// system saying so. Takes no focus and ignores clicks.
class TVxPanel : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TVxPanel)

public:
    explicit TVxPanel(QWidget* owner = nullptr);
    ~TVxPanel() override;

    QString Caption() const { return m_caption; }
    // A carriage return, a line feed or the pair starts a new line. The same text again does
    // nothing, so a recalculation repaints only the cells whose text changed.
    void SetCaption(const QString& caption);
    // The calculation layer's 8-bit text, one character per byte.
    void SetCaption(std::string_view caption);

    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    TColor HotColor() const { return m_hotColor; }
    void SetHotColor(TColor color);
    TColor FontColor() const { return m_fontColor; }
    void SetFontColor(TColor color);

    bool MultiLine() const { return m_multiLine; }
    void SetMultiLine(bool multiLine);
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment alignment);

    TBevelCut BevelOuter() const { return m_bevelOuter; }
    void SetBevelOuter(TBevelCut bevel);
    TBevelCut BevelInner() const { return m_bevelInner; }
    void SetBevelInner(TBevelCut bevel);
    // At least 1; smaller values are raised to 1.
    int BevelWidth() const { return m_bevelWidth; }
    void SetBevelWidth(int width);
    // At least 0; negative values are raised to 0.
    int BorderWidth() const { return m_borderWidth; }
    void SetBorderWidth(int width);

    bool MouseOver() const { return m_mouseOver; }

    // The pointer came over the cell or left it; child is the child control it came through, or
    // null for the cell itself. Only the cell's own enter and leave switch the colour.
    void MouseEnter(QWidget* child);
    void MouseLeave(QWidget* child);

signals:
    void OnMouseEnter(vexto::TVxPanel* sender);
    void OnMouseLeave(vexto::TVxPanel* sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // The rectangle inside the bevels and the border, where the caption is laid out.
    QRect textRect() const;
    const TCaptionLayout& captionLayout(int width);
    template <typename Value> void setAndUpdate(Value& member, Value value);

    QString m_caption;
    TColor m_color = clBtnFace;
    TColor m_hotColor = clBtnFace;
    TColor m_savedColor = clBtnFace;
    TColor m_fontColor = clWindowText;
    bool m_multiLine = false;
    TAlignment m_alignment = TAlignment::taCenter;
    TBevelCut m_bevelOuter = TBevelCut::bvRaised;
    TBevelCut m_bevelInner = TBevelCut::bvNone;
    int m_bevelWidth = 1;
    int m_borderWidth = 0;
    bool m_mouseOver = false;
    // Set when a move with a button held took the pointer out, so the leave Qt sends on release
    // is not a second one.
    bool m_leftUnderCapture = false;

    // The caption as last laid out, and what it was laid out for; shaping text is most of the
    // cost of a paint, and most paints show an unchanged caption.
    TCaptionLayout m_layout;
    QString m_layoutCaption;
    QFont m_layoutFont;
    int m_layoutWidth = -1;
    bool m_layoutMultiLine = false;
};

} // namespace vexto
