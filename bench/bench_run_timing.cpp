// How late a photography run's rows start: the real clock, a virtual camera that answers at once,
// 100 single-shot rows 0.25 s apart. For each row, the time from its instant to its first camera
// call. Every camera trial is preceded by the run's fixed 15 ms pause (busy-waited on the
// millisecond tick, so it lasts 14 to 15 ms), so the figures are given raw and net of that pause,
// and also as the moment the wait for the instant ended (before the pause).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

#include "camera/appmaster.h"
#include "camera/run_engine.h"
#include "camera/sound_player.h"
#include "camera/virtual_camera.h"
#include "eclipse_data/clock.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/julian.h"
#include "eclipse_data/number_text.h"
#include "exposure/table.h"

namespace {

using namespace zelto;
using SystemTime = std::chrono::system_clock::time_point;

constexpr int kRows = 100;
constexpr auto kSpacing = std::chrono::milliseconds(250);
constexpr double kTrialPauseMs = 15;

struct QuietView : RunView {
    void SetPhase(const std::string&) override {}
    void SetWann(const std::string&) override {}
    void SetWannDiff(const std::string&) override {}
    void SetInfo(const std::string&) override {}
    void SetInfoColour(RunColour) override {}
    void SetStatus(const std::string&) override {}
    void ShowBanner(const std::string&) override {}
    void SetBannerColour(RunColour) override {}
    void HideBanner() override {}
    void SetRunning(RunKind, bool) override {}
    void ShowRehearsalControls(bool) override {}
};
// The wait for an instant lets the window process messages on every turn; the last turn before a
// row's first camera call is the one that found the instant reached.
struct TimingPump : MessagePump {
    SystemTime last{};
    void ProcessMessages() override { last = std::chrono::system_clock::now(); }
};
struct NoSound : SoundPlayer {
    void Play(const std::string&) override {}
};
struct NoShell : Shell {
    bool StartBatch(const std::string&) override { return false; }
};

// Date-time text with hundredths, which the run reads back exactly.
std::string InstantText(SystemTime t) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
    const double wholeJD = 2440587.5 + static_cast<double>(ms / 1000) / 86400.0;
    const CalendarInstant c = JDToCalendar(wholeJD);
    const double seconds = std::round(c.seconds) + static_cast<double>(ms % 1000) / 1000.0;
    const std::string date = DateTimeText(c.year, c.month, c.day, 0, c.hours, c.minutes, 0);  // "…:MM:00"
    std::string secondsText = FixedText(seconds, 2);
    if (seconds < 10) secondsText = "0" + secondsText;
    return date.substr(0, 17) + secondsText;
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t index = static_cast<size_t>(std::ceil(p * static_cast<double>(values.size()))) - 1;
    return values[std::min(index, values.size() - 1)];
}

void BM_RowStartLateness(benchmark::State& state) {
    for (auto _ : state) {
        SystemClock clock;
        VirtualCamera camera;
        camera.SetCallLog(false);
        struct Call {
            SystemTime at;
            SystemTime lastTurn;  // the wait's last turn before it
        };
        std::vector<Call> calls;
        calls.reserve(4096);
        std::mutex mutex;
        TimingPump pump;
        camera.SetCallTimer([&](std::string_view) {
            const SystemTime now = std::chrono::system_clock::now();
            std::lock_guard<std::mutex> lock(mutex);
            calls.push_back({now, pump.last});
        });
        CameraState cameraState;
        std::unique_ptr<TAppMaster> master = TAppMaster::Create(camera, nullptr, cameraState);
        master->OpenSession();
        RunFlags flags;
        TimeSource time;
        const WorkingFolders folders;

        // The first row two whole seconds ahead.
        const SystemTime first =
            std::chrono::time_point_cast<std::chrono::seconds>(std::chrono::system_clock::now()) +
            std::chrono::seconds(3);
        std::vector<SystemTime> instants;
        ExposureTable table(0);
        for (int i = 0; i < kRows; ++i) {
            const SystemTime instant = first + i * kSpacing;
            instants.push_back(instant);
            ExposureRow row;
            row[kColumnPhase] = "Partial";
            row[kColumnDateTime] = InstantText(instant);
            row[kColumnQuality] = "JPGLarFin";
            row[kColumnISO] = "100";
            row[kColumnAperture] = "f/4";
            row[10] = "x";
            table.AppendRow(row);
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            calls.clear();
        }
        QuietView view;
        NoSound sound;
        NoShell shell;
        RunEnvironment env{clock, pump, view, sound, shell, flags, time, folders, [&master] { return master.get(); }};
        const RunSummary summary = PhotographyRun(env, table).Run(RunKind::Real);
        if (summary.picturesTaken != kRows) state.SkipWithError("not every picture was taken");

        // Row i's first camera call is the first one after its instant. The wait compares Julian days,
        // whose resolution near the present is about 40 µs, so a wait may end up to that much early.
        std::vector<double> raw, wait;
        size_t next = 0;
        for (const SystemTime instant : instants) {
            while (next < calls.size() && calls[next].at < instant) ++next;
            if (next == calls.size()) break;
            raw.push_back(std::chrono::duration<double, std::milli>(calls[next].at - instant).count());
            wait.push_back(std::chrono::duration<double, std::milli>(calls[next].lastTurn - instant).count());
        }
        if (raw.size() != instants.size()) {
            state.SkipWithError("a row made no camera call");
            return;
        }
        std::vector<double> net;
        for (double r : raw) net.push_back(r - kTrialPauseMs);
        state.counters["wait_median_ms"] = Percentile(wait, 0.5);
        state.counters["wait_p99_ms"] = Percentile(wait, 0.99);
        state.counters["wait_max_ms"] = Percentile(wait, 1.0);
        std::printf("rows %zu: the wait's last turn after the instant: median %s ms, p99 %s ms, max %s ms\n",
                    wait.size(), FixedText(Percentile(wait, 0.5), 3).c_str(),
                    FixedText(Percentile(wait, 0.99), 3).c_str(),
                    FixedText(Percentile(wait, 1.0), 3).c_str());
        state.counters["raw_median_ms"] = Percentile(raw, 0.5);
        state.counters["raw_p99_ms"] = Percentile(raw, 0.99);
        state.counters["raw_max_ms"] = Percentile(raw, 1.0);
        state.counters["net_median_ms"] = Percentile(net, 0.5);
        state.counters["net_p99_ms"] = Percentile(net, 0.99);
        state.counters["net_max_ms"] = Percentile(net, 1.0);
        std::printf(
            "rows %zu: raw median %s ms, p99 %s ms, max %s ms; net of the 15 ms pause: median %s ms, p99 %s "
            "ms, max %s ms\n",
            raw.size(), FixedText(Percentile(raw, 0.5), 3).c_str(),
            FixedText(Percentile(raw, 0.99), 3).c_str(), FixedText(Percentile(raw, 1.0), 3).c_str(),
            FixedText(Percentile(net, 0.5), 3).c_str(), FixedText(Percentile(net, 0.99), 3).c_str(),
            FixedText(Percentile(net, 1.0), 3).c_str());
    }
}
BENCHMARK(BM_RowStartLateness)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
