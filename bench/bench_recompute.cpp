// One clock tick's work without the window: the UT clock text and the recompute pass (ApplySite,
// the solver, ShowContacts with all 34 label texts), for the default site and eclipse 51.
#include <benchmark/benchmark.h>

#include "circumstances/recompute.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/julian.h"

namespace {

void BM_ClockTick(benchmark::State& state) {
    zelto::SharedVariables& shared = zelto::Shared();
    shared.site = zelto::SiteInputs{};
    shared.time.TenthsFlag = 1;
    zelto::SelectEclipse(shared.eclipse, 51, "");
    double now = zelto::CalendarToJD(2024, 4, 8, 17, 0, 0);
    for (auto _ : state) {
        shared.time.CurrentJD = now;
        std::string clock = "UT: " + zelto::JDText(now, shared.time.TenthsFlag);
        const zelto::PassResult pass = zelto::RecomputePass(shared);
        benchmark::DoNotOptimize(clock);
        benchmark::DoNotOptimize(pass.contacts.labels[0].text.data());
        now += 0.25 / 86400.0;
    }
}
BENCHMARK(BM_ClockTick);

}  // namespace
