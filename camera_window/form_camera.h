#pragma once

#include <QEvent>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "camera/camera_control.h"
#include "camera/run_engine.h"
#include "camera/run_seams.h"
#include "camera/test_shots.h"
#include "eclipse_data/clock.h"
#include "exposure/table.h"
#include "exposure/table_file.h"
#include "state/variables.h"
#include "window_dialogs/dialogs.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace zelto {

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
    // A photography run or test run is going on.
    bool RunGoingOn() const;

    CameraControl& control() { return *control_; }

    // Handlers, named after their control and event; public so the program and tests reach them.
    void PageControl1Change();
    void Button_ConnectClick();
    void Button_DisconnectClick();
    void Button_ReleaseCameraClick();
    void SpeedButton_ReleaseClick();
    void Button_take_5_picturesClick();
    void Button_take_9_picturesClick();
    void Button_Abort2Click();
    void Button_Start_Eclipse_PhotographyClick();
    void Button_Test_Eclipse_PhotographyClick();
    void Button_Abort_FotoClick();
    void Button_Abort_TestClick();
    void BitBtn_AdvanceClick();
    void BitBtn_RealTimeClick();
    void Button_Open_Shot_LogClick();
    // The cloud plan: "Cloud plan..." chooses a second table before the run; "Switch to cloud plan"
    // (F9) makes the real run going on carry it out from its next row.
    void Button_Cloud_PlanClick();
    bool LoadCloudPlan(const std::string& path);  // false (and said in the status bar) when unreadable
    void Button_Cloud_SwitchClick();

    // --- CameraWindowView ---
    void SetSaveFolder(const std::string& text) override;
    std::string SaveFolder() const override;
    void SetConnectionLabel(const std::string& text, CameraLabelColour colour) override;
    void SetMessageLines(const std::string& line6, CameraLabelColour colour6, const std::string& line7,
                         const std::string& line8) override;
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
    void SetWann(const std::string& text) override;
    void SetWannDiff(const std::string& text) override;
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

  private:
    void BuildWidgets();
    void FormCreate();
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
    void AskRunStart(const ExposureTable& table, std::function<void(RunStart)> then);
    // Runs `action` once no camera call waits any more (at once when none does).
    void WhenNoCallWaits(std::function<void()> action);
    void PressCaption(QLabel* label, bool pressed);

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

    // Controls, by their component names; tests find them by object name.
    QFrame* Panel_Camera_Connection = nullptr;
    QPushButton* Button_Connect = nullptr;
    QPushButton* Button_Disconnect = nullptr;
    QLabel* LabelA = nullptr;
    QLabel* Label_NoSound = nullptr;       // in the status line, while the computer has no sound output
    QComboBox* ComboBox_Camera = nullptr;  // shown when several cameras were found
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QLabel* Label_Test1_Expl = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QComboBox* ComboBox_IQ = nullptr;
    QComboBox* ComboBox_AEmode = nullptr;
    QComboBox* ComboBox_ISO = nullptr;
    QComboBox* ComboBox_Av = nullptr;
    QComboBox* ComboBox_Tv = nullptr;
    QPushButton* SpeedButton_Release = nullptr;
    QLabel* Label_PortNote = nullptr;
    QPushButton* Button_ReleaseCamera = nullptr;
    QWidget* TabSheet2 = nullptr;
    QLabel* Label_Test2_Expl = nullptr;
    QPlainTextEdit* Memo_Test2 = nullptr;
    QPushButton* Button_take_5_pictures = nullptr;
    QPushButton* Button_take_9_pictures = nullptr;
    QPushButton* Button_Abort2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QPushButton* Button_Start_Eclipse_Photography = nullptr;
    QLabel* Label_Start_Eclipse_Photography = nullptr;
    QPushButton* Button_Test_Eclipse_Photography = nullptr;
    QLabel* Label_Test_Eclipse_Photography = nullptr;
    QPushButton* Button_Abort_Foto = nullptr;
    QPushButton* Button_Abort_Test = nullptr;
    QLabel* Label_Phase = nullptr;
    QLabel* Label_Wann = nullptr;
    QLabel* Label_WannDiff = nullptr;
    QLabel* Label_Info = nullptr;
    QLabel* Label_WAV_Meldung = nullptr;
    QLabel* Label_RunSummary = nullptr;
    QLabel* Label_Advance1 = nullptr;
    QLabel* Label_Advance2 = nullptr;
    QPushButton* BitBtn_Advance = nullptr;
    QPushButton* BitBtn_RealTime = nullptr;
    QPushButton* Button_Open_Shot_Log = nullptr;
    QPushButton* Button_Cloud_Plan = nullptr;
    QPushButton* Button_Cloud_Switch = nullptr;
    QFrame* Panel2 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* SpeedButton1 = nullptr;
};

}  // namespace zelto
