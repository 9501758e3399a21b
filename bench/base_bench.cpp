#include <benchmark/benchmark.h>

#include <string>

#include "platform/base/DateTime.h"
#include "platform/base/NumberFormat.h"

namespace {

void BM_FormatNumber(benchmark::State& state) {
    const jv::NumberFormat format = jv::NumberFormat::UnitedStates();
    double value = 1234.5678;
    for (auto _ : state) {
        benchmark::DoNotOptimize(format.Format(value, 2));
        value += 1.0;
    }
}
BENCHMARK(BM_FormatNumber);

void BM_DateSplit(benchmark::State& state) {
    jv::DateTime date(2024, 1, 31, 13, 5, 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(date.Format("%m/%d/%Y"));
        date += 1.0;
    }
}
BENCHMARK(BM_DateSplit);

// Typed or pasted text full of thousands separators ("1,1,1,..."), `state.range(0)` bytes long:
// reading it should take time in proportion to its length.
void BM_ParseGroupedText(benchmark::State& state) {
    const jv::NumberFormat format = jv::NumberFormat::UnitedStates();
    std::string text;
    while (text.size() < static_cast<size_t>(state.range(0))) text += "1,";
    for (auto _ : state) benchmark::DoNotOptimize(format.Parse(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseGroupedText)->Arg(4 << 10)->Arg(40 << 10)->Arg(400 << 10)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
