#include "camera/run_engine.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

#include "camera/appmaster.h"
#include "camera/proptables.h"
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
constexpr double kSecondsPerDay = 86400.0;
constexpr double kMicrosecondsPerDay = 86400.0e6;
constexpr double kTestRowDelaySeconds = 0.5;
// A wait for an instant sleeps while the instant is further away than kSpinMicroseconds, waking at
// least every kWakeMicroseconds to let the window work, refresh the countdown and look at the abort
// flag; the last stretch is polled, so that the wait ends on the instant.
constexpr int64_t kSpinMicroseconds = 2000;
constexpr int64_t kWakeMicroseconds = 25000;

constexpr uint32_t kPropertyImageQuality = 0x100;
constexpr uint32_t kPropertyISO = 0x402;
constexpr uint32_t kPropertyAv = 0x405;
constexpr uint32_t kPropertyTv = 0x406;

// The run's own status for a camera call that found no camera any more.
constexpr uint32_t kNoCamera = 0x80;  // the library's "device not found"

const char* const kSettingNames[] = {"IQ", "ISO", "Av", "Tv"};

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string TvNameOfColumn(int column) {
    std::string title(kExposureColumnTitles[static_cast<size_t>(column)]);
    title.erase(std::remove(title.begin(), title.end(), ';'), title.end());
    return title;
}

}  // namespace

PhotographyRun::PhotographyRun(RunEnvironment environment, const ExposureTable& table)
    : env_(std::move(environment)), table_(table) {}

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
    return table_.Cell(column, row).value_or(std::string());
}

void PhotographyRun::Report(int row, double scheduledJD, double startedJD, const std::string& text) {
    env_.view.Report({row, scheduledJD, startedJD, text});
}

RunSummary PhotographyRun::Run(RunKind kind) {
    kind_ = kind;
    stopped_ = false;
    summary_ = RunSummary{};
    shownCountdown_.clear();
    RunFlags& flags = env_.flags;

    flags.SimulationMode = false;
    env_.view.SetInfoColour(RunColour::White);
    env_.view.SetInfo("");
    if (env_.camera() == nullptr) {
        flags.SimulationMode = true;
        env_.view.SetInfoColour(RunColour::Yellow);
        env_.view.SetInfo("Camera not connected! SIMULATION MODE enabled!");
    }
    if (table_.IsNoTable()) {
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
    lastCodes_.fill(-1);

    const int rows = table_.RowCount();  // taken once; rows are read one cell at a time
    for (int row = 0; row < rows && !stopped_; ++row) {
        if (row >= table_.RowCount()) {
            // Rows were deleted in the editor meanwhile: the table now ends here.
            Report(row, 0, Now(), "table ends at row " + std::to_string(row + 1) + ": rows were removed during the run");
            break;
        }
        currentRow_ = row;
        const std::string phase = Trimmed(CellText(kColumnPhase, row));
        if (phase.empty()) continue;
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
    EndStep();
    return summary_;
}

void PhotographyRun::EndStep() {
    env_.pump.ProcessMessages();
    if (kind_ == RunKind::Real) {
        env_.time.TimeOffset = 0;
        env_.view.ShowRehearsalControls(false);
    }
    env_.view.SetRunning(kind_, false);
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
            return false;
        }
        instant = *jd;
    }
    env_.view.SetWann("at: " + JDText(instant, 1));
    return true;
}

void PhotographyRun::ShowCountdown(double days) {
    std::string text = DayDiffText(1, days);
    if (text == shownCountdown_) return;  // the label changes ten times a second, not on every turn
    env_.view.SetWannDiff(text);
    shownCountdown_ = std::move(text);
}

bool PhotographyRun::WaitFor(double instant) {
    // A simulated clock may jump straight to the instant; the system clock ignores the hint.
    env_.clock.WaitingFor(kind_ == RunKind::Real ? instant - env_.time.TimeOffset : instant);
    for (;;) {
        const double now = Now();
        ShowCountdown(instant - now);
        env_.pump.ProcessMessages();
        if (CheckAbort()) return false;
        if (now >= instant) {
            const double late = (now - instant) * kSecondsPerDay;
            if (summary_.latestRow < 0 || late > summary_.latestStartSeconds) {
                summary_.latestStartSeconds = late;
                summary_.latestRow = currentRow_;
            }
            return true;
        }
        // The instant is on the UT clock and read afresh after every sleep, so a clock step (or
        // "Advance Time") is noticed at the next wake; the sleep itself runs on the monotonic clock.
        const auto ahead = static_cast<int64_t>((instant - Now()) * kMicrosecondsPerDay);
        if (ahead > kSpinMicroseconds) {
            env_.clock.SleepFor(std::chrono::microseconds(std::min(ahead - kSpinMicroseconds, kWakeMicroseconds)));
        } else {
            env_.clock.Yield();
        }
    }
}

void PhotographyRun::BatchRow(int row) {
    if (CheckAbort()) return;
    double instant = 0;
    if (!RowInstant(row, instant) || !WaitFor(instant)) return;
    const double started = Now();
    const std::string name = Trimmed(CellText(kColumnPhase, row));
    const std::string path = env_.folders.AppDataFolder + name;
    std::string outcome;
    if (!IsPlainFileName(name)) {
        outcome = "refused: only a plain file name in the application-data folder may be started";
    } else if (std::error_code error; !std::filesystem::is_regular_file(path, error)) {
        outcome = "not found in " + env_.folders.AppDataFolder;
    } else if (!env_.shell.StartBatch(path)) {
        outcome = "could not be started";
    } else {
        Report(row, instant, started, "batch " + name + " started");
        return;
    }
    env_.view.SetStatus("Batch file " + name + " " + outcome);
    Report(row, instant, started, "batch " + name + " " + outcome);
}

void PhotographyRun::SoundRow(int row) {
    if (CheckAbort()) return;
    double instant = 0;
    if (!RowInstant(row, instant) || !WaitFor(instant)) return;
    const double started = Now();
    const std::string name = Trimmed(CellText(kColumnPhase, row));
    if (env_.flags.SpokenCommands) env_.sound.Play(env_.folders.ResourceFolder + Lower(name));
    Report(row, instant, started, "sound " + Lower(name));

    env_.view.ShowBanner(SoundBannerText(name));
    const uint32_t start = env_.clock.TickMs();
    // The banner blinks for just over 5 s; an abort ends it early, so a stop request or a closing
    // window is never held up by it.
    do {
        env_.view.SetBannerColour(RunColour::Blue);
        env_.pump.ProcessMessages();
        Delay(env_.clock, kBannerBlinkMs);
        env_.view.SetBannerColour(RunColour::Lime);
        env_.pump.ProcessMessages();
        Delay(env_.clock, kBannerBlinkMs);
    } while (!AbortFlag() && static_cast<uint32_t>(env_.clock.TickMs() - start) <= kBannerMs);
    env_.view.HideBanner();
}

void PhotographyRun::PhotographRow(int row) {
    SettingStep(row, kIQ, kColumnQuality);
    if (stopped_) return;
    SettingStep(row, kISO, kColumnISO);
    if (stopped_) return;
    SettingStep(row, kAv, kColumnAperture);
    if (stopped_) return;
    const std::string phase = Trimmed(CellText(kColumnPhase, row));
    if (phase.size() >= 4 && Upper(phase.substr(0, 4)) == "LOOP") {
        LoopRow(row);
    } else {
        SingleShotRow(row);
    }
}

void PhotographyRun::SingleShotRow(int row) {
    if (CheckAbort()) return;
    double instant = 0;
    if (!RowInstant(row, instant) || !WaitFor(instant)) return;
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
        env_.view.SetWann("by: " + JDText(end, 1));
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
        // A row with no marked column (or none that fits) must still end at its instant.
        if (Now() >= end) loopDone_ = true;
    } while (kind_ == RunKind::Real && !loopDone_);
}

void PhotographyRun::SettingStep(int row, Setting setting, int column) {
    const std::string name = Trimmed(CellText(column, row));
    uint32_t code = 0;
    uint32_t property = 0;
    switch (setting) {
        case kIQ: code = IQCodeByName(name), property = kPropertyImageQuality; break;
        case kISO: code = ISOCodeByName(name), property = kPropertyISO; break;
        case kAv: code = AvCodeByName(name), property = kPropertyAv; break;
        case kTv: return;
    }
    if (code == 0 || static_cast<int64_t>(code) == lastCodes_[setting]) return;
    // Remembered before trying: a write that still fails after all trials is not repeated for the
    // following rows with the same value.
    lastCodes_[setting] = code;
    const double started = Now();
    const uint32_t status = WriteSetting(setting, property, code);
    Report(row, 0, started,
           std::string(kSettingNames[setting]) + " " + name + (status == 0 ? " written" : " failed: Sts=" + std::to_string(status)));
}

void PhotographyRun::TakeMarkedPicture(int row, int column, bool loopRow, double instant) {
    const std::string tvName = TvNameOfColumn(column);
    env_.view.SetInfo("IQ  : " + CellText(kColumnQuality, row) + "\r\n" + "ISO: " + CellText(kColumnISO, row) +
                      "\r\n" + "Av  : " + CellText(kColumnAperture, row) + "\r\n" + "Tv  : " + tvName);
    const uint32_t tvCode = TvCodeByName(tvName);
    if (static_cast<int64_t>(tvCode) != lastCodes_[kTv]) {
        lastCodes_[kTv] = tvCode;
        const double started = Now();
        const uint32_t status = WriteSetting(kTv, kPropertyTv, tvCode);
        Report(row, 0, started, "Tv " + tvName + (status == 0 ? " written" : " failed: Sts=" + std::to_string(status)));
        if (stopped_) return;
    }
    if (loopRow) {
        const double now = Now();
        if (!LoopPictureFits(column, now, instant)) {
            loopDone_ = true;
            ++summary_.picturesSkipped;
            Report(row, instant, now,
                   "picture " + tvName + " skipped: loop time left " + FixedText((instant - now) * kSecondsPerDay, 1) + " s");
            return;
        }
    }
    const double started = Now();
    // The shutter's simulation text: Tv in a single shot, IQ in a loop; the test run always says Tv.
    const std::string simulationName = kind_ == RunKind::Real && loopRow ? "IQ" : "Tv";
    const uint32_t status =
        RetriedCall("Picture", simulationName, false, [](TAppMaster& camera) { return camera.TakePicture(); });
    if (stopped_) return;
    if (status != 0) {
        env_.view.SetStatus("Failed to release!");
        ++summary_.picturesFailed;
    } else {
        env_.view.SetStatus(env_.flags.SimulationMode ? "Picture taken (SIMULATED)" : "Picture taken");
        ++summary_.picturesTaken;
    }
    Report(row, instant, started, "picture " + tvName + (status == 0 ? " taken" : " failed: Sts=" + std::to_string(status)));
    CheckAbort();
}

// One camera call, retried every 15 ms up to 5000 times while it fails. In simulation mode each trial
// shows its simulation text and takes 222 ms instead.
uint32_t PhotographyRun::RetriedCall(const std::string& shortName, const std::string& simulationName, bool isWrite,
                                     const std::function<uint32_t(TAppMaster&)>& call) {
    uint32_t status = 0;
    int trials = 0;
    do {
        ++trials;
        Delay(env_.clock, kTrialPauseMs);
        if (env_.flags.SimulationMode) {
            env_.view.SetStatus(simulationName + ": SIMULATION MODE");
            Delay(env_.clock, kSimulatedCallMs);
            status = 0;
        } else {
            TAppMaster* camera = env_.camera ? env_.camera() : nullptr;
            if (camera == nullptr) {
                CameraGone();
                return kNoCamera;
            }
            status = call(*camera);
            // Writes, and every picture of a test run, let the window catch up with the camera's messages.
            if (isWrite || kind_ == RunKind::Test) env_.pump.ProcessMessages();
            env_.view.SetStatus(shortName + ": Sts=" + std::to_string(status) + " Trials=" + std::to_string(trials));
        }
        if (CheckAbort()) return status;
    } while (status != 0 && trials < kMaxTrials);
    return status;
}

uint32_t PhotographyRun::WriteSetting(Setting setting, uint32_t property, uint32_t code) {
    const std::string name = kSettingNames[setting];
    const uint32_t status = RetriedCall(name, kind_ == RunKind::Test ? "Tv" : name, true,
                                        [property, code](TAppMaster& camera) { return camera.WriteProperty(property, code); });
    if (status != 0) ++summary_.settingsFailed;
    return status;
}

// The camera was disconnected while the run goes on. The run keeps its schedule (sounds, batch
// files, countdowns) and skips the camera steps; once a camera is connected again it is used, with
// every setting written afresh.
void PhotographyRun::CameraGone() {
    summary_.cameraLost = true;
    lastCodes_.fill(-1);
    env_.view.SetInfoColour(RunColour::Red);
    env_.view.SetInfo("Camera disconnected! Reconnect it: the run goes on.");
    env_.view.SetStatus("Camera disconnected");
}

double AdvanceTimeOffset(std::string_view wannCaption, double systemJD) {
    const std::string_view text = wannCaption.size() > 4 ? wannCaption.substr(4) : std::string_view();
    const auto field = [&text](size_t first, size_t count) {
        return first - 1 < text.size() ? text.substr(first - 1, count) : std::string_view();
    };
    const auto integer = [&](size_t first, size_t count, long long fallback) {
        return ParseInteger(field(first, count)).value_or(fallback);
    };
    const auto decimal = [&](size_t first, size_t count) { return ParseDecimal(field(first, count)).value_or(0.0); };
    const double target = CalendarToJD(static_cast<int>(integer(1, 4, 1)), static_cast<int>(integer(6, 2, 1)),
                                       static_cast<int>(integer(9, 2, 1)), decimal(12, 2), decimal(15, 2),
                                       decimal(18, 9) - 5);
    return target - systemJD;
}

bool LoopPictureFits(int column, double nowJD, double endJD) {
    const double exposureSeconds = 4e-6 * std::exp(0.691 * column) + 10;
    return nowJD + exposureSeconds / kSecondsPerDay < endJD;
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
