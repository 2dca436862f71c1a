#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "camera/run_flags.h"
#include "eclipse_data/clock.h"

// The two test series of the "Advanced Camera Tests" page: five releases as fast as the camera takes
// them with their times, and nine releases with retries shown in the status bar.

namespace zelto {

class TAppMaster;

// The page as a series sees it.
class ShotsView {
  public:
    virtual ~ShotsView() = default;
    virtual void ClearReport() = 0;  // the series' report
    virtual void AddReportLine(const std::string& line) = 0;
    virtual void SetStatus(const std::string& text) = 0;
    // Start: Release hidden, both series buttons disabled, Abort enabled. End: the reverse, the
    // report's caret at its start; focusReport gives the report the focus.
    virtual void SetSeriesRunning(bool running, bool focusReport) = 0;
    // Lets the window handle pending clicks and camera messages between pictures.
    virtual void ProcessMessages() = 0;
};

struct ShotsEnvironment {
    Clock& clock;
    ShotsView& view;
    RunFlags& flags;                      // AbortShotsRequested
    std::function<TAppMaster*()> camera;  // null once the camera is disconnected
};

struct SeriesResult {
    int asked = 0;
    int taken = 0;
    bool aborted = false;
    bool cameraLost = false;  // disconnected during the series: it ended before the next release
    bool refused = false;     // a run or another series was going on: nothing was done
};

SeriesResult TakeFivePictures(const ShotsEnvironment& environment);
// Nine releases, each with the next of NineShutterSpeeds written first (then the actual speed again);
// each report line names the speed its picture was taken with.
SeriesResult TakeNinePictures(const ShotsEnvironment& environment);

class TCamera;
// The nine shutter speeds of the nine-picture series, by increasing exposure time: from the camera's
// actual speed on, one allowed step each. Empty when the camera gives no speeds or its actual one is
// not among them.
std::vector<uint32_t> NineShutterSpeeds(const TCamera& camera);

}  // namespace zelto
