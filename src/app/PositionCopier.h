#pragma once

#include "calc/CellName.h"

#include <QObject>
#include <QPoint>

#include <array>
#include <optional>
#include <string>

class QMenu;
class QWidget;

namespace vexto {

class TVxPanel;

// Takes the positions out of the window: each cell's context menu copies its X, its Y, both, or
// the whole grid, and Ctrl+Shift+C anywhere in the window copies the whole grid. What is copied is
// always the text the cells show, never a number computed again.
class PositionCopier : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PositionCopier)

public:
    using Cells = std::array<TVxPanel*, CellCount>;

    // Cells are indexed by indexOf(cell) and belong to window, which owns the copier.
    PositionCopier(QWidget* window, const Cells& cells);

    void CopyX(CellName cell) const;
    void CopyY(CellName cell) const;
    void CopyXAndY(CellName cell) const;
    void CopyAllPositions() const;

protected:
    // The context-menu key goes to the focused field; with the pointer over a cell it opens
    // that cell's menu instead.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createMenu();
    // A popup: the focused field keeps its focus and its edit text while the menu is open.
    void openMenu(CellName cell, QPoint globalPosition);
    std::string cellText(CellName cell) const;
    std::optional<CellName> cellUnderPointer() const;
    static void writeClipboard(const std::string& text);

    QWidget* m_window;
    Cells m_cells;
    QMenu* m_menu = nullptr;
    CellName m_menuCell = CellName::PStart;
};

} // namespace vexto
