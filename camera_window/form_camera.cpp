#include "camera_window/form_camera.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextCursor>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdlib>

#include "camera/backend.h"
#include "camera/row_files.h"
#include "camera/run_start.h"
#include "camera/shot_log.h"
#include "camera/sound_player.h"
#include "exposure/table_match.h"
#include "platform/qt_text.h"
#include "window_dialogs/dialogs.h"

namespace zelto {

namespace {

constexpr int kWidth = 700;
constexpr int kHeight = 310;
// The sound banner lies right of the run and abort buttons, so that "Abort " stays reachable.
constexpr int kBannerLeft = 166;
constexpr int kBannerWidth = kWidth - 8 - kBannerLeft;
const char* const kRestingPlace = "restingPlace";

// Line breaks as the labels show them: CR LF, a lone CR or LF each make one break.
QString Lines(const std::string& text) {
    QString lines = ToQString(text);
    lines.replace("\r\n", "\n");
    lines.replace('\r', '\n');
    return lines;
}

QColor ColourOf(CameraLabelColour colour) {
    switch (colour) {
        case CameraLabelColour::Grey:
            return QColor(128, 128, 128);
        case CameraLabelColour::Black:
            return Qt::black;
        case CameraLabelColour::Red:
            return Qt::red;
    }
    return Qt::black;
}

QColor ColourOf(RunColour colour) {
    switch (colour) {
        case RunColour::White:
            return Qt::white;
        case RunColour::Yellow:
            return Qt::yellow;
        case RunColour::Red:
            return Qt::red;
        case RunColour::Blue:
            return QColor(96, 160, 255);  // light enough for the banner's black text (8:1; pure blue is 2.4:1)
        case RunColour::Lime:
            return QColor(0, 255, 0);
        case RunColour::ButtonFace:
            return QApplication::palette().color(QPalette::Button);
    }
    return Qt::white;
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void SetBack(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setAutoFillBackground(true);
    widget->setPalette(palette);
}

template <typename W>
W* Make(QWidget* parent, const char* name, const QRect& geometry) {
    auto* widget = new W(parent);
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    QLabel* label = Make<QLabel>(parent, name, geometry);
    label->setText(text);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    QPushButton* button = Make<QPushButton>(parent, name, geometry);
    button->setText(text);
    return button;
}

}  // namespace

TForm_Camera::TForm_Camera(Services services, QWidget* parent)
    : QMainWindow(parent), s_(std::move(services)) {
    setObjectName("Form_Camera");
    setWindowTitle("Zelto - Camera Form");
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    messageBox_ = [this](const std::string& caption, const std::string& text) {
        ShowMessageBox(this, caption, text);
    };
    question_ = [this](const std::string& caption, const std::string& text,
                       const std::vector<std::string>& buttons, int defaultButton,
                       std::function<void(int)> answer) {
        AskQuestion(this, caption, text, buttons, defaultButton, std::move(answer));
    };
    openFile_ = [](const std::string& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(ToQString(path)));
    };
    SharedVariables& shared = s_.shared;
    control_ = std::make_unique<CameraControl>(
        CameraControl::Services{shared.folders, shared.program, shared.flags, shared.time, shared.camera,
                                s_.clock, *this, s_.sdk, this, s_.computer, s_.usbPower, s_.mounter});
    BuildWidgets();
    Create();
}

TForm_Camera::~TForm_Camera() = default;

void TForm_Camera::BuildWidgets() {
    auto* client = new QWidget(this);
    client->setObjectName("Form_Camera_Client");
    setCentralWidget(client);
    statusBar()->setObjectName("StatusBar1");
    statusBar()->setSizeGripEnabled(false);
    noSoundLabel_ = AddNoSoundOutputLine(statusBar(), s_.sound.HasOutput());

    connectionPanel_ = Make<QFrame>(client, "Panel_Camera_Connection", QRect(0, 0, kWidth, 36));
    connectionPanel_->setFrameShape(QFrame::StyledPanel);
    connectButton_ =
        MakeButton(connectionPanel_, "Button_Connect", "Connect Camera", QRect(8, 6, 130, 24));
    disconnectButton_ =
        MakeButton(connectionPanel_, "Button_Disconnect", "Disconnect Camera", QRect(146, 6, 130, 24));
    cameraLine_ = MakeLabel(connectionPanel_, "LabelA", "Camera :", QRect(290, 6, 400, 24));
    SetTextColour(cameraLine_, ColourOf(CameraLabelColour::Grey));
    cameraChoice_ = Make<QComboBox>(connectionPanel_, "ComboBox_Camera", QRect(500, 6, 192, 24));
    cameraChoice_->setToolTip("Camera");
    cameraChoice_->hide();
    connect(cameraChoice_, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { control_->ChooseCamera(index); });

    pages_ = Make<QTabWidget>(client, "PageControl1", QRect(0, 38, kWidth, 230));
    interactivePage_ = new QWidget;
    interactivePage_->setObjectName("TabSheet1");
    seriesPage_ = new QWidget;
    seriesPage_->setObjectName("TabSheet2");
    runPage_ = new QWidget;
    runPage_->setObjectName("TabSheet3");
    pages_->addTab(interactivePage_, "Interactive Camera Tests");
    pages_->addTab(seriesPage_, "Advanced Camera Tests");
    pages_->addTab(runPage_, "Eclipse Photography");

    // Page 1: the settings lists and the release button.
    interactiveHelp_ =
        MakeLabel(interactivePage_, "Label_Test1_Expl",
                  "Changing the settings on the PC or camera should be reflected on the camera or PC.",
                  QRect(8, 4, 680, 18));
    messageLine1_ = MakeLabel(interactivePage_, "Label6", ".", QRect(8, 26, 300, 18));
    messageLine2_ = MakeLabel(interactivePage_, "Label7", ".", QRect(8, 46, 300, 18));
    messageLine3_ = MakeLabel(interactivePage_, "Label8", ".", QRect(8, 66, 300, 18));
    const auto list = [&](const char* name, const char* caption, int x) {
        MakeLabel(interactivePage_, (std::string(name) + "_Caption").c_str(), caption, QRect(x, 96, 120, 18));
        QComboBox* box = Make<QComboBox>(interactivePage_, name, QRect(x, 116, 120, 24));
        box->setToolTip(caption);
        return box;
    };
    qualityList_ = list("ComboBox_IQ", "Image Quality", 8);
    aeModeList_ = list("ComboBox_AEmode", "AE Mode", 136);
    isoList_ = list("ComboBox_ISO", "ISO Speed", 264);
    apertureList_ = list("ComboBox_Av", "Av", 392);
    shutterList_ = list("ComboBox_Tv", "Tv", 520);
    aeModeList_->setEnabled(false);
    for (EdsPropertyID property :
         {kEdsPropImageQuality, kEdsPropAEMode, kEdsPropISOSpeed, kEdsPropAv, kEdsPropTv}) {
        // Only a choice by the user runs the change handler; selections made by the program do not.
        connect(ListOf(property), qOverload<int>(&QComboBox::activated), this,
                [this, property](int) { control_->ListChanged(property); });
    }
    releaseButton_ = MakeButton(interactivePage_, "SpeedButton_Release", "Release", QRect(560, 30, 100, 40));
    releaseButton_->setEnabled(false);
    connect(releaseButton_, &QPushButton::clicked, this, &TForm_Camera::OnRelease);
    // The camera's port: held by another program (with "Release it"), or suspended by the kernel.
    portNote_ = MakeLabel(interactivePage_, "Label_PortNote", "", QRect(8, 146, 540, 52));
    portNote_->setWordWrap(true);
    portNote_->setTextInteractionFlags(Qt::TextSelectableByMouse);  // the fix's command can be copied
    SetTextColour(portNote_, ColourOf(CameraLabelColour::Red));
    releaseFromDesktopButton_ =
        MakeButton(interactivePage_, "Button_ReleaseCamera", "Release it", QRect(560, 150, 100, 28));
    releaseFromDesktopButton_->setToolTip("Unmount the camera from the desktop, then connect again");
    releaseFromDesktopButton_->hide();
    connect(releaseFromDesktopButton_, &QPushButton::clicked, this, &TForm_Camera::OnReleaseFromDesktop);

    // Page 2: the test series.
    seriesHelp_ = MakeLabel(seriesPage_, "Label_Test2_Expl",
                                 "When pressing this button, 5 exposures (with actual settings) will be "
                                 "taken and stored in the camera.",
                                 QRect(8, 4, 680, 36));
    seriesHelp_->setWordWrap(true);
    seriesReport_ = Make<QPlainTextEdit>(seriesPage_, "Memo_Test2", QRect(8, 44, 420, 150));
    seriesReport_->setReadOnly(true);
    seriesReport_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    fivePicturesButton_ =
        MakeButton(seriesPage_, "Button_take_5_pictures", "Take 5 pictures", QRect(440, 44, 130, 28));
    ninePicturesButton_ =
        MakeButton(seriesPage_, "Button_take_9_pictures", "Take 9 pictures", QRect(440, 80, 130, 28));
    abortSeriesButton_ = MakeButton(seriesPage_, "Button_Abort2", "Abort", QRect(440, 150, 130, 28));
    fivePicturesButton_->setEnabled(false);
    ninePicturesButton_->setEnabled(false);
    abortSeriesButton_->setEnabled(false);
    for (QPushButton* button : {fivePicturesButton_, ninePicturesButton_}) {
        button->setMouseTracking(true);
        button->installEventFilter(this);
    }
    connect(fivePicturesButton_, &QPushButton::clicked, this, &TForm_Camera::OnTakeFivePictures);
    connect(ninePicturesButton_, &QPushButton::clicked, this, &TForm_Camera::OnTakeNinePictures);
    connect(abortSeriesButton_, &QPushButton::clicked, this, &TForm_Camera::OnAbortSeries);

    // Page 3: the photography runs.
    startRunButton_ =
        MakeButton(runPage_, "Button_Start_Eclipse_Photography", "", QRect(8, 8, 150, 44));
    startRunCaption_ = MakeLabel(runPage_, "Label_Start_Eclipse_Photography",
                                                "Start Eclipse\nPhotography", QRect(12, 12, 142, 36));
    testRunButton_ =
        MakeButton(runPage_, "Button_Test_Eclipse_Photography", "", QRect(8, 100, 150, 44));
    testRunCaption_ = MakeLabel(runPage_, "Label_Test_Eclipse_Photography",
                                               "Test Eclipse\nPhotography", QRect(12, 104, 142, 36));
    for (QLabel* label : {startRunCaption_, testRunCaption_}) {
        label->setAlignment(Qt::AlignCenter);
        label->setProperty(kRestingPlace, label->pos());
        label->installEventFilter(this);
    }
    startRunButton_->setToolTip("Start Eclipse Photography");
    testRunButton_->setToolTip("Test Eclipse Photography");
    abortRunButton_ = MakeButton(runPage_, "Button_Abort_Foto", "Abort ", QRect(8, 56, 150, 24));
    abortTestRunButton_ = MakeButton(runPage_, "Button_Abort_Test", "Abort ", QRect(8, 148, 150, 24));
    abortRunButton_->setEnabled(false);
    abortTestRunButton_->setEnabled(false);
    connect(startRunButton_, &QPushButton::pressed, this,
            [this] { PressCaption(startRunCaption_, true); });
    connect(testRunButton_, &QPushButton::pressed, this,
            [this] { PressCaption(testRunCaption_, true); });
    connect(startRunButton_, &QPushButton::clicked, this,
            &TForm_Camera::OnStartRun);
    connect(testRunButton_, &QPushButton::clicked, this,
            &TForm_Camera::OnStartTestRun);
    connect(abortRunButton_, &QPushButton::clicked, this, &TForm_Camera::OnAbortRun);
    connect(abortTestRunButton_, &QPushButton::clicked, this, &TForm_Camera::OnAbortTestRun);

    phaseLabel_ = MakeLabel(runPage_, "Label_Phase", "", QRect(170, 8, 300, 20));
    rowInstantLabel_ = MakeLabel(runPage_, "Label_Wann", "", QRect(170, 30, 300, 20));
    rowCountdownLabel_ = MakeLabel(runPage_, "Label_WannDiff", "", QRect(170, 52, 300, 20));
    runMessageLabel_ = MakeLabel(runPage_, "Label_Info", "", QRect(170, 76, 300, 80));
    runMessageLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    runMessageLabel_->setWordWrap(true);  // a long red message wraps instead of being cut
    SetBack(runMessageLabel_, Qt::black);
    SetTextColour(runMessageLabel_, Qt::white);
    // The last run's summary, where the rehearsal controls stand during a run (made before them, so
    // that it lies beneath); shown only between runs.
    runSummaryLabel_ = MakeLabel(runPage_, "Label_RunSummary", "", QRect(480, 8, 210, 190));
    runSummaryLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    runSummaryLabel_->setWordWrap(true);
    runSummaryLabel_->hide();
    QFont bannerFont = font();
    bannerFont.setPointSize(20);
    bannerFont.setBold(true);
    soundBanner_ = MakeLabel(runPage_, "Label_WAV_Meldung", "", QRect(kBannerLeft, 70, 2, 60));
    soundBanner_->setFont(bannerFont);
    soundBanner_->setAlignment(Qt::AlignCenter);
    soundBanner_->hide();
    rehearsalWarning_ = MakeLabel(runPage_, "Label_Advance1", "", QRect(480, 8, 210, 120));
    rehearsalWarning_->setWordWrap(true);
    rehearsalNote_ = MakeLabel(runPage_, "Label_Advance2", "Rehearsal Time", QRect(480, 130, 210, 18));
    advanceTimeButton_ = MakeButton(runPage_, "BitBtn_Advance", "Advance Time", QRect(480, 152, 100, 26));
    realTimeButton_ = MakeButton(runPage_, "BitBtn_RealTime", "Back to Real Time", QRect(586, 152, 104, 26));
    // Wide enough for their captions whatever the font: "Back to Real Time" ends at the page's right
    // margin, "Advance Time" stands left of it.
    const int realTimeWidth = std::max(104, realTimeButton_->sizeHint().width());
    const int advanceWidth = std::max(90, advanceTimeButton_->sizeHint().width());
    realTimeButton_->setGeometry(kWidth - 8 - realTimeWidth, 152, realTimeWidth, 26);
    advanceTimeButton_->setGeometry(realTimeButton_->x() - 6 - advanceWidth, 152, advanceWidth, 26);
    connect(advanceTimeButton_, &QPushButton::clicked, this, &TForm_Camera::OnAdvanceTime);
    connect(realTimeButton_, &QPushButton::clicked, this, &TForm_Camera::OnBackToRealTime);
    openShotLogButton_ =
        MakeButton(runPage_, "Button_Open_Shot_Log", "Open shot log", QRect(170, 160, 120, 24));
    openShotLogButton_->setToolTip(
        "The shot log of the latest run: one line per action, for a spreadsheet");
    openShotLogButton_->setEnabled(false);
    connect(openShotLogButton_, &QPushButton::clicked, this, &TForm_Camera::OnOpenShotLog);
    cloudPlanButton_ = MakeButton(runPage_, "Button_Cloud_Plan", "Cloud plan...", QRect(296, 160, 84, 24));
    cloudPlanButton_->setToolTip("Choose a second table before the run: the one to go on with if clouds come");
    connect(cloudPlanButton_, &QPushButton::clicked, this, &TForm_Camera::OnChooseCloudPlan);
    cloudSwitchButton_ = MakeButton(runPage_, "Button_Cloud_Switch", "Clouds! (F9)", QRect(384, 160, 88, 24));
    cloudSwitchButton_->setToolTip("Switch the run to the cloud plan from its next row (key F9, in any window)");
    // F9 works whichever page or window is in front: on the day the main window may be.
    auto* cloudKey = new QShortcut(QKeySequence(Qt::Key_F9), this);
    cloudKey->setContext(Qt::ApplicationShortcut);
    connect(cloudKey, &QShortcut::activated, this, &TForm_Camera::OnSwitchToCloudPlan);
    cloudSwitchButton_->setEnabled(false);
    connect(cloudSwitchButton_, &QPushButton::clicked, this, &TForm_Camera::OnSwitchToCloudPlan);

    // The hidden save-folder panel.
    saveFolderPanel_ = Make<QFrame>(client, "Panel2", QRect(0, 268, kWidth, 20));
    MakeLabel(saveFolderPanel_, "Label_SaveFolder", "Save Folder", QRect(4, 0, 80, 20));
    saveFolderEdit_ = Make<QLineEdit>(saveFolderPanel_, "Edit1", QRect(88, 0, 360, 20));
    downloadProgress_ = Make<QProgressBar>(saveFolderPanel_, "ProgressBar1", QRect(456, 0, 160, 20));
    downloadProgress_->setRange(0, 100);
    downloadProgress_->setValue(0);
    saveFolderButton_ = MakeButton(saveFolderPanel_, "SpeedButton1", "...", QRect(624, 0, 30, 20));
    saveFolderPanel_->hide();

    // Hints: the status bar shows the hint of the control under the mouse.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        const QString hint = button->toolTip().isEmpty() ? button->text().trimmed() : button->toolTip();
        button->setToolTip(hint);
        button->setStatusTip(hint);
    }
    for (QComboBox* box : findChildren<QComboBox*>()) box->setStatusTip(box->toolTip());

    connect(connectButton_, &QPushButton::clicked, this, &TForm_Camera::OnConnect);
    connect(disconnectButton_, &QPushButton::clicked, this, &TForm_Camera::OnDisconnect);
    connect(pages_, &QTabWidget::currentChanged, this, [this](int) { OnPageChanged(); });
}

void TForm_Camera::Create() {
    for (EdsPropertyID property : {kEdsPropImageQuality, kEdsPropISOSpeed, kEdsPropAv, kEdsPropTv})
        ListOf(property)->clear();
    rehearsalWarning_->setText(
        "WARNING: Pressing \"Advance Time\" sets the program into Rehearsal Time mode!\n"
        "Rehearsal Time is set to 5 sec before the next Time entry in the Exposure Table.\n"
        "After the tests, press the \"Back to Real Time\" button.");
    setFixedSize(kWidth, kHeight);
    // Horizontally centred, its top 340 pixels above the bottom of the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - kWidth) / 2, area.y() + area.height() - 340);
    }
    {
        const QSignalBlocker quiet(pages_);
        pages_->setCurrentIndex(0);
    }
    advanceTimeButton_->hide();
    advanceTimeButton_->setEnabled(false);
    realTimeButton_->hide();
    realTimeButton_->setEnabled(false);
    rehearsalWarning_->hide();
    rehearsalNote_->hide();
}

void TForm_Camera::OnPageChanged() {
    setFixedHeight(kHeight);
}

QComboBox* TForm_Camera::ListOf(EdsPropertyID property) const {
    switch (property) {
        case kEdsPropImageQuality:
            return qualityList_;
        case kEdsPropAEMode:
            return aeModeList_;
        case kEdsPropISOSpeed:
            return isoList_;
        case kEdsPropAv:
            return apertureList_;
        case kEdsPropTv:
            return shutterList_;
        default:
            return nullptr;
    }
}

// --- connection page -------------------------------------------------------------------------------

void TForm_Camera::OnConnect() {
    // During a connect this click cancels it, which must reach the call that waits.
    if (control_->Connecting()) {
        control_->Connect();
        return;
    }
    WhenNoCallWaits([this] { control_->Connect(); });
}
void TForm_Camera::OnReleaseFromDesktop() {
    control_->ReleaseHeldCamera();
}
void TForm_Camera::OnDisconnect() {
    if (control_->Connecting()) {
        control_->Disconnect();
        return;
    }
    WhenNoCallWaits([this] { control_->Disconnect(); });
}
void TForm_Camera::OnRelease() {
    control_->Release();
}

void TForm_Camera::WhenNoCallWaits(std::function<void()> action) {
    if (!s_.cameraCallWaiting || !s_.cameraCallWaiting()) {
        action();
        return;
    }
    QTimer::singleShot(20, this,
                       [this, action = std::move(action)]() mutable { WhenNoCallWaits(std::move(action)); });
}

bool TForm_Camera::RunGoingOn() const {
    const CameraActivity activity = s_.shared.flags.Activity;
    return activity == CameraActivity::Run || activity == CameraActivity::TestRun;
}

void TForm_Camera::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (RunGoingOn()) {
        // Asked first; the window closes once the run has ended, its shot log finished.
        if (stopQuestionOpen_ || closeAfterRun_ || !question_) return;
        stopQuestionOpen_ = true;
        question_("Zelto", kStopRunQuestion, {kKeepRunningButton, kStopAndCloseButton}, 0,
                  [this](int choice) {
                      stopQuestionOpen_ = false;
                      if (choice != 1 || !RunGoingOn()) return;
                      closeAfterRun_ = true;
                      s_.shared.flags.AbortRunRequested = s_.shared.flags.AbortTestRequested = true;
                  });
        return;
    }
    if (control_->Connecting()) {
        control_->Disconnect();  // cancels the connect; the window closes when it has ended
        QTimer::singleShot(20, this, &QWidget::close);
        return;
    }
    if (s_.cameraCallWaiting && s_.cameraCallWaiting()) {
        QTimer::singleShot(20, this, &QWidget::close);
        return;
    }
    control_->Close();
    event->accept();
}

void TForm_Camera::SetSaveFolder(const std::string& text) {
    saveFolderEdit_->setText(ToQString(text));
}
std::string TForm_Camera::SaveFolder() const {
    return ToUtf8(saveFolderEdit_->text());
}

void TForm_Camera::SetConnectionLabel(const std::string& text, CameraLabelColour colour) {
    SetTextColour(cameraLine_, ColourOf(colour));
    cameraLine_->setText(ToQString(text));
}

void TForm_Camera::SetMessageLines(const std::string& line6, CameraLabelColour colour6,
                                   const std::string& line7, const std::string& line8) {
    SetTextColour(messageLine1_, ColourOf(colour6));
    messageLine1_->setText(ToQString(line6));
    messageLine2_->setText(ToQString(line7));
    messageLine3_->setText(ToQString(line8));
}

void TForm_Camera::SetStatus(const std::string& text) {
    statusBar()->showMessage(ToQString(text));
}

void TForm_Camera::ProcessMessages() {
    QCoreApplication::processEvents();
}

void TForm_Camera::SetReleaseEnabled(bool enabled) {
    releaseButton_->setEnabled(enabled);
}

void TForm_Camera::SetSeriesEnabled(bool enabled) {
    // Never while a run goes on (a connect during a run enables them otherwise).
    enabled = enabled && s_.shared.flags.Activity == CameraActivity::None;
    fivePicturesButton_->setEnabled(enabled);
    ninePicturesButton_->setEnabled(enabled);
}

void TForm_Camera::SetSeriesAbortEnabled(bool enabled) {
    abortSeriesButton_->setEnabled(enabled);
}
void TForm_Camera::SetSaveButtonEnabled(bool enabled) {
    saveFolderButton_->setEnabled(enabled);
}

void TForm_Camera::FillList(EdsPropertyID property, const std::vector<SettingItem>& items) {
    QComboBox* box = ListOf(property);
    const QSignalBlocker quiet(box);
    box->clear();
    for (const SettingItem& item : items) box->addItem(ToQString(item.name), QVariant::fromValue(item.code));
    box->setCurrentIndex(-1);
}

void TForm_Camera::SelectItem(EdsPropertyID property, int index) {
    QComboBox* box = ListOf(property);
    const QSignalBlocker quiet(box);
    box->setCurrentIndex(index);
}

int TForm_Camera::SelectedItem(EdsPropertyID property) const {
    return ListOf(property)->currentIndex();
}

void TForm_Camera::ShowMessage(const std::string& text) {
    if (messageBox_) messageBox_("Zelto", text);
}

void TForm_Camera::ShowManualModeMessage(const std::string& caption, const std::string& text) {
    if (messageBox_) messageBox_(caption, text);
}

void TForm_Camera::SetProgress(int percent) {
    downloadProgress_->setValue(percent);
}

void TForm_Camera::SetConnecting(bool connecting) {
    connectButton_->setText(connecting ? "Cancel Connect" : "Connect Camera");
    disconnectButton_->setEnabled(!connecting);
    cameraChoice_->setEnabled(!connecting);
}

void TForm_Camera::ShowPortNote(const std::string& text, bool offerRelease) {
    portNote_->setText(ToQString(text));
    releaseFromDesktopButton_->setVisible(offerRelease);
}

void TForm_Camera::SetCameraChoice(const std::vector<std::string>& cameras, int chosen) {
    const QSignalBlocker quiet(cameraChoice_);
    cameraChoice_->clear();
    for (const std::string& camera : cameras) cameraChoice_->addItem(ToQString(camera));
    cameraChoice_->setCurrentIndex(chosen);
    cameraChoice_->setVisible(!cameras.empty());
    // The connection label gives the list the panel's right end while it is shown.
    cameraLine_->setFixedWidth(cameras.empty() ? 400 : 206);
}

// --- camera messages -------------------------------------------------------------------------------

void TForm_Camera::Post(const CameraMessage& message) {
    QCoreApplication::postEvent(this, new CameraEvent(message));
}

bool TForm_Camera::event(QEvent* event) {
    const int type = event->type();
    if (type >= QEvent::User + 1 && type <= QEvent::User + 4) {
        control_->HandleMessage(static_cast<CameraEvent*>(event)->message());
        return true;
    }
    return QMainWindow::event(event);
}

// --- test series -----------------------------------------------------------------------------------

ShotsEnvironment TForm_Camera::ShotsEnv() {
    return {s_.clock, *this, s_.shared.flags, [this] { return control_->Master(); }};
}

void TForm_Camera::OnTakeFivePictures() {
    TakeFivePictures(ShotsEnv());
}
void TForm_Camera::OnTakeNinePictures() {
    TakeNinePictures(ShotsEnv());
}
void TForm_Camera::OnAbortSeries() {
    s_.shared.flags.AbortShotsRequested = true;
}

void TForm_Camera::ClearReport() {
    seriesReport_->clear();
}
void TForm_Camera::AddReportLine(const std::string& line) {
    seriesReport_->appendPlainText(ToQString(line));
}

void TForm_Camera::SetSeriesRunning(bool running, bool focusReport) {
    SetRunStartsEnabled(!running);  // no run starts while a series goes on
    if (running) {
        abortSeriesButton_->setEnabled(true);
        releaseButton_->hide();
        SetSeriesEnabled(false);
        return;
    }
    QTextCursor cursor = seriesReport_->textCursor();
    cursor.movePosition(QTextCursor::Start);
    seriesReport_->setTextCursor(cursor);
    // A series ended by a disconnect leaves them disabled, as the disconnect did.
    SetSeriesEnabled(control_->Master() != nullptr);
    releaseButton_->show();
    pages_->currentWidget()->show();
    if (focusReport) seriesReport_->setFocus();
    abortSeriesButton_->setEnabled(false);
}

bool TForm_Camera::eventFilter(QObject* watched, QEvent* event) {
    // The explanation follows the series button under the mouse, which also takes the focus.
    if ((event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) &&
        (watched == fivePicturesButton_ || watched == ninePicturesButton_)) {
        auto* button = static_cast<QPushButton*>(watched);
        button->setFocus();
        seriesHelp_->setText(watched == fivePicturesButton_
                                      ? "When pressing this button, 5 exposures (with actual settings) will "
                                        "be taken and stored in the camera."
                                      : "When pressing this button, 9 exposures (increasing exposure times) "
                                        "will be taken and stored in the "
                                        "camera. After this test, check the image data on the camera.");
    }
    // A caption label acts as its run button: pressed it sinks by a pixel, released it clicks.
    if (watched == startRunCaption_ || watched == testRunCaption_) {
        auto* label = static_cast<QLabel*>(watched);
        QPushButton* button = label == startRunCaption_ ? startRunButton_
                                                                       : testRunButton_;
        if (event->type() == QEvent::MouseButtonPress && label->isEnabled()) {
            PressCaption(label, true);
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease && label->isEnabled()) {
            if (button->isEnabled()) button->click();
            PressCaption(label, false);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm_Camera::PressCaption(QLabel* label, bool pressed) {
    const QPoint rest = label->property(kRestingPlace).toPoint();
    label->move(pressed ? rest + QPoint(1, 1) : rest);
}

// --- photography runs ------------------------------------------------------------------------------

void TForm_Camera::StartRun(RunKind kind) {
    PressCaption(kind == RunKind::Real ? startRunCaption_ : testRunCaption_,
                 false);
    const ExposureTable& table = table_ ? *table_ : noTable_;
    if (table.IsNoTable() || s_.shared.flags.Activity != CameraActivity::None) {
        BeginRun(kind, RunStart::AllRows);  // says what is missing, or that another run goes on
        return;
    }
    // No second start while the questions are open.
    SetRunStartsEnabled(false);
    AskCamera([this, kind, &table] {
        AskTableMatch(table, [this, kind, &table] {
            if (kind == RunKind::Test) {
                BeginRun(kind, RunStart::AllRows);
                return;
            }
            AskTableFindings(table, [this, kind, &table] {
                AskRunStart(table, [this, kind](RunStart start) { BeginRun(kind, start); });
            });
        });
    });
}

void TForm_Camera::AskCamera(std::function<void()> then) {
    if (control_->Master() != nullptr) return then();
    if (!question_) return SetRunStartsEnabled(true);
    // A run never simulates unasked: without a camera its pictures would only be pretended.
    question_("Zelto", kNoCameraQuestion, {"Connect camera", "Simulate", "Cancel"}, 0,
              [this, then = std::move(then)](int choice) {
                  if (choice == 0) control_->Connect();
                  if (choice == 1 || (choice == 0 && control_->Master() != nullptr)) return then();
                  SetRunStartsEnabled(true);  // cancelled, or the connect says why it failed
              });
}

void TForm_Camera::BeginRun(RunKind kind, RunStart start) {
    const ExposureTable& table = table_ ? *table_ : noTable_;
    SharedVariables& shared = s_.shared;
    // Every run appends its actions to a shot log named after its start; a log that cannot be
    // written is said in the status bar and the run goes on without it.
    ShotLogFile shotLog;
    const double startJD = s_.clock.NowJD() + (kind == RunKind::Real ? shared.time.TimeOffset : 0);
    const std::string path = shared.folders.AppDataFolder + ShotLogFileName(startJD, kind);
    std::string why;
    const bool logged = !table.IsNoTable() && shotLog.Open(path, &why);
    if (logged) {
        shotLogPath_ = path;
        openShotLogButton_->setEnabled(true);
    }
    RunEnvironment environment{
        s_.clock,
        *this,
        *this,
        s_.sound,
        s_.shell,
        shared.flags,
        shared.time,
        shared.folders,
        [this] { return control_->Master(); },
        [this](std::function<bool()> deadline) { control_->Reconnect(std::move(deadline)); },
        s_.rowStarting,
        logged ? &shotLog : nullptr};
    // A log that cannot be opened is said before the run as after it; the run goes on without it.
    const std::string notOpened = why.empty() ? std::string() : "Shot log: cannot write " + path + ": " + why;
    if (!notOpened.empty()) SetStatus(notOpened);
    PhotographyRun run(environment, table);
    runGoingOn_ = kind == RunKind::Real ? &run : nullptr;
    cloudSwitchButton_->setEnabled(runGoingOn_ != nullptr && cloudPlan_.has_value());
    const RunSummary summary = run.Run(kind, start);
    runGoingOn_ = nullptr;
    cloudSwitchButton_->setEnabled(false);
    if (!notOpened.empty()) SetStatus(notOpened);
    // A log that lost lines is not offered as the run's record.
    if (summary.shotLogFailed) {
        openShotLogButton_->setEnabled(false);
        SetStatus("Shot log: lines could not be written to " + path);
    }
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        close();
    }
}

void TForm_Camera::OnChooseCloudPlan() {
    ChooseFileToOpen(this, "Cloud plan: the table for clouds", s_.shared.folders.DocumentsFolder,
                     [this](const std::string& path) {
                         if (!path.empty()) LoadCloudPlan(path);
                     });
}

bool TForm_Camera::LoadCloudPlan(const std::string& path) {
    TableFileReading reading = LoadExposureTable(path);
    if (!reading.opened || reading.malformedLine != 0) {
        SetStatus("Cloud plan not loaded: " + reading.message);
        return false;
    }
    cloudPlan_ = std::move(reading.table);
    cloudPlanButton_->setToolTip(ToQString("Cloud plan: " + path));
    SetStatus("Cloud plan: " + path + " (F9 switches a run to it)");
    cloudSwitchButton_->setEnabled(runGoingOn_ != nullptr);
    return true;
}

void TForm_Camera::OnSwitchToCloudPlan() {
    if (runGoingOn_ == nullptr || !cloudPlan_) return;
    runGoingOn_->SwitchToCloudPlan(*cloudPlan_);
    cloudSwitchButton_->setEnabled(false);  // once per run
}

void TForm_Camera::SwitchToCloudPlan() { OnSwitchToCloudPlan(); }

// The table check before a real run: its findings are listed and the user decides.
void TForm_Camera::AskTableFindings(const ExposureTable& table, std::function<void()> then) {
    const SharedVariables& shared = s_.shared;
    const std::vector<TableFinding> findings = CheckExposureTable(
        table, TableCheckInputFor(shared.folders, shared.eclipse.GreatestEclipseJD,
                                  CameraTimingOf(CameraBackendSetting())));
    if (findings.empty()) return then();
    if (!question_) return SetRunStartsEnabled(true);
    std::string text = "The table check found:\n";
    constexpr size_t kMostListed = 12;
    for (size_t i = 0; i < findings.size() && i < kMostListed; ++i) text += findings[i].text + "\n";
    if (findings.size() > kMostListed)
        text += "... and " + std::to_string(findings.size() - kMostListed) + " more (the exposure window lists them).\n";
    question_("Zelto", text + "\nStart the run all the same?", {"Start anyway", "Cancel"}, 1,
              [this, then = std::move(then)](int choice) {
                  if (choice == 0) return then();
                  SetRunStartsEnabled(true);
              });
}

void TForm_Camera::AskTableMatch(const ExposureTable& table, std::function<void()> then) {
    const SharedVariables& shared = s_.shared;
    const TableFileSite current = TableSiteOf(shared.site, shared.eclipse.SelectedEclipse);
    const TableFileSite& made = tableSite_ ? *tableSite_ : current;
    const TableMatch match = CheckTableMatch(made, table, current, shared.eclipse.GreatestEclipseJD);
    if (match.Matches()) {
        then();
        return;
    }
    if (!question_) return SetRunStartsEnabled(true);
    question_("Zelto", match.Text() + "\n\nStart the run all the same?", {"Start anyway", "Cancel"}, 1,
              [this, then = std::move(then)](int choice) {
                  if (choice == 0) return then();
                  SetRunStartsEnabled(true);
              });
}

void TForm_Camera::AskRunStart(const ExposureTable& table, std::function<void(RunStart)> then) {
    const size_t past = PastRows(table, s_.clock.NowJD() + s_.shared.time.TimeOffset).size();
    if (past == 0) return then(RunStart::AllRows);
    if (!question_) return SetRunStartsEnabled(true);
    const double now = s_.clock.NowJD() + s_.shared.time.TimeOffset;
    const std::string n = std::to_string(past);
    // Starting from now is what a late start usually wants: Enter chooses it.
    question_("Zelto", PastRowsQuestion(table, now, past),
              {"Run the " + n + " past rows at once", "Start from now (skip " + n + " past rows)", "Cancel"},
              1, [this, then = std::move(then)](int choice) {
                  if (choice == 0 || choice == 1)
                      return then(choice == 1 ? RunStart::FromNow : RunStart::AllRows);
                  SetRunStartsEnabled(true);
              });
}

void TForm_Camera::OnOpenShotLog() {
    if (shotLogPath_.empty() || !openFile_) return;
    // Without a program for CSV files the user still learns where the log is.
    if (!openFile_(shotLogPath_))
        ShowMessage("No program here opens the shot log. It is in\n" + shotLogPath_);
}

void TForm_Camera::OnStartRun() {
    StartRun(RunKind::Real);
}
void TForm_Camera::OnStartTestRun() {
    StartRun(RunKind::Test);
}
void TForm_Camera::OnAbortRun() {
    s_.shared.flags.AbortRunRequested = true;
}
void TForm_Camera::OnAbortTestRun() {
    s_.shared.flags.AbortTestRequested = true;
}

void TForm_Camera::OnAdvanceTime() {
    // During a rehearsal (a real run going on) the clock only moves forwards.
    const std::string wann = ToUtf8(rowInstantLabel_->text());
    s_.shared.time.TimeOffset = s_.shared.flags.Activity == CameraActivity::Run
                                    ? AdvancedTimeOffset(wann, s_.clock.NowJD(), s_.shared.time.TimeOffset)
                                    : AdvanceTimeOffset(wann, s_.clock.NowJD());
    const QColor back = ColourOf(s_.shared.time.TimeOffset != 0 ? RunColour::Red : RunColour::ButtonFace);
    SetBack(rehearsalWarning_, back);
    SetBack(rehearsalNote_, back);
    if (s_.shared.time.TimeOffset != 0) {
        realTimeButton_->show();
        realTimeButton_->setEnabled(true);
    }
}

void TForm_Camera::OnBackToRealTime() {
    s_.shared.time.TimeOffset = 0;
    realTimeButton_->hide();
}

void TForm_Camera::SetPhase(const std::string& text) {
    phaseLabel_->setText(ToQString(text));
}
void TForm_Camera::SetRowInstant(const std::string& text) {
    rowInstantLabel_->setText(ToQString(text));
}
void TForm_Camera::SetRowCountdown(const std::string& text) {
    rowCountdownLabel_->setText(ToQString(text));
}
void TForm_Camera::SetInfo(const std::string& text) {
    runMessageLabel_->setText(Lines(text));
}
void TForm_Camera::SetInfoColour(RunColour font) {
    SetTextColour(runMessageLabel_, ColourOf(font));
}

void TForm_Camera::ShowSummary(const std::string& text) {
    runSummaryLabel_->setText(ToQString(text).trimmed());
    runSummaryLabel_->setVisible(!text.empty());
}

void TForm_Camera::ShowBanner(const std::string& text) {
    soundBanner_->setFixedWidth(kBannerWidth);
    soundBanner_->setText(ToQString(text));
    soundBanner_->show();
    soundBanner_->raise();
}

void TForm_Camera::SetBannerColour(RunColour background) {
    SetBack(soundBanner_, ColourOf(background));
}

void TForm_Camera::HideBanner() {
    soundBanner_->setFixedWidth(2);
    soundBanner_->hide();
}

void TForm_Camera::SetRunStartsEnabled(bool enabled) {
    for (QWidget* widget : {static_cast<QWidget*>(startRunButton_),
                            static_cast<QWidget*>(startRunCaption_),
                            static_cast<QWidget*>(testRunButton_),
                            static_cast<QWidget*>(testRunCaption_)}) {
        widget->setEnabled(enabled);
    }
}

void TForm_Camera::SetRunning(RunKind kind, bool running) {
    SetRunStartsEnabled(!running);
    // The run reconnects a lost camera by itself: no connect, disconnect or other camera meanwhile.
    connectButton_->setEnabled(!running);
    disconnectButton_->setEnabled(!running);
    cameraChoice_->setEnabled(!running);
    cloudPlanButton_->setEnabled(!running);  // the plan a run may switch to stays as it is
    (kind == RunKind::Real ? abortRunButton_ : abortTestRunButton_)->setEnabled(running);
    // No test series while a run goes on; afterwards they follow the connection again.
    SetSeriesEnabled(!running && control_->Master() != nullptr);
    if (s_.runProgress) {
        RunProgress starting;
        starting.kind = kind;
        s_.runProgress(running ? std::optional<RunProgress>(starting) : std::nullopt);
    }
}

void TForm_Camera::ShowProgress(const RunProgress& progress) {
    if (!s_.runProgress) return;
    RunProgress shown = progress;
    shown.cloudPlanReady = cloudSwitchButton_->isEnabled();
    s_.runProgress(shown);
}

void TForm_Camera::ShowRehearsalControls(bool shown) {
    if (shown) {
        advanceTimeButton_->show();
        advanceTimeButton_->setEnabled(true);
        rehearsalWarning_->show();
        rehearsalNote_->show();
        return;
    }
    for (QPushButton* button : {advanceTimeButton_, realTimeButton_}) {
        button->setEnabled(false);
        button->hide();
    }
    rehearsalWarning_->hide();
    rehearsalNote_->hide();
}

}  // namespace zelto
