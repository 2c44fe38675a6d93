#include "calc/FloatingPointMode.h"
#include "calc/LocaleSeparators.h"
#include "calc/NumberText.h"
#include "widgets/CurrEdit.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <array>
#include <optional>
#include <string_view>

using namespace vexto;

namespace {

// One recalculation reads the five fields 266 times; this is one of those reads. A 4-digit
// exponent scales by a power of ten from the table of correctly rounded powers.
void readValue(benchmark::State& state, const char* text) {
    TCurrencyEdit field;
    field.SetMaxValue(9999);
    field.SetMinValue(-9999);
    field.setText(QString::fromLatin1(text));
    for (auto _ : state) {
        Extended value = field.Value();
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK_CAPTURE(readValue, plain, "1234.5");
BENCHMARK_CAPTURE(readValue, fourDigitExponent, "1.189731495357231765E4932");

// The five fields of the window in turn, with texts of every shape they commonly hold.
void readValueOfTypicalTexts(benchmark::State& state) {
    const std::array<QString, 5> texts = {QStringLiteral("0.1"), QStringLiteral("-9999"),
                                          QStringLiteral("8"), QStringLiteral("1,234.56"),
                                          QString()};
    std::array<TCurrencyEdit, 5> fields;
    for (std::size_t index = 0; index < fields.size(); ++index) {
        fields[index].SetMaxValue(9999);
        fields[index].SetMinValue(-9999);
        fields[index].setText(texts[index]);
    }
    std::size_t next = 0;
    for (auto _ : state) {
        Extended value = fields[next].Value();
        benchmark::DoNotOptimize(value);
        next = next == fields.size() - 1 ? 0 : next + 1;
    }
}
BENCHMARK(readValueOfTypicalTexts);

// The reader alone, without the field's text conversion and normalisation.
void readNumberText(benchmark::State& state) {
    constexpr std::string_view text = "1234.5";
    for (auto _ : state) {
        std::optional<Extended> value = TryReadNumber(text, '.');
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(readNumberText);

void normaliseAndReadNumberText(benchmark::State& state) {
    constexpr std::string_view text = "1234.5";
    const NumberSeparators separators = CurrentSeparators();
    for (auto _ : state) {
        std::optional<Extended> value =
            TryReadNumber(NormaliseNumberText(text, separators), separators.decimal);
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(normaliseAndReadNumberText);

void testTypedKey(benchmark::State& state) {
    const KeyRules rules{2, -9999, 9999, CurrentSeparators()};
    for (auto _ : state) {
        bool accepted = AcceptsKey("1234.5", rules);
        benchmark::DoNotOptimize(accepted);
    }
}
BENCHMARK(testTypedKey);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication application(argc, argv);
    SetFloatingPointMode();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
