#include "widgets/CaptionLayout.h"
#include "widgets/Color.h"
#include "widgets/VxMouseTimer.h"
#include "widgets/VxPanel.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QtMath>

using namespace vexto;
using namespace Qt::StringLiterals;

namespace {

constexpr TColor axisColor(16767628);     // red 140, green 218, blue 255
constexpr TColor quadrantColor(16772033); // red 193, green 235, blue 255

QFont cellFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setFamilies(
        {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica")});
    font.setPixelSize(11);
    font.setBold(true);
    return font;
}

void makeCell(TVxPanel& cell, TColor color = quadrantColor, TColor hot = axisColor) {
    cell.resize(81, 33);
    cell.setFont(cellFont());
    cell.SetBevelOuter(TBevelCut::bvLowered);
    cell.SetMultiLine(true);
    cell.SetColor(color);
    cell.SetHotColor(hot);
}

QImage picture(TVxPanel& cell) {
    return cell.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The rows and columns that hold glyph ink: pixels darker than any fill or bevel colour.
QRect inkBounds(const QImage& image, int fromRow = 0, int toRow = -1) {
    QRect bounds;
    for (int y = fromRow; y <= (toRow < 0 ? image.height() - 1 : toRow); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 120)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

struct CountPaints : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

class TestVxPanel : public QObject {
    Q_OBJECT

private slots:
    void colourValues_data() {
        QTest::addColumn<quint32>("value");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("axis blue") << 16767628u << QColor(140, 218, 255);
        QTest::newRow("quadrant blue") << 16772033u << QColor(193, 235, 255);
        QTest::newRow("money green") << clMoneyGreen.Value() << QColor(192, 220, 192);
        QTest::newRow("button face") << clBtnFace.Value() << QColor(1, 0, 0);
        QTest::newRow("button shadow") << clBtnShadow.Value() << QColor(2, 0, 0);
        QTest::newRow("button highlight") << clBtnHighlight.Value() << QColor(3, 0, 0);
        QTest::newRow("window text") << clWindowText.Value() << QColor(4, 0, 0);
        QTest::newRow("grey text") << clGrayText.Value() << QColor(5, 0, 0);
        QTest::newRow("tooltip background") << clInfoBk.Value() << QColor(6, 0, 0);
    }
    void colourValues() {
        QFETCH(quint32, value);
        QFETCH(QColor, expected);
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(1, 0, 0));
        palette.setColor(QPalette::Dark, QColor(2, 0, 0));
        palette.setColor(QPalette::Light, QColor(3, 0, 0));
        palette.setColor(QPalette::WindowText, QColor(4, 0, 0));
        palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(5, 0, 0));
        palette.setColor(QPalette::ToolTipBase, QColor(6, 0, 0));
        QCOMPARE(ToQColor(TColor(value), palette), expected);
    }

    void bevelPixels_data() {
        QTest::addColumn<TBevelCut>("bevel");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<int>("expected"); // 0 fill, 1 shadow, 2 highlight
        const auto lowered = TBevelCut::bvLowered;
        QTest::newRow("top left corner") << lowered << QPoint(0, 0) << 1;
        QTest::newRow("left column") << lowered << QPoint(0, 16) << 1;
        QTest::newRow("left column bottom") << lowered << QPoint(0, 32) << 2;
        QTest::newRow("top row") << lowered << QPoint(40, 0) << 1;
        QTest::newRow("top row rightmost") << lowered << QPoint(80, 0) << 2;
        QTest::newRow("right column") << lowered << QPoint(80, 16) << 2;
        QTest::newRow("bottom row") << lowered << QPoint(40, 32) << 2;
        QTest::newRow("bottom right corner") << lowered << QPoint(80, 32) << 2;
        QTest::newRow("just inside") << lowered << QPoint(1, 1) << 0;
        QTest::newRow("inside bottom right") << lowered << QPoint(79, 31) << 0;
        QTest::newRow("raised swaps: left") << TBevelCut::bvRaised << QPoint(0, 16) << 2;
        QTest::newRow("raised swaps: bottom") << TBevelCut::bvRaised << QPoint(40, 32) << 1;
        QTest::newRow("space draws as raised") << TBevelCut::bvSpace << QPoint(0, 16) << 2;
        QTest::newRow("none: edge is fill") << TBevelCut::bvNone << QPoint(0, 0) << 0;
    }
    void bevelPixels() {
        QFETCH(TBevelCut, bevel);
        QFETCH(QPoint, pixel);
        QFETCH(int, expected);
        TVxPanel cell;
        makeCell(cell);
        cell.SetBevelOuter(bevel);
        const QRgb colours[] = {qRgb(193, 235, 255), ToQColor(clBtnShadow, cell.palette()).rgb(),
                                ToQColor(clBtnHighlight, cell.palette()).rgb()};
        QCOMPARE(picture(cell).pixel(pixel), colours[expected]);
    }

    void sharedBevelLinesKeepOneWidth_data() {
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<int>("lineWidth"); // in device pixels
        QTest::newRow("1") << 1.0 << 1;
        QTest::newRow("1.1") << 1.1 << 1;
        QTest::newRow("1.2") << 1.2 << 1;
        QTest::newRow("1.25") << 1.25 << 1;
        QTest::newRow("1.333 (128 dpi)") << 128.0 / 96 << 1;
        QTest::newRow("1.5") << 1.5 << 1;
        QTest::newRow("1.6") << 1.6 << 1;
        QTest::newRow("1.75") << 1.75 << 1;
        QTest::newRow("1.9") << 1.9 << 1;
        QTest::newRow("2") << 2.0 << 2;
    }
    // Cells overlapping by one pixel, as the window lays them out, stacked in no particular order:
    // every line is one colour and equally wide, with nothing but the exact fill between lines.
    void sharedBevelLinesKeepOneWidth() {
        QFETCH(qreal, ratio);
        QFETCH(int, lineWidth);
        QWidget grid;
        grid.resize(270, 130);
        QList<QRgb> lineColours;
        for (const int index : {4, 0, 8, 2, 6, 1, 3, 5, 7}) {
            auto* cell = new TVxPanel(&grid);
            makeCell(*cell);
            cell->move(8 + 80 * (index % 3), 16 + 32 * (index / 3));
            lineColours = {ToQColor(clBtnShadow, cell->palette()).rgb(),
                           ToQColor(clBtnHighlight, cell->palette()).rgb()};
        }
        QImage image(QSize(qCeil(270 * ratio), qCeil(130 * ratio)), QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        grid.render(&image);

        // Across the cells just below their top lines, and down just right of their left lines.
        const int row = qFloor(18.5 * ratio);
        const int column = qFloor(11.5 * ratio);
        for (const bool across : {true, false}) {
            const int length = across ? image.width() : image.height();
            QList<int> widths;
            QRgb previous = 0;
            int first = -1, last = -1;
            for (int i = 0; i < length; ++i) {
                const QRgb pixel = across ? image.pixel(i, row) : image.pixel(column, i);
                if (lineColours.contains(pixel)) {
                    if (pixel == previous)
                        ++widths.last();
                    else
                        widths << 1;
                    first = first < 0 ? i : first;
                    last = i;
                }
                previous = pixel;
            }
            QCOMPARE(widths, QList<int>(4, lineWidth));
            for (int i = first; i <= last; ++i) {
                const QRgb pixel = across ? image.pixel(i, row) : image.pixel(column, i);
                QVERIFY2(lineColours.contains(pixel) || pixel == qRgb(193, 235, 255),
                         "a blended or foreign colour between the lines");
            }
        }
    }

    void everyPixelIsPainted() {
        TVxPanel cell;
        makeCell(cell);
        cell.SetCaption(QStringLiteral("X = 0.00\rY = 0.00"));
        QImage image(cell.size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        cell.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                QVERIFY2(image.pixel(x, y) != qRgb(255, 0, 255), "left unpainted");
    }

    void cellTextShowsTwoCentredLines_data() {
        QTest::addColumn<QString>("caption");
        QTest::newRow("carriage return") << QStringLiteral("X = 0.00\rY = 0.00");
        QTest::newRow("line feed") << QStringLiteral("X = 0.00\nY = 0.00");
        QTest::newRow("both") << QStringLiteral("X = 0.00\r\nY = 0.00");
        // Each line is centred on its own, not the block as a whole.
        QTest::newRow("lines of different widths") << QStringLiteral("X = -10299.00\rY = 0.00");
    }
    void cellTextShowsTwoCentredLines() {
        QFETCH(QString, caption);
        TVxPanel cell;
        makeCell(cell);
        cell.SetCaption(caption);
        const QImage image = picture(cell);
        const int lineHeight = QFontMetrics(cellFont()).height();
        const int top = (33 - 2 * lineHeight) / 2;
        const QRect first = inkBounds(image, top, top + lineHeight - 1);
        const QRect second = inkBounds(image, top + lineHeight, top + 2 * lineHeight - 1);
        QVERIFY(!first.isEmpty() && !second.isEmpty());
        QCOMPARE(inkBounds(image), first | second);
        QVERIFY2(qAbs(first.left() + first.right() - 80) <= 2, "first line off centre");
        QVERIFY2(qAbs(second.left() + second.right() - 80) <= 2, "second line off centre");
    }

    void blockTallerThanCellIsCutAtBothEnds() {
        // Three lines are 36 pixels: the block starts (33 - 36) div 2 = -1, not -2, above the cell.
        const QString caption = QStringLiteral("first line\rsecond line\rthird line");
        TVxPanel cell;
        makeCell(cell);
        cell.SetCaption(caption);
        TVxPanel tall;
        makeCell(tall);
        tall.resize(81, 81);
        tall.SetCaption(caption);
        const int lineHeight = QFontMetrics(cellFont()).height();
        QCOMPARE(lineHeight * 3, 36);
        const QImage cut = picture(cell);
        const QImage whole = picture(tall);
        const int shift = (81 - 36) / 2 - (33 - 36) / 2;
        for (int y = 1; y < 32; ++y)
            for (int x = 1; x < 80; ++x)
                QCOMPARE(cut.pixel(x, y), whole.pixel(x, y + shift));
        QVERIFY2(!inkBounds(cut, 32, 32).isEmpty(), "the last line covers the bottom bevel");
    }

    void widestCellTextsStayOnTwoLines_data() {
        QTest::addColumn<QString>("caption");
        QTest::newRow("negative") << QStringLiteral("X = -10299.00\rY = -10299.00");
        QTest::newRow("positive") << QStringLiteral("X = 10299.00\rY = 10299.00");
    }
    void widestCellTextsStayOnTwoLines() {
        QFETCH(QString, caption);
        const TCaptionLayout layout =
            LayoutCaption(caption, cellFont(), 79, TCaptionWrap::WordBreak);
        QCOMPARE(layout.lines.size(), 2);
    }

    void greyTextWhenDisabled_data() {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<quint32>("fontColor");
        QTest::addColumn<quint32>("textColor");
        const quint32 darkRed = TColor::FromRgb(160, 0, 0).Value();
        QTest::newRow("enabled") << true << clWindowText.Value() << clWindowText.Value();
        QTest::newRow("disabled") << false << clWindowText.Value() << clGrayText.Value();
        QTest::newRow("enabled, own font colour") << true << darkRed << darkRed;
        QTest::newRow("disabled, own font colour") << false << darkRed << clGrayText.Value();
    }
    void greyTextWhenDisabled() {
        QFETCH(bool, enabled);
        QFETCH(quint32, fontColor);
        QFETCH(quint32, textColor);
        TVxPanel cell;
        makeCell(cell);
        cell.SetCaption(QStringLiteral("HIH"));
        cell.SetFontColor(TColor(fontColor));
        cell.setEnabled(enabled);
        // A grey that reads on the cell's colour, so it stands as it is.
        QPalette readableGrey = cell.palette();
        readableGrey.setColor(QPalette::Disabled, QPalette::WindowText, QColor(96, 96, 96));
        cell.setPalette(readableGrey);
        const QColor text = ToQColor(TColor(textColor), cell.palette());
        const QImage image = picture(cell);
        int textPixels = 0;
        for (int y = 1; y < 32; ++y)
            for (int x = 1; x < 80; ++x)
                textPixels += image.pixel(x, y) == text.rgb();
        QVERIFY(textPixels > 10);
    }

    // The underline sits one pixel below the glyphs' bottom, with a clear row between, and
    // only under the marked character.
    void ampersandUnderlinesTheNextCharacter() {
        TVxPanel plain;
        makeCell(plain);
        plain.SetCaption(QStringLiteral("XY"));
        TVxPanel marked;
        makeCell(marked);
        marked.SetCaption(QStringLiteral("X&Y"));
        const QImage markedImage = picture(marked);
        const QRect glyphs = inkBounds(picture(plain));
        QCOMPARE(inkBounds(markedImage, 0, glyphs.bottom()), glyphs);
        QVERIFY2(inkBounds(markedImage, glyphs.bottom() + 1, glyphs.bottom() + 1).isEmpty(),
                 "the underline touches the glyphs");
        const QRect underline = inkBounds(markedImage, glyphs.bottom() + 2);
        QCOMPARE(underline.top(), glyphs.bottom() + 2);
        QCOMPARE(underline.height(), 1);
        const int yStarts = glyphs.left() + CaptionTextWidth(u"X"_s, cellFont());
        QCOMPARE(underline.left(), yStarts);
        QCOMPARE(underline.width(),
                 CaptionTextWidth(u"XY"_s, cellFont()) - CaptionTextWidth(u"X"_s, cellFont()));
    }

    // A right-aligned caption ends where the bevels and the border end; a left-aligned one starts
    // there. Ink is compared with the same caption drawn at the very left of a bare panel.
    void alignedCaptionKeepsClearOfTheBevels_data() {
        QTest::addColumn<TAlignment>("alignment");
        QTest::addColumn<TBevelCut>("outer");
        QTest::addColumn<TBevelCut>("inner");
        QTest::addColumn<int>("bevelWidth");
        QTest::addColumn<int>("borderWidth");
        QTest::addColumn<int>("inset");
        const auto right = TAlignment::taRightJustify;
        const auto left = TAlignment::taLeftJustify;
        const auto none = TBevelCut::bvNone;
        const auto lowered = TBevelCut::bvLowered;
        const auto raised = TBevelCut::bvRaised;
        QTest::newRow("right, cell bevel") << right << lowered << none << 1 << 0 << 1;
        QTest::newRow("right, no bevel") << right << none << none << 1 << 0 << 0;
        QTest::newRow("right, border only") << right << none << none << 1 << 3 << 3;
        QTest::newRow("right, both bevels") << right << lowered << raised << 2 << 0 << 4;
        QTest::newRow("right, all") << right << raised << lowered << 2 << 3 << 7;
        QTest::newRow("left, cell bevel") << left << lowered << none << 1 << 0 << 1;
        QTest::newRow("left, all") << left << raised << lowered << 2 << 3 << 7;
    }
    void alignedCaptionKeepsClearOfTheBevels() {
        QFETCH(TAlignment, alignment);
        QFETCH(TBevelCut, outer);
        QFETCH(TBevelCut, inner);
        QFETCH(int, bevelWidth);
        QFETCH(int, borderWidth);
        QFETCH(int, inset);
        const QString caption = QStringLiteral("HIH");
        TVxPanel bare;
        makeCell(bare);
        bare.SetBevelOuter(TBevelCut::bvNone);
        bare.SetAlignment(TAlignment::taLeftJustify);
        bare.SetCaption(caption);
        const QRect atLeft = inkBounds(picture(bare));

        TVxPanel cell;
        makeCell(cell);
        cell.SetAlignment(alignment);
        cell.SetBevelOuter(outer);
        cell.SetBevelInner(inner);
        cell.SetBevelWidth(bevelWidth);
        cell.SetBorderWidth(borderWidth);
        cell.SetCaption(caption);
        const int textWidth = CaptionTextWidth(caption, cellFont());
        const int blockLeft =
            alignment == TAlignment::taLeftJustify ? inset : 81 - textWidth - inset;
        QCOMPARE(inkBounds(picture(cell)), atLeft.translated(blockLeft, 0));
    }

    void hoverColours_data() {
        QTest::addColumn<quint32>("normal");
        QTest::addColumn<quint32>("hot");
        QTest::addColumn<QColor>("hotFill");
        QTest::newRow("start cell")
            << clMoneyGreen.Value() << clMoneyGreen.Value() << QColor(192, 220, 192);
        QTest::newRow("axis cell")
            << axisColor.Value() << axisColor.Value() << QColor(140, 218, 255);
        QTest::newRow("quadrant cell")
            << quadrantColor.Value() << axisColor.Value() << QColor(140, 218, 255);
    }
    void hoverColours() {
        QFETCH(quint32, normal);
        QFETCH(quint32, hot);
        QFETCH(QColor, hotFill);
        TVxPanel cell;
        makeCell(cell, TColor(normal), TColor(hot));
        cell.SetCaption(QStringLiteral("X = 0.00\rY = 0.00"));
        const QImage before = picture(cell);
        // Keep the pointer poll from letting the cell go while the test looks at it.
        TVxMouseTimer::SetPointerSource([&cell] { return cell.mapToGlobal(QPoint(40, 16)); });

        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(&cell, &enter);
        const QImage during = picture(cell);
        QCOMPARE(during.pixel(2, 2), hotFill.rgb());
        QCOMPARE(inkBounds(during), inkBounds(before));
        QCOMPARE(during.pixel(0, 0), before.pixel(0, 0));
        QCOMPARE(during.pixel(80, 32), before.pixel(80, 32));

        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&cell, &leave);
        QCOMPARE(cell.Color(), TColor(normal));
        QCOMPARE(picture(cell).pixel(2, 2), before.pixel(2, 2));
        TVxMouseTimer::SetPointerSource({});
    }

    void repaintsOnlyWhenSomethingChanged() {
        QWidget window;
        // Away from the pointer, whose enter would repaint the cell in its hot colour.
        window.setGeometry(QRect(QCursor::pos() + QPoint(100, 100), QSize(200, 60)));
        TVxPanel cell(&window);
        makeCell(cell);
        TVxPanel neighbour(&window);
        makeCell(neighbour);
        neighbour.move(100, 0);
        CountPaints cellPaints;
        CountPaints neighbourPaints;
        cell.installEventFilter(&cellPaints);
        neighbour.installEventFilter(&neighbourPaints);
        cell.SetCaption(QStringLiteral("X = 0.00\rY = 0.00"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(cellPaints.paints > 0);

        // The neighbour's repaint flushes whatever is pending for the window, so once it has been
        // painted, a cell that had been marked would have been painted too.
        const auto flush = [&] {
            const int before = neighbourPaints.paints;
            neighbour.SetCaption(neighbour.Caption() + QLatin1Char('1'));
            QTRY_VERIFY(neighbourPaints.paints > before);
        };
        flush();
        int painted = cellPaints.paints;
        cell.SetCaption(QStringLiteral("X = 0.00\rY = 0.00"));
        cell.SetCaption(std::string_view("X = 0.00\rY = 0.00"));
        cell.SetColor(quadrantColor);
        cell.SetMultiLine(true);
        flush();
        QCOMPARE(cellPaints.paints, painted);

        cell.SetCaption(QStringLiteral("X = 1.00\rY = 0.00"));
        cell.SetCaption(QStringLiteral("X = 2.00\rY = 0.00"));
        cell.SetColor(axisColor);
        QTRY_COMPARE(cellPaints.paints, painted + 1);
        flush();
        QCOMPARE(cellPaints.paints, painted + 1);
    }

    void captionLayout_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("widthOf"); // the available width is this text's width
        QTest::addColumn<QStringList>("lines");
        const QString roomy = QStringLiteral("a line wide enough for everything");
        QTest::newRow("one line") << QStringLiteral("X = 0.00") << roomy
                                  << QStringList{QStringLiteral("X = 0.00")};
        QTest::newRow("empty line between breaks")
            << QStringLiteral("a\r\rb") << roomy << QStringList{u"a"_s, QString(), u"b"_s};
        QTest::newRow("CR LF is one break")
            << QStringLiteral("a\r\nb") << roomy << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("LF CR is two")
            << QStringLiteral("a\n\rb") << roomy << QStringList{u"a"_s, QString(), u"b"_s};
        QTest::newRow("final break adds no line")
            << QStringLiteral("a\r") << roomy << QStringList{u"a"_s};
        QTest::newRow("breaks after last word that fits")
            << QStringLiteral("one two three") << QStringLiteral("one two th")
            << QStringList{u"one two"_s, u"three"_s};
        QTest::newRow("blanks at a break are dropped")
            << QStringLiteral("one   two") << QStringLiteral("one  ")
            << QStringList{u"one"_s, u"two"_s};
        QTest::newRow("blanks too wide for the line stay on it")
            << QStringLiteral("      ") << QStringLiteral("  ") << QStringList{u"      "_s};
        QTest::newRow("leading blanks stay")
            << QStringLiteral("  one") << roomy << QStringList{u"  one"_s};
        QTest::newRow("too wide word stands alone")
            << QStringLiteral("a enormous b") << QStringLiteral("a eno")
            << QStringList{u"a"_s, u"enormous"_s, u"b"_s};
        QTest::newRow("ampersands") << QStringLiteral("&a&&b&") << roomy << QStringList{u"a&b"_s};
    }
    void captionLayout() {
        QFETCH(QString, caption);
        QFETCH(QString, widthOf);
        QFETCH(QStringList, lines);
        const TCaptionLayout layout = LayoutCaption(
            caption, cellFont(), CaptionTextWidth(widthOf, cellFont()), TCaptionWrap::WordBreak);
        QStringList shown;
        int widest = 0;
        for (const TCaptionLine& line : layout.lines) {
            shown << line.text;
            widest = qMax(widest, line.width);
        }
        QCOMPARE(shown, lines);
        QCOMPARE(layout.size, QSize(widest, int(lines.size()) * QFontMetrics(cellFont()).height()));
    }

    void mnemonicsTabsAndSingleLine() {
        const QFont font = cellFont();
        const TCaptionLayout marked =
            LayoutCaption(u"&a&&b&c"_s, font, 1000, TCaptionWrap::WordBreak);
        QCOMPARE(marked.lines.at(0).underlined, (QList<qsizetype>{0, 3}));

        const int tab = 8 * QFontMetrics(font).averageCharWidth();
        QCOMPARE(CaptionTextWidth(u"\tb"_s, font), tab + CaptionTextWidth(u"b"_s, font));
        QCOMPARE(CaptionTextWidth(u"a\t\t"_s, font), 2 * tab);

        const TCaptionLayout single =
            LayoutCaption(u"one\r\ntwo\rthree four"_s, font, 10, TCaptionWrap::SingleLine);
        QCOMPARE(single.lines.size(), 1);
        QCOMPARE(single.lines.at(0).text, u"one two three four"_s);
    }
};

QTEST_MAIN(TestVxPanel)
#include "tst_vxpanel.moc"
