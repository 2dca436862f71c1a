// Two bodies at once through the real libgphoto2, against two camera emulators on the wire
// (tests/camera/ptpip_camera.py, Canon EOS bodies on PTP/IP on 127.0.0.1), each body with its own
// library, session and camera thread, as a run of several cameras drives them. Figures, each as
// median, p99 and max, in ms:
//   release_A_alone, release_B_alone   from the instant a release is due to its half press on the wire
//                                      (EOS_RemoteReleaseOn 1, the emulator's CLOCK_MONOTONIC stamp),
//                                      with the other body idle;
//   release_A_both, release_B_both     the same with both bodies firing at the same instants;
//   row_start_A, row_start_B           two photography runs together on the real clock, each over a
//                                      table of its own with rows at the same instants: from each row's
//                                      instant to the moment its wait ends and the row begins (the
//                                      run's own "latest start" measure, for every row);
//   shutter_call_A, shutter_call_B     the same runs: from each row's instant to its first release
//                                      call (the shot log's instants), which holds the 15 ms pause the
//                                      run makes before every trial of a camera call.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "camera/backend.h"
#include "camera/camera_set.h"
#include "camera/run_engine.h"
#include "camera/shot_log.h"
#include "camera/sound_player.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/number_text.h"
#include "tests/camera/ptpip_emulator.h"

namespace {

using namespace zelto;
using SteadyClock = std::chrono::steady_clock;

constexpr int kReleases = 40;
constexpr auto kReleaseGap = std::chrono::milliseconds(400);
constexpr int kRows = 20;
constexpr double kRowGapSeconds = 0.6;

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t index = static_cast<size_t>(std::ceil(p * static_cast<double>(values.size()))) - 1;
    return values[std::min(index, values.size() - 1)];
}

void Report(benchmark::State& state, const std::string& name, const std::vector<double>& ms) {
    state.counters[name + "_median_ms"] = Percentile(ms, 0.5);
    state.counters[name + "_p99_ms"] = Percentile(ms, 0.99);
    state.counters[name + "_max_ms"] = Percentile(ms, 1.0);
    std::printf("%-16s %3zu: median %s ms, p99 %s ms, max %s ms\n", name.c_str(), ms.size(),
                FixedText(Percentile(ms, 0.5), 3).c_str(), FixedText(Percentile(ms, 0.99), 3).c_str(),
                FixedText(Percentile(ms, 1.0), 3).c_str());
}

double Seconds(SteadyClock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

// A body on an emulator of its own, connected through the library a run uses.
struct Body {
    explicit Body(const std::string& serial)
        : emulator(ZELTO_PYTHON, ZELTO_PTPIP_CAMERA, serial),
          body(WithCallDeadlines(MakeCameraBackend("gphoto2", emulator.CameraPort()))) {}
    bool Connect() {
        std::string error;
        return emulator.Port() != 0 && body.Connect({}, &error) && body.Camera() != nullptr;
    }
    // Half presses on the wire since the log was cleared, in seconds of the monotonic clock.
    std::vector<double> HalfPresses() {
        std::vector<double> half;
        for (const PtpipEmulator::Operation& op : emulator.Log()) {
            if (op.name == "EOS_RemoteReleaseOn" && op.params.rfind("0x1,", 0) == 0)
                half.push_back(op.monotonicSeconds);
        }
        return half;
    }
    PtpipEmulator emulator;
    CameraBody body;
};

// Releases at each instant on a thread per firing body; the latency of each body's presses.
std::vector<std::vector<double>> ReleaseAt(const std::vector<Body*>& firing) {
    const SteadyClock::time_point start = SteadyClock::now() + std::chrono::milliseconds(300);
    std::vector<SteadyClock::time_point> instants;
    for (int i = 0; i < kReleases; ++i) instants.push_back(start + i * kReleaseGap);
    std::vector<std::function<void()>> work;
    for (Body* body : firing) {
        body->emulator.Command("log clear");
        work.emplace_back([body, &instants] {
            for (const SteadyClock::time_point instant : instants) {
                std::this_thread::sleep_until(instant);
                body->body.Camera()->TakePicture();
            }
        });
    }
    RunTogether(work);
    std::vector<std::vector<double>> latency;
    for (Body* body : firing) {
        const std::vector<double> half = body->HalfPresses();
        std::vector<double>& ms = latency.emplace_back();
        for (size_t i = 0; i < half.size() && i < instants.size(); ++i)
            ms.push_back((half[i] - Seconds(instants[i])) * 1000);
    }
    return latency;
}

void BM_ReleaseWithTheOtherIdleAndFiring(benchmark::State& state) {
    for (auto _ : state) {
        const std::filesystem::path home = std::filesystem::temp_directory_path() / "zelto-bench-two-bodies";
        std::filesystem::create_directories(home);
        setenv("HOME", home.c_str(), 1);
        Body a("A0000001");
        Body b("B0000002");
        if (!a.Connect() || !b.Connect()) {
            state.SkipWithError("the emulators could not be connected");
            return;
        }
        Report(state, "release_A_alone", ReleaseAt({&a})[0]);
        Report(state, "release_B_alone", ReleaseAt({&b})[0]);
        const auto both = ReleaseAt({&a, &b});
        Report(state, "release_A_both", both[0]);
        Report(state, "release_B_both", both[1]);
    }
}
BENCHMARK(BM_ReleaseWithTheOtherIdleAndFiring)->Iterations(1)->Unit(benchmark::kSecond);

// What a run needs besides its camera, doing nothing.
struct NoSound final : SoundPlayer {
    void Play(const std::string&) override {}
};
struct NoShell final : Shell {
    bool StartBatch(const std::string&) override { return false; }
};
struct BodyPump final : MessagePump {
    explicit BodyPump(CameraBody& body) : body_(body) {}
    void ProcessMessages() override { body_.HandleMessages({}); }
    CameraBody& body_;
};
// The system clock, noting when each wait for an instant ends: the first reading at or after the
// instant the run said it waits for.
class RowStartClock final : public Clock {
  public:
    double NowJD() override {
        const double now = clock_.NowJD();
        if (waitingFor_ > 0 && now >= waitingFor_) {
            lateMs_.push_back((now - waitingFor_) * 86400000.0);
            waitingFor_ = 0;
        }
        return now;
    }
    uint32_t TickMs() override { return clock_.TickMs(); }
    void Yield() override { clock_.Yield(); }
    void SleepFor(std::chrono::microseconds duration) override { clock_.SleepFor(duration); }
    void WaitingFor(double jd) override { waitingFor_ = jd; }
    const std::vector<double>& LateMs() const { return lateMs_; }

  private:
    SystemClock clock_;
    double waitingFor_ = 0;
    std::vector<double> lateMs_;
};

// Each row's first shutter call after its instant, in ms.
struct RowStarts final : ShotLog {
    void Write(const ShotRecord& record) override {
        if (record.shutterJD > 0 && record.scheduledJD > 0 && first.count(record.row) == 0)
            first[record.row] = (record.shutterJD - record.scheduledJD) * 86400000.0;
    }
    std::vector<double> Ms() const {
        std::vector<double> ms;
        for (const auto& [row, late] : first) ms.push_back(late);
        return ms;
    }
    std::map<int, double> first;
};

ExposureTable RowsFrom(double firstJD) {
    ExposureTable table(0);
    for (int i = 0; i < kRows; ++i) {
        ExposureRow row;
        row[kColumnPhase] = "Partial";
        row[kColumnDateTime] = JDText(firstJD + i * kRowGapSeconds / 86400.0, 1);
        row[kColumnQuality] = "JPGaLarFin";
        row[kColumnISO] = i % 2 == 0 ? "100" : "400";
        row[kColumnAperture] = "f/8";
        row[kColumnFirstShutter + 3] = "x";  // 1/1000 s
        table.AppendRow(row);
    }
    return table;
}

void RunRows(CameraBody& body, const ExposureTable& table, Clock& clock, RowStarts& starts,
             RunSummary& summary) {
    BodyPump pump(body);
    PagelessRunView view;
    NoSound sound;
    NoShell shell;
    RunFlags flags;
    flags.SpokenCommands = false;
    TimeSource time;
    const WorkingFolders folders;
    RunEnvironment environment{clock,
                               pump,
                               view,
                               sound,
                               shell,
                               flags,
                               time,
                               folders,
                               [&body] { return body.Camera(); },
                               [&body](std::function<bool()> deadline) {
                                   std::string error;
                                   body.Connect(std::move(deadline), &error);
                               },
                               {},
                               &starts};
    summary = PhotographyRun(environment, table).Run(RunKind::Real);
}

void BM_TwoRunsRowStart(benchmark::State& state) {
    for (auto _ : state) {
        const std::filesystem::path home = std::filesystem::temp_directory_path() / "zelto-bench-two-bodies";
        std::filesystem::create_directories(home);
        setenv("HOME", home.c_str(), 1);
        Body a("A0000001");
        Body b("B0000002");
        if (!a.Connect() || !b.Connect()) {
            state.SkipWithError("the emulators could not be connected");
            return;
        }
        RowStartClock clockA, clockB;  // one system clock, read through a wrapper per run
        // Whole tenths: the table's times have tenths of seconds.
        const double first = std::ceil((SystemClock().NowJD() + 2.0 / 86400.0) * 864000.0) / 864000.0;
        const ExposureTable table = RowsFrom(first);
        RowStarts startsA, startsB;
        RunSummary summaryA, summaryB;
        RunTogether({[&] { RunRows(a.body, table, clockA, startsA, summaryA); },
                     [&] { RunRows(b.body, table, clockB, startsB, summaryB); }});
        if (!RunWentToPlan(summaryA) || !RunWentToPlan(summaryB))
            state.SkipWithError("a run did not go to plan");
        Report(state, "row_start_A", clockA.LateMs());
        Report(state, "row_start_B", clockB.LateMs());
        Report(state, "shutter_call_A", startsA.Ms());
        Report(state, "shutter_call_B", startsB.Ms());
    }
}
BENCHMARK(BM_TwoRunsRowStart)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
