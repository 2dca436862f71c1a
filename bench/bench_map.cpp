// The maps of the path: the world map (1° cells) and the site map (±2° at 0.01°), each swept by the
// solver when the eclipse, ΔT or the site changes.
#include <benchmark/benchmark.h>

#include "circumstances/map_sweep.h"

namespace {

const zelto::EclipseRecord& Eclipse51() { return zelto::CatalogRecord(zelto::BuiltInCatalog(), 51); }

void BM_WorldPathMap(benchmark::State& state) {
    for (auto _ : state) {
        zelto::PathMap map = zelto::WorldPathMap(Eclipse51(), 69.2);
        benchmark::DoNotOptimize(map.band.data());
    }
}
BENCHMARK(BM_WorldPathMap)->Unit(benchmark::kMillisecond);

void BM_SitePathMap(benchmark::State& state) {
    for (auto _ : state) {
        zelto::PathMap map = zelto::SitePathMap(Eclipse51(), 69.2, {25.0, 103.5}, 800);
        benchmark::DoNotOptimize(map.band.data());
    }
}
BENCHMARK(BM_SitePathMap)->Unit(benchmark::kMillisecond);

}  // namespace
