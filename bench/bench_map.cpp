// The maps of the path: a redraw after a change is a sweep (the world map's 1° cells when the eclipse
// or ΔT changes; the site map's view in 200 × 200 cells when the site's height or the view changes),
// the reading of the coasts under a site map's view (on a thread of its own, beside the sweep) and a
// paint. Goals: a site map's sweep of a view ≤ 50 ms of CPU at any zoom; with the site map open and
// nothing changing, the clock's ticks cost ≤ 0.5 % of a core (BM_QuietMinute's core_percent). The
// sweeps run first, before the paints start Qt.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <ctime>

#include "camera/sound_player.h"
#include "circumstances/geography.h"
#include "circumstances/map_sweep.h"
#include "eclipse_data/clock.h"
#include "eclipse_data/julian.h"
#include "main_window/form_main.h"
#include "main_window/form_site_map.h"
#include "main_window/path_map_view.h"
#include "platform/system_locations.h"
#include "state/variables.h"

namespace {

const zelto::EclipseRecord& Eclipse51() {
    return zelto::CatalogRecord(zelto::BuiltInCatalog(), 51);
}
const zelto::GeoPoint kSite{25.0, 103.5};
zelto::PathMap World() {
    return zelto::WorldPathMap(Eclipse51(), 69.2);
}
zelto::PathMap Site(double halfSize = zelto::kSiteMapHalfSize) {
    return zelto::SitePathMap(Eclipse51(), 69.2, zelto::MapView{kSite, halfSize}, 800);
}

void BM_WorldPathMapSweep(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(World().band.data());
}
BENCHMARK(BM_WorldPathMapSweep)->Unit(benchmark::kMillisecond);

// The argument is the view's half size in hundredths of a degree: ±0.25°, ±2° (as opened), ±5°.
void BM_SitePathMapSweep(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(Site(state.range(0) / 100.0).band.data());
}
BENCHMARK(BM_SitePathMapSweep)->Arg(25)->Arg(200)->Arg(500)->Unit(benchmark::kMillisecond);

// The coasts, lakes, rivers and borders of a view from the installed GSHHG files, at the resolution
// the view's scale asks for (560 pixels across).
void BM_SiteMapGeography(benchmark::State& state) {
    const std::vector<std::string> folders = zelto::GshhgFolders();
    const double halfSize = state.range(0) / 100.0;
    const zelto::MapArea area = zelto::AreaOf({kSite, halfSize});
    if (zelto::ReadGeography(folders, area, 2 * halfSize / 560).resolution == 0) {
        state.SkipWithError("GSHHG's files are not installed (gmt-gshhg-high, gmt-gshhg-low)");
        return;
    }
    size_t lines = 0;
    for (auto _ : state) lines = zelto::ReadGeography(folders, area, 2 * halfSize / 560).lines.size();
    state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_SiteMapGeography)->Arg(25)->Arg(200)->Arg(500)->Unit(benchmark::kMillisecond);

// Painting needs the application's fonts, and the quiet minute its windows: one headless application.
void EnsureApplication() {
    static int argc = 1;
    static char name[] = "bench_map";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
}

void Paint(benchmark::State& state, const zelto::PathMap& map, QSize size, zelto::PathMapStyle style,
           zelto::SiteMapExtras extras = {}) {
    EnsureApplication();
    QImage picture(size, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&picture);
        zelto::PaintPathMap(painter, map, map.area, size, style, kSite, extras);
    }
}

void BM_WorldMapPaint(benchmark::State& state) {
    Paint(state, World(), QSize(343, 171), zelto::PathMapStyle::World);
}
BENCHMARK(BM_WorldMapPaint)->Unit(benchmark::kMillisecond);

void BM_SiteMapPaint(benchmark::State& state) {
    const zelto::PathMap map = Site();
    const zelto::Geography geography = zelto::ReadGeography(zelto::GshhgFolders(), map.area, 4.0 / 560);
    const std::vector<zelto::MapLabel> labels = zelto::DurationLabels(map, map.area);
    Paint(state, map, QSize(560, 560), zelto::PathMapStyle::Site, {&geography, &labels});
}
BENCHMARK(BM_SiteMapPaint)->Unit(benchmark::kMillisecond);

class Silent final : public zelto::SoundPlayer {
  public:
    void Play(const std::string&) override {}
};

// A minute of the clock's ticks (240 at 250 ms, on a simulated clock) in which nothing changes, the
// site map open (argument 1) or not (0), events processed after each tick as the event loop would.
// core_percent: the CPU those ticks took, as a share of one core over the minute.
void BM_QuietMinute(benchmark::State& state) {
    EnsureApplication();
    static QTemporaryDir home;
    const std::string base = home.path().toStdString() + "/";
    zelto::SharedVariables& shared = zelto::Shared();
    shared.folders = {base, base, base, base, base};
    static zelto::FakeClock clock(zelto::CalendarToJD(2024, 4, 8, 17, 0, 0), 0);
    static Silent sound;
    static auto* main = new zelto::TForm_Main(shared, clock, sound);  // lives as long as the program
    main->siteMap()->setVisible(state.range(0) == 1);
    if (state.range(0) == 1) main->OnSiteMapClicked();
    main->WaitForMaps();
    QCoreApplication::processEvents();
    double cpuSeconds = 0;
    for (auto _ : state) {
        const std::clock_t start = std::clock();
        for (int tick = 0; tick < 240; ++tick) {
            clock.AdvanceMs(250);
            main->OnClockTick();
            QCoreApplication::processEvents();
        }
        cpuSeconds += static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    }
    state.counters["core_percent"] = 100 * cpuSeconds / (60.0 * static_cast<double>(state.iterations()));
}
BENCHMARK(BM_QuietMinute)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
