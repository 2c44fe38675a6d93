// Ctrl+Shift+C in a field until the whole grid's table is on the clipboard, on the offscreen
// platform.
#include "app/Application.h"
#include "app/Form1.h"
#include "calc/FloatingPointMode.h"
#include "widgets/CurrEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <memory>

using namespace vexto;

namespace {

void shortcutToClipboardWrite(benchmark::State& state) {
    TApplication application;
    auto form = std::make_unique<TForm1>(application);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get())) {
        state.SkipWithError("window not exposed");
        return;
    }
    auto* x = form->findChild<TCurrencyEdit*>(QStringLiteral("X"));
    x->setFocus();
    // Five-digit negative coordinates in some cells: the longest table the grid gives.
    QTest::keyClicks(x, QStringLiteral("-9999"));
    QApplication::processEvents();

    QClipboard* clipboard = QGuiApplication::clipboard();
    for (auto _ : state) {
        QTest::keyClick(x, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        benchmark::DoNotOptimize(clipboard->mimeData());
    }
    if (!clipboard->text().startsWith(u"Cell\tX\tY\nLU9\t-10023.00\t"))
        state.SkipWithError("the shortcut did not copy the grid");
}
BENCHMARK(shortcutToClipboardWrite)->Unit(benchmark::kMicrosecond);

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
