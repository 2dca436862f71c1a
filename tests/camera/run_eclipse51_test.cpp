// A whole total-eclipse table, as the generator makes it for eclipse 51 at the default site, carried
// out on a simulated clock by a virtual camera that takes a real body's time per picture.
#include <gtest/gtest.h>

#include <map>

#include "camera/appmaster.h"
#include "camera/proptables.h"
#include "camera/run_engine.h"
#include "camera/shot_log.h"
#include "camera/sound_player.h"
#include "camera/virtual_camera.h"
#include "camera/virtual_faults.h"
#include "eclipse51_table.h"
#include "eclipse_data/datetext.h"

namespace zelto {
namespace {

constexpr double kSecond = 1.0 / 86400.0;

struct PhaseView : RunView {
    std::string phase;
    std::vector<std::string> banners;
    std::map<std::string, int> takenPerPhase;
    std::vector<RunAction> actions;
    std::vector<std::string> phaseOfAction;
    std::vector<RunProgress> progress;
    void SetPhase(const std::string& text) override { phase = text; }
    void SetRowInstant(const std::string&) override {}
    void SetRowCountdown(const std::string&) override {}
    void SetInfo(const std::string&) override {}
    void SetInfoColour(RunColour) override {}
    void SetStatus(const std::string&) override {}
    void ShowBanner(const std::string& text) override { banners.push_back(text); }
    void SetBannerColour(RunColour) override {}
    void HideBanner() override {}
    void SetRunning(RunKind, bool) override {}
    void ShowRehearsalControls(bool) override {}
    void Report(const RunAction& action) override {
        actions.push_back(action);
        phaseOfAction.push_back(phase);
        if (action.text.size() > 6 && action.text.substr(action.text.size() - 6) == " taken")
            ++takenPerPhase[phase];
    }
    void ShowProgress(const RunProgress& p) override { progress.push_back(p); }
};

struct NoPump : MessagePump {
    void ProcessMessages() override {}
};
struct Sounds : SoundPlayer {
    std::vector<std::string> played;
    void Play(const std::string& path) override { played.push_back(path); }
};
struct NoShell : Shell {
    bool StartBatch(const std::string&) override { return false; }
};

int Marks(const ExposureRow& row) {
    int n = 0;
    for (int c = kColumnFirstShutter; c <= kColumnLastShutter; ++c) n += row[static_cast<size_t>(c)] == "x";
    return n;
}

TEST(RunEclipse51, WholeTotalEclipseTable) {
    const ExposureTable table = Eclipse51TotalTable(8);
    ASSERT_GT(table.RowCount(), 50);

    // What the table asks for, counted from its cells.
    std::map<std::string, int> marksPerPhase;
    int loopRow = -1, soundRows = 0;
    double firstInstant = 0;
    for (int r = 0; r < table.RowCount(); ++r) {
        const ExposureRow& row = table.Row(r);
        if (firstInstant == 0) firstInstant = *ReadDateStrJD(row[kColumnDateTime]);
        if (row[kColumnKind] == "WAV")
            ++soundRows;
        else if (row[kColumnPhase].rfind("Loop", 0) == 0)
            loopRow = r;
        else
            marksPerPhase[row[kColumnPhase]] += Marks(row);
    }
    ASSERT_GE(loopRow, 0);
    ASSERT_EQ(soundRows, 4);
    const double loopEnd = *ReadDateStrJD(table.Row(loopRow)[kColumnDateTime]);

    FakeClock clock(firstInstant - 10 * kSecond, 100);
    clock.SetJumpToWaits(true);
    VirtualCamera camera;
    UseSimulatedBodyTimes(camera, [&clock](double ms) { clock.AdvanceMs(ms); });
    CameraState state;
    std::unique_ptr<TAppMaster> master = TAppMaster::Create(camera, nullptr, state);
    master->OpenSession();
    camera.ClearCalls();
    SharedVariables shared;
    shared.camera.CameraName = master->DeviceName();
    shared.folders.ResourceFolder = "/program/";
    PhaseView view;
    NoPump pump;
    Sounds sound;
    NoShell shell;
    RunEnvironment env{clock,       pump,           view,
                       sound,       shell,          shared.flags,
                       shared.time, shared.folders, [&master] { return master.get(); }};
    const RunSummary summary = PhotographyRun(env, table).Run(RunKind::Real);

    EXPECT_FALSE(summary.aborted);
    EXPECT_EQ(summary.picturesFailed, 0);
    EXPECT_EQ(summary.settingsFailed, 0);
    EXPECT_EQ(summary.rowsSkipped, 0);
    // Every single-shot phase took each of its marked pictures.
    for (const auto& [phase, marks] : marksPerPhase) EXPECT_EQ(view.takenPerPhase[phase], marks) << phase;
    // The loop: whole passes of its 14 columns, then the 8 s picture that no longer fits 26 s.
    const int loopTaken = view.takenPerPhase["Loop during totality"];
    EXPECT_EQ(loopTaken % 14, 13);
    EXPECT_GE(loopTaken, 3 * 14);
    EXPECT_EQ(summary.picturesSkipped, 1);
    int totalTaken = 0;
    for (const auto& [phase, n] : view.takenPerPhase) totalTaken += n;
    EXPECT_EQ(summary.picturesTaken, totalTaken);
    EXPECT_EQ(camera.PicturesTaken(), totalTaken);
    // The day view's progress: a row waiting for its instant knows it and the next one; the last
    // progress counts what the summary does.
    ASSERT_FALSE(view.progress.empty());
    const auto waiting = std::find_if(view.progress.begin(), view.progress.end(),
                                      [](const RunProgress& p) { return p.row >= 0 && p.lastAction.empty(); });
    ASSERT_NE(waiting, view.progress.end());
    EXPECT_EQ(waiting->rowJD, firstInstant);
    EXPECT_GT(waiting->nextRowJD, waiting->rowJD);
    EXPECT_EQ(view.progress.back().taken, summary.picturesTaken);
    EXPECT_EQ(view.progress.back().rows, table.RowCount());
    for (size_t i = 0; i < view.actions.size(); ++i) {
        const RunAction& a = view.actions[i];
        if (view.phaseOfAction[i] != "Loop during totality") continue;
        const double left = (loopEnd - a.startedJD) / kSecond;
        if (a.text == "picture 8\" taken") {
            EXPECT_GT(left, 25.97);
        }
        if (a.text.rfind("picture 8\" skipped: loop time left ", 0) == 0) {
            EXPECT_LT(left, 25.97);
            EXPECT_GT(left, 25.97 - 20);  // less than one pass earlier
        }
    }

    // Settings are written only when they change: image quality, ISO and aperture once for the whole
    // table; no shutter-speed write repeats the one before it.
    int iq = 0, iso = 0, av = 0;
    uint64_t lastTv = ~0ull;
    for (const VirtualCall& call : camera.Calls()) {
        if (call.function != "EdsSetPropertyData") continue;
        iq += call.args[1] == kEdsPropImageQuality;
        iso += call.args[1] == kEdsPropISOSpeed;
        av += call.args[1] == kEdsPropAv;
        if (call.args[1] == kEdsPropTv) {
            EXPECT_NE(call.args[4], lastTv);
            lastTv = call.args[4];
        }
    }
    EXPECT_EQ(iq, 1);
    EXPECT_EQ(iso, 1);
    EXPECT_EQ(av, 1);

    EXPECT_EQ(sound.played,
              (std::vector<std::string>{"/program/remove_filters.wav", "/program/remove_filters.wav",
                                        "/program/attach_filters.wav", "/program/attach_filters.wav"}));
    EXPECT_EQ(view.banners, (std::vector<std::string>{"REMOVE FILTERS", "REMOVE FILTERS", "ATTACH FILTERS",
                                                      "ATTACH FILTERS"}));

    // No single-shot picture began before its row's instant (a loop's pictures carry its end instead).
    for (size_t i = 0; i < view.actions.size(); ++i) {
        const RunAction& a = view.actions[i];
        if (a.scheduledJD > 0 && view.phaseOfAction[i] != "Loop during totality") {
            EXPECT_GE(a.startedJD, a.scheduledJD - 1e-9) << a.text;
        }
    }
}

// The whole table on the simulated clock with a bad day rehearsed on the virtual camera, as
// `zelto-cli run --fast --inject SPEC` does it.
struct FaultRun {
    PhaseView view;
    RunSummary summary;
    // Table row -> how many seconds after the row's instant its first picture taken or sound played began.
    std::map<int, double> firstActionLate;
};

void RunWithFaults(const std::string& spec, FaultRun& out) {
    const ExposureTable table = Eclipse51TotalTable(8);
    const double firstInstant = *ReadDateStrJD(table.Row(0)[kColumnDateTime]);
    FakeClock clock(firstInstant - 10 * kSecond, 100);
    clock.SetJumpToWaits(true);
    VirtualCamera camera;
    const VirtualFaultPlan plan = spec.empty() ? VirtualFaultPlan{} : *ReadVirtualFaults(spec).plan;
    UseSimulatedBodyTimes(
        camera, [&clock](double ms) { clock.AdvanceMs(ms); }, plan.slowerMs);
    VirtualFaultInjector injector(camera, plan);
    SharedVariables shared;
    std::unique_ptr<TAppMaster> master = OpenCameraSession(camera, nullptr, shared.camera);
    NoPump pump;
    Sounds sound;
    NoShell shell;
    RunEnvironment env{clock,
                       pump,
                       out.view,
                       sound,
                       shell,
                       shared.flags,
                       shared.time,
                       shared.folders,
                       [&master] { return master.get(); },
                       [&](auto) {
                           if (master) master->Destroy();
                           master = OpenCameraSession(camera, nullptr, shared.camera);
                       },
                       [&injector](int row) { injector.RowStarting(row); }};
    out.summary = PhotographyRun(env, table).Run(RunKind::Real);
    for (size_t i = 0; i < out.view.actions.size(); ++i) {
        const RunAction& a = out.view.actions[i];
        const bool done = a.text.rfind("sound ", 0) == 0 || a.text.find(" taken") != std::string::npos;
        if (done && out.view.phaseOfAction[i] != "Loop during totality" &&
            !out.firstActionLate.count(a.row)) {
            out.firstActionLate[a.row] = (a.startedJD - a.scheduledJD) / kSecond;
        }
    }
    if (master) master->Destroy();
}

// The faults that lost pictures, left a camera dead or made the run late (rows numbered from 1, row
// 19 is C2 - 8 s): now each loses at most the pictures it has to and keeps every later row on time.
TEST(RunEclipse51, FaultsLoseNoMoreThanTheyMust) {
    FaultRun clean;
    RunWithFaults("", clean);
    ASSERT_TRUE(RunWentToPlan(clean.summary));
    const int all = clean.summary.picturesTaken;
    const auto soundsOnTime = [](const FaultRun& run) {
        int sounds = 0;
        for (const RunAction& a : run.view.actions) {
            if (a.text.rfind("sound ", 0) != 0) continue;
            ++sounds;
            EXPECT_LT((a.startedJD - a.scheduledJD) / kSecond, 0.1) << a.text;
        }
        return sounds;
    };
    const auto rowsOnTimeFrom = [](const FaultRun& run, int firstRow, double seconds) {
        for (const auto& [row, late] : run.firstActionLate) {
            if (row >= firstRow) {
                EXPECT_LT(late, seconds) << "row " << row + 1;
            }
        }
    };

    struct Case {
        const char* spec;
        const char* what;
    };
    for (const Case& c : {Case{"busy@19x3", "busy three times: retried, nothing lost"},
                          Case{"fail@19", "one general failure: retried, nothing lost"},
                          Case{"unplug@19+3", "unplugged, back three rows later"},
                          Case{"unplug@19", "unplugged for good"}, Case{"slow=5000", "5 s slower per call"},
                          Case{"busy@19x1000000", "busy for good: no call past the next instant"}}) {
        SCOPED_TRACE(c.what);
        FaultRun run;
        RunWithFaults(c.spec, run);
        const RunSummary& s = run.summary;
        EXPECT_FALSE(s.aborted);
        EXPECT_EQ(soundsOnTime(run), 4);
        const std::string spec = c.spec;
        if (spec == "busy@19x3" || spec == "fail@19") {
            EXPECT_TRUE(RunWentToPlan(s));
            EXPECT_EQ(s.picturesTaken, all);
        } else if (spec == "unplug@19+3") {
            EXPECT_EQ(s.cameraLost, 1);
            EXPECT_GE(s.picturesLost, 3);  // rows 19 to 21, one picture each at least
            EXPECT_EQ(s.picturesTaken + s.picturesLost, all);
            EXPECT_EQ(run.view.takenPerPhase["Loop during totality"],
                      clean.view.takenPerPhase["Loop during totality"]);
            rowsOnTimeFrom(run, 21, 1.0);  // from the replug row on
            EXPECT_FALSE(RunWentToPlan(s));
        } else if (spec == "unplug@19") {
            EXPECT_EQ(s.cameraLost, 1);
            EXPECT_GT(s.picturesLost, 0);
            EXPECT_LT(s.picturesTaken, all);
            EXPECT_FALSE(RunWentToPlan(s));
            rowsOnTimeFrom(run, 18, 0.1);  // nothing waits for a camera that is gone
        } else if (spec == "slow=5000") {
            // One slow call may overrun the next instant; a row never waits for more than that.
            EXPECT_GT(s.picturesLost, 0);
            EXPECT_GT(s.rowsLate, 0);
            rowsOnTimeFrom(run, 18, 5.5);
            EXPECT_FALSE(RunWentToPlan(s));
        } else {
            EXPECT_GT(s.picturesLost, 0);
            EXPECT_LT(s.picturesTaken, all);
            EXPECT_LT(s.latestStartSeconds, 0.5);  // every row still began on its instant
            EXPECT_FALSE(RunWentToPlan(s));
        }
    }
}

struct RecordedLog : ShotLog {
    std::vector<ShotRecord> records;
    void Write(const ShotRecord& record) override { records.push_back(record); }
};

// Started from now at C2 − 30 s (18:15:46.3): rows 1 to 16 (partial, 16:56:16.3 to 18:11:16.3) and
// the two "remove filters" rows 17 and 18 (18:15:16.3, 18:15:26.3) are past and skipped; the beads
// from C2 − 8 s (row 19), the loop and all that follows are carried out.
TEST(RunEclipse51, StartFromNowAtC2Minus30Seconds) {
    const ExposureTable table = Eclipse51TotalTable(8);
    const double c2 = *ReadDateStrJD("2024-04-08 18:16:16.3");
    ASSERT_EQ(table.Row(26)[kColumnPhase], "C2: begin of total phase");
    ASSERT_EQ(*ReadDateStrJD(table.Row(26)[kColumnDateTime]), c2);

    FakeClock clock(c2 - 30 * kSecond, 100);
    clock.SetJumpToWaits(true);
    SharedVariables shared;
    shared.folders.ResourceFolder = "/program/";
    PhaseView view;
    NoPump pump;
    Sounds sound;
    NoShell shell;
    RecordedLog log;
    RunEnvironment env{
        clock, pump, view, sound, shell, shared.flags, shared.time, shared.folders, [] { return nullptr; },
        {},    {},   &log};
    const RunSummary summary = PhotographyRun(env, table).Run(RunKind::Real, RunStart::FromNow);

    EXPECT_EQ(summary.rowsPast, 18);
    std::vector<int> skipped;
    for (const ShotRecord& record : log.records) {
        if (record.result == ShotResult::Skipped && record.note == "past when the run started from now")
            skipped.push_back(record.row);
    }
    std::vector<int> expected(18);
    for (int row = 0; row < 18; ++row) expected[static_cast<size_t>(row)] = row;
    EXPECT_EQ(skipped, expected);
    EXPECT_EQ(view.takenPerPhase["beginning partial phase"], 0);
    EXPECT_EQ(view.takenPerPhase["before partial eclipse"], 0);
    for (const char* beads :
         {"Baily's beads (C2-8.0sec)", "C2: begin of total phase", "Baily's beads (C3+8.0sec)"})
        EXPECT_GT(view.takenPerPhase[beads], 0) << beads;
    EXPECT_GE(view.takenPerPhase["Loop during totality"], 3 * 14);
    EXPECT_EQ(view.takenPerPhase["after partial eclipse"], Marks(table.Row(table.RowCount() - 1)));
    EXPECT_EQ(sound.played,
              (std::vector<std::string>{"/program/attach_filters.wav", "/program/attach_filters.wav"}));
    // Nothing ran before the beads row at C2 − 8 s.
    for (const RunAction& action : view.actions) {
        if (action.text.find(" taken") != std::string::npos) {
            EXPECT_GE(action.startedJD, c2 - 8 * kSecond - 1e-9);
        }
    }
}

// Started three days after the eclipse with every row past, "run the past rows at once": each row
// takes the time its pictures need, in order, and every single shot is taken; only the loop, whose
// whole time is past, has nothing left to take.
TEST(RunEclipse51, PastRowsAreCaughtUpWithEveryPicture) {
    const ExposureTable table = Eclipse51TotalTable(8);
    const double firstInstant = *ReadDateStrJD(table.Row(0)[kColumnDateTime]);
    FakeClock clock(firstInstant + 3.0, 100);
    VirtualCamera camera;
    UseSimulatedBodyTimes(
        camera, [&clock](double ms) { clock.AdvanceMs(ms); }, 0);
    SharedVariables shared;
    std::unique_ptr<TAppMaster> master = OpenCameraSession(camera, nullptr, shared.camera);
    PhaseView view;
    NoPump pump;
    Sounds sound;
    NoShell shell;
    RunEnvironment env{clock,       pump,           view,
                       sound,       shell,          shared.flags,
                       shared.time, shared.folders, [&master] { return master.get(); }};
    const RunSummary summary = PhotographyRun(env, table).Run(RunKind::Real, RunStart::AllRows);
    int singleShots = 0;
    for (int row = 0; row < table.RowCount(); ++row) {
        if (table.Row(row)[kColumnPhase].rfind("Loop", 0) != 0) singleShots += Marks(table.Row(row));
    }
    EXPECT_EQ(summary.picturesTaken, singleShots);
    EXPECT_EQ(summary.picturesLost, 0);
    EXPECT_EQ(summary.picturesFailed, 0);
    EXPECT_EQ(summary.settingsFailed, 0);
    EXPECT_EQ(view.takenPerPhase["Loop during totality"], 0);
    master->Destroy();
}

TEST(RunEclipse51, SoundsStaySilentWithSpokenCommandsOff) {
    ExposureTable table(0);
    ExposureRow row;
    row[kColumnKind] = "WAV";
    row[kColumnPhase] = "remove_filters.wav";
    row[kColumnDateTime] = "2024-04-08 18:15:16.3";
    table.AppendRow(row);
    FakeClock clock(*ReadDateStrJD(row[kColumnDateTime]) - kSecond, 1000);
    clock.SetJumpToWaits(true);
    SharedVariables shared;
    shared.flags.SpokenCommands = false;
    PhaseView view;
    NoPump pump;
    Sounds sound;
    NoShell shell;
    RunEnvironment env{
        clock, pump, view, sound, shell, shared.flags, shared.time, shared.folders, [] { return nullptr; }};
    PhotographyRun(env, table).Run(RunKind::Real);
    EXPECT_TRUE(sound.played.empty());
    EXPECT_EQ(view.banners, std::vector<std::string>{"SIMULATED: REMOVE FILTERS"});  // no camera: simulated
}

}  // namespace
}  // namespace zelto
