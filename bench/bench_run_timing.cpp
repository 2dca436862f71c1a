// How a photography run keeps its instants, and what its waiting costs: the real clock, a virtual
// camera that answers at once, 100 single-shot rows 0.25 s apart. Rows come in pairs with the same
// shutter column, so every other row writes its Tv before the picture and the other one does not.
// For each row, relative to its instant:
//   (a) the end of the wait: the wait's last turn, which found the instant reached;
//   (b) the first camera call (the run's 15 ms pause comes before every camera trial);
//   (c) the shutter call (after the Tv write and a second 15 ms pause on rows that change Tv);
// and (d) the run thread's CPU time per second of waiting, summed over the waits.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
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

// CPU time of the calling thread, in seconds.
double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Moment {
    SystemTime at{};
    double cpu = 0;
    static Moment Now() { return {std::chrono::system_clock::now(), ThreadCpuSeconds()}; }
};

// A wait begins right after Label_Wann shows its instant.
struct TimingView : PagelessRunView {
    std::vector<Moment> waitStarts;
    void SetRowInstant(const std::string&) override { waitStarts.push_back(Moment::Now()); }
};
// The wait lets the window process messages on every turn; the last turn before a row's first camera
// call is the one that found the instant reached.
struct TimingPump : MessagePump {
    Moment last;
    void ProcessMessages() override { last = Moment::Now(); }
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

double Ms(SystemTime later, SystemTime earlier) {
    return std::chrono::duration<double, std::milli>(later - earlier).count();
}

void Publish(benchmark::State& state, const std::string& key, const char* label, const std::vector<double>& values) {
    if (values.empty()) return;
    state.counters[key + "_median_ms"] = Percentile(values, 0.5);
    state.counters[key + "_p99_ms"] = Percentile(values, 0.99);
    state.counters[key + "_max_ms"] = Percentile(values, 1.0);
    std::printf("%-30s rows %3zu: median %7s ms, p99 %7s ms, max %7s ms\n", label, values.size(),
                FixedText(Percentile(values, 0.5), 3).c_str(), FixedText(Percentile(values, 0.99), 3).c_str(),
                FixedText(Percentile(values, 1.0), 3).c_str());
}

void BM_RunTiming(benchmark::State& state) {
    for (auto _ : state) {
        SystemClock clock;
        VirtualCamera camera;
        camera.SetCallLog(false);
        struct Call {
            SystemTime at;
            Moment lastTurn;  // the wait's last turn before it
            bool shutter;
        };
        std::vector<Call> calls;
        calls.reserve(4096);
        std::mutex mutex;
        TimingPump pump;
        camera.SetCallTimer([&](std::string_view function) {
            const SystemTime now = std::chrono::system_clock::now();
            std::lock_guard<std::mutex> lock(mutex);
            calls.push_back({now, pump.last, function == "EdsSendCommand"});
        });
        CameraState cameraState;
        std::unique_ptr<TAppMaster> master = TAppMaster::Create(camera, nullptr, cameraState);
        master->OpenSession();
        RunFlags flags;
        TimeSource time;
        const WorkingFolders folders;

        // The first row two whole seconds ahead; shutter columns 1/500 and 1/250 in pairs of rows.
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
            row[static_cast<size_t>(10 + (i / 2) % 2)] = "x";
            table.AppendRow(row);
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            calls.clear();
        }
        TimingView view;
        NoSound sound;
        NoShell shell;
        RunEnvironment env{clock, pump, view, sound, shell, flags, time, folders, [&master] { return master.get(); }};
        const RunSummary summary = PhotographyRun(env, table).Run(RunKind::Real);
        if (summary.picturesTaken != kRows) state.SkipWithError("not every picture was taken");
        if (view.waitStarts.size() != instants.size()) {
            state.SkipWithError("not every row waited");
            return;
        }

        // Row i's calls are those after its instant. The wait compares Julian days, whose resolution
        // near the present is about 40 µs, so a wait may end up to that much early.
        std::vector<double> waitEnd, firstWithTv, firstWithoutTv, shutterWithTv, shutterWithoutTv;
        double waitedSeconds = 0, waitCpuSeconds = 0;
        size_t next = 0;
        for (size_t i = 0; i < instants.size(); ++i) {
            const SystemTime instant = instants[i];
            while (next < calls.size() && calls[next].at < instant) ++next;
            if (next == calls.size()) break;
            const Call& firstCall = calls[next];
            size_t shutter = next;
            while (shutter < calls.size() && !calls[shutter].shutter) ++shutter;
            if (shutter == calls.size()) break;
            const bool writesTv = i % 2 == 0;  // the first row of each pair changes the column
            waitEnd.push_back(Ms(firstCall.lastTurn.at, instant));
            (writesTv ? firstWithTv : firstWithoutTv).push_back(Ms(firstCall.at, instant));
            (writesTv ? shutterWithTv : shutterWithoutTv).push_back(Ms(calls[shutter].at, instant));
            waitedSeconds += Ms(firstCall.lastTurn.at, view.waitStarts[i].at) / 1000.0;
            waitCpuSeconds += firstCall.lastTurn.cpu - view.waitStarts[i].cpu;
        }
        if (waitEnd.size() != instants.size()) {
            state.SkipWithError("a row made no camera call");
            return;
        }
        Publish(state, "a_wait_end", "(a) wait end", waitEnd);
        Publish(state, "b_first_call_tv", "(b) first call, Tv written", firstWithTv);
        Publish(state, "b_first_call", "(b) first call, no Tv write", firstWithoutTv);
        Publish(state, "c_shutter_tv", "(c) shutter call, Tv written", shutterWithTv);
        Publish(state, "c_shutter", "(c) shutter call, no Tv write", shutterWithoutTv);
        const double cpuPerSecond = waitCpuSeconds / waitedSeconds;
        state.counters["d_cpu_per_wait_s"] = cpuPerSecond;
        std::printf("(d) CPU while waiting: %s s of CPU in %s s of waiting = %s s per second\n",
                    FixedText(waitCpuSeconds, 3).c_str(), FixedText(waitedSeconds, 3).c_str(),
                    FixedText(cpuPerSecond, 4).c_str());
    }
}
BENCHMARK(BM_RunTiming)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
