#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "camera/body_run.h"
#include "circumstances/parameter_file.h"

// The cameras besides the camera window's own: each kept camera with a table of its own is found on a
// port the window's camera is not on, recognised by its serial number, and runs its table on a thread
// of its own, on the program's clock, while the window's camera runs the exposure window's table. One
// of them lost, busy or stuck holds neither the window nor another camera.

namespace zelto {

// The kept cameras another run drives: those with a table that are not the camera window's own (the
// one whose serial is `windowSerial`).
std::vector<KeptCamera> OtherCamerasOf(const std::vector<KeptCamera>& kept, const std::string& windowSerial);
// The name kept for the camera window's own body; empty when it has none.
std::string WindowCameraName(const std::vector<KeptCamera>& kept, const std::string& windowSerial);

// What the program shows of one other camera.
struct OtherCameraState {
    std::string name;
    std::string table;                    // its table file
    std::string serial;                   // learnt when its body was found; empty before
    std::string line;                     // how its body was found, or why it does not run
    std::optional<RunProgress> progress;  // its run as it goes
    std::string info;                     // the run's latest red message or camera library text
    std::string summary;                  // RunSummaryText at its end
    std::string shotLog;                  // its shot log; empty when none is written
    bool running = false;                 // found, and its run has not ended
};

// One camera's state in a few words: how far its run is, with its counts, how it ended, or why it
// does not run ("row 5/40 · 12 taken, 0 lost, 0 failed · camera lost").
std::string OtherCameraStateText(const OtherCameraState& state);

class OtherCameras {
  public:
    struct Start {
        std::vector<KeptCamera> cameras;     // OtherCamerasOf the kept ones
        std::string backend;                 // "virtual" or "gphoto2"
        std::vector<std::string> elsewhere;  // the ports of the window's camera: never taken
        RunKind kind = RunKind::Test;
        RunStart start = RunStart::AllRows;
        std::string shotLogPath;  // the window run's log; each camera's is named after it
        double timeOffset = 0;    // the rehearsal offset when the runs start
        BodyFaultReading faults;  // rehearsed on virtual bodies
        // Each run on a simulated clock of its own (tests); empty: the shared clock.
        std::function<std::unique_ptr<FakeClock>()> simulatedClock = {};
    };

    OtherCameras(Clock& clock, const WorkingFolders& folders, Shell& shell);
    ~OtherCameras();  // every run asked to stop, and waited for
    OtherCameras(const OtherCameras&) = delete;
    OtherCameras& operator=(const OtherCameras&) = delete;

    // Starts every camera of `start` on threads of their own (the runs of an earlier start must have
    // ended). `changed` is told, on any thread, each time a camera's state changed.
    void Begin(Start start, std::function<void()> changed);
    void Stop();                        // asks every run to stop, as "Abort" does
    void SetTimeOffset(double offset);  // the rehearsal's clock moved forwards
    bool GoingOn() const;               // a camera is still being found or run
    std::vector<OtherCameraState> States() const;

  private:
    class StateView;
    void FindAndRun(Start start);
    void Change(size_t index, const std::function<void(OtherCameraState&)>& change);

    Clock& clock_;
    const WorkingFolders& folders_;
    Shell& shell_;
    std::function<void()> changed_;
    mutable std::mutex mutex_;
    std::vector<OtherCameraState> states_;
    std::atomic<bool> goingOn_ = false;
    std::atomic<bool> stopAsked_ = false;
    std::atomic<double> timeOffset_ = 0;
    std::thread thread_;
};

}  // namespace zelto
