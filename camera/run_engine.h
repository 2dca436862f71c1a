#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "camera/run_flags.h"
#include "camera/run_seams.h"
#include "eclipse_data/clock.h"
#include "eclipse_data/program_values.h"
#include "exposure/table.h"

namespace zelto {

class TAppMaster;
class SoundPlayer;
class ShotLog;
struct ShotRecord;
enum class ShotResult;

// Everything a photography run works with. `camera` answers the session of the connected camera at
// the moment of the call, or null when none is connected (the run then simulates) or once it has been
// disconnected: the run asks before every camera call, so no call ever follows a disconnect.
struct RunEnvironment {
    Clock& clock;
    MessagePump& pump;
    RunView& view;
    SoundPlayer& sound;
    Shell& shell;
    RunFlags& flags;
    TimeSource& time;               // TimeOffset: the rehearsal offset of a real run
    const WorkingFolders& folders;  // sounds in ResourceFolder, batch files in AppDataFolder
    std::function<TAppMaster*()> camera;
    // Opens the camera anew after a fault took it away (unplugged, switched off); camera() then
    // answers the new session. The run calls it while the camera is lost, at least once a second.
    // Empty: only a connect by the user brings the camera back.
    // `deadline`: true once the attempt would delay the next instant the run must keep (empty: the
    // calls' own limits).
    std::function<void(std::function<bool()> deadline)> reconnect = {};
    // Told as the run reaches each table row (counted from 0), before anything of the row is done.
    std::function<void(int row)> rowStarting = {};
    ShotLog* shotLog = nullptr;  // the run's shot log, one line per action; none when null
    // The camera is meant to be there but its connect got no answer in time: with no session the run
    // starts with the camera lost and reconnects it, instead of simulating.
    bool awaitCamera = false;
};

// Where a real run begins: at row 0, carrying out rows already past at once, or from now, skipping
// them (a loop whose end is still ahead is entered).
enum class RunStart { AllRows, FromNow };

struct RunSummary {
    int picturesTaken = 0;
    int picturesFailed = 0;   // refused, still failing after 5000 trials, or at an unknown shutter speed
    int picturesLost = 0;     // not taken: the camera was gone, or their call met the next instant
    int picturesSkipped = 0;  // a loop row's remaining time was too short
    int settingsFailed = 0;
    int rowsSkipped = 0;            // unreadable date-time
    int rowsPast = 0;               // already past when a run started from now
    int rowsLate = 0;               // began more than 1 s after their instant
    int batchesFailed = 0;          // batch files refused, missing or not started
    double latestStartSeconds = 0;  // how late the latest row began after its instant
    int latestRow = -1;
    bool simulated = false;      // no camera: its pictures are simulated, never taken
    bool shotLogFailed = false;  // a line of the shot log could not be written
    int cameraLost = 0;          // times the camera was lost (unplugged, switched off, disconnected)
    bool noTable = false;
    bool aborted = false;
    std::string
        abortedDuring;     // what the run was doing when it was aborted ("taking picture 1/1000 of row 19")
    bool refused = false;  // another run or a test series was going on: nothing was done
    // The run went on with the cloud plan after this row of the first table (−1: it did not), from
    // this row of the plan.
    int cloudPlanAfterRow = -1;
    int cloudPlanFromRow = -1;
};

// Every row carried out on time and every picture taken (a loop's pictures that no longer fit aside).
bool RunWentToPlan(const RunSummary& summary);

// The summary as zelto-cli prints it and the camera window shows it, one line each:
// "pictures taken 320, failed 0, skipped 1; settings failed 0; rows skipped 0" ("pictures simulated"
// without a camera),
// "pictures lost 0 (camera gone or no time left), camera lost 0 times, rows more than 1 s late 0,
// batch files not started 0", then "latest start 0.004 s after its instant (row 19)" where it
// applies, "aborted while …" for an aborted run, and last "run aborted" or "run finished".
std::string RunSummaryText(const RunSummary& summary);

// The real run and the test run over the rows of an exposure table.
class PhotographyRun {
  public:
    PhotographyRun(RunEnvironment environment, const ExposureTable& table);
    RunSummary Run(RunKind kind, RunStart start = RunStart::AllRows);
    // The cloud plan: a second table, chosen before the run, that a real run going on switches to
    // from its next row when asked (one key on the run page). A row waiting for its instant, or a
    // loop going on, gives way at once. The plan must outlive the run.
    void SwitchToCloudPlan(const ExposureTable& plan);

  private:
    enum Setting : int { kIQ = 0, kISO = 1, kAv = 2, kTv = 3 };
    // How a retried camera call ended.
    enum class CallEnd {
        Succeeded,
        Failed,      // refused by the camera, or still failing after all trials
        OutOfTime,   // still failing when the next row's instant came
        CameraGone,  // the camera is lost: the call was not made, or found it gone
    };
    struct CallOutcome {
        CallEnd end = CallEnd::Succeeded;
        uint32_t status = 0;  // the camera's last answer
        int trials = 0;
    };

    double Now();
    bool& AbortFlag();
    bool CheckAbort();  // true (and the run stops) when the flag is set
    std::string CellText(int column, int row) const;
    void Report(int row, double scheduledJD, double startedJD, const std::string& text);
    void TellProgress(const std::string& lastAction);
    // One shot-log line for the row; the settings written and the first camera call since the last
    // line go with it.
    void LogShot(int row, ShotResult result, std::string note, double scheduledJD = 0, double shutterJD = 0,
                 int trials = 0);
    // A setting the camera did not take: a line of its own, leaving the settings written to the
    // picture they were for.
    void LogSettingFailed(int row, const std::string& text, int trials);
    void WriteLogRecord(const ShotRecord& record);
    void NoteSettingWritten(const std::string& setting, bool written);
    void SkipPastRow(int row);
    bool SwitchPending() const;
    int SwitchToCloudPlanRows(int row);

    // The deadline of a camera call: true once the instant the run must keep has come, on the run's
    // clock; empty when it keeps none (a test run, a row caught up with nothing ahead of it).
    std::function<bool()> CallDeadline(double instant);
    // A deadline set while catching up with a past row: the next instant only while it is ahead.
    double AheadOrNone(double instant);
    bool RowInstant(int row, double& instant);
    double NextRowInstant(int row);   // the instant of the next row that has one; 0 when none
    int NextTimedRow(int row) const;  // that row, or −1
    void ShowCountdown(double days);  // the countdown to the row, written only when its text changes
    bool WaitTurn(double target, double now);
    void SleepTowards(double target);
    bool WaitFor(double instant);
    bool WaitForCamera(double until);
    void BatchRow(int row);
    void SoundRow(int row);
    void PhotographRow(int row);
    void RowSettings(int row);
    void SingleShotRow(int row);
    void LoopRow(int row);
    void SettingStep(int row, Setting setting, int column);
    // `instant`: the row's instant, for a loop row its end.
    void TakeMarkedPicture(int row, int column, bool loopRow, double instant);
    std::string ShutterSpeedInForce(uint32_t tvCode, const std::string& tvName);
    CallOutcome RetriedCall(const std::string& shortName, const std::string& simulationName, bool isWrite,
                            const std::function<uint32_t(TAppMaster&)>& call);
    CallOutcome WriteSetting(Setting setting, uint32_t property, uint32_t code);
    static std::string OutcomeText(const CallOutcome& outcome, const char* succeeded);
    TAppMaster* LiveCamera();  // the camera to talk to; null in simulation or while it is lost
    void ForgetChangedOnCamera(Setting setting, uint32_t property);
    // `failing`: the session that stopped answering, null when the user disconnected or none answered
    // yet; `reconnect`: the run brings it back by itself.
    void CameraLost(const TAppMaster* failing, bool reconnect);
    // `target`: the next instant the run must keep (0: none).
    void KeepReconnecting(bool now, double target);
    bool CameraIsBack(double target);
    void EndStep();

    RunEnvironment env_;
    const ExposureTable* firstTable_;
    const ExposureTable* table_;  // the table the run goes through: the first, or the cloud plan
    const ExposureTable* cloudPlan_ = nullptr;
    RunKind kind_ = RunKind::Real;
    bool stopped_ = false;
    bool loopDone_ = false;
    int currentRow_ = -1;
    double rowInstant_ = 0;          // the instant the current row waits for
    std::string action_;             // what the run is doing, for an abort's report
    std::vector<bool> pastAtStart_;  // rows whose instant had passed when the run started
    int settingsRow_ = -1;           // the photograph row whose settings are in force, -1 for other rows
    double deadline_ = 0;            // no camera trial starts at or after this instant (0: none)
    std::string shownCountdown_;
    std::array<int64_t, 4> lastCodes_{};     // the codes last written, −1: none
    std::array<int64_t, 4> cameraValues_{};  // the camera's values as the run last saw them
    // The camera lost: by a fault (the run reconnects it) or by a disconnect (the user does).
    bool lost_ = false;
    bool reconnectBySelf_ = false;
    uint64_t lostSession_ = 0;
    uint32_t lastReconnectTick_ = 0;
    double lastChanceTarget_ = 0;  // the instant the last try just before it was made for
    RunSummary summary_;
    // For the shot log: the settings written since its last line, the first camera call since then,
    // and the instant of the latest call.
    std::string settingsWritten_;
    double firstCallJD_ = 0;
    double lastCallJD_ = 0;
};

// "Advance Time": the rehearsal offset that makes the clock stand 5 s before the row's instant as the
// page shows it ("at: " or "by: " followed by date-time text with tenths). A field that does not read
// as a number counts as 1 for year, month and day and 0 for the time fields.
double AdvanceTimeOffset(std::string_view wannCaption, double systemJD);
// What "Advance Time" does to the rehearsal offset in force: the clock only ever moves forwards, so an
// instant already behind the rehearsal clock (a loop's end shown as "by:", a row passed meanwhile)
// leaves the offset as it is, and no row fires before its instant comes.
double AdvancedTimeOffset(std::string_view wannCaption, double systemJD, double currentOffset);

// The loop row's test: a picture in shutter column c starts only when its estimated exposure plus
// 10 s of margin ends before the loop's end instant.
bool LoopPictureFits(int column, double nowJD, double endJD);

// The banner text of a sound row: upper case, cut at ".WAV", "-" and "_" as blanks.
std::string SoundBannerText(std::string_view fileName);

// A batch row may start only a plain file name inside the application-data folder.
bool IsPlainFileName(std::string_view name);

}  // namespace zelto
