#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "camera/run_flags.h"
#include "camera/run_seams.h"
#include "eclipse_data/clock.h"
#include "eclipse_data/program_values.h"
#include "exposure/table.h"

namespace zelto {

class TAppMaster;
class SoundPlayer;

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
    TimeSource& time;                // TimeOffset: the rehearsal offset of a real run
    const WorkingFolders& folders;  // sounds in ResourceFolder, batch files in AppDataFolder
    std::function<TAppMaster*()> camera;
};

struct RunSummary {
    int picturesTaken = 0;
    int picturesFailed = 0;    // still refused after 5000 trials, or no camera any more
    int picturesSkipped = 0;   // a loop row's remaining time was too short
    int settingsFailed = 0;
    int rowsSkipped = 0;       // unreadable date-time
    double latestStartSeconds = 0;  // how late the latest row began after its instant
    int latestRow = -1;
    bool noTable = false;
    bool aborted = false;
    bool cameraLost = false;  // the camera was disconnected while the run went on
};

// The real run and the test run over the rows of an exposure table.
class PhotographyRun {
public:
    PhotographyRun(RunEnvironment environment, const ExposureTable& table);
    RunSummary Run(RunKind kind);

private:
    enum Setting : int { kIQ = 0, kISO = 1, kAv = 2, kTv = 3 };

    double Now();
    bool& AbortFlag();
    bool CheckAbort();  // true (and the run stops) when the flag is set
    std::string CellText(int column, int row) const;
    void Report(int row, double scheduledJD, double startedJD, const std::string& text);

    bool RowInstant(int row, double& instant);
    void ShowCountdown(double days);  // Label_WannDiff, written only when its text changes
    bool WaitFor(double instant);
    void BatchRow(int row);
    void SoundRow(int row);
    void PhotographRow(int row);
    void SingleShotRow(int row);
    void LoopRow(int row);
    void SettingStep(int row, Setting setting, int column);
    // `instant`: the row's instant, for a loop row its end.
    void TakeMarkedPicture(int row, int column, bool loopRow, double instant);
    uint32_t RetriedCall(const std::string& shortName, const std::string& simulationName, bool isWrite,
                         const std::function<uint32_t(TAppMaster&)>& call);
    uint32_t WriteSetting(Setting setting, uint32_t property, uint32_t code);
    void CameraGone();
    void EndStep();

    RunEnvironment env_;
    const ExposureTable& table_;
    RunKind kind_ = RunKind::Real;
    bool stopped_ = false;
    bool loopDone_ = false;
    int currentRow_ = -1;
    std::string shownCountdown_;
    std::array<int64_t, 4> lastCodes_{};
    RunSummary summary_;
};

// "Advance Time": the rehearsal offset that makes the clock stand 5 s before the instant shown in
// Label_Wann ("at: " or "by: " followed by date-time text with tenths). A field that does not read
// as a number counts as 1 for year, month and day and 0 for the time fields.
double AdvanceTimeOffset(std::string_view wannCaption, double systemJD);

// The loop row's test: a picture in shutter column c starts only when its estimated exposure plus
// 10 s of margin ends before the loop's end instant.
bool LoopPictureFits(int column, double nowJD, double endJD);

// The banner text of a sound row: upper case, cut at ".WAV", "-" and "_" as blanks.
std::string SoundBannerText(std::string_view fileName);

// A batch row may start only a plain file name inside the application-data folder.
bool IsPlainFileName(std::string_view name);

}  // namespace zelto
