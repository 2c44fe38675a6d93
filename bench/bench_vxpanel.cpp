#include "widgets/VxPanel.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <array>
#include <string>

using namespace vexto;

namespace {

// The main window's grid: 49 cells of 81 × 33 on a pitch of 80 × 32, showing the widest texts.
struct Grid {
    QWidget window;
    std::array<TVxPanel*, 49> cells{};
    QImage image{578, 457, QImage::Format_RGB32};

    Grid() {
        window.resize(image.size());
        QFont font(QStringLiteral("Liberation Sans"));
        font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
        font.setPixelSize(11);
        font.setBold(true);
        for (std::size_t i = 0; i < cells.size(); ++i) {
            auto* cell = new TVxPanel(&window);
            cell->setGeometry(8 + 80 * int(i % 7), 16 + 32 * int(i / 7), 81, 33);
            cell->setFont(font);
            cell->SetBevelOuter(TBevelCut::bvLowered);
            cell->SetMultiLine(true);
            cell->SetColor(TColor(16772033));
            cell->SetCaption(std::string_view("X = -10299.00\rY = -10299.00"));
            cells[i] = cell;
        }
    }

    void paintAll() {
        for (TVxPanel* cell : cells)
            cell->render(&image, cell->pos(), QRegion(), QWidget::RenderFlags());
        benchmark::DoNotOptimize(image.constBits());
    }
};

// Every cell painted again with the text it already had, as when the window is uncovered.
void repaintAllCells(benchmark::State& state) {
    Grid grid;
    for (auto _ : state)
        grid.paintAll();
}
BENCHMARK(repaintAllCells)->Unit(benchmark::kMicrosecond);

// A recalculation: all 49 cells get new texts, then each is painted once.
void newTextsAndRepaint(benchmark::State& state) {
    Grid grid;
    std::array<std::array<std::string, 49>, 2> texts;
    for (std::size_t i = 0; i < 49; ++i) {
        texts[0][i] = "X = -" + std::to_string(10200 + i) + ".00\rY = 9876.54";
        texts[1][i] = "X = " + std::to_string(10200 + i) + ".25\rY = -9876.54";
    }
    std::size_t round = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < 49; ++i)
            grid.cells[i]->SetCaption(std::string_view(texts[round][i]));
        grid.paintAll();
        round ^= 1;
    }
}
BENCHMARK(newTextsAndRepaint)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
