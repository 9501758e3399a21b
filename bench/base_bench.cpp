#include <benchmark/benchmark.h>

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

}  // namespace

BENCHMARK_MAIN();
