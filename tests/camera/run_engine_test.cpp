#include "camera/run_engine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>

#include "camera/appmaster.h"
#include "camera/proptables.h"
#include "camera/run_start.h"
#include "camera/shot_log.h"
#include "camera/sound_player.h"
#include "camera/virtual_camera.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/julian.h"
#include "state/variables.h"

namespace zelto {
namespace {

constexpr double kSecond = 1.0 / 86400.0;

struct RecordingView : RunView {
    std::string phase, wann, wannDiff, info, status, banner;
    RunColour infoColour = RunColour::White;
    bool bannerShown = false;
    int phaseWrites = 0, wannDiffWrites = 0, bannerBlinks = 0;
    std::map<RunKind, bool> running;
    bool rehearsalShown = false;
    std::vector<RunAction> actions;
    std::vector<std::string> statuses;
    std::function<void(const RunAction&)> onAction;

    void SetPhase(const std::string& text) override { phase = text, ++phaseWrites; }
    void SetRowInstant(const std::string& text) override { wann = text; }
    void SetRowCountdown(const std::string& text) override { wannDiff = text, ++wannDiffWrites; }
    void SetInfo(const std::string& text) override { info = text; }
    void SetInfoColour(RunColour font) override { infoColour = font; }
    void SetStatus(const std::string& text) override { status = text, statuses.push_back(text); }
    void ShowBanner(const std::string& text) override { banner = text, bannerShown = true; }
    void SetBannerColour(RunColour) override { ++bannerBlinks; }
    void HideBanner() override { bannerShown = false; }
    void SetRunning(RunKind kind, bool on) override { running[kind] = on; }
    void ShowRehearsalControls(bool shown) override { rehearsalShown = shown; }
    void Report(const RunAction& action) override {
        actions.push_back(action);
        if (onAction) onAction(action);
    }
    int Count(const std::string& prefix) const {
        int n = 0;
        for (const RunAction& a : actions) n += a.text.rfind(prefix, 0) == 0;
        return n;
    }
};

struct ScriptedPump : MessagePump {
    std::function<void()> onMessages;
    int calls = 0;
    void ProcessMessages() override {
        ++calls;
        if (onMessages) onMessages();
    }
};

struct RecordingSound : SoundPlayer {
    std::vector<std::string> played;
    void Play(const std::string& path) override { played.push_back(path); }
};

struct RecordingShell : Shell {
    std::vector<std::string> started;
    bool StartBatch(const std::string& path) override {
        started.push_back(path);
        return true;
    }
};

ExposureRow Row(const std::string& kind, const std::string& phase, double jd, std::vector<int> marked = {},
                std::string quality = "JPGLarFin", std::string iso = "100", std::string av = "f/4") {
    ExposureRow row;
    row[kColumnKind] = kind;
    row[kColumnPhase] = phase;
    row[kColumnDateTime] = jd > 0 ? JDText(jd, 1) : "";
    row[kColumnQuality] = quality;
    row[kColumnISO] = iso;
    row[kColumnAperture] = av;
    for (int c : marked) row[static_cast<size_t>(c)] = "x";
    return row;
}

class RunTest : public testing::Test {
protected:
    RunTest() : clock(kStart, 1000) {
        clock.SetJumpToWaits(true);
        shared.folders.ResourceFolder = "/program/";
        shared.folders.AppDataFolder =
            (std::filesystem::temp_directory_path() /
             ("zelto-run-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name())) / "")
                .string();
        std::filesystem::create_directories(shared.folders.AppDataFolder);
        Connect();
    }

    void Connect() {
        master = TAppMaster::Create(camera, nullptr, cameraState);
        master->OpenSession();
        shared.camera.CameraName = master->DeviceName();
        camera.ClearCalls();
    }
    void Disconnect() {
        master.reset();
        shared.camera.CameraName.clear();
    }

    RunSummary Run(RunKind kind = RunKind::Real) {
        RunEnvironment env{clock,       pump,           view,
                           sound,       shell,          shared.flags,
                           shared.time, shared.folders, [this] { return master.get(); },
                           [this](auto) {
                               if (reconnect) reconnect();
                           },
                           {},
                           &shotLog};
        PhotographyRun run(env, table);
        running = &run;
        const RunSummary summary = run.Run(kind);
        running = nullptr;
        return summary;
    }

    int Writes(uint32_t property) const {
        int n = 0;
        for (const VirtualCall& call : camera.Calls()) {
            n += call.function == "EdsSetPropertyData" && call.args.size() > 1 && call.args[1] == property;
        }
        return n;
    }

    static constexpr double kStart = 2460409.25;  // 2024-04-08 18:00 UT
    FakeClock clock;
    VirtualCamera camera;
    CameraState cameraState;
    std::unique_ptr<TAppMaster> master;
    SharedVariables shared;
    ExposureTable table{0};
    RecordingView view;
    ScriptedPump pump;
    RecordingSound sound;
    RecordingShell shell;
    std::function<void()> reconnect;
    PhotographyRun* running = nullptr;  // while Run() goes on
    struct : ShotLog {
        std::vector<ShotRecord> records;
        bool full = false;  // the disk is full: lines are lost
        void Write(const ShotRecord& record) override {
            if (!full) records.push_back(record);
        }
        bool failed() const override { return full; }
    } shotLog;
};

TEST_F(RunTest, SingleShotRowsWriteChangedSettingsOnceAndKeepTheirInstants) {
    table.AppendRow(Row("", "Partial", kStart + 60 * kSecond, {10, 14}));
    table.AppendRow(Row("", "", kStart + 90 * kSecond, {10}));  // blank phase: skipped
    table.AppendRow(Row("", "Partial", kStart + 120 * kSecond, {10, 14}));
    table.AppendRow(Row("", "Partial", kStart + 180 * kSecond, {14}, "JPGLarFin", "400"));
    const RunSummary summary = Run();

    EXPECT_EQ(summary.picturesTaken, 5);
    EXPECT_EQ(camera.PicturesTaken(), 5);
    EXPECT_EQ(Writes(0x100), 1);  // image quality: first row only
    EXPECT_EQ(Writes(0x402), 2);  // ISO 100, then 400
    EXPECT_EQ(Writes(0x405), 1);
    EXPECT_EQ(Writes(0x406), 4);  // Tv each time the marked column changes: 1/500, 1/30, 1/500, 1/30
    EXPECT_EQ(camera.Value(0x402), ISOCodeByName("400"));
    EXPECT_EQ(camera.Value(0x406), TvCodeByName("1/30"));  // column 14
    for (const RunAction& a : view.actions) {
        if (a.text.rfind("picture", 0) == 0) {
            EXPECT_GE(a.startedJD, a.scheduledJD) << a.text;
        }
    }
    EXPECT_LT(summary.latestStartSeconds, 0.01);
    EXPECT_EQ(view.status, "Picture taken");
    EXPECT_EQ(view.info, "IQ  : JPGLarFin\r\nISO: 400\r\nAv  : f/4\r\nTv  : 1/30");
    EXPECT_FALSE(view.running[RunKind::Real]);
    EXPECT_FALSE(view.rehearsalShown);
    EXPECT_EQ(shared.time.TimeOffset, 0);
}

// The wait for an instant sleeps between turns: the window still works, the countdown is refreshed
// and the abort flag is looked at at least every 50 ms, the label is written only when its text
// changes, a step of the UT clock is noticed at the next turn, and the row still starts on its instant.
// A quality, ISO or aperture the name tables do not know is a failed setting, never nothing; a blank
// cell keeps the camera's setting; ISO AUTO (code 0) is a name like any other and is written.
TEST_F(RunTest, SettingNamesTheTablesDoNotKnowCountAsFailed) {
    camera.SetAllowedValues(kEdsPropISOSpeed, {ISOCodeByName("AUTO"), ISOCodeByName("100")});
    table.AppendRow(Row("", "Partial", kStart + 10 * kSecond, {10}, "JPGHuge", "AUTO", "f/8"));
    table.AppendRow(Row("", "Partial", kStart + 20 * kSecond, {10}, "JPGHuge", "", "f/3.9"));
    const RunSummary summary = Run();
    EXPECT_EQ(summary.settingsFailed, 3);  // JPGHuge twice, f/3.9 once
    EXPECT_EQ(summary.picturesTaken, 2);
    EXPECT_EQ(Writes(kEdsPropImageQuality), 0);
    EXPECT_EQ(Writes(kEdsPropISOSpeed), 1);
    EXPECT_EQ(camera.Value(kEdsPropISOSpeed), 0u);  // AUTO
    EXPECT_EQ(Writes(kEdsPropAv), 1);
    EXPECT_EQ(view.Count("IQ JPGHuge failed: not a name the camera tables know"), 2);
    EXPECT_EQ(view.Count("Av f/3.9 failed: not a name the camera tables know"), 1);
    EXPECT_FALSE(RunWentToPlan(summary));
    const std::string text = RunSummaryText(summary);
    EXPECT_NE(text.find("; settings failed 3;"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 13), "run finished\n");
    // The shot log has a line for each failed setting, and each picture's line its trials.
    std::vector<std::string> logged;
    for (const ShotRecord& r : shotLog.records) {
        logged.push_back(std::string(ShotResultText(r.result)) + " " + std::to_string(r.trials) + " " +
                         (r.simulated ? "simulated" : "camera"));
    }
    EXPECT_EQ(logged, (std::vector<std::string>{"setting failed 0 camera", "taken 1 camera", "setting failed 0 camera",
                                                "setting failed 0 camera", "taken 1 camera"}));
}

TEST_F(RunTest, WaitingSleepsYetWakesEvery50msAndEndsOnTheInstant) {
    clock.SetJumpToWaits(false);
    const double instant = kStart + 20 * kSecond;
    table.AppendRow(Row("", "C2", instant, {6}));
    std::vector<double> turns;  // time of each message processing during the wait, without the step
    double step = 0;
    pump.onMessages = [&] {
        if (view.wann.empty() || Writes(0x406) > 0) return;  // the wait lies between these
        turns.push_back(clock.CurrentJD() - step);
        // The computer's clock is set 5 s ahead 10 s into the wait.
        if (step == 0 && clock.CurrentJD() > kStart + 10 * kSecond) {
            step = 5 * kSecond;
            clock.SetJD(clock.CurrentJD() + step);
        }
    };
    const int wannDiffWritesBefore = view.wannDiffWrites;
    const RunSummary summary = Run();
    ASSERT_EQ(summary.picturesTaken, 1);
    ASSERT_GT(step, 0);
    double longestGap = 0;
    for (size_t i = 1; i < turns.size(); ++i) longestGap = std::max(longestGap, turns[i] - turns[i - 1]);
    EXPECT_LE(longestGap, 0.050 * kSecond);
    EXPECT_LT(turns.size(), 1000u);  // 15 s of waiting without spinning: about 40 turns a second
    // One countdown text per tenth of a second at most (15 s of waiting, after the step).
    EXPECT_LE(view.wannDiffWrites - wannDiffWritesBefore, 152);
    EXPECT_GE(turns.back() + step, instant);
    EXPECT_LT(turns.back() + step - instant, 0.0035 * kSecond);  // one polled turn: three 1 ms polls
    const RunAction& picture = view.actions.back();
    EXPECT_EQ(picture.scheduledJD, instant);
}

TEST_F(RunTest, NoTableGoesStraightToTheEndStep) {
    table = ExposureTable();  // 2048 empty rows
    const RunSummary summary = Run();
    EXPECT_TRUE(summary.noTable);
    EXPECT_EQ(view.infoColour, RunColour::Red);
    EXPECT_EQ(view.info, "No exposure table.\nSelect \"Exposure Tables\",\nthen load or create a table");
    EXPECT_EQ(view.phaseWrites, 0);
    EXPECT_FALSE(view.rehearsalShown);
    EXPECT_TRUE(camera.Calls().empty());
}

TEST_F(RunTest, BlankPhaseRowsTouchNoLabel) {
    table.AppendRow(Row("", "  ", kStart + 10 * kSecond, {10}));
    table.AppendRow(Row("WAV", "", kStart + 20 * kSecond));
    Run();
    EXPECT_EQ(view.phaseWrites, 0);
    EXPECT_EQ(view.wann, "");
    EXPECT_EQ(view.wannDiffWrites, 0);
    EXPECT_TRUE(camera.Calls().empty());
}

// The remaining-time rule: estimated exposure (about twice the nominal time) plus 10 s of margin.
TEST(LoopPictureFits, LimitsPerColumn) {
    const double end = 2460409.3;
    struct Case { int column; double limitSeconds; };
    for (const Case c : {Case{22, 26.0}, Case{18, 11.0}, Case{6, 10.0003}}) {
        EXPECT_FALSE(LoopPictureFits(c.column, end - (c.limitSeconds - 0.05) * kSecond, end)) << c.column;
        EXPECT_TRUE(LoopPictureFits(c.column, end - (c.limitSeconds + 0.05) * kSecond, end)) << c.column;
    }
    EXPECT_FALSE(LoopPictureFits(6, end - 10.00025 * kSecond, end));
    EXPECT_TRUE(LoopPictureFits(6, end - 10.00035 * kSecond, end));
}

TEST_F(RunTest, LoopRowRepeatsUntilTheRemainingTimeRunsOut) {
    const double end = kStart + 40 * kSecond;
    table.AppendRow(Row("", "Loop during totality until", end, {18, 22}));
    const RunSummary summary = Run();
    EXPECT_GT(summary.picturesTaken, 100);
    // Every 8 s picture started with more than 26 s (16 s estimated exposure + 10 s) left; the loop
    // ends with the pass whose 8 s picture no longer fits.
    for (const RunAction& a : view.actions) {
        if (a.text == "picture 8\" taken") {
            EXPECT_GT((end - a.startedJD) * 86400.0, 26.0);
        }
    }
    const RunAction& last = view.actions.back();
    EXPECT_EQ(last.text.rfind("picture 8\" skipped: loop time left ", 0), 0u) << last.text;
    EXPECT_LE((end - last.startedJD) * 86400.0, 26.0);
    EXPECT_GT((end - last.startedJD) * 86400.0, 25.5);
    EXPECT_EQ(summary.picturesSkipped, 1);
    EXPECT_EQ(view.phase, "Loop during totality");
    EXPECT_EQ(view.wann, "by: " + JDText(end, 1));
}

TEST_F(RunTest, LoopRowWhoseEndHasPassedNeitherWritesTvNorTakesAPicture) {
    table.AppendRow(Row("", "Loop during totality until", kStart - 5 * kSecond, {12, 20}));
    const RunSummary summary = Run();
    EXPECT_EQ(summary.picturesTaken, 0);
    EXPECT_EQ(camera.PicturesTaken(), 0);
    // The fit is checked before the shutter speed is written: a picture that does not fit costs nothing.
    EXPECT_EQ(Writes(0x406), 0);
    EXPECT_EQ(summary.picturesSkipped, 2);
}

TEST_F(RunTest, LoopRowWithoutMarksEndsAtItsInstant) {
    table.AppendRow(Row("", "Loop during totality until", kStart + 3 * kSecond));
    Run();
    EXPECT_GE(clock.CurrentJD(), kStart + 3 * kSecond);
}

TEST_F(RunTest, RetriedPictureSucceedsOnTrial5000) {
    camera.FailCall("EdsSendCommand", kEdsErrDeviceBusy, 4999);
    table.AppendRow(Row("", "C2", kStart + 1 * kSecond, {6}));
    const RunSummary summary = Run();
    EXPECT_EQ(summary.picturesTaken, 1);
    EXPECT_EQ(camera.CallCount("EdsSendCommand"), 5000);
    EXPECT_EQ(view.status, "Picture taken");
    EXPECT_NE(std::find(view.statuses.begin(), view.statuses.end(), "Picture: done after 5000 tries"), view.statuses.end());
    // 5000 trials at least 15 ms apart
    EXPECT_GE((clock.CurrentJD() - kStart) * 86400.0, 5000 * 0.015);
}

TEST_F(RunTest, APictureThatNeverSucceedsFailsAfter5000Trials) {
    camera.FailCall("EdsSendCommand", kEdsErrDeviceBusy);
    table.AppendRow(Row("", "C2", kStart + 1 * kSecond, {6}));
    const RunSummary summary = Run();
    EXPECT_EQ(summary.picturesFailed, 1);
    EXPECT_EQ(camera.CallCount("EdsSendCommand"), 5000);
    EXPECT_EQ(view.status, "Failed to release!");
}

// A shutter speed the camera refuses costs one trial, and the picture says at which speed it was
// really taken (single shot) or fails (a loop, whose fit was checked for its own speed).
TEST_F(RunTest, APictureWhoseShutterSpeedWasRefusedSaysWhichOneWasInForce) {
    std::vector<uint32_t> allowed = camera.AllowedValues(kEdsPropTv);
    std::erase(allowed, TvCodeByName("1/1000"));
    camera.SetAllowedValues(kEdsPropTv, allowed);
    camera.SetValue(kEdsPropTv, TvCodeByName("1/125"));
    table.AppendRow(Row("", "Partial", kStart + 10 * kSecond, {9, 10}));  // 1/1000, 1/500
    table.AppendRow(Row("", "Partial", kStart + 20 * kSecond, {9}));
    table.AppendRow(Row("", "Loop during totality until", kStart + 60 * kSecond, {9}));
    shared.flags.AbortRunRequested = false;
    int loopPasses = 0;
    view.onAction = [&](const RunAction& a) {
        if (a.text.rfind("picture 1/1000 failed", 0) == 0 && ++loopPasses == 2)
            shared.flags.AbortRunRequested = true;
    };
    const RunSummary summary = Run();
    EXPECT_EQ(view.Count("picture 1/1000 taken at 1/125: its shutter speed could not be set"), 1);
    EXPECT_EQ(view.Count("picture 1/500 taken"), 1);
    // The next row asks again; the camera is at 1/500 now.
    EXPECT_EQ(view.Count("picture 1/1000 taken at 1/500: its shutter speed could not be set"), 1);
    EXPECT_EQ(view.Count("picture 1/1000 failed: its shutter speed could not be set"), 2);  // the loop
    EXPECT_EQ(view.Count("Tv 1/1000 failed: the camera refuses it (00000060)"), 4);                                  // one trial each
    EXPECT_EQ(summary.picturesTaken, 3);
    EXPECT_EQ(camera.PicturesTaken(), 3);
    EXPECT_EQ(summary.picturesFailed, 2);
    EXPECT_FALSE(RunWentToPlan(summary));
}

// A dial turned on the camera during the run, reported by its property event: the run writes the
// table's value again where it would otherwise write nothing (Tv before the next picture, the other
// settings with the next row).
TEST_F(RunTest, ASettingChangedOnTheCameraIsWrittenAgain) {
    for (int i = 1; i <= 3; ++i) table.AppendRow(Row("", "Partial", kStart + i * 10 * kSecond, {10}));
    bool turned = false;
    pump.onMessages = [&] {
        if (turned || view.Count("picture") != 1) return;  // while the second row waits
        turned = true;
        // The window reads the changed values back when their events arrive.
        camera.ChangeOnBody(kEdsPropISOSpeed, ISOCodeByName("400"));
        camera.ChangeOnBody(kEdsPropTv, TvCodeByName("1/60"));
        master->ReadProperty(kEdsPropISOSpeed);
        master->ReadProperty(kEdsPropTv);
    };
    const RunSummary summary = Run();
    ASSERT_TRUE(turned);
    EXPECT_EQ(summary.picturesTaken, 3);
    EXPECT_EQ(Writes(0x406), 2);  // 1/500 for the first picture, and again for the second
    EXPECT_EQ(Writes(0x402), 2);  // ISO 100 for the first row, and again for the third
    EXPECT_EQ(Writes(0x100), 1);  // untouched settings stay written once
    EXPECT_EQ(camera.Value(kEdsPropISOSpeed), ISOCodeByName("100"));
    EXPECT_EQ(camera.Value(kEdsPropTv), TvCodeByName("1/500"));
}

TEST_F(RunTest, SimulationWithoutCameraTakesAbout237msPerStep) {
    Disconnect();
    table.AppendRow(Row("", "Partial", kStart + 1 * kSecond, {9}));
    const RunSummary summary = Run();
    EXPECT_EQ(view.info, "IQ  : JPGLarFin\r\nISO: 100\r\nAv  : f/4\r\nTv  : 1/1000");
    EXPECT_EQ(summary.picturesTaken, 1);
    EXPECT_EQ(view.status, "Picture taken (SIMULATED)");
    const std::vector<std::string> expected = {"IQ: SIMULATION MODE", "ISO: SIMULATION MODE", "Av: SIMULATION MODE",
                                               "Tv: SIMULATION MODE", "Tv: SIMULATION MODE", "Picture taken (SIMULATED)"};
    EXPECT_EQ(view.statuses, expected);
    EXPECT_FALSE(shared.flags.SimulationMode);  // cleared at the end
    // Three settings before the wait; Tv and the picture after it: 2 × 237 ms after the instant.
    const double after = (clock.CurrentJD() - (kStart + 1 * kSecond)) * 86400.0;
    EXPECT_NEAR(after, 2 * 0.237, 0.02);
    const RunAction& picture = view.actions.back();
    EXPECT_NEAR((picture.startedJD - picture.scheduledJD) * 86400.0, 0.237, 0.01);
}

TEST_F(RunTest, SoundRowBlinksItsBannerForJustOverFiveSeconds) {
    table.AppendRow(Row("WAV", " remove_filters.wav ", kStart + 2 * kSecond));
    Run();
    EXPECT_EQ(view.banner, "REMOVE FILTERS");
    EXPECT_FALSE(view.bannerShown);
    EXPECT_EQ(sound.played, std::vector<std::string>{"/program/remove_filters.wav"});
    const double shown = (clock.CurrentJD() - (kStart + 2 * kSecond)) * 86400.0;
    EXPECT_GT(shown, 5.0);
    EXPECT_LT(shown, 5.2);
    EXPECT_GE(view.bannerBlinks, 50);

    shared.flags.SpokenCommands = false;
    sound.played.clear();
    table.SetCell(kColumnDateTime, 0, JDText(clock.CurrentJD() + 1 * kSecond, 1));
    Run();
    EXPECT_TRUE(sound.played.empty());  // played only with spoken commands on
    EXPECT_EQ(SoundBannerText("Attach-filters_now.wav.bak"), "ATTACH FILTERS NOW");
}

// The cloud plan: asked for while the run waits for row 2, the run goes on with the plan's first
// row still ahead; the plan's past rows and the first table's remaining rows are not carried out.
// The shot log and the summary say where it switched. A test run never switches.
TEST_F(RunTest, CloudPlanTakesOverFromTheNextRow) {
    table.AppendRow(Row("", "clear 1", kStart + 10 * kSecond, {10}));
    table.AppendRow(Row("", "clear 2", kStart + 60 * kSecond, {10}));
    table.AppendRow(Row("", "clear 3", kStart + 120 * kSecond, {10}));
    ExposureTable plan(0);
    plan.AppendRow(Row("", "cloudy past", kStart + 5 * kSecond, {12}));
    plan.AppendRow(Row("", "cloudy 1", kStart + 40 * kSecond, {12}));
    plan.AppendRow(Row("", "cloudy 2", kStart + 100 * kSecond, {13}));
    for (const RunKind kind : {RunKind::Real, RunKind::Test}) {
        SCOPED_TRACE(kind == RunKind::Real ? "real" : "test");
        view.actions.clear();
        shotLog.records.clear();
        bool asked = false;
        pump.onMessages = [&] {
            if (!asked && running != nullptr && view.wann.find(JDText(kStart + 60 * kSecond, 1)) != std::string::npos) {
                asked = true;
                running->SwitchToCloudPlan(plan);
            }
        };
        clock.SetJD(kStart);
        const RunSummary summary = Run(kind);
        if (kind == RunKind::Test) {
            EXPECT_EQ(summary.cloudPlanAfterRow, -1);
            EXPECT_EQ(summary.picturesTaken, 3);
            continue;
        }
        EXPECT_TRUE(asked);
        EXPECT_EQ(summary.picturesTaken, 3);  // clear 1, cloudy 1, cloudy 2
        EXPECT_EQ(summary.cloudPlanAfterRow, 1);
        EXPECT_EQ(summary.cloudPlanFromRow, 1);
        EXPECT_EQ(view.Count("picture 1/500 taken"), 1);
        EXPECT_EQ(view.Count("picture 1/125 taken"), 1);
        EXPECT_EQ(view.Count("picture 1/60 taken"), 1);
        EXPECT_NE(RunSummaryText(summary).find("switched to the cloud plan after row 2, from its row 2\n"),
                  std::string::npos)
            << RunSummaryText(summary);
        std::vector<std::string> phases;
        for (const ShotRecord& r : shotLog.records) phases.push_back(r.phase + ":" + std::string(ShotResultText(r.result)));
        EXPECT_EQ(phases, (std::vector<std::string>{"clear 1:taken", "cloud plan:cloud plan", "cloudy 1:taken",
                                                    "cloudy 2:taken"}));
    }
}

TEST_F(RunTest, AdvanceTimeStandsFiveSecondsBeforeTheShownInstant) {
    const double system = clock.CurrentJD();
    const double offset = AdvanceTimeOffset("at: 2024-04-08 18:17:20.0", system);
    EXPECT_EQ(JDText(system + offset, 1), "2024-04-08 18:17:15.0");
    EXPECT_NEAR(AdvanceTimeOffset("by: 2024-04-08 18:17:20.0", system), offset, 1e-12);
    // Unreadable fields fall back to 1 for the date and 0 for the time.
    EXPECT_EQ(JDText(system + AdvanceTimeOffset("at: xxxx-04-xx 18:17:20.0", system), 1), "0001-04-01 18:17:15.0");
    // In a rehearsal the clock never goes back: an instant behind the rehearsal clock changes nothing.
    EXPECT_EQ(AdvancedTimeOffset("at: 2024-04-08 18:17:20.0", system, 0), offset);
    EXPECT_EQ(AdvancedTimeOffset("by: 2024-04-08 18:14:38.0", system, offset), offset);
    EXPECT_EQ(AdvancedTimeOffset("at: 2024-04-08 18:17:20.0", system, offset + 0.01), offset + 0.01);

    // During a real run the offset moves the run's clock; the end of the run resets it.
    table.AppendRow(Row("", "C2", CalendarToJD(2024, 4, 8, 18, 17, 20), {6}));
    bool advanced = false;
    pump.onMessages = [&] {
        if (!advanced && view.wann.rfind("at: ", 0) == 0) {
            advanced = true;
            shared.time.TimeOffset = AdvancedTimeOffset(view.wann, clock.NowJD(), shared.time.TimeOffset);
        }
    };
    Run();
    EXPECT_TRUE(advanced);
    EXPECT_EQ(view.Count("picture 1/8000 taken"), 1);
    EXPECT_EQ(shared.time.TimeOffset, 0);
}

// Abort from every point where the run waits or lets the window work.
TEST_F(RunTest, AbortStopsTheRunAtEachWaitingPoint) {
    struct Case { const char* name; ExposureRow row; int abortAtPump; };
    const Case cases[] = {
        {"wait for an instant", Row("", "C2", kStart + 60 * kSecond, {6}), 1},
        {"setting write", Row("", "C2", kStart + 60 * kSecond, {6}), 0},
        {"sound banner", Row("WAV", "attach_filters.wav", kStart + 1 * kSecond), 3},
        {"loop countdown", Row("", "Loop during totality until", kStart + 60 * kSecond, {6}), 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        table = ExposureTable(0);
        table.AppendRow(c.row);
        table.AppendRow(Row("", "after", kStart + 120 * kSecond, {7}));
        camera.ClearCalls();
        int pumps = 0;
        pump.onMessages = [&] {
            if (pumps++ == c.abortAtPump) shared.flags.AbortRunRequested = true;
        };
        const RunSummary summary = Run();
        EXPECT_TRUE(summary.aborted);
        EXPECT_LT(summary.picturesTaken, 2);
        EXPECT_EQ(camera.CallCount("EdsSendCommand") > 0, summary.picturesTaken > 0);
        EXPECT_FALSE(shared.flags.AbortRunRequested);  // cleared by the end step
        EXPECT_LT(clock.CurrentJD(), kStart + 120 * kSecond);
    }
}

TEST_F(RunTest, NoCameraCallAfterADisconnectTheRunGoesOn) {
    table.AppendRow(Row("", "C2", kStart + 10 * kSecond, {6}));
    table.AppendRow(Row("WAV", "attach_filters.wav", kStart + 20 * kSecond));
    table.AppendRow(Row("", "C3", kStart + 30 * kSecond, {7}));
    size_t callsAtDisconnect = 0;
    pump.onMessages = [&] {
        if (master && view.Count("picture") == 1) {
            Disconnect();  // "Disconnect Camera" during the run: closes the session
            callsAtDisconnect = camera.Calls().size();
        }
    };
    const RunSummary summary = Run();
    EXPECT_EQ(camera.Calls().size(), callsAtDisconnect);
    EXPECT_EQ(summary.cameraLost, 1);
    EXPECT_EQ(summary.picturesTaken, 1);
    EXPECT_EQ(summary.picturesLost, 1);  // lost while the camera was gone, not failed by it
    EXPECT_EQ(sound.played.size(), 1u);  // the schedule went on
    EXPECT_EQ(view.infoColour, RunColour::Red);
}

// A camera that stops answering (unplugged) is lost at its first failing call: no call is made on it
// any more, the run looks for it every second, and once it is back writes every setting anew.
TEST_F(RunTest, ALostCameraIsLookedForEverySecondAndGetsEverySettingAnew) {
    clock.SetJumpToWaits(false);
    table.AppendRow(Row("", "C1", kStart + 5 * kSecond, {10}));
    table.AppendRow(Row("", "C2", kStart + 40 * kSecond, {11}));
    table.AppendRow(Row("", "C3", kStart + 60 * kSecond, {10}));
    double unplugged = 0, pluggedIn = 0;
    int tries = 0;
    size_t callsWhenLost = 0;
    reconnect = [&] {
        ++tries;
        if (pluggedIn == 0) return;
        master->Destroy();
        Connect();
    };
    pump.onMessages = [&] {
        if (unplugged == 0 && view.Count("picture") == 1) {
            camera.SetAttached(false);
            unplugged = clock.CurrentJD();
        }
        if (view.Count("camera lost") == 1 && callsWhenLost == 0) callsWhenLost = camera.Calls().size();
        if (pluggedIn == 0 && clock.CurrentJD() > kStart + 50 * kSecond) {
            EXPECT_EQ(camera.Calls().size(), callsWhenLost);  // nothing asked of a lost camera
            EXPECT_GE(tries, 9);                              // 40 s to 50 s: once a second
            camera.SetAttached(true);
            pluggedIn = clock.CurrentJD();
        }
    };
    const RunSummary summary = Run();
    ASSERT_GT(pluggedIn, 0);
    EXPECT_EQ(summary.cameraLost, 1);
    EXPECT_EQ(summary.picturesTaken, 2);
    EXPECT_EQ(summary.picturesLost, 1);  // the C2 picture, whose Tv write found the camera gone
    EXPECT_EQ(view.Count("picture 1/250 lost: camera disconnected"), 1);
    const auto back = std::find_if(view.actions.begin(), view.actions.end(),
                                   [](const RunAction& a) { return a.text == "camera reconnected"; });
    ASSERT_NE(back, view.actions.end());
    EXPECT_LE((back->startedJD - pluggedIn) / kSecond, 1.05);
    // Every setting written anew for C3 (the same values as C1), before its instant.
    EXPECT_EQ(Writes(0x100), 1);
    EXPECT_EQ(Writes(0x402), 1);
    EXPECT_EQ(Writes(0x405), 1);
    EXPECT_EQ(view.Count("IQ JPGLarFin written"), 2);
    const RunAction& last = view.actions.back();
    EXPECT_EQ(last.text, "picture 1/500 taken");
    EXPECT_LT((last.startedJD - last.scheduledJD) / kSecond, 0.1);
    EXPECT_FALSE(RunWentToPlan(summary));
}

TEST_F(RunTest, ClosingTheWindowStopsTheRunWithoutAnotherCameraCall) {
    table.AppendRow(Row("", "C2", kStart + 10 * kSecond, {6, 7, 8}));
    pump.onMessages = [&] {
        if (master && camera.PicturesTaken() == 1) {
            shared.flags.AbortRunRequested = true;  // what closing the camera window does
            Disconnect();
        }
    };
    const RunSummary summary = Run();
    EXPECT_TRUE(summary.aborted);
    EXPECT_EQ(camera.PicturesTaken(), 1);
    EXPECT_FALSE(summary.cameraLost);  // stopped before it would have asked for the camera again
}

TEST_F(RunTest, RowsDeletedDuringTheRunAreNeverReadPastTheEnd) {
    for (int i = 1; i <= 4; ++i) table.AppendRow(Row("", "P" + std::to_string(i), kStart + i * 10 * kSecond, {6}));
    pump.onMessages = [&] {
        if (view.phase == "P2" && table.RowCount() == 4) {
            table.DeleteRow(3);
            table.DeleteRow(2);
        }
    };
    const RunSummary summary = Run();
    EXPECT_EQ(summary.picturesTaken, 2);
    EXPECT_EQ(view.actions.back().text.rfind("table ends at row 3", 0), 0u) << view.actions.back().text;
}

TEST_F(RunTest, UnreadableDateTimeSkipsItsRow) {
    // Texts that once meant an instant far away (or a loop for ever) are skipped like any unreadable one.
    for (const char* text : {"2024-04-08 18:1", "2024-04-08 16:56:-1e300", "2024-04-08 18:00:1e300",
                             "9999-99-99 99:99:99.9", "2024-04-08 18:00:1e1"}) {
        SCOPED_TRACE(text);
        const double now = clock.CurrentJD();
        table = ExposureTable(0);
        view.actions.clear();
        table.AppendRow(Row("", "C1", now + 10 * kSecond, {6}));
        table.AppendRow(Row("", "Loop during totality until", 0, {6}));
        table.SetCell(kColumnDateTime, 1, text);
        table.AppendRow(Row("", "C3", now + 20 * kSecond, {7}));
        const RunSummary summary = Run();
        EXPECT_EQ(summary.rowsSkipped, 1);
        EXPECT_EQ(summary.picturesTaken, 2);
        EXPECT_EQ(view.Count("row 2 skipped: unreadable date-time"), 1);
        EXPECT_EQ(view.infoColour, RunColour::Red);
        EXPECT_LT(clock.CurrentJD() - now, 60 * kSecond);
    }
}

// A run starts only while neither a series nor another run goes on, and says so otherwise.
TEST_F(RunTest, StartsOnlyWhileNothingElseGoesOn) {
    table.AppendRow(Row("", "C1", kStart + 10 * kSecond, {6}));
    for (const CameraActivity busy : {CameraActivity::Series, CameraActivity::Run, CameraActivity::TestRun}) {
        shared.flags.Activity = busy;
        EXPECT_TRUE(Run().refused);
        EXPECT_EQ(shared.flags.Activity, busy);
        EXPECT_EQ(view.status, kCameraBusyText);
        EXPECT_TRUE(view.running.empty());
        EXPECT_TRUE(camera.Calls().empty());
    }
    shared.flags.Activity = CameraActivity::None;
    std::vector<CameraActivity> during;
    pump.onMessages = [&] { during.push_back(shared.flags.Activity); };
    EXPECT_FALSE(Run(RunKind::Test).refused);
    EXPECT_EQ(during.front(), CameraActivity::TestRun);
    EXPECT_EQ(shared.flags.Activity, CameraActivity::None);
    EXPECT_EQ(Run().picturesTaken, 1);
}

TEST_F(RunTest, BatchRowsStartOnlyPlainFilesInTheApplicationDataFolder) {
    const std::string folder = shared.folders.AppDataFolder;
    std::ofstream(folder + "ok.sh") << "true\n";
    table.AppendRow(Row("BAT", "ok.sh", kStart + 1 * kSecond));
    table.AppendRow(Row("bat", "../evil.sh", kStart + 2 * kSecond));
    table.AppendRow(Row("BAT", "missing.sh", kStart + 3 * kSecond));
    Run();
    EXPECT_EQ(shell.started, std::vector<std::string>{folder + "ok.sh"});
    EXPECT_EQ(view.Count("batch ok.sh started"), 1);
    EXPECT_EQ(view.Count("batch ../evil.sh refused"), 1);
    EXPECT_EQ(view.Count("batch missing.sh not found"), 1);
    EXPECT_EQ(view.status.rfind("Batch file missing.sh not found", 0), 0u);
    EXPECT_FALSE(IsPlainFileName("a/b"));
    EXPECT_FALSE(IsPlainFileName("C:x.bat"));
    EXPECT_TRUE(IsPlainFileName("start camera.bat"));
}

TEST_F(RunTest, TestRunGoesThroughTheTableHalfASecondPerRow) {
    table.AppendRow(Row("", "C2", kStart + 3600 * kSecond, {6}));
    table.AppendRow(Row("", "Loop during totality until", kStart + 3700 * kSecond, {7, 8}));
    const RunSummary summary = Run(RunKind::Test);
    EXPECT_EQ(summary.picturesTaken, 3);  // one loop pass, no remaining-time test
    EXPECT_EQ(view.phase, "1x Loop test");
    EXPECT_LT((clock.CurrentJD() - kStart) * 86400.0, 3.0);
    EXPECT_FALSE(view.rehearsalShown);
}

// A shot log that stops taking lines is said at once and in the summary; the run goes on.
TEST_F(RunTest, AShotLogThatFailsIsSaidAndTheRunGoesOn) {
    table.AppendRow(Row("", "Partial", kStart + 10 * kSecond, {10}));
    table.AppendRow(Row("", "Partial", kStart + 20 * kSecond, {10}));
    shotLog.full = true;
    const RunSummary summary = Run();
    EXPECT_EQ(summary.picturesTaken, 2);
    EXPECT_TRUE(summary.shotLogFailed);
    EXPECT_EQ(view.Count("shot log: a line could not be written; the run goes on"), 1);
    EXPECT_NE(RunSummaryText(summary).find("shot log: lines could not be written\nrun finished\n"), std::string::npos);
}

// How long ago a table's first row was, as the start-from-now question says it.
TEST(RunStart, AgoTextUsesTheUnitAPersonWould) {
    const std::pair<double, const char*> cases[] = {
        {40, "40 s"},
        {60, "1 min"},
        {3599, "59 min"},
        {3600 + 3 * 60, "1 h 3 min"},
        {47 * 3600, "47 h 0 min"},
        {2 * 86400, "2 days"},
        {364 * 86400, "364 days"},
        {2.7 * 365.25 * 86400, "2.7 years"},
    };
    for (const auto& [seconds, text] : cases) EXPECT_EQ(AgoText(seconds), text) << seconds;
}

}  // namespace
}  // namespace zelto
