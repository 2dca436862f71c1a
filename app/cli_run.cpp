// zelto-cli run: carries out an exposure table with the photography run engine, headless.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "app/cli_commands.h"
#include "app/cli_interrupt.h"
#include "app/cli_run_parts.h"
#include "camera/appmaster.h"
#include "camera/backend.h"
#include "camera/camera_choice.h"
#include "camera/proptables.h"
#include "camera/run_engine.h"
#include "camera/run_start.h"
#include "camera/shot_log.h"
#include "camera/sound_player.h"
#include "camera/virtual_camera.h"
#include "camera/virtual_faults.h"
#include "eclipse_data/clock.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/julian.h"
#include "eclipse_data/number_text.h"
#include "circumstances/parameter_file.h"
#include "circumstances/site.h"
#include "exposure/table_file.h"
#include "exposure/table_match.h"
#ifdef ZELTO_HAVE_QT
#include "platform/qt_shell.h"
#else
#include "platform/std_shell.h"
#endif
#include "state/startup.h"
#include "state/variables.h"

namespace zelto::cli {

namespace {

// The camera's messages, queued by the library's threads and handled on the run's thread.
class QueueSink final : public CameraMessageSink {
  public:
    void Post(const CameraMessage& message) override {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(message);
    }
    std::deque<CameraMessage> Take() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::deque<CameraMessage> taken;
        taken.swap(queue_);
        return taken;
    }

  private:
    std::mutex mutex_;
    std::deque<CameraMessage> queue_;
};

// The window's message processing without a window: a value changed on the body is read back, the
// camera library's own texts are printed; Ctrl+C asks the run to stop, as "Abort" does.
class ConsolePump final : public MessagePump {
  public:
    ConsolePump(QueueSink& sink, std::unique_ptr<TAppMaster>& master, RunFlags& flags)
        : sink_(sink), master_(master), flags_(flags) {}
    // Called once when SIGUSR1 asks for the cloud plan.
    std::function<void()> onCloudPlan;

    void ProcessMessages() override {
        if (Interrupted()) flags_.AbortRunRequested = flags_.AbortTestRequested = true;
        if (onCloudPlan && TakeCloudPlanKey()) onCloudPlan();
        for (const CameraMessage& message : sink_.Take()) {
            if (message.message == kCameraMessageText) {
                std::cout << CameraTextLine(static_cast<CameraTextKind>(message.wParam), message.text) << '\n';
                continue;
            }
            if (!master_ || !master_->OwnsMessage(message)) continue;
            if (message.message == kCameraMessageProperty &&
                message.wParam == kEdsPropertyEventPropertyChanged) {
                master_->ReadProperty(static_cast<EdsPropertyID>(message.lParam));
            }
        }
    }

  private:
    QueueSink& sink_;
    std::unique_ptr<TAppMaster>& master_;
    RunFlags& flags_;
};

class SilentSound final : public SoundPlayer {
  public:
    void Play(const std::string&) override {}  // the action line says which sound
};

constexpr const char* kRunUsage =
    "usage: run FILE [--camera virtual|gphoto2|edsdk|none] [--test] [--fast] [--simulate] [--inject SPEC] [--from-now] "
    "[--log FILE] [--force] [--cloud-plan FILE]";

}  // namespace

TableMatch MatchWithSavedSite(const SharedVariables& shared, const TableFileReading& reading) {
    SiteInputs site;
    EclipseState eclipse = shared.eclipse;
    TableFileSite current = reading.site;
    const std::string prm = shared.folders.AppDataFolder + kParameterFileName;
    if (PeekParameterFile(prm, site, eclipse)) {
        current = TableSiteOf(site, eclipse.SelectedEclipse);
    }
    SelectEclipse(eclipse, IsValidEclipseNumber(current.EclipseNumber) ? current.EclipseNumber : 1, "");
    return CheckTableMatch(reading.site, reading.table, current, eclipse.GreatestEclipseJD);
}

int RunCommand(const Arguments& args) {
    if (NamesBodies(args)) return RunBodiesCommand(args);
    std::string file;
    std::string cameraName = CameraBackendSetting();
    bool test = false;
    bool fast = false;
    bool simulate = false;  // a camera that is not found may be replaced by the simulation
    std::optional<VirtualFaultPlan> faults;
    bool fromNow = false;
    bool force = false;
    std::string logPath;
    std::string cloudPlanPath;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--test") {
            test = true;
        } else if (args[i] == "--simulate") {
            simulate = true;
        } else if (args[i] == "--fast") {
            fast = true;
        } else if (args[i] == "--from-now") {
            fromNow = true;
        } else if (args[i] == "--force") {
            force = true;
        } else if (args[i] == "--cloud-plan") {
            if (i + 1 >= args.size() || args[i + 1].empty()) return UsageError("run: --cloud-plan needs a table file");
            cloudPlanPath = args[++i];
        } else if (args[i] == "--log") {
            if (i + 1 >= args.size() || args[i + 1].empty()) return UsageError("run: --log needs a file name");
            logPath = args[++i];
        } else if (args[i] == "--camera") {
            if (i + 1 >= args.size()) return UsageError("run: --camera needs virtual, gphoto2, edsdk or none");
            cameraName = args[++i];
            if (cameraName != "virtual" && cameraName != "gphoto2" && cameraName != "edsdk" && cameraName != "none") {
                return UsageError("run: unknown camera '" + cameraName + "' (virtual, gphoto2, edsdk or none)");
            }
        } else if (args[i] == "--inject") {
            if (i + 1 >= args.size())
                return UsageError("run: --inject needs a fault list such as busy@19x3,unplug@25+3");
            const VirtualFaultReading reading = ReadVirtualFaults(args[++i]);
            if (!reading.plan) return UsageError("run: --inject: " + reading.error);
            faults = reading.plan;
        } else if (!args[i].empty() && args[i][0] == '-') {
            return UsageError("run: unknown option '" + args[i] + "'");
        } else if (file.empty()) {
            file = args[i];
        } else {
            return UsageError(kRunUsage);
        }
    }
    if (file.empty()) return UsageError(kRunUsage);
    const InterruptWatch interruptWatch;

    const TableFileReading reading = LoadExposureTable(file);
    if (!reading.opened) return UsageError("run: " + reading.message);
    if (reading.malformedLine != 0) {
        // The message names the lines and counts the rows read; a run of part of a table is never wanted.
        return UsageError("run: " + file + ": " + reading.message +
                          "\nNothing is run: mend these lines, or open the table in the program and save it"
                          " without them.");
    }
    const ExposureTable& table = reading.table;
    TableFileReading cloudPlan;
    if (!cloudPlanPath.empty()) {
        cloudPlan = LoadExposureTable(cloudPlanPath);
        if (!cloudPlan.opened || cloudPlan.malformedLine != 0)
            return UsageError("run: cloud plan " + cloudPlanPath + ": " + cloudPlan.message);
    }

    QueueSink sink;  // before the backend, which may still post while it closes
    CameraBackend backend = MakeCameraBackend(cameraName);
    if (!backend.sdk) return UsageError("run: camera " + cameraName + ": " + backend.error);
    if (faults && backend.name != "virtual")
        return UsageError("run: --inject needs the virtual camera (--camera virtual)");

    SharedVariables& shared = Shared();
    StartUp(shared, QuerySystemLocations());
    shared.flags.SpokenCommands = false;  // nothing is played; the action lines name the sounds

    if (!table.IsNoTable()) {
        const TableMatch match = MatchWithSavedSite(shared, reading);
        for (const std::string& difference : match.differences) std::cout << "warning: " << difference << '\n';
        if (!match.Matches() && !force) {
            std::cout << "run: not started (--force starts it all the same)\n";
            return 2;
        }
        // The table check before the run: its findings are listed; the run's own lines and summary
        // then say what became of those rows (a script cannot answer a question).
        for (const TableFinding& finding :
             CheckTableHere(table, reading.site.EclipseNumber, cameraName, shared.folders))
            std::cout << "check: " << finding.text << '\n';
    }

    ShotLogFile shotLog;
    if (std::string why; !logPath.empty() && !shotLog.Open(logPath, &why)) {
        return UsageError("run: cannot write the shot log " + logPath + ": " + why);
    }

    // The clock: the system's, or a simulated one that starts shortly before the first row.
    std::unique_ptr<Clock> clock;
    FakeClock* fakeClock = nullptr;
    if (fast) {
        double start = SystemClock().NowJD();
        const auto first = FirstRowInstant(table);
        if (first && !test) start = *first - kFastLeadSeconds / kSecondsPerDay;
        auto fake = std::make_unique<FakeClock>(start, 100);
        fake->SetJumpToWaits(true);
        fakeClock = fake.get();
        clock = std::move(fake);
    } else {
        clock = std::make_unique<SystemClock>();
    }

    std::unique_ptr<VirtualFaultInjector> injector;
    const std::string backendName = backend.name;
    if (auto* body = dynamic_cast<VirtualCamera*>(backend.sdk.get())) {
        UseSimulatedBodyTimes(
            *body,
            [fakeClock](double ms) {
                if (fakeClock) {
                    fakeClock->AdvanceMs(ms);
                } else {
                    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<int64_t>(ms * 1000)));
                }
            },
            faults ? faults->slowerMs : 0);
        if (faults) injector = std::make_unique<VirtualFaultInjector>(*body, *faults);
    }

    std::unique_ptr<TAppMaster> master;
    ConsolePump pump(sink, master, shared.flags);
    // Every camera call has a deadline; while one waits, the pump goes on (Ctrl+C, the library's texts).
    const std::unique_ptr<DeadlineSdk> library = WithCallDeadlines(std::move(backend));
    library->SetWaitTurn([&pump] { pump.ProcessMessages(); });
    library->SetTextSink(&sink);
    // Connects the camera, or again after the run lost it, its calls answered by `deadline` where
    // given; master stays null when none answers in time. False when an allowed-value list does not fit.
    const auto connect = [&](std::function<bool()> deadline) -> bool {
        if (master) master->Destroy();
        master.reset();
        shared.camera.SaveTo = 1;
        library->SetCallDeadline(std::move(deadline));
        try {
            master = OpenCameraSession(*library, &sink, shared.camera);
        } catch (const CameraRangeError& e) {
            library->SetCallDeadline({});
            std::cerr << "zelto-cli: run: camera: " << e.what() << '\n';
            return false;
        }
        library->SetCallDeadline({});
        if (master && library->GaveUp()) {
            master->Destroy();
            master.reset();
        }
        return true;
    };
    bool awaitCamera = false;
    if (cameraName != "none") {
        if (!connect({})) return 1;
        pump.ProcessMessages();  // what the library said while connecting
        // A camera that did not answer in time is there but stuck: the run starts without it and
        // connects it when it answers.
        awaitCamera = !master && library->GaveUp();
        if (awaitCamera) {
            std::cout << "camera: " << backendName << ": no answer within "
                      << DeadlineSdk::kSessionLimit.count()
                      << " s; the run starts without it and connects it when it answers\n";
        } else if (!master && !simulate) {
            // A run meant for a camera never pretends: without --simulate it stops here.
            std::cerr << "zelto-cli: run: camera " << backendName
                      << ": no camera detected (connect it and switch it on, or give --simulate)\n";
            return 1;
        } else {
            std::cout << (master ? "camera: " + shared.camera.CameraName
                                 : std::string("camera: not detected, simulation mode"))
                      << '\n';
        }
    } else {
        std::cout << "camera: none, simulation mode\n";
    }

    LinePrinter printer;
    ConsoleRunView view("", printer);
    SilentSound sound;
#ifdef ZELTO_HAVE_QT
    QtShell shell;
#else
    StdShell shell;
#endif
    RunEnvironment environment{*clock,
                               pump,
                               view,
                               sound,
                               shell,
                               shared.flags,
                               shared.time,
                               shared.folders,
                               [&master, &shared]() -> TAppMaster* {
                                   return shared.camera.CameraName.empty() ? nullptr : master.get();
                               },
                               [&connect](std::function<bool()> deadline) { connect(std::move(deadline)); },
                               [&injector](int row) {
                                   if (injector) injector->RowStarting(row);
                               },
                               logPath.empty() ? nullptr : &shotLog,
                               awaitCamera};
    PhotographyRun run(environment, table);
    if (!cloudPlanPath.empty()) {
        pump.onCloudPlan = [&run, &cloudPlan] { run.SwitchToCloudPlan(cloudPlan.table); };
        std::cout << "cloud plan: " << cloudPlanPath << " (" << ListenForCloudPlanKey() << ")\n";
    }
    const RunSummary summary =
        run.Run(test ? RunKind::Test : RunKind::Real, fromNow ? RunStart::FromNow : RunStart::AllRows);
    if (master) master->Destroy();
    shared.camera.CameraName.clear();
    pump.ProcessMessages();  // what the library said while the session closed

    if (summary.noTable) {
        std::cout << "No exposure table.\n";
        return 1;
    }
    std::cout << RunSummaryText(summary);
    if (shotLog.failed()) std::cout << "shot log: a line could not be written to " << logPath << '\n';
    return RunWentToPlan(summary) ? 0 : 1;
}

}  // namespace zelto::cli
