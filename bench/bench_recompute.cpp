// One clock tick's work without the window: the UT clock text and the recompute pass (ApplySite,
// the solver, ShowContacts with all 34 label texts), for the default site and eclipse 51.
#include <benchmark/benchmark.h>

#include "circumstances/recompute.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/julian.h"

namespace {

void BM_ClockTick(benchmark::State& state) {
    const zelto::SiteInputs site;
    zelto::EclipseState eclipse;
    eclipse.EclipseCatalog = zelto::BuiltInCatalog();
    zelto::ContactState contacts;
    zelto::TimeSource time;
    time.TenthsFlag = 1;
    zelto::SelectEclipse(eclipse, 51, "");
    double now = zelto::CalendarToJD(2024, 4, 8, 17, 0, 0);
    for (auto _ : state) {
        time.CurrentJD = now;
        std::string clock = "UT: " + zelto::JDText(now, time.TenthsFlag);
        const zelto::PassResult pass = zelto::RecomputePass(site, eclipse, contacts, time);
        benchmark::DoNotOptimize(clock);
        benchmark::DoNotOptimize(pass.contacts.labels[0].text.data());
        now += 0.25 / 86400.0;
    }
}
BENCHMARK(BM_ClockTick);

}  // namespace
