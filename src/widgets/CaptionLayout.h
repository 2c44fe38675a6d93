#pragma once

#include <QList>
#include <QSize>
#include <QStaticText>
#include <QString>
#include <QStringView>

class QFont;
class QPainter;
class QPoint;

namespace vexto {

// A stretch of a line between tabs, x from the start of the line. The shaped glyphs are kept so
// that repainting an unchanged caption doesn't shape it again.
struct TCaptionRun {
    int x = 0;
    QStaticText glyphs;
};

// One line of a laid-out caption, as shown: mnemonic ampersands removed, tabs kept.
struct TCaptionLine {
    QString text;
    QList<qsizetype> underlined; // positions in text of the characters an ampersand marked
    int width = 0;
    QList<TCaptionRun> runs;
};

struct TCaptionLayout {
    QList<TCaptionLine> lines;
    QSize size; // the widest line by the number of lines times the line height
};

enum class TCaptionWrap { WordBreak, SingleLine };

// Breaks a caption into lines the way the cells need it, which Qt's own wrapping doesn't do:
// carriage return, line feed and the pair start a new line; a line too wide for width breaks after
// its last whole word that fits, and a single word wider than that stands alone on its line and
// widens the block. "&x" marks x for underlining, "&&" shows one ampersand. Tabs stop every eight
// average character widths from the start of the line. Single-line text shows each line break as
// one space. Painting and measuring both use this so they never disagree.
TCaptionLayout LayoutCaption(QStringView caption, const QFont& font, int width, TCaptionWrap wrap);

// The width of text with its tabs expanded, in whole pixels.
int CaptionTextWidth(QStringView text, const QFont& font);

// Draws one line with the painter's font and pen, its top left corner at topLeft. The painter's
// font must be the one the line was laid out with.
void DrawCaptionLine(QPainter& painter, const QPoint& topLeft, const TCaptionLine& line);

} // namespace vexto
