// The recompute pass runs on every clock tick; the grid sweep is the cost of a map of circumstances.
#include <benchmark/benchmark.h>

#include <numbers>

#include "circumstances/solver.h"
#include "eclipse_data/eclipse_state.h"

namespace {

constexpr double kDeg = std::numbers::pi / 180;

const zelto::EclipseRecord& Eclipse51() {
    return zelto::CatalogRecord(zelto::BuiltInCatalog(), 51);
}

// One whole pass for a site: local circumstances, greatest eclipse, P1 and P4.
void BM_RecomputePass(benchmark::State& state) {
    const zelto::EclipseRecord& record = Eclipse51();
    zelto::SitePlace place;
    place.Latitude = 25 * kDeg;
    place.Longitude = 103.5 * kDeg;
    place.Height = 800;
    for (auto _ : state) {
        zelto::ComputeLocalCircumstances(record, 69.2, place);
        const double greatest = zelto::ComputeGreatestEclipseTime(record);
        const zelto::PenumbraContact p1 = zelto::PenumbraContactTime(record, -4, greatest);
        const zelto::PenumbraContact p4 = zelto::PenumbraContactTime(record, greatest, 4);
        benchmark::DoNotOptimize(place);
        benchmark::DoNotOptimize(p1);
        benchmark::DoNotOptimize(p4);
    }
}
BENCHMARK(BM_RecomputePass);

// Local circumstances alone, for a site in totality.
void BM_LocalCircumstances(benchmark::State& state) {
    const zelto::EclipseRecord& record = Eclipse51();
    zelto::SitePlace place;
    place.Latitude = 25 * kDeg;
    place.Longitude = 103.5 * kDeg;
    place.Height = 800;
    for (auto _ : state) {
        zelto::ComputeLocalCircumstances(record, 69.2, place);
        benchmark::DoNotOptimize(place);
    }
}
BENCHMARK(BM_LocalCircumstances);

// Every site of a 1° × 1° global grid (64 800 sites) for one eclipse.
void BM_GlobalGridSweep(benchmark::State& state) {
    const zelto::EclipseRecord& record = Eclipse51();
    for (auto _ : state) {
        int seen = 0;
        for (int lat = -90; lat < 90; ++lat) {
            for (int lon = -180; lon < 180; ++lon) {
                zelto::SitePlace place;
                place.Latitude = (lat + 0.5) * kDeg;
                place.Longitude = (lon + 0.5) * kDeg;
                zelto::ComputeLocalCircumstances(record, 69.2, place);
                seen += place.LocalType != '-';
            }
        }
        benchmark::DoNotOptimize(seen);
    }
    state.SetItemsProcessed(state.iterations() * 64800);
}
BENCHMARK(BM_GlobalGridSweep)->Unit(benchmark::kMillisecond);

}  // namespace
