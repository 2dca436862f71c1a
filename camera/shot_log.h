#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "camera/run_seams.h"

// The shot log: what a photography run really did, one CSV line per action (a picture, a skipped
// row, a sound, a batch file), written while the run goes on and flushed line by line, so that a run
// that crashes or is killed keeps every line before it. It opens in a spreadsheet as it is: a header
// line, comma-separated fields (quoted only when they hold a comma, a quote or a line break), UT
// instants as "YYYY-MM-DD HH:MM:SS.mmm", CR LF line ends.

namespace zelto {

// SettingFailed: a setting the camera did not take (its own line, before the picture it was for);
// Simulated: a picture of a run without a camera, never counted as taken.
enum class ShotResult { Taken, Failed, Lost, Skipped, Sound, Batch, Aborted, SettingFailed, Simulated, Switched };
std::string_view ShotResultText(ShotResult result);  // "taken", "failed", "lost", "setting failed", ...

struct ShotRecord {
    int row = -1;            // table row from 0; the log numbers rows from 1, as zelto-cli does
    std::string phase;       // cell 1
    double scheduledJD = 0;  // the row's instant (a loop row's end); 0 when none
    double firstCallJD = 0;  // the first camera call made for this action (a setting or the shutter)
    double shutterJD = 0;    // the shutter call whose result counts
    std::string settings;    // the settings written for it, "IQ JPGLarFin; ISO 100; Tv 1/1000"
    ShotResult result = ShotResult::Taken;
    std::string note;        // the shutter speed, the file, or why the row was skipped
    int trials = 0;          // camera calls the action took (a busy camera is tried again); 0: none
    bool simulated = false;  // the run had no camera
};

inline constexpr const char* kShotLogHeader =
    "row,phase,scheduled UT,first camera call UT,shutter call UT,settings written,result,note,trials,simulated";

// One line without its line end.
std::string ShotLogLine(const ShotRecord& record);
// A UT instant to the millisecond, "2024-04-08 18:16:17.312"; empty for 0.
std::string ShotLogTime(double jd);
// The log's file name after the run's start: "ShotLog_2024-04-08_181547.csv", a test run's with "_test".
std::string ShotLogFileName(double startJD, RunKind kind);

// Where a run writes its log. The run works without one.
class ShotLog {
public:
    virtual ~ShotLog() = default;
    virtual void Write(const ShotRecord& record) = 0;
    virtual bool failed() const { return false; }  // a line could not be written (a full disk)
};

// A log file, appended to (a new file starts with the header line); every line is flushed at once.
class ShotLogFile final : public ShotLog {
public:
    ShotLogFile() = default;
    ShotLogFile(const ShotLogFile&) = delete;
    ShotLogFile& operator=(const ShotLogFile&) = delete;
    ~ShotLogFile() override;

    // False, with the reason in `why`, when the file cannot be opened for appending.
    bool Open(const std::string& path, std::string* why = nullptr);
    // The camera of a run of several: given before Open, the header gets a last field "camera" and
    // every line carries this name there.
    void SetCameraName(const std::string& name) { cameraName_ = name; }
    void Write(const ShotRecord& record) override;
    const std::string& path() const { return path_; }
    bool failed() const override { return failed_; }

private:
    std::FILE* file_ = nullptr;
    std::string path_;
    std::string cameraName_;
    bool failed_ = false;
};

}  // namespace zelto
