#include "camera/run_engine.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

#include "camera/appmaster.h"
#include "camera/camera_failure.h"
#include "camera/proptables.h"
#include "camera/row_files.h"
#include "camera/run_start.h"
#include "camera/shot_log.h"
#include "camera/sound_player.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/julian.h"
#include "eclipse_data/number_text.h"

namespace zelto {

namespace {

constexpr int kMaxTrials = 5000;
constexpr int64_t kTrialPauseMs = 15;
constexpr int64_t kSimulatedCallMs = 222;
constexpr int64_t kPhasePauseMs = 10;
constexpr int64_t kBannerMs = 5000;
constexpr int64_t kBannerBlinkMs = 50;
constexpr double kMicrosecondsPerDay = 86400.0e6;
constexpr double kTestRowDelaySeconds = 0.5;
// A wait for an instant sleeps while the instant is further away than kSpinMicroseconds, waking at
// least every kWakeMicroseconds to let the window work, refresh the countdown and look at the abort
// flag; the last stretch is polled, so that the wait ends on the instant.
constexpr int64_t kSpinMicroseconds = 2000;
constexpr int64_t kWakeMicroseconds = 25000;
// While the camera is lost the run tries to bring it back this often, and once more when the next
// instant is less than kLastChanceSeconds away.
constexpr uint32_t kReconnectIntervalMs = 1000;
constexpr double kLastChanceSeconds = 0.5;
// A row that begins later than this after its instant was not carried out on time.
constexpr double kLateSeconds = 1.0;
// A reconnect gives up this long before the instant it may not delay, so that the row begins on time.
constexpr double kReconnectMarginSeconds = 0.05;

constexpr uint32_t kPropertyImageQuality = 0x100;
constexpr uint32_t kPropertyISO = 0x402;
constexpr uint32_t kPropertyAv = 0x405;
constexpr uint32_t kPropertyTv = 0x406;

const char* const kSettingNames[] = {"IQ", "ISO", "Av", "Tv"};

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string RowName(int row) {
    return "row " + std::to_string(row + 1);
}

std::string TvNameOfColumn(int column) {
    std::string title(kExposureColumnTitles[static_cast<size_t>(column)]);
    title.erase(std::remove(title.begin(), title.end(), ';'), title.end());
    return title;
}

}  // namespace

PhotographyRun::PhotographyRun(RunEnvironment environment, const ExposureTable& table)
    : env_(std::move(environment)), firstTable_(&table), table_(&table) {}

double PhotographyRun::Now() {
    const double now = env_.clock.NowJD();
    return kind_ == RunKind::Real ? now + env_.time.TimeOffset : now;
}

bool& PhotographyRun::AbortFlag() {
    return kind_ == RunKind::Real ? env_.flags.AbortRunRequested : env_.flags.AbortTestRequested;
}

bool PhotographyRun::CheckAbort() {
    if (AbortFlag()) stopped_ = true;
    return stopped_;
}

std::string PhotographyRun::CellText(int column, int row) const {
    return table_->Cell(column, row).value_or(std::string());
}

void PhotographyRun::Report(int row, double scheduledJD, double startedJD, const std::string& text) {
    env_.view.Report({row, scheduledJD, startedJD, text});
    TellProgress(text);
}

void PhotographyRun::TellProgress(const std::string& lastAction) {
    RunProgress progress;
    progress.kind = kind_;
    progress.row = currentRow_;
    progress.rows = table_->RowCount();
    if (currentRow_ >= 0) {
        progress.phase = Trimmed(CellText(kColumnPhase, currentRow_));
        progress.rowJD = rowInstant_;
        if (const int next = NextTimedRow(currentRow_); next >= 0) {
            progress.nextRowJD = *ReadDateStrJD(CellText(kColumnDateTime, next));
            progress.nextPhase = Trimmed(CellText(kColumnPhase, next));
        }
    }
    progress.lastAction = lastAction;
    progress.camera = env_.flags.SimulationMode ? RunProgress::Camera::Simulated
                      : lost_                   ? RunProgress::Camera::Lost
                                                : RunProgress::Camera::Connected;
    progress.taken = summary_.picturesTaken;
    progress.lost = summary_.picturesLost;
    progress.failed = summary_.picturesFailed;
    env_.view.ShowProgress(progress);
}

void PhotographyRun::LogShot(int row, ShotResult result, std::string note, double scheduledJD,
                             double shutterJD, int trials) {
    ShotRecord record;
    record.trials = trials;
    record.simulated = env_.flags.SimulationMode;
    if (record.simulated && result == ShotResult::Taken) record.result = ShotResult::Simulated;
    record.row = row;
    record.phase = Trimmed(CellText(kColumnPhase, row));
    record.scheduledJD = scheduledJD;
    record.firstCallJD = firstCallJD_;
    record.shutterJD = shutterJD;
    record.settings = std::move(settingsWritten_);
    if (record.result != ShotResult::Simulated) record.result = result;
    record.note = std::move(note);
    settingsWritten_.clear();
    firstCallJD_ = 0;
    WriteLogRecord(record);
}

// A log that stops taking lines (a full disk) is said at once; the run goes on without it.
void PhotographyRun::WriteLogRecord(const ShotRecord& record) {
    if (!env_.shotLog) return;
    env_.shotLog->Write(record);
    if (summary_.shotLogFailed || !env_.shotLog->failed()) return;
    summary_.shotLogFailed = true;
    env_.view.SetStatus("Shot log: a line could not be written (disk full?); the run goes on");
    Report(record.row, 0, Now(), "shot log: a line could not be written; the run goes on");
}

void PhotographyRun::LogSettingFailed(int row, const std::string& text, int trials) {
    if (!env_.shotLog) return;
    ShotRecord record;
    record.row = row;
    record.phase = Trimmed(CellText(kColumnPhase, row));
    record.firstCallJD = lastCallJD_;
    record.result = ShotResult::SettingFailed;
    record.note = text;
    record.trials = trials;
    record.simulated = env_.flags.SimulationMode;
    WriteLogRecord(record);
}

RunSummary PhotographyRun::Run(RunKind kind, RunStart start) {
    summary_ = RunSummary{};
    shownCountdown_.clear();
    lost_ = false;
    RunFlags& flags = env_.flags;
    if (flags.Activity != CameraActivity::None) {
        // Another run or a test series goes on: this one does not start and changes nothing of it.
        env_.view.SetStatus(kCameraBusyText);
        summary_.refused = true;
        return summary_;
    }
    flags.Activity = kind == RunKind::Real ? CameraActivity::Run : CameraActivity::TestRun;
    kind_ = kind;
    stopped_ = false;
    table_ = firstTable_;
    cloudPlan_ = nullptr;

    flags.SimulationMode = false;
    env_.view.SetInfoColour(RunColour::White);
    env_.view.SetInfo("");
    env_.view.ShowSummary("");
    const bool awaited = env_.camera() == nullptr && env_.awaitCamera;
    if (env_.camera() == nullptr && !awaited) {
        flags.SimulationMode = true;
        summary_.simulated = true;
        env_.view.SetInfoColour(RunColour::Yellow);
        env_.view.SetInfo("Camera not connected! SIMULATION MODE enabled!");
    }
    if (table_->IsNoTable()) {
        env_.view.SetInfoColour(RunColour::Red);
        env_.view.SetInfo("No exposure table.\nSelect \"Exposure Tables\",\nthen load or create a table");
        summary_.noTable = true;
        EndStep();
        return summary_;
    }
    if (kind_ == RunKind::Real) env_.view.ShowRehearsalControls(true);
    env_.view.SetInfoColour(RunColour::White);
    env_.view.SetRunning(kind_, true);
    AbortFlag() = false;
    if (awaited) CameraLost(nullptr, true);
    lastCodes_.fill(-1);
    cameraValues_.fill(-1);
    settingsWritten_.clear();
    firstCallJD_ = 0;

    int rows = table_->RowCount();  // taken once; rows are read one cell at a time
    pastAtStart_.assign(static_cast<size_t>(rows), false);
    if (kind_ == RunKind::Real) {
        for (int row : PastRows(*table_, Now())) pastAtStart_[static_cast<size_t>(row)] = true;
    }
    action_.clear();
    for (int row = 0; row < rows && !stopped_; ++row) {
        if (cloudPlan_ != nullptr && table_ != cloudPlan_) {
            row = SwitchToCloudPlanRows(row);
            rows = table_->RowCount();
            if (row >= rows) break;
        }
        if (row >= table_->RowCount()) {
            // Rows were deleted in the editor meanwhile: the table now ends here.
            Report(row, 0, Now(),
                   "table ends at row " + std::to_string(row + 1) + ": rows were removed during the run");
            break;
        }
        currentRow_ = row;
        rowInstant_ = 0;
        settingsRow_ = -1;
        if (env_.rowStarting) env_.rowStarting(row);
        const std::string phase = Trimmed(CellText(kColumnPhase, row));
        if (phase.empty()) continue;
        deadline_ = 0;
        if (start == RunStart::FromNow && pastAtStart_[static_cast<size_t>(row)]) {
            SkipPastRow(row);
            continue;
        }
        env_.view.SetPhase("");
        Delay(env_.clock, kPhasePauseMs);
        env_.view.SetPhase(phase);

        const std::string kind = Upper(Trimmed(CellText(kColumnKind, row)));
        if (kind == "BAT") {
            BatchRow(row);
        } else if (kind == "WAV") {
            SoundRow(row);
        } else {
            PhotographRow(row);
        }
        if (AbortFlag()) stopped_ = true;
    }
    summary_.aborted = stopped_;
    if (stopped_ && !action_.empty()) {
        summary_.abortedDuring = action_;
        Report(currentRow_, 0, Now(), "run aborted while " + action_);
        if (currentRow_ >= 0) LogShot(currentRow_, ShotResult::Aborted, "run aborted while " + action_);
    }
    EndStep();
    return summary_;
}

void PhotographyRun::SwitchToCloudPlan(const ExposureTable& plan) {
    if (kind_ == RunKind::Real && env_.flags.Activity == CameraActivity::Run && !plan.IsNoTable()) cloudPlan_ = &plan;
}

bool PhotographyRun::SwitchPending() const { return cloudPlan_ != nullptr && table_ != cloudPlan_; }

// The switch to the cloud plan, between two rows: the plan's rows whose instant has passed are left
// out (a loop whose end is ahead is entered), the shot log and the summary say where it happened.
// Returns the plan's row the run goes on with.
int PhotographyRun::SwitchToCloudPlanRows(int row) {
    const int lastRow = std::max(0, std::min(currentRow_, row - 1));
    table_ = cloudPlan_;
    const std::vector<int> past = PastRows(*table_, Now());
    pastAtStart_.assign(static_cast<size_t>(table_->RowCount()), false);
    int next = 0;
    while (next < table_->RowCount() && std::find(past.begin(), past.end(), next) != past.end()) ++next;
    summary_.cloudPlanAfterRow = lastRow;
    summary_.cloudPlanFromRow = next;
    const std::string text = "switched to the cloud plan after row " + std::to_string(lastRow + 1) +
                             ": it goes on with its row " + std::to_string(next + 1);
    env_.view.SetStatus("Cloud plan: " + text);
    Report(lastRow, 0, Now(), text);
    ShotRecord record;
    record.row = lastRow;
    record.phase = "cloud plan";
    record.firstCallJD = Now();
    record.result = ShotResult::Switched;
    record.note = text;
    record.simulated = env_.flags.SimulationMode;
    WriteLogRecord(record);
    return next;
}

// A row already past when the run started from now: listed, counted, not carried out.
void PhotographyRun::SkipPastRow(int row) {
    ++summary_.rowsPast;
    const double instant = ReadDateStrJD(CellText(kColumnDateTime, row)).value_or(0);
    Report(row, instant, Now(),
           "row " + std::to_string(row + 1) + " skipped: past when the run started from now");
    LogShot(row, ShotResult::Skipped, "past when the run started from now", instant);
}

void PhotographyRun::EndStep() {
    env_.pump.ProcessMessages();
    env_.flags.Activity = CameraActivity::None;
    if (kind_ == RunKind::Real) {
        env_.time.TimeOffset = 0;
        env_.view.ShowRehearsalControls(false);
    }
    env_.view.SetRunning(kind_, false);
    if (!summary_.noTable) env_.view.ShowSummary(RunSummaryText(summary_));
    AbortFlag() = false;
    env_.flags.SimulationMode = false;
}

// The instant a row waits for, shown in Label_Wann. A real run reads it from the row; an unreadable
// date-time skips the row with a red message instead of ending the program.
bool PhotographyRun::RowInstant(int row, double& instant) {
    if (kind_ == RunKind::Test) {
        instant = env_.clock.NowJD() + kTestRowDelaySeconds / kSecondsPerDay;
    } else {
        const std::string text = CellText(kColumnDateTime, row);
        const auto jd = ReadDateStrJD(text);
        if (!jd) {
            const std::string message =
                "Row " + std::to_string(row + 1) + ": unreadable date-time \"" + text + "\" - row skipped";
            env_.view.SetInfoColour(RunColour::Red);
            env_.view.SetInfo(message);
            env_.view.SetStatus(message);
            ++summary_.rowsSkipped;
            Report(row, 0, Now(), "row " + std::to_string(row + 1) + " skipped: unreadable date-time");
            LogShot(row, ShotResult::Skipped, "unreadable date-time \"" + text + "\"");
            return false;
        }
        instant = *jd;
    }
    env_.view.SetRowInstant("at: " + JDText(instant, 1));
    rowInstant_ = instant;
    TellProgress("");
    return true;
}

double PhotographyRun::NextRowInstant(int row) {
    const int next = NextTimedRow(row);
    return next < 0 ? 0 : *ReadDateStrJD(CellText(kColumnDateTime, next));
}

int PhotographyRun::NextTimedRow(int row) const {
    for (int next = row + 1; next < table_->RowCount(); ++next) {
        if (Trimmed(CellText(kColumnPhase, next)).empty()) continue;  // blank rows are not carried out
        if (ReadDateStrJD(CellText(kColumnDateTime, next))) return next;
    }
    return -1;
}

void PhotographyRun::ShowCountdown(double days) {
    std::string text = DayDiffText(1, days);
    if (text == shownCountdown_) return;  // the label changes ten times a second, not on every turn
    env_.view.SetRowCountdown(text);
    shownCountdown_ = std::move(text);
}

// One turn of every wait: the countdown to target, the window's messages, the abort flag and, while
// the camera is lost, a try to bring it back (at least once a second, and once more just before the
// target). False when the run must stop.
bool PhotographyRun::WaitTurn(double target, double now) {
    ShowCountdown(target - now);
    env_.pump.ProcessMessages();
    if (CheckAbort() || SwitchPending()) return false;
    if (lost_) {
        const bool lastChance =
            (target - now) * kSecondsPerDay < kLastChanceSeconds && target != lastChanceTarget_;
        if (lastChance) lastChanceTarget_ = target;
        KeepReconnecting(lastChance, target);
    }
    return !stopped_;
}

// Sleeps towards target on the monotonic clock, at most one wake interval and never into the last
// 2 ms before it, which are polled. The target is on the UT clock, read afresh at every turn, so a
// clock step (or "Advance Time") is noticed at the next wake.
void PhotographyRun::SleepTowards(double target) {
    const auto ahead = static_cast<int64_t>((target - Now()) * kMicrosecondsPerDay);
    if (ahead > kSpinMicroseconds) {
        env_.clock.SleepFor(
            std::chrono::microseconds(std::min(ahead - kSpinMicroseconds, kWakeMicroseconds)));
    } else {
        env_.clock.Yield();
    }
}

bool PhotographyRun::WaitFor(double instant) {
    action_ = "waiting for the instant of " + RowName(currentRow_);
    bool hinted = false;
    for (;;) {
        const double now = Now();
        if (!WaitTurn(instant, now)) return false;
        if (now >= instant) {
            const double late = (Now() - instant) * kSecondsPerDay;
            if (summary_.latestRow < 0 || late > summary_.latestStartSeconds) {
                summary_.latestStartSeconds = late;
                summary_.latestRow = currentRow_;
            }
            if (late > kLateSeconds) ++summary_.rowsLate;
            return true;
        }
        if (!hinted) {
            // A lost camera is looked for before the wait, which a simulated clock may skip.
            if (lost_) KeepReconnecting(true, instant);
            // A simulated clock may jump straight to the instant; the system clock ignores the hint.
            env_.clock.WaitingFor(kind_ == RunKind::Real ? instant - env_.time.TimeOffset : instant);
            hinted = true;
        }
        SleepTowards(instant);
    }
}

// A loop row whose camera is lost waits for it to come back, or for the loop's end.
bool PhotographyRun::WaitForCamera(double until) {
    action_ = "waiting for the camera in " + RowName(currentRow_);
    while (lost_) {
        const double now = Now();
        if (!WaitTurn(until, now)) return false;
        if (now >= until) break;
        SleepTowards(until);
    }
    return true;
}

void PhotographyRun::BatchRow(int row) {
    if (CheckAbort()) return;
    double instant = 0;
    if (!RowInstant(row, instant) || !WaitFor(instant)) return;
    const double started = Now();
    const std::string name = Trimmed(CellText(kColumnPhase, row));
    const std::string path = env_.folders.AppDataFolder + name;
    std::string outcome;
    if (const std::string why = BatchFileProblem(env_.folders, name); !why.empty()) {
        outcome = "refused: " + why;
    } else if (!BatchFileFound(env_.folders, name)) {
        outcome = "not found in " + env_.folders.AppDataFolder;
    } else if (!env_.shell.StartBatch(path)) {
        outcome = "could not be started";
    } else {
        Report(row, instant, started, "batch " + name + " started");
        LogShot(row, ShotResult::Batch, name + " started", instant);
        return;
    }
    ++summary_.batchesFailed;
    env_.view.SetStatus("Batch file " + name + " " + outcome);
    Report(row, instant, started, "batch " + name + " " + outcome);
    LogShot(row, ShotResult::Batch, name + " " + outcome, instant);
}

void PhotographyRun::SoundRow(int row) {
    if (CheckAbort()) return;
    double instant = 0;
    if (!RowInstant(row, instant) || !WaitFor(instant)) return;
    const double started = Now();
    const std::string name = Trimmed(CellText(kColumnPhase, row));
    if (const std::string why = SoundFileProblem(name); !why.empty()) {
        // Nothing outside the sounds' folder is played; the row's banner still shows.
        env_.view.SetStatus("Row " + std::to_string(row + 1) + ": " + why);
        Report(row, instant, started, "sound refused: " + why);
        LogShot(row, ShotResult::Sound, "refused: " + why, instant);
    } else {
        if (env_.flags.SpokenCommands) env_.sound.Play(env_.folders.ResourceFolder + Lower(name));
        Report(row, instant, started, "sound " + Lower(name));
        LogShot(row, ShotResult::Sound,
                Lower(name) + (env_.flags.SpokenCommands ? "" : " (not played: spoken commands off)"), instant);
    }

    // A simulated run says so wherever the photographer looks, the banner too.
    env_.view.ShowBanner((env_.flags.SimulationMode ? "SIMULATED: " : "") + SoundBannerText(name));
    action_ = "showing the banner of " + RowName(row);
    const double next = NextRowInstant(row);
    const uint32_t start = env_.clock.TickMs();
    // The banner blinks for just over 5 s; an abort ends it early, so a stop request or a closing
    // window is never held up by it. A lost camera is looked for meanwhile.
    do {
        env_.view.SetBannerColour(RunColour::Blue);
        env_.pump.ProcessMessages();
        Delay(env_.clock, kBannerBlinkMs);
        env_.view.SetBannerColour(RunColour::Lime);
        env_.pump.ProcessMessages();
        Delay(env_.clock, kBannerBlinkMs);
        if (lost_) KeepReconnecting(false, next);
    } while (!AbortFlag() && static_cast<uint32_t>(env_.clock.TickMs() - start) <= kBannerMs);
    env_.view.HideBanner();
}

void PhotographyRun::PhotographRow(int row) {
    settingsRow_ = row;
    RowSettings(row);
    if (stopped_) return;
    const std::string phase = Trimmed(CellText(kColumnPhase, row));
    if (phase.size() >= 4 && Upper(phase.substr(0, 4)) == "LOOP") {
        LoopRow(row);
    } else {
        SingleShotRow(row);
    }
}

// A photograph row's image quality, ISO and aperture, written before its wait. A stuck write gives
// up at the next instant the run has to keep: the row's own, unless it has passed, else the next
// row's. The test run has no instants to keep.
void PhotographyRun::RowSettings(int row) {
    if (kind_ == RunKind::Real) {
        const auto own = ReadDateStrJD(CellText(kColumnDateTime, row));
        deadline_ = own && *own > Now() ? *own : AheadOrNone(NextRowInstant(row));
    }
    SettingStep(row, kIQ, kColumnQuality);
    if (stopped_) return;
    SettingStep(row, kISO, kColumnISO);
    if (stopped_) return;
    SettingStep(row, kAv, kColumnAperture);
}

void PhotographyRun::SingleShotRow(int row) {
    if (CheckAbort()) return;
    double instant = 0;
    if (!RowInstant(row, instant) || !WaitFor(instant)) return;
    // Its pictures keep the next row's instant; a row caught up with keeps it only while it is ahead.
    if (kind_ == RunKind::Real)
        deadline_ =
            pastAtStart_[static_cast<size_t>(row)] ? AheadOrNone(NextRowInstant(row)) : NextRowInstant(row);
    for (int column = kColumnFirstShutter; column <= kColumnLastShutter && !stopped_; ++column) {
        if (Upper(Trimmed(CellText(column, row))) == "X") TakeMarkedPicture(row, column, false, instant);
    }
}

void PhotographyRun::LoopRow(int row) {
    if (CheckAbort()) return;
    double end = 0;
    if (kind_ == RunKind::Test) {
        env_.view.SetPhase("1x Loop test");
        if (!RowInstant(row, end) || !WaitFor(end)) return;
    } else {
        env_.view.SetPhase("Loop during totality");
        if (!RowInstant(row, end)) return;
        env_.view.SetRowInstant("by: " + JDText(end, 1));
    }
    Report(row, end, Now(), kind_ == RunKind::Test ? "loop test pass" : "loop until " + JDText(end, 1));

    loopDone_ = false;
    do {
        for (int column = kColumnFirstShutter; column <= kColumnLastShutter; ++column) {
            ShowCountdown(end - Now());
            env_.pump.ProcessMessages();
            if (CheckAbort()) return;
            if (Upper(Trimmed(CellText(column, row))) == "X") {
                TakeMarkedPicture(row, column, kind_ == RunKind::Real, end);
            }
            if (CheckAbort()) return;
        }
        // A row with no marked column (or none that fits) must still end at its instant. Without its
        // camera the loop counts one pass as lost, then waits for the camera (or for its end).
        if (Now() >= end) {
            loopDone_ = true;
        } else if (lost_ && !env_.flags.SimulationMode && kind_ == RunKind::Real) {
            if (!WaitForCamera(end)) return;
            loopDone_ = lost_;
            if (lost_) Report(row, end, Now(), "loop ended without its camera");
        }
    } while (kind_ == RunKind::Real && !loopDone_ && !SwitchPending());
}

std::string PhotographyRun::OutcomeText(const CallOutcome& outcome, const char* succeeded) {
    switch (outcome.end) {
        case CallEnd::Succeeded:
            return succeeded +
                   (outcome.trials > 1 ? " on trial " + std::to_string(outcome.trials) : std::string());
        case CallEnd::Failed:
            return " failed: " + CameraFailureText(outcome.status) +
                   (outcome.trials > 1 ? " after " + std::to_string(outcome.trials) + " trials"
                                       : std::string());
        case CallEnd::OutOfTime:
            return outcome.trials == 0 ? " not written: no time left before the next instant"
                                       : " failed: no time left before the next instant";
        case CallEnd::CameraGone:
            break;
    }
    return " not written: camera disconnected";
}

void PhotographyRun::SettingStep(int row, Setting setting, int column) {
    const std::string name = Trimmed(CellText(column, row));
    if (name.empty() || setting == kTv) return;  // a blank cell leaves the camera's setting as it is
    // A name the run cannot turn into a camera setting is a setting that failed, never nothing.
    if (UnknownSettingCell(column, name)) {
        ++summary_.settingsFailed;
        const std::string text =
            std::string(kSettingNames[setting]) + " " + name + " failed: not a name the camera tables know";
        env_.view.SetStatus(text);
        Report(row, 0, Now(), text);
        LogSettingFailed(row, text, 0);
        return;
    }
    uint32_t code = 0;
    uint32_t property = 0;
    switch (setting) {
        case kIQ:
            code = IQCodeByName(name), property = kPropertyImageQuality;
            break;
        case kISO:
            code = ISOCodeByName(name), property = kPropertyISO;
            break;  // AUTO is code 0
        case kAv:
            code = AvCodeByName(name), property = kPropertyAv;
            break;
        case kTv:
            return;
    }
    ForgetChangedOnCamera(setting, property);
    // While the camera is lost nothing is written: it gets every setting anew when it is back.
    if (static_cast<int64_t>(code) == lastCodes_[setting] || lost_) return;
    // Remembered before trying: a write that the camera refuses, or that still fails after all
    // trials, is not repeated for the following rows with the same value.
    lastCodes_[setting] = code;
    const double started = Now();
    const CallOutcome outcome = WriteSetting(setting, property, code);
    const std::string text =
        std::string(kSettingNames[setting]) + " " + name + OutcomeText(outcome, " written");
    Report(row, 0, started, text);
    NoteSettingWritten(std::string(kSettingNames[setting]) + " " + name, outcome.end == CallEnd::Succeeded);
    if (outcome.end != CallEnd::Succeeded && outcome.trials > 0) LogSettingFailed(row, text, outcome.trials);
}

void PhotographyRun::TakeMarkedPicture(int row, int column, bool loopRow, double instant) {
    const std::string tvName = TvNameOfColumn(column);
    // While the camera is lost its message stays in Label_Info.
    if (!lost_) {
        env_.view.SetInfo("IQ  : " + CellText(kColumnQuality, row) + "\r\n" +
                          "ISO: " + CellText(kColumnISO, row) + "\r\n" +
                          "Av  : " + CellText(kColumnAperture, row) + "\r\n" + "Tv  : " + tvName);
    }
    // Each picture ends in one line for the window (and zelto-cli) and one for the shot log, whose
    // note names the shutter speed and why the picture was not taken.
    const auto report = [&](double started, ShotResult result, const std::string& text,
                            const std::string& why, double shutterJD = 0, int trials = 0) {
        Report(row, instant, started, "picture " + tvName + text);
        LogShot(row, result, why.empty() ? tvName : tvName + ", " + why, instant, shutterJD, trials);
    };
    if (loopRow) {
        // Checked before the shutter speed is written: a picture that no longer fits costs nothing.
        const double now = Now();
        if (!LoopPictureFits(column, now, instant)) {
            loopDone_ = true;
            ++summary_.picturesSkipped;
            const std::string left =
                "loop time left " + FixedText((instant - now) * kSecondsPerDay, 1) + " s";
            report(now, ShotResult::Skipped, " skipped: " + left, left);
            return;
        }
    }
    const auto lost = [&](double started, const CallOutcome& outcome) {
        ++summary_.picturesLost;
        if (outcome.end == CallEnd::OutOfTime) env_.view.SetStatus("Failed to release!");
        const std::string why = outcome.end == CallEnd::OutOfTime ? "no time left before the next instant"
                                                                  : "camera disconnected";
        report(started, ShotResult::Lost, " lost: " + why, why);
    };
    if (lost_) {
        lost(Now(), {CallEnd::CameraGone, 0, 0});
        return;
    }

    std::string takenAt = tvName;  // the shutter speed in force for the picture
    const uint32_t tvCode = TvCodeByName(tvName);
    ForgetChangedOnCamera(kTv, kPropertyTv);
    if (static_cast<int64_t>(tvCode) != lastCodes_[kTv]) {
        lastCodes_[kTv] = tvCode;
        const double started = Now();
        const CallOutcome outcome = WriteSetting(kTv, kPropertyTv, tvCode);
        const std::string text = "Tv " + tvName + OutcomeText(outcome, " written");
        Report(row, 0, started, text);
        NoteSettingWritten("Tv " + tvName, outcome.end == CallEnd::Succeeded);
        if (outcome.end != CallEnd::Succeeded && outcome.trials > 0)
            LogSettingFailed(row, text, outcome.trials);
        if (stopped_) return;
        if (outcome.end == CallEnd::OutOfTime || outcome.end == CallEnd::CameraGone) {
            lost(Now(), outcome);
            return;
        }
        if (outcome.end == CallEnd::Failed) {
            // The camera kept another shutter speed. A single shot is taken at that one and says so;
            // a loop's picture only at its own, whose fit was checked, and never at an unknown one.
            takenAt = ShutterSpeedInForce(tvCode, tvName);
            if (stopped_) return;
            if (takenAt.empty() || loopRow) {
                ++summary_.picturesFailed;
                env_.view.SetStatus("Failed to release!");
                report(started, ShotResult::Failed, " failed: its shutter speed could not be set",
                       "its shutter speed could not be set");
                return;
            }
        }
    }

    const double started = Now();
    // The shutter's simulation text: Tv in a single shot, IQ in a loop; the test run always says Tv.
    const std::string simulationName = kind_ == RunKind::Real && loopRow ? "IQ" : "Tv";
    const CallOutcome outcome = RetriedCall("Picture", simulationName, false,
                                            [](TAppMaster& camera) { return camera.TakePicture(); });
    if (stopped_) {
        // Aborted while releasing: the shot log still says what became of the picture.
        LogShot(row, outcome.end == CallEnd::Succeeded ? ShotResult::Taken : ShotResult::Failed,
                tvName + ", run aborted", instant, lastCallJD_, outcome.trials);
        return;
    }
    switch (outcome.end) {
        case CallEnd::Succeeded:
            env_.view.SetStatus(env_.flags.SimulationMode ? "Picture taken (SIMULATED)" : "Picture taken");
            ++summary_.picturesTaken;
            report(started, ShotResult::Taken,
                   OutcomeText(outcome, " taken") +
                       (takenAt == tvName ? "" : " at " + takenAt + ": its shutter speed could not be set"),
                   takenAt == tvName ? "" : "taken at " + takenAt, lastCallJD_, outcome.trials);
            break;
        case CallEnd::Failed:
            env_.view.SetStatus("Failed to release!");
            ++summary_.picturesFailed;
            report(started, ShotResult::Failed, OutcomeText(outcome, ""), "release failed", lastCallJD_,
                   outcome.trials);
            break;
        case CallEnd::OutOfTime:
        case CallEnd::CameraGone:
            lost(started, outcome);
            break;
    }
    CheckAbort();
}

// After a failed Tv write: the shutter speed the camera kept, read back from it and remembered as
// the one in force; empty when the camera cannot tell.
std::string PhotographyRun::ShutterSpeedInForce(uint32_t tvCode, const std::string& tvName) {
    lastCodes_[kTv] = -1;
    TAppMaster* camera = LiveCamera();
    if (camera == nullptr || camera->Camera() == nullptr) return "";
    camera->SetCallDeadline(CallDeadline(deadline_));
    const EdsError status = camera->ReadProperty(kPropertyTv);
    camera->SetCallDeadline({});
    if (ClassifyEdsResult(status) == CameraFailure::Gone) CameraLost(camera, true);
    if (status != kEdsErrOk) return "";
    const int64_t code = camera->Camera()->GetPropertyValue(kPropertyTv);
    lastCodes_[kTv] = cameraValues_[kTv] = code;
    return code == tvCode ? tvName : NameByCode(kKindTv, static_cast<uint32_t>(code));
}

// One camera call, retried every 15 ms while the camera is busy or fails in a way that may pass: up
// to 5000 times, and never once the next row's instant has come. A refusal ends it at once; a camera
// that is gone ends it and makes the run lose the camera. In simulation mode each trial shows its
// simulation text and takes 222 ms instead.
PhotographyRun::CallOutcome PhotographyRun::RetriedCall(const std::string& shortName,
                                                        const std::string& simulationName, bool isWrite,
                                                        const std::function<uint32_t(TAppMaster&)>& call) {
    CallOutcome outcome;
    int trials = 0;
    action_ = (shortName == "Picture" ? std::string("taking a picture") : "writing " + shortName) + " in " +
              RowName(currentRow_);
    for (;;) {
        const bool simulated = env_.flags.SimulationMode;
        if (!simulated && lost_) return {CallEnd::CameraGone, outcome.status, trials};
        if (!simulated && deadline_ > 0 && Now() >= deadline_)
            return {CallEnd::OutOfTime, outcome.status, trials};
        ++trials;
        Delay(env_.clock, kTrialPauseMs);
        lastCallJD_ = Now();
        if (firstCallJD_ == 0) firstCallJD_ = lastCallJD_;
        CameraFailure failure = CameraFailure::None;
        if (simulated) {
            env_.view.SetStatus(simulationName + ": SIMULATION MODE");
            Delay(env_.clock, kSimulatedCallMs);
            outcome.status = 0;
        } else {
            TAppMaster* camera = env_.camera ? env_.camera() : nullptr;
            if (camera == nullptr) {
                CameraLost(nullptr, false);
                return {CallEnd::CameraGone, outcome.status, trials};
            }
            // A call still unanswered at the instant the run must keep is given up: the camera is lost.
            camera->SetCallDeadline(CallDeadline(deadline_));
            outcome.status = call(*camera);
            camera->SetCallDeadline({});
            failure = ClassifyEdsResult(outcome.status);
            // Noted before the window works: a disconnect meanwhile frees the session.
            if (failure == CameraFailure::Gone) CameraLost(camera, true);
            // Writes, and every picture of a test run, let the window catch up with the camera's messages.
            if (isWrite || kind_ == RunKind::Test) env_.pump.ProcessMessages();
            env_.view.SetStatus(CallStatusText(shortName, outcome.status, trials));
        }
        outcome.trials = trials;
        const bool aborted = CheckAbort();
        if (outcome.status == 0) return outcome;
        if (failure == CameraFailure::Gone) return {CallEnd::CameraGone, outcome.status, trials};
        if (aborted || failure == CameraFailure::Refused || trials >= kMaxTrials)
            return {CallEnd::Failed, outcome.status, trials};
    }
}

void PhotographyRun::NoteSettingWritten(const std::string& setting, bool written) {
    settingsWritten_ += (settingsWritten_.empty() ? "" : "; ") + setting + (written ? "" : " failed");
}

PhotographyRun::CallOutcome PhotographyRun::WriteSetting(Setting setting, uint32_t property, uint32_t code) {
    const std::string name = kSettingNames[setting];
    const CallOutcome outcome =
        RetriedCall(name, kind_ == RunKind::Test ? "Tv" : name, true, [property, code](TAppMaster& camera) {
            const EdsError status = camera.WriteProperty(property, code);
            // The camera holds the value now; what its events report from here on may change that.
            if (status == kEdsErrOk && camera.Camera() != nullptr)
                camera.Camera()->SetPropertyValue(property, code);
            return status;
        });
    if (outcome.end == CallEnd::CameraGone)
        return outcome;  // counted as the camera's loss, not the setting's
    // A setting never tried (its instant came first) did not fail: the next row tries again.
    const bool tried = !(outcome.end == CallEnd::OutOfTime && outcome.trials == 0);
    if (outcome.end != CallEnd::Succeeded && tried) ++summary_.settingsFailed;
    // Ran out of time: the next row tries again.
    if (outcome.end == CallEnd::OutOfTime) lastCodes_[setting] = -1;
    // The value the run left on the camera; a different one reported later was set on the camera.
    if (outcome.end == CallEnd::Succeeded) {
        cameraValues_[setting] = code;
    } else if (const TAppMaster* camera = LiveCamera(); camera != nullptr && camera->Camera() != nullptr) {
        cameraValues_[setting] = camera->Camera()->GetPropertyValue(property);
    }
    return outcome;
}

TAppMaster* PhotographyRun::LiveCamera() {
    if (env_.flags.SimulationMode || lost_ || !env_.camera) return nullptr;
    return env_.camera();
}

// A value the camera reports changed since the run last wrote it (the photographer turned a dial) is
// forgotten, so that the row writes its own value again.
void PhotographyRun::ForgetChangedOnCamera(Setting setting, uint32_t property) {
    const TAppMaster* camera = LiveCamera();
    if (camera == nullptr || camera->Camera() == nullptr) return;
    if (camera->Camera()->GetPropertyValue(property) != cameraValues_[setting]) lastCodes_[setting] = -1;
}

// The camera is lost: it stopped answering (failing) or was disconnected (failing is null). The run
// keeps its schedule (sounds, batch files, countdowns), makes no camera call and counts the pictures
// it cannot take; after a fault it reconnects the camera by itself.
void PhotographyRun::CameraLost(const TAppMaster* failing, bool reconnect) {
    if (lost_) return;
    lost_ = true;
    reconnectBySelf_ = reconnect;
    lostSession_ = failing != nullptr ? failing->Session() : 0;
    lastReconnectTick_ = env_.clock.TickMs();
    ++summary_.cameraLost;
    lastCodes_.fill(-1);
    env_.view.SetInfoColour(RunColour::Red);
    env_.view.SetInfo("Camera disconnected! Reconnect it: the run goes on.");
    env_.view.SetStatus("Camera disconnected");
    Report(currentRow_, 0, Now(),
           reconnect ? "camera lost: the run goes on and reconnects it"
                     : "camera disconnected: the run goes on without it");
}

// While the camera is lost: at least once a second (and at once when `now`), look whether it is
// back. Back, it gets every setting anew, starting with those of the row the run is in.
void PhotographyRun::KeepReconnecting(bool now, double target) {
    const uint32_t tick = env_.clock.TickMs();
    if (!now && static_cast<uint32_t>(tick - lastReconnectTick_) < kReconnectIntervalMs) return;
    lastReconnectTick_ = tick;
    if (!CameraIsBack(target)) return;
    lost_ = false;
    lastCodes_.fill(-1);
    env_.view.SetInfoColour(RunColour::White);
    env_.view.SetInfo("Camera reconnected: the run goes on.");
    env_.view.SetStatus("Camera reconnected");
    Report(currentRow_, 0, Now(), "camera reconnected");
    if (settingsRow_ >= 0) RowSettings(settingsRow_);
}

// A session other than the lost one that answers: opened by the user, or by the run's reconnect.
bool PhotographyRun::CameraIsBack(double target) {
    const auto answers = [this] {
        const TAppMaster* camera = env_.camera ? env_.camera() : nullptr;
        return camera != nullptr && camera->Session() != lostSession_ && camera->SessionOpen();
    };
    if (answers()) return true;
    if (!reconnectBySelf_ || !env_.reconnect) return false;
    env_.reconnect(CallDeadline(target > 0 ? target - kReconnectMarginSeconds / kSecondsPerDay : 0));
    return answers();
}

std::function<bool()> PhotographyRun::CallDeadline(double instant) {
    if (instant <= 0 || env_.flags.SimulationMode) return {};
    return [this, instant] { return Now() >= instant; };
}

double PhotographyRun::AheadOrNone(double instant) {
    return instant > Now() ? instant : 0;
}

bool RunWentToPlan(const RunSummary& s) {
    return !s.noTable && !s.aborted && s.picturesFailed == 0 && s.picturesLost == 0 &&
           s.settingsFailed == 0 && s.rowsSkipped == 0 && s.rowsLate == 0 && s.batchesFailed == 0 &&
           s.cameraLost == 0;
}

std::string RunSummaryText(const RunSummary& s) {
    const auto n = [](int count) { return std::to_string(count); };
    // A run without a camera simulated its pictures: it never says they were taken.
    std::string text = (s.simulated ? "pictures simulated " : "pictures taken ") + n(s.picturesTaken) +
                       ", failed " + n(s.picturesFailed) + ", skipped " + n(s.picturesSkipped) +
                       "; settings failed " + n(s.settingsFailed) + "; rows skipped " + n(s.rowsSkipped) +
                       "\n";
    text += "pictures lost " + n(s.picturesLost) + " (camera gone or no time left), camera lost " +
            n(s.cameraLost) + (s.cameraLost == 1 ? " time" : " times") + ", rows more than 1 s late " +
            n(s.rowsLate) + ", batch files not started " + n(s.batchesFailed) + "\n";
    if (s.rowsPast > 0) text += "rows past at the start, skipped " + n(s.rowsPast) + "\n";
    if (s.latestRow >= 0) {
        text += "latest start " + FixedText(s.latestStartSeconds, 3) + " s after its instant (row " +
                n(s.latestRow + 1) + ")\n";
    }
    if (s.aborted && !s.abortedDuring.empty()) text += "aborted while " + s.abortedDuring + "\n";
    if (s.shotLogFailed) text += "shot log: lines could not be written\n";
    if (s.cloudPlanAfterRow >= 0)
        text += "switched to the cloud plan after row " + n(s.cloudPlanAfterRow + 1) + ", from its row " +
                n(s.cloudPlanFromRow + 1) + "\n";
    text += s.aborted ? "run aborted\n" : "run finished\n";
    return text;
}

double AdvanceTimeOffset(std::string_view wannCaption, double systemJD) {
    const std::string_view text = wannCaption.size() > 4 ? wannCaption.substr(4) : std::string_view();
    const auto field = [&text](size_t first, size_t count) {
        return first - 1 < text.size() ? text.substr(first - 1, count) : std::string_view();
    };
    const auto integer = [&](size_t first, size_t count, long long fallback) {
        return ParseInteger(field(first, count)).value_or(fallback);
    };
    const auto decimal = [&](size_t first, size_t count) {
        return ParseDecimal(field(first, count)).value_or(0.0);
    };
    const double target =
        CalendarToJD(static_cast<int>(integer(1, 4, 1)), static_cast<int>(integer(6, 2, 1)),
                     static_cast<int>(integer(9, 2, 1)), decimal(12, 2), decimal(15, 2), decimal(18, 9) - 5);
    return target - systemJD;
}

double AdvancedTimeOffset(std::string_view wannCaption, double systemJD, double currentOffset) {
    return std::max(currentOffset, AdvanceTimeOffset(wannCaption, systemJD));
}

bool LoopPictureFits(int column, double nowJD, double endJD) {
    return nowJD + LoopPictureEstimateSeconds(column) / kSecondsPerDay < endJD;
}

std::string SoundBannerText(std::string_view fileName) {
    std::string text = Upper(Trimmed(fileName));
    if (const size_t wav = text.find(".WAV"); wav != std::string::npos) text.erase(wav);
    std::replace(text.begin(), text.end(), '-', ' ');
    std::replace(text.begin(), text.end(), '_', ' ');
    return text;
}

bool IsPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of("/\\:") == std::string_view::npos && name.find("..") == std::string_view::npos;
}

}  // namespace zelto
