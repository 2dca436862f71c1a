// zelto-cli run --body NAME=TABLE …: several cameras, each with its own table, on one clock. Each
// body runs on a thread of its own with its own library and camera thread; every line printed names
// its camera.
#include <algorithm>
#include <chrono>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/cli_interrupt.h"
#include "app/cli_run_parts.h"
#include "camera/backend.h"
#include "camera/camera_choice.h"
#include "camera/camera_set.h"
#include "camera/run_engine.h"
#include "camera/run_start.h"
#include "camera/shot_log.h"
#include "camera/sound_player.h"
#include "camera/virtual_camera.h"
#include "camera/virtual_faults.h"
#include "circumstances/parameter_file.h"
#include "eclipse_data/clock.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/julian.h"
#include "eclipse_data/number_text.h"
#ifdef ZELTO_HAVE_QT
#include "platform/qt_shell.h"
#else
#include "platform/std_shell.h"
#endif
#include "state/startup.h"

namespace zelto::cli {

namespace {

constexpr const char* kBodiesUsage =
    "usage: run --body NAME=TABLE [--body NAME=TABLE ...] [--port NAME=PORT] [--camera virtual|gphoto2] "
    "[--test] "
    "[--fast] [--from-now] [--inject SPEC] [--log FILE] [--force]";

struct BodyArguments {
    std::string name;
    std::string tableFile;
    std::string port;
};

struct BodiesArguments {
    std::vector<BodyArguments> bodies;
    std::string camera;
    bool test = false;
    bool fast = false;
    bool fromNow = false;
    bool force = false;
    std::string faults;
    std::string logPath;
};

// "NAME=VALUE" with a name a line can carry (no blanks, "=", ":" or ","); nullopt otherwise.
std::optional<std::pair<std::string, std::string>> NameAndValue(const std::string& text) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == text.size()) return std::nullopt;
    const std::string name = text.substr(0, equals);
    if (name.find_first_of(" \t:,\"") != std::string::npos) return std::nullopt;
    return std::make_pair(name, text.substr(equals + 1));
}

BodyArguments* BodyNamed(BodiesArguments& read, const std::string& name) {
    for (BodyArguments& body : read.bodies) {
        if (body.name == name) return &body;
    }
    return nullptr;
}

// The named value of an option ("--body", "--port") into `read`; an error text when it cannot be.
std::string ReadNamedOption(const std::string& option, const std::string& text, BodiesArguments& read) {
    const auto pair = NameAndValue(text);
    if (!pair)
        return option + " needs NAME=" + (option == "--body" ? "TABLE" : "PORT") + ", not '" + text + "'";
    BodyArguments* body = BodyNamed(read, pair->first);
    if (option == "--body") {
        if (body && !body->tableFile.empty()) return "the camera " + pair->first + " is named twice";
        if (!body) body = &read.bodies.emplace_back(BodyArguments{pair->first, {}, {}});
        body->tableFile = pair->second;
    } else {
        if (!body) body = &read.bodies.emplace_back(BodyArguments{pair->first, {}, {}});
        body->port = pair->second;
    }
    return {};
}

// 0 when read, else the usage error's exit code (after its line).
int ReadBodiesArguments(const Arguments& args, BodiesArguments& read) {
    read.camera = CameraBackendSetting();
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--test" || arg == "--fast" || arg == "--from-now" || arg == "--force") {
            (arg == "--test"       ? read.test
             : arg == "--fast"     ? read.fast
             : arg == "--from-now" ? read.fromNow
                                   : read.force) = true;
        } else if ((arg == "--body" || arg == "--port") && hasValue) {
            if (const std::string error = ReadNamedOption(arg, args[++i], read); !error.empty())
                return UsageError("run: " + error);
        } else if (arg == "--camera" && hasValue) {
            read.camera = args[++i];
            if (read.camera != "virtual" && read.camera != "gphoto2")
                return UsageError("run: several cameras need --camera virtual or gphoto2, not '" +
                                  read.camera + "'");
        } else if (arg == "--inject" && hasValue) {
            read.faults = args[++i];
        } else if (arg == "--log" && hasValue && !args[i + 1].empty()) {
            read.logPath = args[++i];
        } else {
            return UsageError("run: " + (arg.rfind("--", 0) == 0 ? "'" + arg + "' needs a value or is unknown"
                                                                 : std::string(kBodiesUsage)));
        }
    }
    for (const BodyArguments& body : read.bodies) {
        if (body.tableFile.empty())
            return UsageError("run: --port " + body.name + " names no camera given by --body");
    }
    if (read.camera.empty()) read.camera = "gphoto2";
    if (read.camera != "virtual" && read.camera != "gphoto2")
        return UsageError("run: several cameras need --camera virtual or gphoto2, not '" + read.camera + "'");
    return 0;
}

// The body's messages on its run thread; Ctrl+C asks its run to stop, as "Abort" does.
class BodyPump final : public MessagePump {
  public:
    BodyPump(std::string name, CameraBody& body, RunFlags& flags, LinePrinter& printer)
        : name_(std::move(name)), body_(body), flags_(flags), printer_(printer) {}
    void ProcessMessages() override {
        if (Interrupted()) flags_.AbortRunRequested = flags_.AbortTestRequested = true;
        body_.HandleMessages([this](const CameraMessage& message) {
            printer_.Print(name_ + "  " +
                           CameraTextLine(static_cast<CameraTextKind>(message.wParam), message.text));
        });
    }

  private:
    std::string name_;
    CameraBody& body_;
    RunFlags& flags_;
    LinePrinter& printer_;
};

class SilentSound final : public SoundPlayer {
  public:
    void Play(const std::string&) override {}  // the action line says which sound
};

// A body found on a port (or a virtual body) before it is known by name.
struct Candidate {
    std::string port;
    VirtualCamera* virtualBody = nullptr;  // the virtual camera behind the library, for its faults and times
    std::unique_ptr<CameraBody> body;      // null: no port left to look at
    bool stuck = false;                    // its connect got no answer in time
};

// Everything one named camera's run works with, alive until every run has ended.
struct BodyRun {
    std::string name;
    TableFileReading reading;
    Candidate* camera = nullptr;
    std::string keptSerial;           // from the options; empty when none was kept
    bool awaitCamera = false;         // its body did not answer in time: the run starts without it
    std::unique_ptr<Clock> ownClock;  // a simulated run's clock; null: the shared system clock
    std::unique_ptr<VirtualFaultInjector> injector;
    RunFlags flags;
    TimeSource time;
    ShotLogFile shotLog;
    bool logging = false;
    RunSummary summary;
    bool ran = false;
};

// The ports the bodies of a run are on, shared by their run threads.
class PortBook {
  public:
    void Hold(const std::string& name, const std::string& port) {
        const std::lock_guard lock(mutex_);
        held_[name] = PortPath(port);
    }
    // The ports of `ports` that no body other than `name` is on.
    std::vector<std::string> FreeFor(const std::string& name, const std::vector<std::string>& ports) {
        const std::lock_guard lock(mutex_);
        std::vector<std::string> free;
        for (const std::string& port : ports) {
            bool held = false;
            for (const auto& [holder, at] : held_) held = held || (holder != name && at == PortPath(port));
            if (!held) free.push_back(port);
        }
        return free;
    }

  private:
    std::mutex mutex_;
    std::map<std::string, std::string> held_;
};

// The ports libgphoto2 detects cameras on, in its order (disk: folders left out).
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

// One library per body: a virtual body each with a serial of its own, or a gphoto2 body on each port
// given, then on the ports detected that no name was given (none where no port is left).
std::vector<Candidate> MakeCandidates(const BodiesArguments& read) {
    std::vector<std::string> ports;
    for (const BodyArguments& body : read.bodies) ports.push_back(body.port);
    if (read.camera == "gphoto2") {
        std::vector<std::string> detected;
        for (const std::string& port : ports) {
            if (port.empty() && detected.empty()) detected = DetectedPorts();
        }
        size_t next = 0;
        for (std::string& port : ports) {
            while (port.empty() && next < detected.size()) {
                const std::string& candidate = detected[next++];
                bool given = false;
                for (const BodyArguments& body : read.bodies)
                    given = given || PortPath(body.port) == candidate;
                if (!given) port = candidate;
            }
        }
    }
    std::vector<Candidate> candidates;
    for (size_t i = 0; i < ports.size(); ++i) {
        // A gphoto2 name left without a port would take the first USB camera, which another name has.
        if (read.camera == "gphoto2" && ports[i].empty()) {
            candidates.push_back({});
            continue;
        }
        CameraBackend backend = MakeCameraBackend(read.camera, ports[i]);
        Candidate candidate{ports[i], dynamic_cast<VirtualCamera*>(backend.sdk.get()), nullptr};
        if (candidate.virtualBody) {
            char serial[32];
            std::snprintf(serial, sizeof serial, "VIRTUAL%04zu", i + 1);
            candidate.virtualBody->SetSerial(serial);
        }
        candidate.body = std::make_unique<CameraBody>(WithCallDeadlines(std::move(backend)));
        candidates.push_back(std::move(candidate));
    }
    return candidates;
}

// Reads every body's table; a table that cannot be read whole stops the command before anything runs.
int LoadTables(const BodiesArguments& read, std::vector<std::unique_ptr<BodyRun>>& runs) {
    for (const BodyArguments& body : read.bodies) {
        auto run = std::make_unique<BodyRun>();
        run->name = body.name;
        run->reading = LoadExposureTable(body.tableFile);
        if (!run->reading.opened) return UsageError("run: " + body.name + ": " + run->reading.message);
        if (run->reading.malformedLine != 0) {
            return UsageError(
                "run: " + body.name + ": " + body.tableFile + ": " + run->reading.message +
                "\nNothing is run: mend these lines, or open the table in the program and save it"
                " without them.");
        }
        runs.push_back(std::move(run));
    }
    return 0;
}

// Each table against the saved site and eclipse; false when one differs and --force is not given.
bool SitesMatch(const SharedVariables& shared, const std::vector<std::unique_ptr<BodyRun>>& runs,
                bool force) {
    bool all = true;
    for (const auto& run : runs) {
        if (run->reading.table.IsNoTable()) continue;
        const TableMatch match = MatchWithSavedSite(shared, run->reading);
        for (const std::string& difference : match.differences)
            std::cout << run->name << "  warning: " << difference << '\n';
        all = all && match.Matches();
    }
    if (!all && !force) std::cout << "run: not started (--force starts it all the same)\n";
    return all || force;
}

// Connects every candidate; the serial each reports, nullopt where none answered.
std::optional<std::vector<std::optional<std::string>>> ConnectCandidates(std::vector<Candidate>& candidates) {
    std::vector<std::optional<std::string>> found;
    for (Candidate& candidate : candidates) {
        if (!candidate.body) {
            found.push_back(std::nullopt);
            continue;
        }
        std::string error;
        if (!candidate.body->Connect({}, &error)) {
            std::cerr << "zelto-cli: run: camera" << (candidate.port.empty() ? "" : " on " + candidate.port)
                      << ": " << error << '\n';
            return std::nullopt;
        }
        candidate.body->HandleMessages({});
        candidate.stuck = !candidate.body->Camera() && candidate.body->Library().GaveUp();
        found.push_back(candidate.body->Camera() ? std::optional(candidate.body->Serial()) : std::nullopt);
    }
    return found;
}

// Gives each named run its body by serial and keeps the serials learnt in the options. False when a
// named camera is not found.
bool MatchNames(const std::string& optionsPath, std::vector<std::unique_ptr<BodyRun>>& runs,
                std::vector<Candidate>& candidates, const std::vector<std::optional<std::string>>& found) {
    ProgramOptions options = ReadOptionsFile(optionsPath);
    const auto kept = [&options](const std::string& name) -> KeptCamera* {
        for (KeptCamera& camera : options.Cameras) {
            if (camera.name == name) return &camera;
        }
        return nullptr;
    };
    std::vector<std::string> known;
    for (const auto& run : runs) known.push_back(kept(run->name) ? kept(run->name)->serial : std::string());
    const std::vector<int> match = MatchBodies(known, found);
    bool all = true;
    const ProgramOptions before = options;
    for (size_t i = 0; i < runs.size(); ++i) {
        BodyRun& run = *runs[i];
        run.keptSerial = known[i];
        if (match[i] < 0 && i < candidates.size() && candidates[i].stuck) {
            // Its own port's body is there but stuck, as a single camera's may be: the run starts
            // without it and connects it when it answers (and then only the body with its serial).
            run.camera = &candidates[i];
            run.awaitCamera = true;
            std::cout << run.name << "  camera: no answer on " << candidates[i].port << " within "
                      << DeadlineSdk::kSessionLimit.count()
                      << " s; the run starts without it and connects it when it answers\n";
            continue;
        }
        if (match[i] < 0) {
            std::cout << run.name << "  camera: not found"
                      << (known[i].empty() ? "" : " (serial " + known[i] + ")") << '\n';
            all = false;
            continue;
        }
        run.camera = &candidates[static_cast<size_t>(match[i])];
        const std::string serial = run.camera->body->Serial();
        std::cout << run.name << "  camera: " << run.camera->body->State().CameraName
                  << (serial.empty() ? "" : ", serial " + serial)
                  << (run.camera->port.empty() ? "" : " on " + run.camera->port) << '\n';
        if (!kept(run.name)) options.Cameras.push_back({run.name, {}});
        if (kept(run.name)->serial.empty()) kept(run.name)->serial = serial;
    }
    if (!(options == before) && !WriteOptionsFile(optionsPath, options))
        std::cout << "run: the cameras' serial numbers could not be kept in " << optionsPath << '\n';
    return all;
}

// Each body found is from now on the one with its serial number: a body plugged back into another
// USB port during the run is looked for there (gphoto2), another body on its port is refused.
void KnowBodiesBySerial(const std::string& camera, std::vector<std::unique_ptr<BodyRun>>& runs,
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
        if (camera == "gphoto2") {
            finder.ports = [&book, name = run->name] { return book.FreeFor(name, DetectedPorts()); };
            finder.libraryOn = [](const std::string& port) {
                return WithCallDeadlines(MakeCameraBackend("gphoto2", port));
            };
            finder.moved = [&book, name = run->name](const std::string& port) { book.Hold(name, port); };
        }
        run->camera->body->KnowBySerial(serial, std::move(finder));
    }
}

// The instant a simulated run starts: shortly before the earliest first row of all tables (now for
// a test run).
double SimulatedStart(const std::vector<std::unique_ptr<BodyRun>>& runs, bool test) {
    const double now = SystemClock().NowJD();
    if (test) return now;
    double start = 0;
    for (const auto& run : runs) {
        if (const auto first = FirstRowInstant(run->reading.table)) {
            const double lead = *first - kFastLeadSeconds / kSecondsPerDay;
            start = start == 0 ? lead : std::min(start, lead);
        }
    }
    return start == 0 ? now : start;
}

// The log file of one camera: FILE with the camera's name before its extension.
std::string BodyLogPath(const std::string& path, const std::string& name) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + "_" + name;
    return path.substr(0, dot) + "_" + name + path.substr(dot);
}

// A run's clock, faults, body times and shot log. False when the log cannot be opened.
bool PrepareRun(BodyRun& run, const BodiesArguments& read, double simulatedStart,
                const BodyFaultReading& faults) {
    FakeClock* fake = nullptr;
    if (read.fast) {
        // Each simulated run has a clock of its own, started at the same instant: the bodies do not
        // wait for each other, so each keeps the times one shared clock would give it.
        auto clock = std::make_unique<FakeClock>(simulatedStart, 100);
        clock->SetJumpToWaits(true);
        fake = clock.get();
        run.ownClock = std::move(clock);
    }
    run.flags.SpokenCommands = false;  // nothing is played; the action lines name the sounds
    const auto plan = faults.plans.find(run.name);
    if (VirtualCamera* body = run.camera->virtualBody) {
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
    if (read.logPath.empty()) return true;
    const std::string path = read.bodies.size() == 1 ? read.logPath : BodyLogPath(read.logPath, run.name);
    run.shotLog.SetCameraName(run.name);
    std::string why;
    run.logging = run.shotLog.Open(path, &why);
    if (!run.logging)
        std::cerr << "zelto-cli: run: cannot write the shot log " << path << ": " << why << '\n';
    return run.logging;
}

// One camera's whole run, on its own thread.
void RunBody(BodyRun& run, const BodiesArguments& read, Clock& systemClock, const WorkingFolders& folders,
             LinePrinter& printer) {
    CameraBody& body = *run.camera->body;
    ConsoleRunView view(run.name + "  ", printer);
    BodyPump pump(run.name, body, run.flags, printer);
    body.SetWaitTurn([&pump] { pump.ProcessMessages(); });
    SilentSound sound;
#ifdef ZELTO_HAVE_QT
    QtShell shell;
#else
    StdShell shell;
#endif
    RunEnvironment environment{run.ownClock ? *run.ownClock : systemClock,
                               pump,
                               view,
                               sound,
                               shell,
                               run.flags,
                               run.time,
                               folders,
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
    PhotographyRun photography(environment, run.reading.table);
    run.summary = photography.Run(read.test ? RunKind::Test : RunKind::Real,
                                  read.fromNow ? RunStart::FromNow : RunStart::AllRows);
    run.ran = true;
    body.Disconnect();
    pump.ProcessMessages();  // what the library said while the session closed
    body.SetWaitTurn({});
}

// A block per camera, each line named by it; 0 only when every camera did all.
int PrintSummaries(const std::vector<std::unique_ptr<BodyRun>>& runs, bool allFound) {
    bool all = allFound;
    for (const auto& run : runs) {
        if (!run->ran) continue;
        std::string text =
            run->summary.noTable ? std::string("No exposure table.\n") : RunSummaryText(run->summary);
        if (run->logging && run->shotLog.failed())
            text += "shot log: a line could not be written to " + run->shotLog.path() + "\n";
        for (size_t start = 0; start < text.size();) {
            const size_t end = text.find('\n', start);
            std::cout << run->name << "  " << text.substr(start, end - start) << '\n';
            start = end == std::string::npos ? text.size() : end + 1;
        }
        all = all && !run->summary.noTable && RunWentToPlan(run->summary);
    }
    return all ? 0 : 1;
}

}  // namespace

int RunBodiesCommand(const Arguments& args) {
    BodiesArguments read;
    if (const int error = ReadBodiesArguments(args, read); error != 0) return error;
    std::vector<std::string> names;
    for (const BodyArguments& body : read.bodies) names.push_back(body.name);
    const BodyFaultReading faults =
        read.faults.empty() ? BodyFaultReading{} : ReadBodyFaults(read.faults, names);
    if (!faults.error.empty()) return UsageError("run: --inject: " + faults.error);
    if (!read.faults.empty() && read.camera != "virtual")
        return UsageError("run: --inject needs the virtual camera (--camera virtual)");
    const InterruptWatch interruptWatch;
    std::vector<std::unique_ptr<BodyRun>> runs;
    if (const int error = LoadTables(read, runs); error != 0) return error;

    SharedVariables& shared = Shared();
    StartUp(shared, QuerySystemLocations());
    if (!SitesMatch(shared, runs, read.force)) return 2;

    std::vector<Candidate> candidates = MakeCandidates(read);
    const auto found = ConnectCandidates(candidates);
    if (!found) return 1;
    const bool allFound =
        MatchNames(shared.folders.AppDataFolder + kOptionsFileName, runs, candidates, *found);
    PortBook book;
    KnowBodiesBySerial(read.camera, runs, book);

    const double simulatedStart = SimulatedStart(runs, read.test);
    SystemClock systemClock;
    LinePrinter printer;
    std::vector<std::function<void()>> work;
    for (const auto& run : runs) {
        if (!run->camera) continue;
        if (!PrepareRun(*run, read, simulatedStart, faults)) return 1;
        work.emplace_back([&run = *run, &read, &systemClock, &shared, &printer] {
            RunBody(run, read, systemClock, shared.folders, printer);
        });
    }
    RunTogether(work);
    return PrintSummaries(runs, allFound);
}

bool NamesBodies(const Arguments& args) {
    for (const std::string& arg : args) {
        if (arg == "--body") return true;
    }
    return false;
}

}  // namespace zelto::cli
