#pragma once

#include "calc/CellName.h"

#include <QWidget>

#include <array>

class QGroupBox;
class QPushButton;

namespace vexto {

class TApplication;
class TCurrencyEdit;
class TOneInstance;
class TVxPanel;

// The program's one window: five inputs, the 7 x 7 grid of result cells, the information labels
// and link, and the End program button, at fixed pixel positions. It wires the controls to the
// handlers below; the calculation itself lives in the calc layer.
class TForm1 : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm1)

public:
    // Builds the layout, lets the single-instance guard decide, then runs FormCreate. Throws when
    // the guard refuses to start.
    explicit TForm1(TApplication& application);
    ~TForm1() override;

    // Every control carries its layout name as its object name ("X", "EClose", "LU1", ...).

    void FormCreate();
    void FormShow();
    void XChange();
    void ECloseClick();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void useButtonFaceAsBackground();
    void createButton();
    void createGroupBox();
    void createInputs();
    TCurrencyEdit* createInput(QPoint position, long double minValue, long double maxValue,
                               long double value);
    void createLabels();
    void createCells();
    void bindChangeHandlers();
    void refreshPlacementGrid();
    void nameForAssistiveTechnology();

    TApplication& m_application;
    QPushButton* m_close = nullptr;
    QGroupBox* m_groupBox = nullptr;
    std::array<TCurrencyEdit*, 5> m_inputs{}; // X, Y, S, L, W: indexed by InputName
    std::array<TVxPanel*, CellCount> m_cells{};
    TOneInstance* m_oneInstance = nullptr;
};

} // namespace vexto
