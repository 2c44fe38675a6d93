// The window's keyboard paths on the offscreen platform: one accepted keystroke in a field until
// all 49 cells hold their new text and have been repainted, and Ctrl+Shift+C until the whole
// grid's table is on the clipboard.
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

TCurrencyEdit* fieldX(const TForm1& form) {
    return form.findChild<TCurrencyEdit*>(QStringLiteral("X"));
}

// A shown window with the focus in X; null (and the benchmark skipped) when it never shows.
std::unique_ptr<TForm1> shownWindow(TApplication& application, benchmark::State& state) {
    auto form = std::make_unique<TForm1>(application);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get())) {
        state.SkipWithError("window not exposed");
        return nullptr;
    }
    fieldX(*form)->setFocus();
    QApplication::processEvents();
    return form;
}

void keystrokeToRepaintedGrid(benchmark::State& state) {
    TApplication application;
    const auto form = shownWindow(application, state);
    if (!form)
        return;
    TCurrencyEdit* x = fieldX(*form);

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

void shortcutToClipboardWrite(benchmark::State& state) {
    TApplication application;
    const auto form = shownWindow(application, state);
    if (!form)
        return;
    TCurrencyEdit* x = fieldX(*form);
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
