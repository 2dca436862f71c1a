// What the gphoto2 backend's camera thread adds before a release or a write, measured through the
// real libgphoto2 against the camera emulator on the wire (tests/camera/ptpip_camera.py, a Canon EOS
// body on PTP/IP on 127.0.0.1).
//
// Each release (TAppMaster::TakePicture, as the run and the window call it) or write
// (TAppMaster::WriteProperty of ISO) comes a pseudo-random 0 to 125 ms after the one before, so
// that it finds the camera thread anywhere in its cycle: waiting on its queue, or in the middle of
// one of its looks for events. Figures, each as median, p99 and max, in ms:
//   session      from the release call to the first libgphoto2 call of its job (gp_camera_capture,
//                stamped by a port wrapper): what the session adds;
//   s_waiting    the same for the releases that found the thread waiting on its queue,
//   s_look       and for those that came while it was looking for events (they wait for the look);
//   look         how long one look for events took (gp_camera_wait_for_event with no wait);
//   write        from a write call to the first libgphoto2 call of its job;
//   half_press   from the release call to the first release operation on the wire (the half press,
//                EOS_RemoteReleaseOn 1, by the emulator's CLOCK_MONOTONIC log stamp), which also
//                holds what the driver does before it presses (it asks for events first);
//   direct       the same on the wire for gp_camera_capture called straight on the port, without
//                the session, for comparison;
//   driver_wait  from the half press to the full press (EOS_RemoteReleaseOn 2): the ptp2 driver's
//                own wait, no part of the session.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "camera/appmaster.h"
#include "camera/gphoto2_sdk.h"
#include "eclipse_data/number_text.h"
#include "tests/camera/ptpip_emulator.h"

namespace {

using namespace zelto;
using Clock = std::chrono::steady_clock;

constexpr int kReleases = 200;
constexpr int kWrites = 100;
constexpr int kDirectReleases = 100;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The library's port, stamping the moment a release's or a write's first libgphoto2 call begins.
class StampingPort final : public Gphoto2Port {
public:
    explicit StampingPort(std::unique_ptr<Gphoto2Port> port) : port_(std::move(port)) {}
    Clock::time_point captureCalled, writeCalled;

    int Detect(std::vector<PortCamera>* found) override { return port_->Detect(found); }
    int Open(const PortCamera& camera) override { return port_->Open(camera); }
    void Close() override { port_->Close(); }
    int ModelName(std::string* name) override { return port_->ModelName(name); }
    int GetWidget(const std::string& name, Gphoto2Widget* out) override { return port_->GetWidget(name, out); }
    int SetWidget(const std::string& name, const std::string& value) override {
        writeCalled = Clock::now();
        return port_->SetWidget(name, value);
    }
    int Capture() override {
        captureCalled = Clock::now();
        return port_->Capture();
    }
    int WaitForEvent(int timeoutMs, Gphoto2Event* out) override {
        const Clock::time_point start = Clock::now();
        const int result = port_->WaitForEvent(timeoutMs, out);
        std::lock_guard<std::mutex> lock(mutex_);
        looks_.push_back({start, Clock::now()});
        return result;
    }
    // How long each look for events took, in ms.
    std::vector<double> Looks() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<double> ms;
        for (const auto& [start, end] : looks_) ms.push_back(Ms(end - start));
        return ms;
    }
    // Whether the camera thread was looking for events at t.
    bool Looking(Clock::time_point t) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [start, end] : looks_) {
            if (start <= t && t < end) return true;
        }
        return false;
    }
    void SetTextHandler(std::function<void(CameraTextKind, const std::string&)> handler) override {
        port_->SetTextHandler(std::move(handler));
    }

private:
    std::unique_ptr<Gphoto2Port> port_;
    std::mutex mutex_;
    std::vector<std::pair<Clock::time_point, Clock::time_point>> looks_;
};

struct NoWindow final : CameraMessageSink {
    void Post(const CameraMessage&) override {}
};

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t index = static_cast<size_t>(std::ceil(p * static_cast<double>(values.size()))) - 1;
    return values[std::min(index, values.size() - 1)];
}

double Seconds(Clock::time_point t) { return std::chrono::duration<double>(t.time_since_epoch()).count(); }

void Report(benchmark::State& state, const char* name, const std::vector<double>& ms) {
    state.counters[std::string(name) + "_median_ms"] = Percentile(ms, 0.5);
    state.counters[std::string(name) + "_p99_ms"] = Percentile(ms, 0.99);
    state.counters[std::string(name) + "_max_ms"] = Percentile(ms, 1.0);
    std::printf("%-12s %3zu calls: median %s ms, p99 %s ms, max %s ms\n", name, ms.size(),
                FixedText(Percentile(ms, 0.5), 3).c_str(), FixedText(Percentile(ms, 0.99), 3).c_str(),
                FixedText(Percentile(ms, 1.0), 3).c_str());
}

// The emulator's half and full presses, in order.
void Presses(PtpipEmulator& emulator, std::vector<double>* half, std::vector<double>* full) {
    for (const PtpipEmulator::Operation& op : emulator.Log()) {
        if (op.name != "EOS_RemoteReleaseOn") continue;
        (op.params.rfind("0x1,", 0) == 0 ? half : full)->push_back(op.monotonicSeconds);
    }
}

void BM_QueuedReleaseToTheWire(benchmark::State& state) {
    for (auto _ : state) {
        // libgphoto2 keeps its settings under HOME: a home of this run's own.
        const std::filesystem::path home = std::filesystem::temp_directory_path() / "zelto-bench-gphoto2";
        std::filesystem::create_directories(home);
        setenv("HOME", home.c_str(), 1);
        PtpipEmulator emulator(ZELTO_PYTHON, ZELTO_PTPIP_CAMERA);
        if (emulator.Port() == 0) {
            state.SkipWithError("python3 could not start the camera emulator");
            return;
        }
        // Pauses of any length up to two and a half event slices, not whole milliseconds, so that the
        // calls do not fall in step with the camera thread's slices.
        std::mt19937 random(16);
        std::uniform_int_distribution<int> pauseUs(0, 125000);
        const auto pause = [&] { std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random))); };

        auto* port = new StampingPort(MakeLibGphoto2Port());
        std::vector<double> session, halfPress, writes;
        std::vector<double> duringLook, whileWaiting;  // the session's figure by what the thread was doing
        std::vector<double> looks;
        std::vector<Clock::time_point> called;
        {
            Gphoto2Sdk sdk(std::unique_ptr<Gphoto2Port>(port), emulator.CameraPort());
            NoWindow window;
            CameraState camera;
            camera.SaveTo = 1;
            std::unique_ptr<TAppMaster> master = TAppMaster::Create(sdk, &window, camera);
            master->SetEventHandlers();
            if (master->DeviceName().empty() || master->OpenSession() != 0 || master->ApplySaveTo() != 0 ||
                master->ReadPropertyList(kEdsPropAll) != 0) {
                state.SkipWithError("the emulator could not be connected");
                return;
            }
            emulator.Command("log clear");
            for (int i = 0; i < kReleases; ++i) {
                pause();
                const Clock::time_point call = Clock::now();
                if (master->TakePicture() != 0) state.SkipWithError("a release failed");
                called.push_back(call);
                session.push_back(Ms(port->captureCalled - call));
            }
            const std::vector<uint32_t> iso = camera.SupportedCodes.Codes(kEdsPropISOSpeed);
            for (int i = 0; i < kWrites; ++i) {
                pause();
                const Clock::time_point call = Clock::now();
                if (master->WriteProperty(kEdsPropISOSpeed, iso[1 + i % 2]) != 0) state.SkipWithError("a write failed");
                writes.push_back(Ms(port->writeCalled - call));
            }
            for (size_t i = 0; i < called.size(); ++i)
                (port->Looking(called[i]) ? duringLook : whileWaiting).push_back(session[i]);
            looks = port->Looks();
            master->Destroy();
        }
        std::vector<double> half, full;
        Presses(emulator, &half, &full);
        if (half.size() != called.size() || full.size() != called.size()) {
            state.SkipWithError("the emulator did not see every press");
            return;
        }
        std::vector<double> driverWait;
        for (size_t i = 0; i < called.size(); ++i) {
            halfPress.push_back((half[i] - Seconds(called[i])) * 1000);
            driverWait.push_back((full[i] - half[i]) * 1000);
        }

        // The same release on the wire without the session: the port called straight.
        std::vector<double> direct;
        {
            std::unique_ptr<Gphoto2Port> raw = MakeLibGphoto2Port();
            if (raw->Open({kGphoto2NetworkModel, PortPath(emulator.CameraPort())}) != kGpOk ||
                raw->SetWidget("capturetarget", "Memory card") != kGpOk) {
                state.SkipWithError("the emulator could not be opened without the session");
                return;
            }
            emulator.Command("log clear");
            std::vector<Clock::time_point> rawCalled;
            for (int i = 0; i < kDirectReleases; ++i) {
                pause();
                rawCalled.push_back(Clock::now());
                if (raw->Capture() != kGpOk) state.SkipWithError("a release failed");
            }
            raw->Close();
            std::vector<double> rawHalf, rawFull;
            Presses(emulator, &rawHalf, &rawFull);
            for (size_t i = 0; i < rawCalled.size() && i < rawHalf.size(); ++i)
                direct.push_back((rawHalf[i] - Seconds(rawCalled[i])) * 1000);
        }
        std::filesystem::remove_all(home);

        Report(state, "session", session);
        Report(state, "s_waiting", whileWaiting);
        if (!duringLook.empty()) Report(state, "s_look", duringLook);
        Report(state, "look", looks);
        Report(state, "write", writes);
        Report(state, "half_press", halfPress);
        Report(state, "direct", direct);
        Report(state, "driver_wait", driverWait);
    }
}
BENCHMARK(BM_QueuedReleaseToTheWire)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
