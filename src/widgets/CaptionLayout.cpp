#include "CaptionLayout.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPoint>

#include <algorithm>
#include <optional>
#include <utility>

namespace vexto {

namespace {

constexpr int tabStopInAverageCharacters = 8;

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

struct Paragraph {
    QString text;
    QList<qsizetype> underlined;
};

Paragraph stripMnemonics(QStringView raw) {
    Paragraph paragraph;
    paragraph.text.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == u'&') {
            // An ampersand at the very end marks nothing and is not shown.
            if (++i == raw.size())
                break;
            if (raw[i] != u'&')
                paragraph.underlined.append(paragraph.text.size());
        }
        paragraph.text.append(raw[i]);
    }
    return paragraph;
}

// The paragraphs between line breaks; a break at the very end starts no further line.
QList<QStringView> splitAtLineBreaks(QStringView caption) {
    QList<QStringView> paragraphs;
    qsizetype begin = 0;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] != u'\r' && caption[i] != u'\n')
            continue;
        paragraphs.append(caption.sliced(begin, i - begin));
        if (caption[i] == u'\r' && i + 1 < caption.size() && caption[i + 1] == u'\n')
            ++i;
        begin = i + 1;
    }
    if (begin < caption.size() || paragraphs.isEmpty())
        paragraphs.append(caption.sliced(begin));
    return paragraphs;
}

QString joinLineBreaksWithSpaces(QStringView caption) {
    QString joined;
    joined.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'\r' && i + 1 < caption.size() && caption[i + 1] == u'\n')
            ++i;
        joined.append(caption[i] == u'\r' || caption[i] == u'\n' ? QChar(u' ') : caption[i]);
    }
    return joined;
}

QStaticText shape(QStringView text, const QFont& font) {
    QStaticText glyphs(text.toString());
    glyphs.setTextFormat(Qt::PlainText);
    glyphs.setPerformanceHint(QStaticText::AggressiveCaching);
    glyphs.prepare(QTransform(), font);
    return glyphs;
}

int widthOf(const QStaticText& glyphs) {
    return qRound(glyphs.size().width());
}

// Shapes every stretch of text between tabs, hands it to keep with its x from the start of the
// line, and returns the width of the whole line. Text is shaped once, for measuring and drawing.
template <typename Keep> int shapeBetweenTabs(QStringView text, const QFont& font, Keep&& keep) {
    int tabWidth = 0;
    int x = 0;
    qsizetype begin = 0;
    for (;;) {
        const qsizetype tab = text.indexOf(u'\t', begin);
        const QStringView segment = text.sliced(begin, (tab < 0 ? text.size() : tab) - begin);
        if (!segment.isEmpty()) {
            QStaticText glyphs = shape(segment, font);
            const int width = widthOf(glyphs);
            keep(std::move(glyphs), x);
            x += width;
        }
        if (tab < 0)
            return x;
        if (tabWidth == 0)
            tabWidth =
                std::max(1, tabStopInAverageCharacters * QFontMetrics(font).averageCharWidth());
        x = (x / tabWidth + 1) * tabWidth;
        begin = tab + 1;
    }
}

TCaptionLine makeLine(const Paragraph& paragraph, qsizetype begin, qsizetype end,
                      const QFont& font) {
    TCaptionLine line;
    line.text = paragraph.text.sliced(begin, end - begin);
    for (qsizetype position : paragraph.underlined) {
        if (position >= begin && position < end)
            line.underlined.append(position - begin);
    }
    line.width = shapeBetweenTabs(line.text, font, [&line](QStaticText glyphs, int x) {
        line.runs.append({x, std::move(glyphs)});
    });
    return line;
}

void wrapParagraph(const Paragraph& paragraph, const QFont& font, int width,
                   QList<TCaptionLine>& lines) {
    const QString& text = paragraph.text;
    TCaptionLine whole = makeLine(paragraph, 0, text.size(), font);
    if (whole.width <= width) {
        lines.append(std::move(whole));
        return;
    }
    qsizetype begin = 0;
    while (begin < text.size()) {
        std::optional<qsizetype> end; // of the last word that fits
        qsizetype next = begin;
        while (next < text.size()) {
            while (next < text.size() && isBlank(text[next]))
                ++next;
            if (next == text.size())
                break;
            while (next < text.size() && !isBlank(text[next]))
                ++next;
            // The first word always stays, however wide it is.
            if (end &&
                CaptionTextWidth(QStringView(text).sliced(begin, next - begin), font) > width)
                break;
            end = next;
        }
        if (!end) {
            // Blanks after a break are skipped below, so only a paragraph of nothing but blanks
            // gets here: they are kept, on a line of their own.
            lines.append(std::move(whole));
            break;
        }
        lines.append(makeLine(paragraph, begin, *end, font));
        begin = *end;
        while (begin < text.size() && isBlank(text[begin]))
            ++begin;
    }
}

} // namespace

int CaptionTextWidth(QStringView text, const QFont& font) {
    return shapeBetweenTabs(text, font, [](QStaticText, int) {});
}

TCaptionLayout LayoutCaption(QStringView caption, const QFont& font, int width, TCaptionWrap wrap) {
    TCaptionLayout layout;
    if (caption.isEmpty())
        return layout;
    if (wrap == TCaptionWrap::SingleLine) {
        const Paragraph paragraph = stripMnemonics(joinLineBreaksWithSpaces(caption));
        layout.lines.append(makeLine(paragraph, 0, paragraph.text.size(), font));
    } else {
        for (QStringView raw : splitAtLineBreaks(caption))
            wrapParagraph(stripMnemonics(raw), font, width, layout.lines);
    }
    int widest = 0;
    for (const TCaptionLine& line : layout.lines)
        widest = std::max(widest, line.width);
    layout.size = QSize(widest, int(layout.lines.size()) * QFontMetrics(font).height());
    return layout;
}

void DrawCaptionLine(QPainter& painter, const QPoint& topLeft, const TCaptionLine& line) {
    for (const TCaptionRun& run : line.runs)
        painter.drawStaticText(topLeft + QPoint(run.x, 0), run.glyphs);
    if (line.underlined.isEmpty())
        return;
    const QFontMetrics metrics(painter.font());
    const int baseline = topLeft.y() + metrics.ascent();
    // Fonts this small report an underline position of 0, which would touch the glyphs.
    const int underlineTop = baseline + std::max(1, metrics.underlinePos());
    for (qsizetype position : line.underlined) {
        // From where the character starts in the line to where the next one starts: advances
        // that are not whole pixels round differently for the character on its own.
        const int x = CaptionTextWidth(QStringView(line.text).first(position), painter.font());
        const int width =
            CaptionTextWidth(QStringView(line.text).first(position + 1), painter.font()) - x;
        painter.fillRect(topLeft.x() + x, underlineTop, width, std::max(1, metrics.lineWidth()),
                         painter.pen().color());
    }
}

} // namespace vexto
