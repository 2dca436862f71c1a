#include "camera/body_run.h"

#include <chrono>
#include <cstdio>
#include <thread>
#include <utility>

#include "camera/backend.h"
#include "camera/camera_choice.h"

namespace zelto {

void PortBook::Hold(const std::string& name, const std::string& port) {
    const std::lock_guard lock(mutex_);
    held_[name] = PortPath(port);
}

std::vector<std::string> PortBook::FreeFor(const std::string& name, const std::vector<std::string>& ports) {
    const std::lock_guard lock(mutex_);
    std::vector<std::string> free;
    for (const std::string& port : ports) {
        bool held = false;
        for (const auto& [holder, at] : held_) held = held || (holder != name && at == PortPath(port));
        if (!held) free.push_back(port);
    }
    return free;
}

std::vector<std::string> DetectedPorts() {
    CameraBackend probe = MakeCameraBackend("gphoto2", "");
    std::vector<std::string> ports;
    if (!probe.sdk) return ports;
    EdsSdk& sdk = *probe.sdk;
    EdsCameraListRef list = kEdsNoRef;
    if (sdk.EdsInitializeSDK() == kEdsErrOk && sdk.EdsGetCameraList(&list) == kEdsErrOk) {
        if (CameraChoice* choice = CameraChoiceOf(sdk)) {
            for (const PortCamera& camera : choice->Cameras()) ports.push_back(camera.port);
        }
        sdk.EdsRelease(list);
    }
    sdk.EdsTerminateSDK();
    return ports;
}

namespace {

bool Among(const std::vector<std::string>& ports, const std::string& port) {
    for (const std::string& given : ports) {
        if (!given.empty() && PortPath(given) == PortPath(port)) return true;
    }
    return false;
}

}  // namespace

std::vector<Candidate> MakeCandidates(const std::string& backend, std::vector<std::string> ports,
                                      const std::vector<std::string>& elsewhere, int firstVirtual) {
    if (backend == "gphoto2") {
        std::vector<std::string> detected;
        for (const std::string& port : ports) {
            if (port.empty() && detected.empty()) detected = DetectedPorts();
        }
        const std::vector<std::string> given = ports;
        size_t next = 0;
        for (std::string& port : ports) {
            while (port.empty() && next < detected.size()) {
                const std::string& candidate = detected[next++];
                if (!Among(given, candidate) && !Among(elsewhere, candidate)) port = candidate;
            }
        }
    }
    std::vector<Candidate> candidates;
    for (size_t i = 0; i < ports.size(); ++i) {
        // A gphoto2 name left without a port would take the first USB camera, which another name has.
        if (backend == "gphoto2" && ports[i].empty()) {
            candidates.push_back({});
            continue;
        }
        CameraBackend made = MakeCameraBackend(backend, ports[i]);
        Candidate candidate{ports[i], dynamic_cast<VirtualCamera*>(made.sdk.get()), nullptr};
        if (candidate.virtualBody) {
            char serial[32];
            std::snprintf(serial, sizeof serial, "VIRTUAL%04zu", i + static_cast<size_t>(firstVirtual));
            candidate.virtualBody->SetSerial(serial);
        }
        candidate.body = std::make_unique<CameraBody>(WithCallDeadlines(std::move(made)));
        candidates.push_back(std::move(candidate));
    }
    return candidates;
}

std::optional<std::vector<std::optional<std::string>>> ConnectCandidates(std::vector<Candidate>& candidates,
                                                                         std::string* error) {
    std::vector<std::optional<std::string>> found;
    for (Candidate& candidate : candidates) {
        if (!candidate.body) {
            found.push_back(std::nullopt);
            continue;
        }
        std::string why;
        if (!candidate.body->Connect({}, &why)) {
            if (error)
                *error = "camera" + (candidate.port.empty() ? "" : " on " + candidate.port) + ": " + why;
            return std::nullopt;
        }
        candidate.body->HandleMessages({});
        candidate.stuck = !candidate.body->Camera() && candidate.body->Library().GaveUp();
        found.push_back(candidate.body->Camera() ? std::optional(candidate.body->Serial()) : std::nullopt);
    }
    return found;
}

bool MatchNames(std::vector<KeptCamera>& kept, std::vector<std::unique_ptr<BodyRun>>& runs,
                std::vector<Candidate>& candidates, const std::vector<std::optional<std::string>>& found,
                const std::function<void(const std::string& name, const std::string& line)>& say) {
    const auto keptAs = [&kept](const std::string& name) -> KeptCamera* {
        for (KeptCamera& camera : kept) {
            if (camera.name == name) return &camera;
        }
        return nullptr;
    };
    std::vector<std::string> known;
    for (const auto& run : runs)
        known.push_back(keptAs(run->name) ? keptAs(run->name)->serial : std::string());
    const std::vector<int> match = MatchBodies(known, found);
    bool all = true;
    for (size_t i = 0; i < runs.size(); ++i) {
        BodyRun& run = *runs[i];
        run.keptSerial = known[i];
        if (match[i] < 0 && i < candidates.size() && candidates[i].stuck) {
            // Its own port's body is there but stuck, as a single camera's may be: the run starts
            // without it and connects it when it answers (and then only the body with its serial).
            run.camera = &candidates[i];
            run.awaitCamera = true;
            say(run.name, "camera: no answer on " + candidates[i].port + " within " +
                              std::to_string(DeadlineSdk::kSessionLimit.count()) +
                              " s; the run starts without it and connects it when it answers");
            continue;
        }
        if (match[i] < 0) {
            say(run.name, "camera: not found" + (known[i].empty() ? "" : " (serial " + known[i] + ")"));
            all = false;
            continue;
        }
        run.camera = &candidates[static_cast<size_t>(match[i])];
        const std::string serial = run.camera->body->Serial();
        say(run.name, "camera: " + run.camera->body->State().CameraName +
                          (serial.empty() ? "" : ", serial " + serial) +
                          (run.camera->port.empty() ? "" : " on " + run.camera->port));
        if (!keptAs(run.name)) kept.push_back({run.name, {}, {}});
        if (keptAs(run.name)->serial.empty()) keptAs(run.name)->serial = serial;
    }
    return all;
}

void KnowBodiesBySerial(const std::string& backend, std::vector<std::unique_ptr<BodyRun>>& runs,
                        PortBook& book) {
    for (const auto& run : runs) {
        if (run->camera) book.Hold(run->name, run->camera->port);
    }
    for (const auto& run : runs) {
        const std::string serial = run->awaitCamera ? run->keptSerial
                                   : run->camera    ? run->camera->body->Serial()
                                                    : "";
        if (!run->camera || serial.empty()) continue;
        BodyFinder finder;
        if (backend == "gphoto2") {
            finder.ports = [&book, name = run->name] { return book.FreeFor(name, DetectedPorts()); };
            finder.libraryOn = [](const std::string& port) {
                return WithCallDeadlines(MakeCameraBackend("gphoto2", port));
            };
            finder.moved = [&book, name = run->name](const std::string& port) { book.Hold(name, port); };
        }
        run->camera->body->KnowBySerial(serial, std::move(finder));
    }
}

std::string BodyLogPath(const std::string& path, const std::string& name) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + "_" + name;
    return path.substr(0, dot) + "_" + name + path.substr(dot);
}

bool PrepareBodyRun(BodyRun& run, std::unique_ptr<FakeClock> simulated, const BodyFaultReading& faults,
                    const std::string& logPath, std::string* why) {
    FakeClock* fake = simulated.get();
    if (simulated) run.ownClock = std::move(simulated);
    run.flags.SpokenCommands = false;  // nothing is played; the action lines name the sounds
    const auto plan = faults.plans.find(run.name);
    if (VirtualCamera* body = run.camera ? run.camera->virtualBody : nullptr) {
        UseSimulatedBodyTimes(
            *body,
            [fake](double ms) {
                if (fake) {
                    fake->AdvanceMs(ms);
                } else {
                    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<int64_t>(ms * 1000)));
                }
            },
            plan != faults.plans.end() ? plan->second.slowerMs : 0);
        if (plan != faults.plans.end())
            run.injector = std::make_unique<VirtualFaultInjector>(*body, plan->second);
    }
    if (logPath.empty()) return true;
    run.shotLog.SetCameraName(run.name);
    run.logging = run.shotLog.Open(logPath, why);
    return run.logging;
}

namespace {

// The body's messages on its run thread, and what other threads asked of the run: a stop, and the
// rehearsal offset the program's clock has now.
class BodyPump final : public MessagePump {
  public:
    BodyPump(BodyRun& run, const BodyRunSurroundings& surroundings) : run_(run), s_(surroundings) {}
    void ProcessMessages() override {
        if (s_.eachTurn) s_.eachTurn();
        if (run_.stopAsked) run_.flags.AbortRunRequested = run_.flags.AbortTestRequested = true;
        run_.time.TimeOffset = run_.timeOffset;  // "Advance Time" and "Back to Real Time" reach every camera
        run_.camera->body->HandleMessages([this](const CameraMessage& message) {
            if (s_.text) s_.text(CameraTextLine(static_cast<CameraTextKind>(message.wParam), message.text));
        });
    }

  private:
    BodyRun& run_;
    const BodyRunSurroundings& s_;
};

}  // namespace

void RunBody(BodyRun& run, RunKind kind, RunStart start, BodyRunSurroundings surroundings) {
    CameraBody& body = *run.camera->body;
    BodyPump pump(run, surroundings);
    body.SetWaitTurn([&pump] { pump.ProcessMessages(); });
    RunEnvironment environment{run.ownClock ? *run.ownClock : surroundings.clock,
                               pump,
                               surroundings.view,
                               surroundings.sound,
                               surroundings.shell,
                               run.flags,
                               run.time,
                               surroundings.folders,
                               [&body]() { return body.Camera(); },
                               [&body](std::function<bool()> deadline) {
                                   std::string error;
                                   body.Connect(std::move(deadline), &error);
                               },
                               [&run](int row) {
                                   if (run.injector) run.injector->RowStarting(row);
                               },
                               run.logging ? &run.shotLog : nullptr,
                               run.awaitCamera};
    pump.ProcessMessages();  // an offset or stop given before the run began
    PhotographyRun photography(environment, run.reading.table);
    run.summary = photography.Run(kind, start);
    run.ran = true;
    body.Disconnect();
    pump.ProcessMessages();  // what the library said while the session closed
    body.SetWaitTurn({});
}

}  // namespace zelto
