#pragma once

#include <string>

// What the photography run needs from its surroundings besides the camera: the window's message
// loop, what the run page shows, and the system shell. The camera window implements them with Qt;
// tests and zelto-cli record them.

namespace zelto {

// Lets the window handle what is pending (clicks, the clock, the camera's messages) and returns.
class MessagePump {
  public:
    virtual ~MessagePump() = default;
    virtual void ProcessMessages() = 0;
};

// Starts a batch file without waiting for it. The file is the program itself: no shell parses its
// name. Returns false when it could not be started.
class Shell {
  public:
    virtual ~Shell() = default;
    virtual bool StartBatch(const std::string& path) = 0;
};

enum class RunKind { Real, Test };

enum class RunColour { White, Yellow, Red, Blue, Lime, ButtonFace };

// One thing the run did, for a log (zelto-cli prints one line per action).
struct RunAction {
    int row = -1;            // table row, −1 for the run as a whole
    double scheduledJD = 0;  // the instant the row waited for (0 when none)
    double startedJD = 0;    // the current time when the action started
    std::string text;        // "IQ JPGLarFin written", "picture 1/1000 taken", …
};

// How far a run is, for the eclipse-day view: told as each row begins waiting and after every action.
struct RunProgress {
    enum class Camera { Connected, Lost, Simulated };
    RunKind kind = RunKind::Real;
    int row = -1;  // the row the run is in (0-based), −1 before the first
    int rows = 0;
    std::string phase;       // the row's phase text
    double rowJD = 0;        // the instant the row waits for (0 when unknown)
    double nextRowJD = 0;    // the instant of the row after it (0 when none)
    std::string nextPhase;   // and its phase text
    std::string lastAction;  // "picture 1/1000 taken", … (empty as a row begins)
    Camera camera = Camera::Connected;
    int taken = 0;  // pictures taken (simulated ones in a simulated run)
    int lost = 0;
    int failed = 0;
    bool cloudPlanReady = false;  // a cloud plan is chosen and the run has not switched to it yet
};

// The "Eclipse Photography" page as the run sees it.
class RunView {
  public:
    virtual ~RunView() = default;
    virtual void SetPhase(const std::string& text) = 0;     // the row's phase
    virtual void SetRowInstant(const std::string& text) = 0;      // the row's instant ("at: …", "by: …")
    virtual void SetRowCountdown(const std::string& text) = 0;  // the countdown to it
    virtual void SetInfo(const std::string& text) = 0;      // the run's message
    virtual void SetInfoColour(RunColour font) = 0;         // and its colour
    virtual void SetStatus(const std::string& text) = 0;    // the status bar's text
    virtual void ShowBanner(const std::string& text) = 0;   // the sound row's banner, shown
    virtual void SetBannerColour(RunColour background) = 0;
    virtual void HideBanner() = 0;
    // Start: both runs can no longer be started and this run can be aborted. End: the reverse.
    virtual void SetRunning(RunKind kind, bool running) = 0;
    // Real run only: "Advance Time" and the rehearsal warnings shown at the start; at the end both
    // rehearsal controls and the warnings are hidden.
    virtual void ShowRehearsalControls(bool shown) = 0;
    virtual void Report(const RunAction& action) { (void)action; }
    virtual void ShowProgress(const RunProgress& progress) { (void)progress; }
    // The run's summary (RunSummaryText) at its end; empty at its start.
    virtual void ShowSummary(const std::string& text) { (void)text; }
};

// A run view without a run page: what only the page shows (phase, instant, countdown, banner, the
// buttons) goes nowhere, and the run's red message reaches RedInfo each time it changes. zelto-cli's
// lines, the state of the program's other cameras and the benchmarks use it.
class PagelessRunView : public RunView {
  public:
    void SetPhase(const std::string&) override {}
    void SetRowInstant(const std::string&) override {}
    void SetRowCountdown(const std::string&) override {}
    void SetInfo(const std::string& text) override {
        if (colour_ == RunColour::Red && !text.empty() && text != lastInfo_) RedInfo(text);
        lastInfo_ = text;
    }
    void SetInfoColour(RunColour font) override { colour_ = font; }
    void SetStatus(const std::string&) override {}
    void ShowBanner(const std::string&) override {}
    void SetBannerColour(RunColour) override {}
    void HideBanner() override {}
    void SetRunning(RunKind, bool) override {}
    void ShowRehearsalControls(bool) override {}

  protected:
    virtual void RedInfo(const std::string& text) { (void)text; }

  private:
    RunColour colour_ = RunColour::White;
    std::string lastInfo_;
};

}  // namespace zelto
