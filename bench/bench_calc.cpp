#include "calc/CoordinateText.h"
#include "calc/FloatingPointMode.h"
#include "calc/PlacementGrid.h"

#include <benchmark/benchmark.h>

#include <array>
#include <string>

using namespace vexto;

namespace {

constexpr std::array<double, 8> typicalCoordinates = {0.0,   104.0,    -88.125,  1000.005,
                                                      2.675, -10299.0, 9999.995, 0.004};

void formatCoordinate(benchmark::State& state) {
    std::size_t next = 0;
    for (auto _ : state) {
        std::string text = FormatCoordinate(typicalCoordinates[next], '.');
        benchmark::DoNotOptimize(text);
        next = (next + 1) % typicalCoordinates.size();
    }
}
BENCHMARK(formatCoordinate);

void makeCellText(benchmark::State& state) {
    for (auto _ : state) {
        std::string text = MakeCellText(-1234.56, 9876.54, '.');
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(makeCellText);

// A whole recalculation: 266 reads, 98 coordinates, 49 cell texts into an in-memory sink.
void refreshPlacementGrid(benchmark::State& state) {
    const std::array<Extended, 5> inputs = {1234.5L, -987.25L, 0.7L, 8, 4};
    std::array<std::string, CellCount> cells;
    const InputReader read = [&inputs](InputName name) { return inputs[std::size_t(name)]; };
    const CellTextSink sink = [&cells](CellName cell, const std::string& text) {
        cells[indexOf(cell)] = text;
    };
    for (auto _ : state) {
        RefreshPlacementGrid(read, sink, '.');
        benchmark::DoNotOptimize(cells);
    }
}
BENCHMARK(refreshPlacementGrid);

} // namespace

int main(int argc, char** argv) {
    SetFloatingPointMode();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
