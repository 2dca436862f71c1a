// zelto-cli run --body NAME=TABLE …: several cameras, each with its own table, on one clock. Each
// body runs on a thread of its own with its own library and camera thread; every line printed names
// its camera.
#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/cli_interrupt.h"
#include "app/cli_run_parts.h"
#include "camera/backend.h"
#include "camera/body_run.h"
#include "camera/run_start.h"
#include "circumstances/parameter_file.h"
#include "eclipse_data/clock.h"
#include "eclipse_data/julian.h"
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
    if (!IsCameraName(name)) return std::nullopt;
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

// Connects every body and matches each name to its body; false when a body's connect failed outright.
bool FindBodies(const BodiesArguments& read, const std::string& optionsPath,
                std::vector<std::unique_ptr<BodyRun>>& runs, std::vector<Candidate>& candidates,
                bool& allFound) {
    std::vector<std::string> ports;
    for (const BodyArguments& body : read.bodies) ports.push_back(body.port);
    candidates = MakeCandidates(read.camera, ports);
    std::string error;
    const auto found = ConnectCandidates(candidates, &error);
    if (!found) {
        std::cerr << "zelto-cli: run: " << error << '\n';
        return false;
    }
    ProgramOptions options = ReadOptionsFile(optionsPath);
    const ProgramOptions before = options;
    allFound = MatchNames(
        options.Cameras, runs, candidates, *found,
        [](const std::string& name, const std::string& line) { std::cout << name << "  " << line << '\n'; });
    if (!(options == before) && !WriteOptionsFile(optionsPath, options))
        std::cout << "run: the cameras' serial numbers could not be kept in " << optionsPath << '\n';
    return true;
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

// A run's clock, faults, body times and shot log. False when the log cannot be opened.
bool PrepareRun(BodyRun& run, const BodiesArguments& read, double simulatedStart,
                const BodyFaultReading& faults) {
    std::unique_ptr<FakeClock> simulated;
    if (read.fast) {
        // Each simulated run has a clock of its own, started at the same instant: the bodies do not
        // wait for each other, so each keeps the times one shared clock would give it.
        simulated = std::make_unique<FakeClock>(simulatedStart, 100);
        simulated->SetJumpToWaits(true);
    }
    const std::string path = read.logPath.empty()      ? std::string()
                             : read.bodies.size() == 1 ? read.logPath
                                                       : BodyLogPath(read.logPath, run.name);
    std::string why;
    if (PrepareBodyRun(run, std::move(simulated), faults, path, &why)) return true;
    std::cerr << "zelto-cli: run: cannot write the shot log " << path << ": " << why << '\n';
    return false;
}

// One camera's whole run, on its own thread; Ctrl+C asks it to stop, as "Abort" does.
void RunBodyOnConsole(BodyRun& run, const BodiesArguments& read, Clock& systemClock,
                      const WorkingFolders& folders, LinePrinter& printer) {
    ConsoleRunView view(run.name + "  ", printer);
    SilentSound sound;
#ifdef ZELTO_HAVE_QT
    QtShell shell;
#else
    StdShell shell;
#endif
    RunBody(run, read.test ? RunKind::Test : RunKind::Real,
            read.fromNow ? RunStart::FromNow : RunStart::AllRows,
            {systemClock, folders, view, sound, shell,
             [&run, &printer](const std::string& line) { printer.Print(run.name + "  " + line); },
             [&run] {
                 if (Interrupted()) run.stopAsked = true;
             }});
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

    std::vector<Candidate> candidates;
    bool allFound = false;
    if (!FindBodies(read, shared.folders.AppDataFolder + kOptionsFileName, runs, candidates, allFound))
        return 1;
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
            RunBodyOnConsole(run, read, systemClock, shared.folders, printer);
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
