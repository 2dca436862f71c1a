// Text formatting runs for every label on every clock tick.
#include <benchmark/benchmark.h>

#include "eclipse_data/datetext.h"

namespace {

void BM_JDText(benchmark::State& state) {
    double jd = 2460409.26;
    for (auto _ : state) {
        benchmark::DoNotOptimize(zelto::JDText(jd, 1));
        jd += 1e-6;
    }
}
BENCHMARK(BM_JDText);

void BM_DayDiffText(benchmark::State& state) {
    double days = 0.0123;
    for (auto _ : state) {
        benchmark::DoNotOptimize(zelto::DayDiffText(1, days));
        days += 1e-7;
    }
}
BENCHMARK(BM_DayDiffText);

}  // namespace
