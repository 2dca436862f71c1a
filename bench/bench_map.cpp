// The maps of the path: a redraw after a change is a sweep (the world map's 1° cells when the eclipse
// or ΔT changes; the site map's ±2° in 0.04° cells when the site changes too) and a paint of the
// swept map. Goal: a redraw under 50 ms. The sweeps run first, before the paints start Qt.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "circumstances/map_sweep.h"
#include "main_window/path_map_view.h"

namespace {

const zelto::EclipseRecord& Eclipse51() { return zelto::CatalogRecord(zelto::BuiltInCatalog(), 51); }
zelto::PathMap World() { return zelto::WorldPathMap(Eclipse51(), 69.2); }
zelto::PathMap Site() { return zelto::SitePathMap(Eclipse51(), 69.2, {25.0, 103.5}, 800); }

void BM_WorldPathMapSweep(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(World().band.data());
}
BENCHMARK(BM_WorldPathMapSweep)->Unit(benchmark::kMillisecond);

void BM_SitePathMapSweep(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(Site().band.data());
}
BENCHMARK(BM_SitePathMapSweep)->Unit(benchmark::kMillisecond);

// Painting text needs the application's fonts: one headless application for the paints.
void EnsureApplication() {
    static int argc = 1;
    static char name[] = "bench_map";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
}

void Paint(benchmark::State& state, const zelto::PathMap& map, QSize size, zelto::PathMapStyle style) {
    EnsureApplication();
    QImage picture(size, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&picture);
        zelto::PaintPathMap(painter, map, size, style, zelto::GeoPoint{25.0, 103.5});
    }
}

void BM_WorldMapPaint(benchmark::State& state) { Paint(state, World(), QSize(343, 171), zelto::PathMapStyle::World); }
BENCHMARK(BM_WorldMapPaint)->Unit(benchmark::kMillisecond);

void BM_SiteMapPaint(benchmark::State& state) { Paint(state, Site(), QSize(560, 560), zelto::PathMapStyle::Site); }
BENCHMARK(BM_SiteMapPaint)->Unit(benchmark::kMillisecond);

}  // namespace
