#include "app/Application.h"
#include "app/Form1.h"
#include "app/desktop/ClientTitleBar.h"
#include "calc/CellName.h"
#include "calc/ErrorReport.h"
#include "calc/FloatingPointMode.h"
#include "calc/LocaleSeparators.h"
#include "widgets/CurrEdit.h"
#include "widgets/LinkLabel.h"
#include "widgets/VxPanel.h"

#include "TextContrast.h"
#include "UrlRecorder.h"

#include <QClipboard>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtMath>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <ranges>

using namespace vexto;
using namespace Qt::StringLiterals;

namespace {

// The rows from `top` to `bottom` that hold strong ink in the columns `left` to `right`: pixels far
// darker than the window's background (the link's blue as well as the labels' black).
QList<int> inkRows(const QImage& image, QRgb background, int left, int right, int top, int bottom) {
    QList<int> rows;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            if (qGray(background) - qGray(image.pixel(x, y)) > 100) {
                rows << y;
                break;
            }
        }
    }
    return rows;
}

// A desktop's colour scheme as Qt hands it to the program: the window and its text, the fields'
// base and text, the selection, and the grey of disabled text.
QPalette colourScheme(QColor window, QColor text, QColor base, QColor highlight,
                      QColor highlightedText, QColor greyText) {
    // The button face a shade off the window, as schemes often have it; Vexto's window takes the
    // button face.
    QPalette scheme(text, window.lighter(112), window.lighter(150), window.darker(150),
                    window.darker(120), text, Qt::white, base, window);
    scheme.setColor(QPalette::Highlight, highlight);
    scheme.setColor(QPalette::HighlightedText, highlightedText);
    scheme.setColor(QPalette::Disabled, QPalette::WindowText, greyText);
    scheme.setColor(QPalette::Disabled, QPalette::Text, greyText);
    return scheme;
}

QString cellText(const char* x, const char* y) {
    return QStringLiteral("X = %1\rY = %2").arg(QLatin1StringView(x), QLatin1StringView(y));
}

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void cellsShowTheFieldsGridFromTheStart_data();
    void cellsShowTheFieldsGridFromTheStart();
    void controlsSitAtTheirLayoutGeometry_data();
    void controlsSitAtTheirLayoutGeometry();
    void windowIsFixedWithoutTitleBarButtons();
    void cellColoursFollowTheirRegion_data();
    void cellColoursFollowTheirRegion();
    void fieldsStartWithTheirBoundsAndValues_data();
    void fieldsStartWithTheirBoundsAndValues();
    void linkIsBlueAndUnderlined();
    void paintedTextsReadInEveryScheme_data();
    void paintedTextsReadInEveryScheme();
    void oneKeystrokeRefreshesEveryCell_data();
    void oneKeystrokeRefreshesEveryCell();
    void workedExampleShowsThroughTheFields();
    void commaLocaleReadsAndWritesCommas();
    void tabCyclesThroughInputsAndButton();
    void unreadableFieldReportsErrorAndKeepsCells();
    void linkOpensTheWebsite();
    void linkGlyphsShareTheInformationTextsFourthLine();
    void linkKeepsToTheBaselineAtEveryScale_data();
    void linkKeepsToTheBaselineAtEveryScale();
    void endProgramAndWindowCloseTerminate();

private:
    template <typename Widget> Widget* control(const char* name) const {
        return m_form->findChild<Widget*>(QString::fromLatin1(name));
    }
    TCurrencyEdit* field(const char* name) const { return control<TCurrencyEdit>(name); }
    TVxPanel* cell(CellName name) const {
        return control<TVxPanel>(std::string(nameOf(name)).c_str());
    }
    void showForm();

    QPalette m_lightScheme;
    QTemporaryDir m_runtimeDirectory;
    std::unique_ptr<TApplication> m_application;
    std::unique_ptr<TForm1> m_form;
    QStringList m_reported;
};

void TestForm1::initTestCase() {
    SetFloatingPointMode();
    m_lightScheme = QApplication::palette();
    // The window's single-instance guard keeps its objects here, away from the user's own.
    QVERIFY(m_runtimeDirectory.isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtimeDirectory.path()));
}

void TestForm1::init() {
    SetCurrentSeparators({});
    m_reported.clear();
    SetErrorReport([this](const std::exception& error) {
        m_reported << QString::fromLocal8Bit(error.what());
    });
    TCustomNumEdit::SetBeepHandler([] {});
    m_application = std::make_unique<TApplication>();
    m_form = std::make_unique<TForm1>(*m_application);
}

void TestForm1::cleanup() {
    m_form.reset();
    QApplication::setPalette(m_lightScheme);
    m_application.reset();
    SetErrorReport(nullptr);
    TCustomNumEdit::SetBeepHandler(nullptr);
}

void TestForm1::showForm() {
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
}

void TestForm1::cellsShowTheFieldsGridFromTheStart_data() {
    QTest::addColumn<char>("decimal");
    QTest::addColumn<QStringList>("copiedRows"); // cell, X and Y, as Ctrl+Shift+C writes them

    // X 0, Y 0, scale 1: a length of 8 per column to the right, a width of 4 per row up.
    QTest::newRow("full stop") << '.'
                               << QStringList{u"PStart\t0.00\t0.00"_s, u"R1\t8.00\t0.00"_s,
                                              u"LU9\t-24.00\t12.00"_s, u"RD9\t24.00\t-12.00"_s};
    QTest::newRow("comma") << ','
                           << QStringList{u"PStart\t0,00\t0,00"_s, u"R1\t8,00\t0,00"_s,
                                          u"LU9\t-24,00\t12,00"_s, u"RD9\t24,00\t-12,00"_s};
}

void TestForm1::cellsShowTheFieldsGridFromTheStart() {
    QFETCH(char, decimal);
    QFETCH(QStringList, copiedRows);
    SetCurrentSeparators({decimal, decimal == ',' ? '.' : ','});
    m_form.reset();
    m_form = std::make_unique<TForm1>(*m_application);
    const auto shown = [this](const QString& row) {
        const QStringList columns = row.split(u'\t');
        return control<TVxPanel>(columns[0].toLatin1().constData())->Caption() ==
               QStringLiteral("X = %1\rY = %2").arg(columns[1], columns[2]);
    };
    for (const QString& row : copiedRows)
        QVERIFY2(shown(row), qPrintable(row));

    QSignalSpy changes(field("X"), &TCurrencyEdit::OnChange);
    showForm();
    QTRY_COMPARE(QApplication::focusWidget(), field("X"));
    QCOMPARE(changes.size(), 0);
    QCOMPARE(field("X")->text(), QString());
    for (const QString& row : copiedRows)
        QVERIFY2(shown(row), qPrintable(row));
    QTest::keyClick(field("X"), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    const QString copied = QGuiApplication::clipboard()->text();
    for (const QString& row : copiedRows)
        QVERIFY2(copied.contains(u'\n' + row + u'\n'), qPrintable(copied));

    const auto* notice = control<QLabel>("Label6");
    QVERIFY(notice->text().endsWith(u"v1.00"));
    QCOMPARE(notice->geometry().right(), 7 + 112 - 1);
}

void TestForm1::controlsSitAtTheirLayoutGeometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("rightAligned");

    const auto row = [](const char* name, QRect geometry) {
        QTest::newRow(name) << QString::fromLatin1(name) << geometry << false;
    };
    // Labels size themselves to their text: only their anchor corner is fixed, a null size.
    const auto label = [](const char* name, QPoint corner, bool rightAligned = false) {
        QTest::newRow(name) << QString::fromLatin1(name) << QRect(corner, QSize(0, 0))
                            << rightAligned;
    };
    row("EClose", {488, 424, 81, 25});
    row("GroupBox1", {160, 360, 257, 89});
    row("X", {64, 12, 57, 21});
    row("Y", {64, 36, 57, 21});
    row("S", {64, 60, 57, 21});
    row("L", {176, 28, 57, 21});
    row("W", {176, 52, 57, 21});
    label("Label1", {8, 16});
    label("Label2", {8, 40});
    label("Label3", {8, 64});
    label("Label4", {136, 32});
    label("Label5", {136, 56});
    label("Label7", {240, 32});
    label("Label8", {240, 56});
    label("Label9", {8, 256});
    label("Label10", {384, 256});
    label("Label6", {118, 436}, true);
    row("LU9", {8, 16, 81, 33});
    row("U3", {248, 16, 81, 33});
    row("RU9", {488, 16, 81, 33});
    row("LU6", {8, 48, 81, 33});
    row("PStart", {248, 112, 81, 33});
    row("R1", {328, 112, 81, 33});
    row("LD1", {168, 144, 81, 33});
    row("RD9", {488, 208, 81, 33});
}

void TestForm1::controlsSitAtTheirLayoutGeometry() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(bool, rightAligned);
    const auto* widget = m_form->findChild<QWidget*>(name);
    QVERIFY(widget);
    if (geometry.size().isNull()) {
        QCOMPARE(rightAligned ? widget->geometry().topRight() : widget->pos(), geometry.topLeft());
        const auto* label = qobject_cast<const QLabel*>(widget);
        const QSize text = label->fontMetrics().size(0, label->text());
        QVERIFY(label->width() >= text.width() && label->height() >= text.height());
    } else {
        QCOMPARE(widget->geometry(), geometry);
    }
}

void TestForm1::windowIsFixedWithoutTitleBarButtons() {
    showForm();
    QCOMPARE(m_form->size(), QSize(578, 457));
    QCOMPARE(m_form->minimumSize(), m_form->maximumSize());
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Vexto"));
    const Qt::WindowFlags flags = m_form->windowFlags();
    QVERIFY(!(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                       Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint)));
    // Font height -11: characters 11 pixels high, plain in the window, bold in the cells.
    QCOMPARE(m_form->font().pixelSize(), 11);
    QVERIFY(!m_form->font().bold());
    QCOMPARE(control<TVxPanel>("RD9")->font().pixelSize(), 11);
    QVERIFY(control<TVxPanel>("RD9")->font().bold());

    // The link covers the spaces that start the last line of the information text.
    const auto* link = control<TLinkLabel>("LinkLabel1");
    QCOMPARE(link->x(), 385);
    QCOMPARE(link->text(), QStringLiteral("http://vx.example"));
    QCOMPARE(link->toolTip(), QStringLiteral("Click here to go to the website"));
    const auto* information = control<QLabel>("Label10");
    const QString lastLine = information->text().section(u'\n', 3, 3);
    QCOMPARE(lastLine, QString(31, u' ') + QStringLiteral("(download section)"));
    QCOMPARE(link->y(), 295);
    const int downloadSectionStart =
        information->x() + information->fontMetrics().horizontalAdvance(QString(31, u' '));
    QVERIFY2(link->geometry().right() < downloadSectionStart, "the link hides the text after it");

    const auto* notice = control<QLabel>("Label6");
    QVERIFY(notice->text().endsWith(u"v1.00"));
    QCOMPARE(notice->geometry().right(), 7 + 112 - 1);
}

void TestForm1::cellColoursFollowTheirRegion_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<quint32>("normal");
    QTest::addColumn<quint32>("hot");
    QTest::addColumn<QColor>("fill");

    // The layout's decimal colour values: money green is red 192, green 220, blue 192.
    constexpr quint32 moneyGreen = 192 + 220 * 256 + 192 * 65536;
    constexpr quint32 axisBlue = 16767628;
    constexpr quint32 quadrantBlue = 16772033;
    QTest::newRow("PStart") << u"PStart"_s << moneyGreen << moneyGreen << QColor(192, 220, 192);
    for (const QString& axis : {u"U"_s, u"D"_s, u"L"_s, u"R"_s}) {
        for (int k = 1; k <= 3; ++k) {
            const QString name = axis + QString::number(k);
            QTest::newRow(qPrintable(name))
                << name << axisBlue << axisBlue << QColor(140, 218, 255);
        }
    }
    for (const QString& quadrant : {u"LU"_s, u"RU"_s, u"LD"_s, u"RD"_s}) {
        for (int n = 1; n <= 9; ++n) {
            const QString name = quadrant + QString::number(n);
            QTest::newRow(qPrintable(name))
                << name << quadrantBlue << axisBlue << QColor(193, 235, 255);
        }
    }
}

void TestForm1::cellColoursFollowTheirRegion() {
    QFETCH(QString, name);
    QFETCH(quint32, normal);
    QFETCH(quint32, hot);
    QFETCH(QColor, fill);
    TVxPanel* shown = control<TVxPanel>(name.toLatin1().constData());
    QVERIFY(shown);
    QCOMPARE(shown->Color().Value(), normal);
    QCOMPARE(shown->HotColor().Value(), hot);
    QCOMPARE(shown->grab().toImage().pixelColor(3, 3), fill);
}

void TestForm1::fieldsStartWithTheirBoundsAndValues_data() {
    // Bounds and value as the layout writes them; each means the extended number nearest to it.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("minValue");
    QTest::addColumn<QByteArray>("maxValue");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("shown");

    const auto row = [](const char* name, const char* minValue, const char* maxValue,
                        const char* value, const char* shown) {
        QTest::newRow(name) << QString::fromLatin1(name) << QByteArray(minValue)
                            << QByteArray(maxValue) << QByteArray(value)
                            << QString::fromLatin1(shown);
    };
    row("X", "-9999", "9999", "0", "0.00");
    row("Y", "-9999", "9999", "0", "0.00");
    row("S", "0.1", "10", "1", "1.00");
    row("L", "0.1", "10", "8", "8.00");
    row("W", "0.1", "10", "4", "4.00");
}

void TestForm1::fieldsStartWithTheirBoundsAndValues() {
    QFETCH(QString, name);
    QFETCH(QByteArray, minValue);
    QFETCH(QByteArray, maxValue);
    QFETCH(QByteArray, value);
    QFETCH(QString, shown);
    const auto exact = [](const QByteArray& text) {
        return std::strtold(text.constData(), nullptr);
    };
    TCurrencyEdit* input = field(name.toLatin1().constData());
    QVERIFY(input->MinValue() == exact(minValue));
    QVERIFY(input->MaxValue() == exact(maxValue));
    QVERIFY(input->Value() == exact(value));
    QCOMPARE(input->DisplayFormat(), u"0.00"_s);
    QCOMPARE(input->ComposeDisplayText(), shown);
}

void TestForm1::linkIsBlueAndUnderlined() {
    auto* link = control<TLinkLabel>("LinkLabel1");
    QVERIFY(link->font().underline());
    const QImage image = link->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // The underline is the one row in pure blue from the text's first pixel to its last.
    const int textWidth = link->fontMetrics().horizontalAdvance(link->text());
    int underline = -1;
    for (int y = 0; y < image.height(); ++y) {
        int blue = 0;
        for (int x = 0; x < textWidth; ++x)
            blue += image.pixel(x, y) == qRgb(0, 0, 255);
        if (blue >= textWidth - 1) {
            QCOMPARE(underline, -1);
            underline = y;
        }
    }
    QVERIFY(underline > 0);
    // One clear row between the underline and the foot of the first letter, an h.
    const int firstLetter = link->fontMetrics().horizontalAdvance(link->text().left(1));
    int foot = -1;
    for (int y = 0; y < underline; ++y) {
        for (int x = 0; x < firstLetter; ++x) {
            if (qGray(image.pixel(x, y)) < 150)
                foot = y;
        }
    }
    QCOMPARE(foot, underline - 2);
}

void TestForm1::paintedTextsReadInEveryScheme_data() {
    QTest::addColumn<QPalette>("scheme");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("ground"); // the layout's own, where it must stand
    QTest::addColumn<QColor>("ink");    // where the scheme's or the layout's colour must stand

    const QList<std::pair<const char*, QPalette>> schemes = {
        {"light", m_lightScheme},
        {"GNOME dark",
         colourScheme(QColor(0x32, 0x32, 0x32), QColor(0xF0, 0xF0, 0xF0), QColor(0x2D, 0x2D, 0x2D),
                      QColor(0x15, 0x53, 0x9E), Qt::white, QColor(0x91, 0x91, 0x90))},
        {"dark", colourScheme(QColor(0x35, 0x35, 0x35), Qt::white, QColor(0x2A, 0x2A, 0x2A),
                              QColor(0x2A, 0x82, 0xDA), Qt::black, QColor(0x7F, 0x7F, 0x7F))},
        {"high contrast", colourScheme(Qt::black, Qt::white, Qt::black, QColor(0x1A, 0xEB, 0xFF),
                                       Qt::black, QColor(0x3F, 0xF2, 0x3F))},
    };
    const QColor green(192, 220, 192), axisBlue(140, 218, 255), quadrantBlue(193, 235, 255);
    for (const auto& [name, scheme] : schemes) {
        // The light scheme's own text colour reads on the cells; a dark scheme's gives way to
        // black.
        const bool light = name == std::string_view("light");
        const QColor windowText = light ? scheme.color(QPalette::WindowText) : QColor(Qt::black);
        const auto row = [&](const char* text, QColor ground, QColor ink) {
            QTest::addRow("%s, %s", name, text)
                << scheme << QString::fromLatin1(text) << ground << ink;
        };
        row("start cell", green, windowText);
        row("axis cell", axisBlue, windowText);
        row("quadrant cell", quadrantBlue, windowText);
        row("hot quadrant cell", axisBlue, windowText);
        row("disabled cell", quadrantBlue, {});
        row("link", {}, light ? QColor(0, 0, 255) : QColor());
        row("field", {}, {});
        row("active title", {}, {});
        row("inactive title", {}, {});
    }
}

void TestForm1::paintedTextsReadInEveryScheme() {
    QFETCH(QPalette, scheme);
    QFETCH(QString, text);
    QFETCH(QColor, ground);
    QFETCH(QColor, ink);
    // Changed while the window exists, as a desktop does at sunset.
    QApplication::setPalette(scheme);
    const bool title = text.endsWith(u"title");
    const auto* bar = title ? new ClientTitleBar(*m_form) : nullptr;
    showForm();
    QWidget otherWindow;
    if (text == u"inactive title") {
        otherWindow.show();
        QVERIFY(QTest::qWaitForWindowActive(&otherWindow));
    }

    QRect region;
    if (text.endsWith(u"cell")) {
        TVxPanel* shown = text.startsWith(u"start")  ? cell(CellName::PStart)
                          : text.startsWith(u"axis") ? cell(CellName::R1)
                                                     : cell(CellName::LU1);
        if (text.startsWith(u"hot"))
            shown->MouseEnter(nullptr);
        shown->setEnabled(!text.startsWith(u"disabled"));
        region = shown->geometry().adjusted(2, 2, -2, -2);
    } else if (text == u"link") {
        region = control<TLinkLabel>("LinkLabel1")->geometry();
    } else if (text == u"field") {
        const TCurrencyEdit* unfocused = field("Y");
        region =
            QRect(unfocused->mapTo(m_form.get(), QPoint(3, 3)), unfocused->size() - QSize(6, 6));
    } else {
        // Right of the icon, which has colours of its own.
        region = bar->geometry().adjusted(24, 0, 0, 0);
    }
    const QImage image = m_form->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const MeasuredText measured = MeasureText(image, region);
    qInfo("%s on %s: %.2f : 1", qPrintable(measured.ink.name()), qPrintable(measured.ground.name()),
          measured.contrast);
    QVERIFY2(measured.contrast >= 4.5, qPrintable(QString::number(measured.contrast)));
    if (ground.isValid())
        QCOMPARE(measured.ground, ground);
    if (ink.isValid())
        QCOMPARE(measured.ink, ink);
    // The window itself takes the new scheme's button face.
    QCOMPARE(image.pixelColor(2, image.height() - 3).name(), scheme.color(QPalette::Button).name());
}

void TestForm1::oneKeystrokeRefreshesEveryCell_data() {
    QTest::addColumn<QStringList>("presets"); // field name, text, field name, text...
    QTest::addColumn<QString>("fieldName");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("columnXs"); // x of the columns, left to right
    QTest::addColumn<QStringList>("rowYs");    // y of the rows, bottom to top

    const QStringList lengthSteps{u"-24.00"_s, u"-16.00"_s, u"-8.00"_s, u"0.00"_s,
                                  u"8.00"_s,   u"16.00"_s,  u"24.00"_s};
    const QStringList widthSteps{u"-12.00"_s, u"-8.00"_s, u"-4.00"_s, u"0.00"_s,
                                 u"4.00"_s,   u"8.00"_s,  u"12.00"_s};
    QTest::newRow("X 7") << QStringList() << u"X"_s << u"7"_s
                         << QStringList{u"-17.00"_s, u"-9.00"_s, u"-1.00"_s, u"7.00"_s,
                                        u"15.00"_s,  u"23.00"_s, u"31.00"_s}
                         << widthSteps;
    // A lone minus sign is negative zero: the start row shows 0.00, not -0.00.
    QTest::newRow("Y minus") << QStringList() << u"Y"_s << u"-"_s << lengthSteps << widthSteps;
    // 15 is clamped to the scale's upper bound, 10.
    QTest::newRow("S 5") << QStringList() << u"S"_s << u"5"_s
                         << QStringList{u"-240.00"_s, u"-160.00"_s, u"-80.00"_s, u"0.00"_s,
                                        u"80.00"_s,   u"160.00"_s,  u"240.00"_s}
                         << QStringList{u"-120.00"_s, u"-80.00"_s, u"-40.00"_s, u"0.00"_s,
                                        u"40.00"_s,   u"80.00"_s,  u"120.00"_s};
    QTest::newRow("L separator") << QStringList() << u"L"_s << u"."_s << lengthSteps << widthSteps;
    QTest::newRow("W 2") << QStringList() << u"W"_s << u"2"_s << lengthSteps
                         << QStringList{u"-30.00"_s, u"-20.00"_s, u"-10.00"_s, u"0.00"_s,
                                        u"10.00"_s,  u"20.00"_s,  u"30.00"_s};
    // Steps of 75.905 put every odd column on a half cent, which the exact binary values
    // decide (0.055 + 7.2e-18 for L3, worked in tst_placementgrid); taking L times 3 before
    // the scale would show 0.05 there.
    QTest::newRow("X 227.77 with S 8.93, L 8.5")
        << QStringList{u"S"_s, u"8.93"_s, u"L"_s, u"8.5"_s, u"X"_s, u"227.7"_s} << u"X"_s << u"7"_s
        << QStringList{u"0.06"_s,   u"75.96"_s,  u"151.87"_s, u"227.77"_s,
                       u"303.68"_s, u"379.58"_s, u"455.49"_s}
        << QStringList{u"-107.16"_s, u"-71.44"_s, u"-35.72"_s, u"0.00"_s,
                       u"35.72"_s,   u"71.44"_s,  u"107.16"_s};
}

void TestForm1::oneKeystrokeRefreshesEveryCell() {
    QFETCH(QStringList, presets);
    QFETCH(QString, fieldName);
    QFETCH(QString, typed);
    QFETCH(QStringList, columnXs);
    QFETCH(QStringList, rowYs);
    for (qsizetype i = 0; i + 1 < presets.size(); i += 2)
        field(presets[i].toLatin1().constData())->SetText(presets[i + 1]);
    showForm();
    TCurrencyEdit* input = field(fieldName.toLatin1().constData());
    input->setFocus();
    QTRY_VERIFY(input->hasFocus());
    input->end(false);
    // Stale texts that only a refresh of all 49 cells replaces, even where the values stay.
    for (const CellName name : allCells())
        cell(name)->SetCaption(QStringLiteral("stale"));
    QTest::keyClicks(input, typed);

    // Each cell shows the x of its column and the y of its row on the screen's grid.
    for (const CellName name : allCells()) {
        const TVxPanel* shown = cell(name);
        const int column = (shown->x() - 8) / 80;
        const int rowFromBottom = 6 - (shown->y() - 16) / 32;
        QCOMPARE(shown->Caption(),
                 QStringLiteral("X = %1\rY = %2").arg(columnXs[column], rowYs[rowFromBottom]));
    }
}

void TestForm1::workedExampleShowsThroughTheFields() {
    showForm();
    const auto type = [](TCurrencyEdit* input, const QString& text) {
        input->setFocus();
        input->selectAll();
        QTest::keyClicks(input, text);
    };
    type(field("X"), QStringLiteral("100"));
    type(field("Y"), QStringLiteral("50"));
    type(field("S"), QStringLiteral("0.5"));
    QCOMPARE(cell(CellName::R1)->Caption(), cellText("104.00", "50.00"));
    QCOMPARE(cell(CellName::LU6)->Caption(), cellText("88.00", "54.00"));
    QCOMPARE(cell(CellName::PStart)->Caption(), cellText("100.00", "50.00"));
}

void TestForm1::commaLocaleReadsAndWritesCommas() {
    SetCurrentSeparators({',', '.'});
    m_form.reset();
    m_form = std::make_unique<TForm1>(*m_application);
    showForm();
    field("X")->setFocus();
    QTest::keyClicks(field("X"), QStringLiteral("1.5"));
    QCOMPARE(field("X")->text(), QStringLiteral("1,5"));
    QCOMPARE(cell(CellName::PStart)->Caption(), cellText("1,50", "0,00"));
    QCOMPARE(cell(CellName::R1)->Caption(), cellText("9,50", "0,00"));
}

void TestForm1::tabCyclesThroughInputsAndButton() {
    showForm();
    QTRY_COMPARE(QApplication::focusWidget(), field("X"));
    const QList<QWidget*> forward = {
        field("Y"), field("S"), field("L"), field("W"), control<QPushButton>("EClose"), field("X")};
    for (QWidget* expected : forward) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), expected);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QTRY_COMPARE(QApplication::focusWidget(), control<QPushButton>("EClose"));

    for (const CellName name : allCells())
        QCOMPARE(cell(name)->focusPolicy(), Qt::NoFocus);
}

void TestForm1::unreadableFieldReportsErrorAndKeepsCells() {
    showForm();
    TCurrencyEdit* x = field("X");
    QTRY_COMPARE(QApplication::focusWidget(), x);
    QTest::keyClicks(x, QStringLiteral("5"));
    QTest::keyClick(x, Qt::Key_Home);
    QTest::keyClicks(x, QStringLiteral("+"));
    QCOMPARE(x->text(), QStringLiteral("+5"));
    const QString cellsBefore = cell(CellName::PStart)->Caption();
    QTest::keyClick(x, Qt::Key_End);
    QTest::keyClick(x, Qt::Key_Backspace); // leaves "+", which does not read
    QCOMPARE(x->text(), QStringLiteral("+"));
    const QString cellsWithUnreadableX = cell(CellName::PStart)->Caption();
    QVERIFY(cellsWithUnreadableX != cellsBefore);

    QTest::keyClick(x, Qt::Key_Tab);
    QCOMPARE(m_reported, QStringList{QStringLiteral("'+' is not a valid floating point value")});
    QTRY_COMPARE(QApplication::focusWidget(), x);
    QCOMPARE(x->selectedText(), QStringLiteral("+"));
    QCOMPARE(cell(CellName::PStart)->Caption(), cellsWithUnreadableX);
}

void TestForm1::linkOpensTheWebsite() {
    const UrlRecorder recorder({QStringLiteral("http")});
    showForm();
    QTest::mousePress(control<TLinkLabel>("LinkLabel1"), Qt::LeftButton);
    QCOMPARE(recorder.opened, QStringList{QStringLiteral("http://vx.example")});
}

// The same letter in both texts, an "l" (a bare stem from the ascender line to the baseline),
// must cover the same rows: the link's glyphs stand on the baseline of "(download section)".
void TestForm1::linkGlyphsShareTheInformationTextsFourthLine() {
    showForm();
    const auto* link = control<TLinkLabel>("LinkLabel1");
    const auto* information = control<QLabel>("Label10");
    QCOMPARE(link->y(), 295);
    QCOMPARE(link->font().pixelSize(), information->font().pixelSize());
    QCOMPARE(link->font().family(), information->font().family());
    const QImage image = m_form->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb background = m_form->palette().color(QPalette::Window).rgb();
    const QFontMetrics metrics = information->fontMetrics();
    const QRect stem = metrics.boundingRect(u'l');
    // The link's rows and a little around them, below the third line's descenders.
    const int top = link->y() - 3;
    const int bottom = link->geometry().bottom() + 3;

    const QString fourthLine = information->text().section(u'\n', 3, 3);
    const int labelL = information->x() + metrics.horizontalAdvance(fourthLine.left(36));
    QCOMPARE(fourthLine.mid(36, 1), QStringLiteral("l"));
    const QList<int> labelRows =
        inkRows(image, background, labelL + stem.left(), labelL + stem.right(), top, bottom);

    const int linkL = link->x() + metrics.horizontalAdvance(link->text().left(15));
    QCOMPARE(link->text().mid(15, 1), QStringLiteral("l"));
    QList<int> linkRows =
        inkRows(image, background, linkL + stem.left(), linkL + stem.right(), top, bottom);
    // The underline is not part of the glyphs: it runs under the whole link.
    const QList<int> underline =
        inkRows(image, background, link->x() + 1, link->geometry().right() - 1, top, bottom);
    for (const int row : underline) {
        bool fullWidth = true;
        for (int x = link->x() + 1; x < link->geometry().right() && fullWidth; ++x)
            fullWidth = qGray(background) - qGray(image.pixel(x, row)) > 100;
        if (fullWidth)
            linkRows.removeAll(row);
    }

    QVERIFY(!labelRows.isEmpty());
    QCOMPARE(linkRows, labelRows);
}

void TestForm1::linkKeepsToTheBaselineAtEveryScale_data() {
    QTest::addColumn<qreal>("ratio");
    for (const qreal ratio : {1.0, 1.1, 1.2, 1.25, 128.0 / 96, 1.5, 1.75, 2.0})
        QTest::newRow(qPrintable(QString::number(ratio, 'g', 4))) << ratio;
}

// The same "l" stems as above, at device pixels, at the ratios desktops scale windows by: their
// lowest rows above the underline, where the glyphs stand, must be the same.
void TestForm1::linkKeepsToTheBaselineAtEveryScale() {
    QFETCH(qreal, ratio);
    const auto* link = control<TLinkLabel>("LinkLabel1");
    const auto* information = control<QLabel>("Label10");
    QImage image(QSize(qCeil(578 * ratio), qCeil(457 * ratio)), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    m_form->render(&image);
    const QRgb background = m_form->palette().color(QPalette::Window).rgb();
    const QFontMetrics metrics = information->fontMetrics();
    const QRect stem = metrics.boundingRect(u'l');
    const auto device = [ratio](int logical) { return qFloor(logical * ratio); };
    const int linkLeft = device(link->x() + 1);
    const int linkRight = device(link->geometry().right()) - 1;
    const auto stemBottom = [&](int left) {
        QList<int> rows = inkRows(image, background, device(left + stem.left()),
                                  device(left + stem.right() + 1) - 1, device(link->y() - 3),
                                  device(link->geometry().bottom() + 4));
        rows.removeIf([&](int row) {
            return std::ranges::all_of(std::views::iota(linkLeft, linkRight + 1), [&](int x) {
                return qGray(background) - qGray(image.pixel(x, row)) > 100;
            });
        });
        return rows.isEmpty() ? -1 : rows.last();
    };

    const QString fourthLine = information->text().section(u'\n', 3, 3);
    const int labelBottom =
        stemBottom(information->x() + metrics.horizontalAdvance(fourthLine.left(36)));
    QVERIFY(labelBottom > device(link->y()));
    QCOMPARE(stemBottom(link->x() + metrics.horizontalAdvance(link->text().left(15))), labelBottom);
}

void TestForm1::endProgramAndWindowCloseTerminate() {
    showForm();
    TForm1* form = m_form.get();
    m_application->AdoptMainForm(std::move(m_form));
    QVERIFY(!m_application->Terminated());
    QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("EClose")), Qt::LeftButton);
    QVERIFY(m_application->Terminated());
    QVERIFY(!form->isVisible());

    // A close request from the window manager ends the program the same way.
    m_application.reset();
    m_application = std::make_unique<TApplication>();
    m_application->AdoptMainForm(std::make_unique<TForm1>(*m_application));
    m_application->MainForm()->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_application->MainForm()));
    m_application->MainForm()->close();
    QVERIFY(m_application->Terminated());
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
