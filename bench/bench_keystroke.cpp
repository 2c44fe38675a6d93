// One accepted keystroke in a field until all 49 cells hold their new text and have been
// repainted, on the offscreen platform.
#include "app/Application.h"
#include "app/Form1.h"
#include "calc/FloatingPointMode.h"
#include "widgets/CurrEdit.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <memory>

using namespace vexto;

namespace {

void keystrokeToRepaintedGrid(benchmark::State& state) {
    TApplication application;
    auto form = std::make_unique<TForm1>(application);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get())) {
        state.SkipWithError("window not exposed");
        return;
    }
    auto* x = form->findChild<TCurrencyEdit*>(QStringLiteral("X"));
    x->setFocus();
    QApplication::processEvents();

    // Typing and erasing a digit: every keystroke changes the text and so every cell.
    bool typeDigit = true;
    for (auto _ : state) {
        if (typeDigit)
            QTest::keyClick(x, Qt::Key_7);
        else
            QTest::keyClick(x, Qt::Key_Backspace);
        typeDigit = !typeDigit;
        QApplication::processEvents();
    }
}
BENCHMARK(keystrokeToRepaintedGrid)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    SetFloatingPointMode();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QTemporaryDir
        runtimeDirectory; // the window's single-instance guard keeps its objects here
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDirectory.path()));
    QApplication qtApplication(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
