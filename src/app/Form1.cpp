#include "Form1.h"

#include "Application.h"
#include "PositionCopier.h"
#include "app/desktop/Desktop.h"
#include "app/guard/OneInstance.h"
#include "calc/CoordinateText.h"
#include "calc/ErrorReport.h"
#include "calc/LocaleSeparators.h"
#include "calc/PlacementGrid.h"
#include "widgets/CurrEdit.h"
#include "widgets/LinkLabel.h"
#include "widgets/VxPanel.h"
#include "widgets/WidgetAccessibility.h"
#include "widgets/WindowFont.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

#include <utility>

namespace vexto {

namespace {

constexpr QSize clientSize(578, 457);
constexpr QSize cellSize(81, 33);
constexpr QPoint gridOrigin(8, 16);
// Neighbouring cells overlap by one pixel and so share their bevel line.
constexpr QPoint cellPitch(80, 32);
constexpr QSize inputSize(57, 21);

constexpr TColor axisBlue(16767628);     // red 140, green 218, blue 255
constexpr TColor quadrantBlue(16772033); // red 193, green 235, blue 255

// Short enough to fit the 31 spaces that the information text leaves for it.
const QString websiteAddress = QStringLiteral("vx.example");

struct LabelLayout {
    const char* name;
    QPoint corner; // top left, or top right for a right-aligned label
    QString text;
};

enum class LabelAnchor { Left, Right };

// Labels size themselves to their text, as their layout sizes were measured in another face:
// a left-aligned label keeps its left edge, a right-aligned one its right edge.
QLabel* makeLabel(QWidget* parent, const LabelLayout& layout,
                  LabelAnchor anchor = LabelAnchor::Left) {
    auto* label = new QLabel(layout.text, parent);
    label->setObjectName(QString::fromLatin1(layout.name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment((anchor == LabelAnchor::Left ? Qt::AlignLeft : Qt::AlignRight) |
                        Qt::AlignTop);
    label->adjustSize();
    const int left = anchor == LabelAnchor::Left ? layout.corner.x()
                                                 : layout.corner.x() - label->width() + 1;
    label->move(left, layout.corner.y());
    return label;
}

QPoint cellPosition(CellName cell) {
    const CellOffset offset = offsetOf(cell);
    const int column = offset.column + 3;
    const int row = 3 - offset.row;
    return gridOrigin + QPoint(cellPitch.x() * column, cellPitch.y() * row);
}

} // namespace

TForm1::TForm1(TApplication& application) : m_application(application) {
    InstallWidgetAccessibility();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Vexto"));
    // A fixed dialog-like frame: title only, no system menu, minimise, maximise or close box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(clientSize);
    setFont(WindowFont());
    useButtonFaceAsBackground();
    setAutoFillBackground(true);

    createButton();
    createGroupBox();
    createInputs();
    createLabels();
    createCells();
    bindChangeHandlers();
    nameForAssistiveTechnology();
    new PositionCopier(this, m_cells);

    // The guard decides once the layout is complete and before the cells are filled; a later
    // copy ends here or soon after, without its window ever showing.
    m_oneInstance = new TOneInstance(this, application);
    m_oneInstance->setObjectName(QStringLiteral("OneInstance1"));
    m_oneInstance->Loaded();
    if (application.ShowMainForm()) {
        Desktop::FrameWhereTheDesktopDoesNot(*this);
        Desktop::CentreOnFirstShow(*this);
    }

    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::useButtonFaceAsBackground() {
    // From the application's palette, which a new colour scheme replaces: the window's own has
    // this colour set and so would keep the old scheme's.
    QPalette buttonFace = QApplication::palette(this);
    buttonFace.setColor(QPalette::Window, buttonFace.color(QPalette::Button));
    setPalette(buttonFace);
}

void TForm1::createButton() {
    m_close = new QPushButton(QStringLiteral("End program"), this);
    m_close->setObjectName(QStringLiteral("EClose"));
    m_close->setGeometry(488, 424, 81, 25);
    // Enter presses a focused push button, as Space does.
    m_close->setAutoDefault(true);
    connect(m_close, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { ECloseClick(); }); });
}

void TForm1::createGroupBox() {
    m_groupBox = new QGroupBox(this);
    m_groupBox->setObjectName(QStringLiteral("GroupBox1"));
    m_groupBox->setGeometry(160, 360, 257, 89);
}

TCurrencyEdit* TForm1::createInput(QPoint position, long double minValue, long double maxValue,
                                   long double value) {
    auto* input = new TCurrencyEdit(m_groupBox);
    input->setGeometry(QRect(position, inputSize));
    input->SetDisplayFormat(QStringLiteral("0.00"));
    input->SetMaxValue(maxValue);
    input->SetMinValue(minValue);
    if (value != 0)
        input->SetValue(value);
    return input;
}

void TForm1::createInputs() {
    struct InputLayout {
        InputName name;
        const char* objectName;
        QPoint position;
        long double minValue, maxValue, value;
    };
    // The bounds are the extended numbers nearest to the decimal values.
    const std::array<InputLayout, 5> inputs = {{
        {InputName::X, "X", {64, 12}, -9999.0L, 9999.0L, 0.0L},
        {InputName::Y, "Y", {64, 36}, -9999.0L, 9999.0L, 0.0L},
        {InputName::S, "S", {64, 60}, 0.1L, 10.0L, 1.0L},
        {InputName::L, "L", {176, 28}, 0.1L, 10.0L, 8.0L},
        {InputName::W, "W", {176, 52}, 0.1L, 10.0L, 4.0L},
    }};
    for (const InputLayout& layout : inputs) {
        TCurrencyEdit* input =
            createInput(layout.position, layout.minValue, layout.maxValue, layout.value);
        input->setObjectName(QString::fromLatin1(layout.objectName));
        m_inputs[static_cast<std::size_t>(layout.name)] = input;
    }
    for (std::size_t index = 1; index < m_inputs.size(); ++index)
        setTabOrder(m_inputs[index - 1], m_inputs[index]);
    setTabOrder(m_inputs.back(), m_close);
}

void TForm1::createLabels() {
    const std::array<LabelLayout, 7> groupLabels = {{
        {"Label1", {8, 16}, QStringLiteral("Position X")},
        {"Label2", {8, 40}, QStringLiteral("Position Y")},
        {"Label3", {8, 64}, QStringLiteral("Scale")},
        {"Label4", {136, 32}, QStringLiteral("Length")},
        {"Label5", {136, 56}, QStringLiteral("Width")},
        {"Label7", {240, 32}, QStringLiteral("m")},
        {"Label8", {240, 56}, QStringLiteral("m")},
    }};
    for (const LabelLayout& layout : groupLabels)
        makeLabel(m_groupBox, layout);

    makeLabel(this, {"Label9",
                     {8, 256},
                     QStringLiteral(
                         "Enter values for :\n"
                         "\n"
                         "     - positions X and Y\n"
                         "     - scale\n"
                         "     - length and width of the shield object (standard defined 8x4 m)\n"
                         "\n"
                         "Result : calculated positions for placement of shield copies")});
    makeLabel(this, {"Label10",
                     {384, 256},
                     QStringLiteral("For use width shields made by Tamsk\n"
                                    "\n"
                                    "Download this model package at\n") +
                         QString(31, u' ') + QStringLiteral("(download section)")});
    // Its layout box runs from x = 7 for 112 pixels: the right edge is at 118.
    makeLabel(this, {"Label6", {118, 436}, QStringLiteral("Vexto makers v1.00")},
              LabelAnchor::Right);

    // The link lies over the spaces that open the information text's fourth line, which starts
    // three 13-pixel lines below the label's top: 295.
    auto* link = new TLinkLabel(this);
    link->setObjectName(QStringLiteral("LinkLabel1"));
    link->move(385, 295);
    link->setToolTip(QStringLiteral("Click here to go to the website"));
    link->setText(QStringLiteral("http://") + websiteAddress);
    link->SetLinkType(tLinkType::lthttp);
    link->SetHyperLink(websiteAddress);
    link->adjustSize();
}

void TForm1::createCells() {
    QFont cellFont = WindowFont();
    cellFont.setBold(true);
    for (const CellName cell : allCells()) {
        auto* panel = new TVxPanel(this);
        panel->setObjectName(QString::fromLatin1(nameOf(cell)));
        panel->setGeometry(QRect(cellPosition(cell), cellSize));
        const CellRegion region = regionOf(cell);
        const TColor normal = region == CellRegion::Start  ? clMoneyGreen
                              : region == CellRegion::Axis ? axisBlue
                                                           : quadrantBlue;
        const TColor hot = region == CellRegion::Start ? clMoneyGreen : axisBlue;
        panel->SetColor(normal);
        panel->SetHotColor(hot);
        panel->SetBevelOuter(TBevelCut::bvLowered);
        panel->SetMultiLine(true);
        panel->setFont(cellFont);
        panel->SetCaption(nameOf(cell));
        m_cells[indexOf(cell)] = panel;
    }
}

void TForm1::bindChangeHandlers() {
    for (TCurrencyEdit* input : m_inputs)
        connect(input, &TCurrencyEdit::OnChange, this,
                [this] { RunGuarded([this] { XChange(); }); });
}

void TForm1::nameForAssistiveTechnology() {
    // A field is read out under the name of the label before it.
    const std::array<std::pair<const char*, InputName>, 5> labels = {{
        {"Label1", InputName::X},
        {"Label2", InputName::Y},
        {"Label3", InputName::S},
        {"Label4", InputName::L},
        {"Label5", InputName::W},
    }};
    for (const auto& [label, input] : labels)
        m_groupBox->findChild<QLabel*>(QString::fromLatin1(label))
            ->setBuddy(m_inputs[static_cast<std::size_t>(input)]);
    for (const CellName cell : allCells())
        m_cells[indexOf(cell)]->setAccessibleName(QString::fromLatin1(nameOf(cell)));
}

void TForm1::FormCreate() {
    // The cells show the grid of the fields' starting values from the first moment: zeros would
    // contradict the scale, length and width printed beside them.
    refreshPlacementGrid();
}

void TForm1::FormShow() {
    m_inputs[static_cast<std::size_t>(InputName::X)]->setFocus();
}

void TForm1::XChange() {
    refreshPlacementGrid();
}

void TForm1::refreshPlacementGrid() {
    RefreshPlacementGrid(
        [this](InputName input) { return m_inputs[static_cast<std::size_t>(input)]->Value(); },
        [this](CellName cell, const std::string& text) {
            m_cells[indexOf(cell)]->SetCaption(std::string_view(text));
        },
        CurrentSeparators().decimal);
}

void TForm1::ECloseClick() {
    close();
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The window system's show events come back from minimised, when the focus stays where it
    // was; FormShow runs only when the window itself goes from hidden to visible.
    if (!event->spontaneous())
        RunGuarded([this] { FormShow(); });
}

bool TForm1::event(QEvent* event) {
    // A new colour scheme comes as a new application palette, which never reaches changeEvent.
    if (event->type() == QEvent::ApplicationPaletteChange)
        useButtonFaceAsBackground();
    return QWidget::event(event);
}

void TForm1::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    m_application.HandleMainFormClose(this);
}

} // namespace vexto
