// The window's keyboard paths: one accepted keystroke in a field until all 49 cells hold their new
// text and have been repainted, beside the same keystroke in a bare Qt window's one line edit (the
// ratio of the two follows the table), and Ctrl+Shift+C until the whole grid's table is on the
// clipboard. On Linux on the offscreen platform; on Windows (and under Wine) on the native one, so
// that the repaint is handed to GDI as on a desktop.
#include "app/Application.h"
#include "app/Form1.h"
#include "calc/FloatingPointMode.h"
#include "widgets/CurrEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

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

// Typing and erasing a digit, each keystroke until its repaint is done: every keystroke changes
// the field's text, and in Vexto every cell.
void typeAndErase(benchmark::State& state, QWidget* field) {
    bool typeDigit = true;
    for (auto _ : state) {
        if (typeDigit)
            QTest::keyClick(field, Qt::Key_7);
        else
            QTest::keyClick(field, Qt::Key_Backspace);
        typeDigit = !typeDigit;
        QApplication::processEvents();
    }
}

void keystrokeToRepaintedGrid(benchmark::State& state) {
    TApplication application;
    const auto form = shownWindow(application, state);
    if (!form)
        return;
    typeAndErase(state, fieldX(*form));
}
BENCHMARK(keystrokeToRepaintedGrid)->Unit(benchmark::kMicrosecond);

// The yardstick: a window of Vexto's size holding one line edit, the toolkit's least work for a
// keystroke.
void keystrokeToRepaintedLineEdit(benchmark::State& state) {
    QWidget window;
    window.setFixedSize(578, 457);
    auto* edit = new QLineEdit(&window);
    edit->setGeometry(64, 12, 57, 21);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        state.SkipWithError("window not exposed");
        return;
    }
    edit->setFocus();
    QApplication::processEvents();
    typeAndErase(state, edit);
}
BENCHMARK(keystrokeToRepaintedLineEdit)->Unit(benchmark::kMicrosecond);

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

// The console table, then how many bare line edits' keystrokes one keystroke in X costs: the
// ratio of the wall times, or of their medians over repetitions.
class KeystrokeRatioReporter : public benchmark::ConsoleReporter {
public:
    KeystrokeRatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const double seconds =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            // With --benchmark_report_aggregates_only the repetitions arrive as aggregates only.
            if (run.run_type == Run::RT_Iteration)
                m_seconds[run.run_name.function_name].push_back(seconds);
            else if (run.aggregate_name == "median")
                m_medianSeconds[run.run_name.function_name] = seconds;
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        const double grid = median("keystrokeToRepaintedGrid");
        const double bare = median("keystrokeToRepaintedLineEdit");
        if (grid <= 0 || bare <= 0)
            return;
        std::ostream& out = GetOutputStream();
        out << "keystroke until repainted, vexto / bare line edit (wall time): " << grid / bare
            << '\n';
    }

private:
    double median(const std::string& name) const {
        if (const auto reported = m_medianSeconds.find(name); reported != m_medianSeconds.end())
            return reported->second;
        const auto found = m_seconds.find(name);
        if (found == m_seconds.end() || found->second.empty())
            return 0;
        std::vector<double> values = found->second;
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    }

    std::map<std::string, std::vector<double>> m_seconds;
    std::map<std::string, double> m_medianSeconds;
};

} // namespace

int main(int argc, char** argv) {
    SetFloatingPointMode();
#ifndef Q_OS_WIN
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    const QTemporaryDir
        runtimeDirectory; // the window's single-instance guard keeps its objects here
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDirectory.path()));
    QApplication qtApplication(argc, argv);
    benchmark::Initialize(&argc, argv);
    KeystrokeRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
