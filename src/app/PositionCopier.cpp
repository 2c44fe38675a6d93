#include "PositionCopier.h"

#include "calc/ErrorReport.h"
#include "calc/PositionTable.h"
#include "widgets/VxPanel.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCursor>
#include <QKeySequence>
#include <QMenu>
#include <QShortcut>

#include <algorithm>

namespace vexto {

namespace {

const QKeySequence copyAllKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_C);

} // namespace

PositionCopier::PositionCopier(QWidget* window, const Cells& cells)
    : QObject(window), m_window(window), m_cells(cells) {
    for (const CellName cell : allCells()) {
        TVxPanel* panel = m_cells[indexOf(cell)];
        panel->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(panel, &QWidget::customContextMenuRequested, this,
                [this, panel, cell](QPoint position) {
                    RunGuarded([&] { openMenu(cell, panel->mapToGlobal(position)); });
                });
    }
    auto* shortcut = new QShortcut(copyAllKeys, window);
    connect(shortcut, &QShortcut::activated, this,
            [this] { RunGuarded([this] { CopyAllPositions(); }); });
    // The context-menu key goes to the widget with the focus, which is never a cell.
    for (QWidget* child : window->findChildren<QWidget*>())
        if (child->focusPolicy() != Qt::NoFocus)
            child->installEventFilter(this);
}

void PositionCopier::createMenu() {
    m_menu = new QMenu(m_window);
    const auto addAction = [this](const QString& text,
                                  void (PositionCopier::*copy)(CellName) const) {
        connect(m_menu->addAction(text), &QAction::triggered, this,
                [this, copy] { RunGuarded([this, copy] { (this->*copy)(m_menuCell); }); });
    };
    addAction(QStringLiteral("Copy X"), &PositionCopier::CopyX);
    addAction(QStringLiteral("Copy Y"), &PositionCopier::CopyY);
    addAction(QStringLiteral("Copy X and Y"), &PositionCopier::CopyXAndY);
    m_menu->addSeparator();
    // The text after the tab is shown as the item's shortcut; the shortcut itself belongs to
    // the window, so that it works without the menu.
    QAction* copyAll = m_menu->addAction(QStringLiteral("Copy all positions\t") +
                                         copyAllKeys.toString(QKeySequence::NativeText));
    connect(copyAll, &QAction::triggered, this,
            [this] { RunGuarded([this] { CopyAllPositions(); }); });
}

std::string PositionCopier::cellText(CellName cell) const {
    return m_cells[indexOf(cell)]->Caption().toLatin1().toStdString();
}

void PositionCopier::CopyX(CellName cell) const {
    writeClipboard(SplitCellText(cellText(cell)).x);
}

void PositionCopier::CopyY(CellName cell) const {
    writeClipboard(SplitCellText(cellText(cell)).y);
}

void PositionCopier::CopyXAndY(CellName cell) const {
    writeClipboard(CoordinatePairText(cellText(cell)));
}

void PositionCopier::CopyAllPositions() const {
    CellTexts texts;
    for (const CellName cell : allCells())
        texts[indexOf(cell)] = cellText(cell);
    writeClipboard(MakePositionTable(texts));
}

void PositionCopier::writeClipboard(const std::string& text) {
    const QString copied = QString::fromLatin1(text.data(), qsizetype(text.size()));
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(copied, QClipboard::Clipboard);
    if (clipboard->supportsSelection())
        clipboard->setText(copied, QClipboard::Selection);
}

void PositionCopier::openMenu(CellName cell, QPoint globalPosition) {
    // Made on first use: most sessions never open it, and start-up need not pay for it.
    if (m_menu == nullptr)
        createMenu();
    m_menuCell = cell;
    m_menu->popup(globalPosition);
}

std::optional<CellName> PositionCopier::cellUnderPointer() const {
    const QWidget* under = QApplication::widgetAt(QCursor::pos());
    const auto found = std::ranges::find(m_cells, under);
    if (under == nullptr || found == m_cells.end())
        return std::nullopt;
    return static_cast<CellName>(found - m_cells.begin());
}

bool PositionCopier::eventFilter(QObject* /*watched*/, QEvent* event) {
    if (event->type() != QEvent::ContextMenu ||
        static_cast<QContextMenuEvent*>(event)->reason() != QContextMenuEvent::Keyboard)
        return false;
    const std::optional<CellName> cell = cellUnderPointer();
    if (!cell)
        return false;
    RunGuarded([&] { openMenu(*cell, QCursor::pos()); });
    return true;
}

} // namespace vexto
