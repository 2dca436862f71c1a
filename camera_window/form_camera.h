#pragma once

#include <QEvent>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "camera/camera_control.h"
#include "camera/other_cameras.h"
#include "camera/run_engine.h"
#include "camera/run_seams.h"
#include "camera/test_shots.h"
#include "eclipse_data/clock.h"
#include "exposure/table.h"
#include "exposure/table_file.h"
#include "state/variables.h"
#include "window_dialogs/dialogs.h"
#include "window_dialogs/window_fit.h"

class QComboBox;
class QFrame;
class QLabel;
class QLayout;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace zelto {

class CameraListPage;
class SoundPlayer;

// The camera library's events and texts as window events: 0x401 … 0x404 become QEvent::User + 1 … + 4.
class CameraEvent final : public QEvent {
  public:
    explicit CameraEvent(const CameraMessage& message)
        : QEvent(static_cast<QEvent::Type>(QEvent::User + static_cast<int>(message.message - 0x400))),
          message_(message) {}
    const CameraMessage& message() const { return message_; }

  private:
    CameraMessage message_;
};

// The camera window: connection panel, "Interactive Camera Tests", "Advanced Camera Tests" and
// "Eclipse Photography" pages, the hidden save-folder panel and the status bar. Every control's
// objectName is its component name. The rules live in camera/ (CameraControl, the test series, the
// photography run); the window copies their results into its controls.
class TForm_Camera final : public QMainWindow,
                           public CameraWindowView,
                           public ShotsView,
                           public RunView,
                           public MessagePump,
                           public CameraMessageSink {
    Q_OBJECT

  public:
    struct Services {
        SharedVariables& shared;
        Clock& clock;
        SoundPlayer& sound;
        Shell& shell;
        std::function<EdsSdk&()> sdk;                   // the camera library, made on first connect
        std::function<ComputerInformation()> computer;  // the camera log's computer section
        std::function<void(int row)> rowStarting = {};  // told as a run reaches each row (fault rehearsal)
        // A camera call waits for its answer (the window is in its wait turn): what would free the
        // session under it (a disconnect, closing) waits until it has returned.
        std::function<bool()> cameraCallWaiting = {};
        UsbPowerReader* usbPower = nullptr;  // the camera port's autosuspend (not owned)
        MountReleaser* mounter = nullptr;    // the desktop's camera mounter (not owned)
        // Told how far a run is (the eclipse-day view); nullopt when a run has ended.
        std::function<void(const std::optional<RunProgress>&)> runProgress = {};
        // Told how the other cameras' runs go: this window's camera's name beside them, a line per
        // other camera ("Wide: row 5/40 · 12 taken, 0 lost, 0 failed") and whether any still runs.
        std::function<void(const std::string& windowCamera, const std::vector<std::string>& lines,
                           bool running)>
            otherCameras = {};
        BodyFaultReading otherCameraFaults = {};  // rehearsed on the other cameras (virtual ones)
        // Each other camera's run on a simulated clock of its own (tests); empty: the program's clock.
        std::function<std::unique_ptr<FakeClock>()> simulatedClock = {};
    };
    explicit TForm_Camera(Services services, QWidget* parent = nullptr);
    ~TForm_Camera() override;
    // "Clouds!" (F9) from elsewhere (the day view): the run goes on with the cloud plan from its next row.
    void SwitchToCloudPlan();

    // The table the runs carry out (the exposure window's); without one a run finds "no table".
    void SetExposureTable(const ExposureTable* table) { table_ = table; }
    // The site and eclipse that table was made for (the exposure window's), compared with the main
    // window's before a run; without one only the table's day is checked.
    void SetExposureTableSite(const TableFileSite* site) { tableSite_ = site; }
    // Replaceable for tests: a question with its buttons and the one Enter chooses, answered later by
    // the index of the button chosen (−1 when the box was closed), and opening a file with the
    // desktop's program for it.
    void SetQuestion(QuestionFn ask) { question_ = std::move(ask); }
    // Opening a file answers false when no program could open it.
    void SetOpenFile(std::function<bool(const std::string&)> open) { openFile_ = std::move(open); }
    // The shot log of the latest run; empty before the first.
    const std::string& shotLogPath() const { return shotLogPath_; }
    // Replaceable for tests: message boxes (caption, text).
    void SetMessageBox(std::function<void(const std::string&, const std::string&)> show) {
        messageBox_ = std::move(show);
    }
    // A photography run or test run is going on, on this window's camera or another.
    bool RunGoingOn() const;
    CameraListPage& camerasPage() { return *camerasPage_; }

    CameraControl& control() { return *control_; }

    // The fonts of a form size, then the window sized to its layout within `room`.
    void SetFormSize(FormSize size, QSize room);
    // The colours this window sets itself, again for the night mode now on or off; called by itself
    // when the program's style sheet changes (ApplyNightMode).
    void ApplyNightColours();

    // Handlers, named after what they answer; public so the program and tests reach them.
    void OnConnect();
    void OnDisconnect();
    void OnReleaseFromDesktop();
    void OnRelease();
    void OnTakeFivePictures();
    void OnTakeNinePictures();
    void OnAbortSeries();
    void OnStartRun();
    void OnStartTestRun();
    void OnAbortRun();
    void OnAbortTestRun();
    void OnAdvanceTime();
    void OnBackToRealTime();
    void OnOpenShotLog();
    // The cloud plan: "Cloud plan..." chooses a second table before the run; "Switch to cloud plan"
    // (F9) makes the real run going on carry it out from its next row.
    void OnChooseCloudPlan();
    bool LoadCloudPlan(const std::string& path);  // false (and said in the status bar) when unreadable
    void OnSwitchToCloudPlan();

    // --- CameraWindowView ---
    void SetSaveFolder(const std::string& text) override;
    std::string SaveFolder() const override;
    void SetConnectionLabel(const std::string& text, CameraLabelColour colour) override;
    void SetMessageLines(const std::string& message, CameraLabelColour colour, const std::string& hint,
                         const std::string& advice) override;
    void SetStatus(const std::string& text) override;
    void ProcessMessages() override;
    void SetReleaseEnabled(bool enabled) override;
    void SetSeriesEnabled(bool enabled) override;
    void SetSeriesAbortEnabled(bool enabled) override;
    void SetSaveButtonEnabled(bool enabled) override;
    void FillList(EdsPropertyID property, const std::vector<SettingItem>& items) override;
    void SelectItem(EdsPropertyID property, int index) override;
    int SelectedItem(EdsPropertyID property) const override;
    void ShowMessage(const std::string& text) override;
    void ShowManualModeMessage(const std::string& caption, const std::string& text) override;
    void SetProgress(int percent) override;
    void SetCameraChoice(const std::vector<std::string>& cameras, int chosen) override;
    void SetConnecting(bool connecting) override;
    void ShowPortNote(const std::string& text, bool offerRelease) override;

    // --- ShotsView ---
    void ClearReport() override;
    void AddReportLine(const std::string& line) override;
    void SetSeriesRunning(bool running, bool focusReport) override;

    // --- RunView ---
    void SetPhase(const std::string& text) override;
    void SetRowInstant(const std::string& text) override;
    void SetRowCountdown(const std::string& text) override;
    void SetInfo(const std::string& text) override;
    void SetInfoColour(RunColour font) override;
    void ShowBanner(const std::string& text) override;
    void SetBannerColour(RunColour background) override;
    void HideBanner() override;
    void SetRunning(RunKind kind, bool running) override;
    void ShowRehearsalControls(bool shown) override;
    void ShowSummary(const std::string& text) override;
    void ShowProgress(const RunProgress& progress) override;

    // --- CameraMessageSink: any thread ---
    void Post(const CameraMessage& message) override;

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void BuildWidgets();
    QWidget* BuildConnectionPanel();
    QWidget* BuildPages();
    void BuildInteractivePage();
    QLayout* BuildSettingsLists();
    QLayout* BuildPortNote();
    void BuildSeriesPage();
    void BuildRunPage();
    QLayout* BuildRunStarts();
    QLayout* BuildRunStatus();
    QLayout* BuildRunTools();
    QLayout* BuildRehearsal();
    QWidget* BuildSaveFolderPanel();
    void SetHints();
    void Create();
    void ReserveTextRoom();
    void PlaceOnScreen();
    QComboBox* ListOf(EdsPropertyID property) const;
    ShotsEnvironment ShotsEnv();
    void StartRun(RunKind kind);
    void BeginRun(RunKind kind, RunStart start);
    void SetRunStartsEnabled(bool enabled);  // both run buttons and their caption labels
    // The questions before a run: a table for another site, eclipse or day, and rows already past.
    // Each calls `then` when the answer lets the run start; a cancel enables the run buttons again.
    void AskCamera(std::function<void()> then);  // no camera connected: connect, simulate or cancel
    void AskTableFindings(const ExposureTable& table, std::function<void()> then);
    void AskTableMatch(const ExposureTable& table, std::function<void()> then);
    // The other cameras' tables: unreadable, made for another site, eclipse or day, or (real run)
    // with findings of the table check.
    void AskOtherCameraTables(RunKind kind, std::function<void()> then);
    void AskRunStart(const ExposureTable& table, std::function<void(RunStart)> then);
    // Runs `action` once no camera call waits any more (at once when none does).
    void WhenNoCallWaits(std::function<void()> action);
    void PressCaption(QLabel* label, bool pressed);
    // The other cameras with a table on the "Cameras" page, and this camera's name beside them.
    std::vector<KeptCamera> OtherCamerasForRun();
    // The other cameras named on the "Cameras" page start with this window's run, each its own shot log
    // named after `shotLog` (none when empty).
    void StartOtherCameras(RunKind kind, RunStart start, std::vector<KeptCamera> cameras,
                           const std::string& shotLog);
    void OnOtherCamerasChanged();  // on the window's thread
    void ShowSummaries();          // this camera's summary, then a block per other camera

    Services s_;
    std::unique_ptr<CameraControl> control_;
    const ExposureTable* table_ = nullptr;
    const TableFileSite* tableSite_ = nullptr;
    QuestionFn question_;
    std::function<bool(const std::string&)> openFile_;
    std::string shotLogPath_;
    ExposureTable noTable_;
    std::optional<ExposureTable> cloudPlan_;
    PhotographyRun* runGoingOn_ = nullptr;  // the real run carried out now
    std::function<void(const std::string&, const std::string&)> messageBox_;
    bool closeAfterRun_ = false;     // "Stop and close" was chosen: the window closes when the run has ended
    bool stopQuestionOpen_ = false;  // the question before closing during a run is open
    std::unique_ptr<OtherCameras> otherCameras_;
    // This window's camera as its log, summary and the day view name it beside other cameras: its
    // kept name, else its model; empty when it runs alone.
    std::string windowCameraName_;
    std::string windowSummary_;  // this camera's latest run summary

    // Controls, by their component names; tests find them by object name.
    QFrame* connectionPanel_ = nullptr;
    QPushButton* connectButton_ = nullptr;
    QPushButton* disconnectButton_ = nullptr;
    QLabel* cameraLine_ = nullptr;
    QLabel* noSoundLabel_ = nullptr;       // in the status line, while the computer has no sound output
    QComboBox* cameraChoice_ = nullptr;  // shown when several cameras were found
    QTabWidget* pages_ = nullptr;
    QWidget* interactivePage_ = nullptr;
    QLabel* interactiveHelp_ = nullptr;
    QLabel* connectionMessage_ = nullptr;  // what became of the connection, in its colour
    QLabel* connectionHint_ = nullptr;     // what to check
    QLabel* connectionAdvice_ = nullptr;   // what to do then
    QComboBox* qualityList_ = nullptr;
    QComboBox* aeModeList_ = nullptr;
    QComboBox* isoList_ = nullptr;
    QComboBox* apertureList_ = nullptr;
    QComboBox* shutterList_ = nullptr;
    QPushButton* releaseButton_ = nullptr;
    QLabel* portNote_ = nullptr;
    QPushButton* releaseFromDesktopButton_ = nullptr;
    QWidget* seriesPage_ = nullptr;
    QLabel* seriesHelp_ = nullptr;
    QPlainTextEdit* seriesReport_ = nullptr;
    QPushButton* fivePicturesButton_ = nullptr;
    QPushButton* ninePicturesButton_ = nullptr;
    QPushButton* abortSeriesButton_ = nullptr;
    QWidget* runPage_ = nullptr;
    QPushButton* startRunButton_ = nullptr;
    QLabel* startRunCaption_ = nullptr;
    QPushButton* testRunButton_ = nullptr;
    QLabel* testRunCaption_ = nullptr;
    QPushButton* abortRunButton_ = nullptr;
    QPushButton* abortTestRunButton_ = nullptr;
    QLabel* phaseLabel_ = nullptr;
    QLabel* rowInstantLabel_ = nullptr;
    QLabel* rowCountdownLabel_ = nullptr;
    QLabel* runMessageLabel_ = nullptr;
    QLabel* soundBanner_ = nullptr;
    QLabel* runSummaryLabel_ = nullptr;
    QLabel* rehearsalWarning_ = nullptr;
    QLabel* rehearsalNote_ = nullptr;
    QPushButton* advanceTimeButton_ = nullptr;
    QPushButton* realTimeButton_ = nullptr;
    QPushButton* openShotLogButton_ = nullptr;
    QPushButton* cloudPlanButton_ = nullptr;
    QPushButton* cloudSwitchButton_ = nullptr;
    QLabel* otherCamerasLine_ = nullptr;  // the other cameras' states during a run
    CameraListPage* camerasPage_ = nullptr;
    QFrame* saveFolderPanel_ = nullptr;
    QLineEdit* saveFolderEdit_ = nullptr;
    QProgressBar* downloadProgress_ = nullptr;
    QPushButton* saveFolderButton_ = nullptr;
};

}  // namespace zelto
