#include "camera_window/form_camera.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextCursor>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>

#include "camera/backend.h"
#include "camera/other_cameras.h"
#include "camera/row_files.h"
#include "camera/run_start.h"
#include "camera/shot_log.h"
#include "camera/sound_player.h"
#include "camera_window/camera_list_page.h"
#include "circumstances/parameter_file.h"
#include "exposure/table_match.h"
#include "platform/qt_text.h"
#include "window_dialogs/dialogs.h"

namespace zelto {

namespace {

// The caption label that stands on a run button: pressed it sinks by a pixel.
const char* const kCaptionPressed = "captionPressed";
// The colours this window gives a control in the day; ApplyNightColours gives their night variant.
const char* const kDayText = "cameraDayText";
const char* const kDayBack = "cameraDayBack";
// The banner's room around its text, and the point size of the run's settings during the run.
constexpr int kBannerMargin = 12;
constexpr int kRunMessagePoints = 14;
const char* const kWidestRunMessageLine = "Select \"Exposure Tables\",";
const char* const kTypicalBanner = "SIMULATED: REMOVE FILTERS";
// The title bar a window manager adds above the window, and the gap left below it on the screen.
constexpr int kBottomGap = 30;

// Line breaks as the labels show them: CR LF, a lone CR or LF each make one break.
QString Lines(const std::string& text) {
    QString lines = ToQString(text);
    lines.replace("\r\n", "\n");
    lines.replace('\r', '\n');
    return lines;
}

QColor ColourOf(CameraLabelColour colour) {
    switch (colour) {
        // Both 4.5:1 or more on the window's light grey (mid grey and pure red are 3.4 and 3.5).
        case CameraLabelColour::Grey:
            return QColor(106, 106, 106);
        case CameraLabelColour::Black:
            return Qt::black;
        case CameraLabelColour::Red:
            return QColor(190, 0, 0);
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

// At night a red or blue background becomes dark red, every other one black: the banner still blinks
// between its blue and lime, and the rehearsal labels still show red while rehearsal time runs.
QColor NightBack(const QColor& day) {
    const bool marked = day == QColor(Qt::red) || day == ColourOf(RunColour::Blue);
    return marked ? QColor(0x40, 0, 0) : QColor(Qt::black);
}

// Gives a control the colours stored as its day colours, or their night variant. At night a style
// sheet of its own sets them: the program's night style sheet would otherwise paint over the palette.
void Recolour(QWidget* widget) {
    const QVariant text = widget->property(kDayText);
    const QVariant back = widget->property(kDayBack);
    if (NightModeOn()) {
        QString sheet = QString("color: %1;").arg(kNightText);
        if (back.isValid())
            sheet += QString(" background-color: %1;").arg(NightBack(back.value<QColor>()).name());
        widget->setStyleSheet(sheet);
        return;
    }
    if (!widget->styleSheet().isEmpty()) widget->setStyleSheet(QString());
    QPalette palette = widget->palette();
    if (text.isValid()) palette.setColor(QPalette::WindowText, text.value<QColor>());
    if (back.isValid()) palette.setColor(QPalette::Window, back.value<QColor>());
    widget->setAutoFillBackground(back.isValid());
    widget->setPalette(palette);
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    widget->setProperty(kDayText, colour);
    Recolour(widget);
}

void SetBack(QWidget* widget, const QColor& colour) {
    widget->setProperty(kDayBack, colour);
    Recolour(widget);
}

template <typename W>
W* Make(const char* name) {
    auto* widget = new W;
    widget->setObjectName(name);
    return widget;
}

QLabel* MakeLabel(const char* name, const QString& text) {
    QLabel* label = Make<QLabel>(name);
    label->setText(text);
    return label;
}

QPushButton* MakeButton(const char* name, const QString& text) {
    QPushButton* button = Make<QPushButton>(name);
    button->setText(text);
    return button;
}

// A label for texts of several lines that come at run time: as wide as the layout gives it, as high
// as its wrapped text needs.
QLabel* MakeWrappingLabel(const char* name, const QString& text) {
    QLabel* label = MakeLabel(name, text);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

template <typename L>
L* MakeLayout(QWidget* parent = nullptr) {
    auto* layout = new L(parent);
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

// A run button and its caption: the caption label lies on the button, a little inside its edge.
QLayout* RunStartCell(QPushButton* button, QLabel* caption) {
    auto* cell = MakeLayout<QGridLayout>();
    button->setMinimumSize(150, 44);
    cell->addWidget(button, 0, 0);
    auto* inset = new QVBoxLayout;
    inset->setContentsMargins(4, 4, 4, 4);
    inset->addWidget(caption);
    cell->addLayout(inset, 0, 0);
    caption->setAlignment(Qt::AlignCenter);
    return cell;
}

}  // namespace

TForm_Camera::TForm_Camera(Services services, QWidget* parent)
    : QMainWindow(parent), s_(std::move(services)) {
    setObjectName("Form_Camera");
    setWindowTitle("Zelto - Camera Form");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
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
    otherCameras_ = std::make_unique<OtherCameras>(s_.clock, shared.folders, s_.shell);
    BuildWidgets();
    Create();
}

TForm_Camera::~TForm_Camera() {
    otherCameras_.reset();  // their runs stopped and ended before the window they report to goes
}

void TForm_Camera::BuildWidgets() {
    auto* client = new QWidget;
    client->setObjectName("Form_Camera_Client");
    auto* column = MakeLayout<QVBoxLayout>(client);
    column->setSpacing(2);
    column->addWidget(BuildConnectionPanel());
    column->addWidget(BuildPages(), 1);
    column->addWidget(BuildSaveFolderPanel());
    setCentralWidget(ScrollingClient(client, "Form_Camera_Scroll"));
    statusBar()->setObjectName("StatusBar1");
    noSoundLabel_ = AddNoSoundOutputLine(statusBar(), s_.sound.HasOutput());
    SetHints();
    connect(connectButton_, &QPushButton::clicked, this, &TForm_Camera::OnConnect);
    connect(disconnectButton_, &QPushButton::clicked, this, &TForm_Camera::OnDisconnect);
}

// The connection panel: one row, left to right; a control for the camera goes into the row.
QWidget* TForm_Camera::BuildConnectionPanel() {
    connectionPanel_ = Make<QFrame>("Panel_Camera_Connection");
    connectionPanel_->setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(connectionPanel_);
    row->setContentsMargins(8, 6, 8, 6);
    connectButton_ = MakeButton("Button_Connect", "Connect Camera");
    disconnectButton_ = MakeButton("Button_Disconnect", "Disconnect Camera");
    cameraLine_ = MakeLabel("LabelA", "Camera :");
    SetTextColour(cameraLine_, ColourOf(CameraLabelColour::Grey));
    cameraChoice_ = Make<QComboBox>("ComboBox_Camera");
    cameraChoice_->setToolTip("Camera");
    cameraChoice_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    cameraChoice_->hide();
    connect(cameraChoice_, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { control_->ChooseCamera(index); });
    row->addWidget(connectButton_);
    row->addWidget(disconnectButton_);
    row->addSpacing(6);
    row->addWidget(cameraLine_, 1);
    row->addWidget(cameraChoice_);
    return connectionPanel_;
}

QWidget* TForm_Camera::BuildPages() {
    pages_ = Make<QTabWidget>("PageControl1");
    interactivePage_ = Make<QWidget>("TabSheet1");
    seriesPage_ = Make<QWidget>("TabSheet2");
    runPage_ = Make<QWidget>("TabSheet3");
    BuildInteractivePage();
    BuildSeriesPage();
    BuildRunPage();
    camerasPage_ = new CameraListPage(
        s_.shared.folders.AppDataFolder + kOptionsFileName,
        [this](const std::string& text) { SetStatus(text); },
        [this](std::function<void(const std::string&)> chosen) {
            ChooseFileToOpen(this, "The camera's exposure table", s_.shared.folders.DocumentsFolder,
                             std::move(chosen));
        });
    pages_->addTab(interactivePage_, "Interactive Camera Tests");
    pages_->addTab(seriesPage_, "Advanced Camera Tests");
    pages_->addTab(runPage_, "Eclipse Photography");
    pages_->addTab(camerasPage_, "Cameras");
    connect(pages_, &QTabWidget::currentChanged, this, [this] {
        if (pages_->currentWidget() == camerasPage_ && !RunGoingOn())
            camerasPage_->SetWindowCamera(control_->BodySerial());
    });
    return pages_;
}

// The first page: the connection's messages beside the release button, the settings lists, and a
// note about the camera's port.
void TForm_Camera::BuildInteractivePage() {
    auto* page = new QVBoxLayout(interactivePage_);
    page->setContentsMargins(8, 4, 8, 8);
    interactiveHelp_ = MakeWrappingLabel(
        "Label_Test1_Expl",
        "Changing the settings on the PC or camera should be reflected on the camera or PC.");
    page->addWidget(interactiveHelp_);
    auto* messages = MakeLayout<QVBoxLayout>();
    connectionMessage_ = MakeLabel("Label6", ".");
    connectionHint_ = MakeLabel("Label7", ".");
    connectionAdvice_ = MakeLabel("Label8", ".");
    for (QLabel* line : {connectionMessage_, connectionHint_, connectionAdvice_}) messages->addWidget(line);
    releaseButton_ = MakeButton("SpeedButton_Release", "Release");
    releaseButton_->setMinimumHeight(40);
    releaseButton_->setEnabled(false);
    connect(releaseButton_, &QPushButton::clicked, this, &TForm_Camera::OnRelease);
    auto* top = MakeLayout<QHBoxLayout>();
    top->addLayout(messages, 1);
    top->addWidget(releaseButton_, 0, Qt::AlignVCenter);
    page->addLayout(top);
    page->addSpacing(8);
    page->addLayout(BuildSettingsLists());
    page->addLayout(BuildPortNote());
    page->addStretch(1);
}

// The five settings lists side by side, each under its caption.
QLayout* TForm_Camera::BuildSettingsLists() {
    auto* grid = MakeLayout<QGridLayout>();
    grid->setVerticalSpacing(2);
    const auto list = [&](const char* name, const char* caption, int column) {
        grid->addWidget(MakeLabel((std::string(name) + "_Caption").c_str(), caption), 0, column);
        QComboBox* box = Make<QComboBox>(name);
        box->setToolTip(caption);
        box->setMinimumContentsLength(9);
        grid->addWidget(box, 1, column);
        return box;
    };
    qualityList_ = list("ComboBox_IQ", "Image Quality", 0);
    aeModeList_ = list("ComboBox_AEmode", "AE Mode", 1);
    isoList_ = list("ComboBox_ISO", "ISO Speed", 2);
    apertureList_ = list("ComboBox_Av", "Av", 3);
    shutterList_ = list("ComboBox_Tv", "Tv", 4);
    grid->setColumnStretch(5, 1);
    aeModeList_->setEnabled(false);
    for (EdsPropertyID property :
         {kEdsPropImageQuality, kEdsPropAEMode, kEdsPropISOSpeed, kEdsPropAv, kEdsPropTv}) {
        // Only a choice by the user runs the change handler; selections made by the program do not.
        connect(ListOf(property), qOverload<int>(&QComboBox::activated), this,
                [this, property](int) { control_->ListChanged(property); });
    }
    return grid;
}

// The camera's port: held by another program (with "Release it"), or suspended by the kernel.
QLayout* TForm_Camera::BuildPortNote() {
    portNote_ = MakeWrappingLabel("Label_PortNote", "");
    portNote_->setTextInteractionFlags(Qt::TextSelectableByMouse);  // the fix's command can be copied
    SetTextColour(portNote_, ColourOf(CameraLabelColour::Red));
    releaseFromDesktopButton_ = MakeButton("Button_ReleaseCamera", "Release it");
    releaseFromDesktopButton_->setToolTip("Unmount the camera from the desktop, then connect again");
    releaseFromDesktopButton_->hide();
    connect(releaseFromDesktopButton_, &QPushButton::clicked, this, &TForm_Camera::OnReleaseFromDesktop);
    portNote_->hide();  // shown with a note
    auto* row = MakeLayout<QHBoxLayout>();
    row->addWidget(portNote_, 1);
    row->addWidget(releaseFromDesktopButton_, 0, Qt::AlignTop);
    return row;
}

// The second page: the test series' report beside its buttons.
void TForm_Camera::BuildSeriesPage() {
    seriesHelp_ = MakeWrappingLabel("Label_Test2_Expl",
                                    "When pressing this button, 5 exposures (with actual settings) will be "
                                    "taken and stored in the camera.");
    seriesReport_ = Make<QPlainTextEdit>("Memo_Test2");
    seriesReport_->setReadOnly(true);
    seriesReport_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    fivePicturesButton_ = MakeButton("Button_take_5_pictures", "Take 5 pictures");
    ninePicturesButton_ = MakeButton("Button_take_9_pictures", "Take 9 pictures");
    abortSeriesButton_ = MakeButton("Button_Abort2", "Abort");
    auto* buttons = MakeLayout<QVBoxLayout>();
    for (QPushButton* button : {fivePicturesButton_, ninePicturesButton_, abortSeriesButton_}) {
        button->setEnabled(false);
        buttons->addWidget(button);
    }
    buttons->insertStretch(2, 1);
    for (QPushButton* button : {fivePicturesButton_, ninePicturesButton_}) {
        button->setMouseTracking(true);
        button->installEventFilter(this);
    }
    connect(fivePicturesButton_, &QPushButton::clicked, this, &TForm_Camera::OnTakeFivePictures);
    connect(ninePicturesButton_, &QPushButton::clicked, this, &TForm_Camera::OnTakeNinePictures);
    connect(abortSeriesButton_, &QPushButton::clicked, this, &TForm_Camera::OnAbortSeries);
    auto* row = MakeLayout<QHBoxLayout>();
    row->addWidget(seriesReport_, 1);
    row->addLayout(buttons);
    auto* page = new QVBoxLayout(seriesPage_);
    page->setContentsMargins(8, 4, 8, 8);
    page->addWidget(seriesHelp_);
    page->addLayout(row, 1);
}

// The third page: the run buttons on the left, the run's state in the middle, the rehearsal controls
// (or the last run's summary) on the right. The sound banner lies over the middle and the right, never
// over the run buttons and their "Abort " buttons.
void TForm_Camera::BuildRunPage() {
    auto* grid = new QGridLayout(runPage_);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(12);
    grid->addLayout(BuildRunStarts(), 0, 0);
    auto* middle = MakeLayout<QVBoxLayout>();
    middle->addLayout(BuildRunStatus(), 1);
    otherCamerasLine_ = MakeWrappingLabel("Label_Other_Cameras", "");
    otherCamerasLine_->hide();  // shown while other cameras run and after
    middle->addWidget(otherCamerasLine_);
    middle->addLayout(BuildRunTools());
    grid->addLayout(middle, 0, 1);
    grid->addLayout(BuildRehearsal(), 0, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    QFont bannerFont = font();
    bannerFont.setPointSize(20);
    bannerFont.setBold(true);
    soundBanner_ = MakeLabel("Label_WAV_Meldung", "");
    soundBanner_->setFont(bannerFont);
    soundBanner_->setAlignment(Qt::AlignCenter);
    soundBanner_->setMargin(kBannerMargin);
    soundBanner_->setWordWrap(true);  // a long sound file name wraps onto a second line
    QSizePolicy policy = soundBanner_->sizePolicy();
    policy.setRetainSizeWhenHidden(true);  // its room is the page's at every moment of a run
    soundBanner_->setSizePolicy(policy);
    soundBanner_->hide();
    grid->addWidget(soundBanner_, 0, 1, 1, 2, Qt::AlignVCenter);
}

// The run buttons, each with its "Abort " button under it.
QLayout* TForm_Camera::BuildRunStarts() {
    startRunButton_ = MakeButton("Button_Start_Eclipse_Photography", "");
    startRunCaption_ = MakeLabel("Label_Start_Eclipse_Photography", "Start Eclipse\nPhotography");
    testRunButton_ = MakeButton("Button_Test_Eclipse_Photography", "");
    testRunCaption_ = MakeLabel("Label_Test_Eclipse_Photography", "Test Eclipse\nPhotography");
    startRunButton_->setToolTip("Start Eclipse Photography");
    testRunButton_->setToolTip("Test Eclipse Photography");
    abortRunButton_ = MakeButton("Button_Abort_Foto", "Abort ");
    abortTestRunButton_ = MakeButton("Button_Abort_Test", "Abort ");
    abortRunButton_->setEnabled(false);
    abortTestRunButton_->setEnabled(false);
    for (QLabel* label : {startRunCaption_, testRunCaption_}) label->installEventFilter(this);
    connect(startRunButton_, &QPushButton::pressed, this, [this] { PressCaption(startRunCaption_, true); });
    connect(testRunButton_, &QPushButton::pressed, this, [this] { PressCaption(testRunCaption_, true); });
    connect(startRunButton_, &QPushButton::clicked, this, &TForm_Camera::OnStartRun);
    connect(testRunButton_, &QPushButton::clicked, this, &TForm_Camera::OnStartTestRun);
    connect(abortRunButton_, &QPushButton::clicked, this, &TForm_Camera::OnAbortRun);
    connect(abortTestRunButton_, &QPushButton::clicked, this, &TForm_Camera::OnAbortTestRun);
    auto* column = MakeLayout<QVBoxLayout>();
    column->addLayout(RunStartCell(startRunButton_, startRunCaption_));
    column->addWidget(abortRunButton_);
    column->addSpacing(16);
    column->addLayout(RunStartCell(testRunButton_, testRunCaption_));
    column->addWidget(abortTestRunButton_);
    column->addStretch(1);
    return column;
}

// The run's phase, the row's instant and countdown, and its message: during the run the row's
// settings, large on black.
QLayout* TForm_Camera::BuildRunStatus() {
    phaseLabel_ = MakeLabel("Label_Phase", "");
    rowInstantLabel_ = MakeLabel("Label_Wann", "");
    rowCountdownLabel_ = MakeLabel("Label_WannDiff", "");
    runMessageLabel_ = MakeWrappingLabel("Label_Info", "");  // a long red message wraps instead of being cut
    runMessageLabel_->setMargin(4);
    QFont messageFont = runMessageLabel_->font();
    messageFont.setPointSize(kRunMessagePoints);
    runMessageLabel_->setFont(messageFont);
    SetBack(runMessageLabel_, Qt::black);
    SetTextColour(runMessageLabel_, Qt::white);
    auto* column = MakeLayout<QVBoxLayout>();
    for (QLabel* label : {phaseLabel_, rowInstantLabel_, rowCountdownLabel_}) column->addWidget(label);
    column->addWidget(runMessageLabel_, 1);
    return column;
}

// The shot log and the cloud plan.
QLayout* TForm_Camera::BuildRunTools() {
    openShotLogButton_ = MakeButton("Button_Open_Shot_Log", "Open shot log");
    openShotLogButton_->setToolTip("The shot log of the latest run: one line per action, for a spreadsheet");
    openShotLogButton_->setEnabled(false);
    connect(openShotLogButton_, &QPushButton::clicked, this, &TForm_Camera::OnOpenShotLog);
    cloudPlanButton_ = MakeButton("Button_Cloud_Plan", "Cloud plan...");
    cloudPlanButton_->setToolTip("Choose a second table before the run: the one to go on with if clouds come");
    connect(cloudPlanButton_, &QPushButton::clicked, this, &TForm_Camera::OnChooseCloudPlan);
    cloudSwitchButton_ = MakeButton("Button_Cloud_Switch", "Clouds! (F9)");
    cloudSwitchButton_->setToolTip("Switch the run to the cloud plan from its next row (key F9, in any window)");
    // F9 works whichever page or window is in front: on the day the main window may be.
    auto* cloudKey = new QShortcut(QKeySequence(Qt::Key_F9), this);
    cloudKey->setContext(Qt::ApplicationShortcut);
    connect(cloudKey, &QShortcut::activated, this, &TForm_Camera::OnSwitchToCloudPlan);
    cloudSwitchButton_->setEnabled(false);
    connect(cloudSwitchButton_, &QPushButton::clicked, this, &TForm_Camera::OnSwitchToCloudPlan);
    auto* row = MakeLayout<QHBoxLayout>();
    for (QPushButton* button : {openShotLogButton_, cloudPlanButton_, cloudSwitchButton_})
        row->addWidget(button);
    row->addStretch(1);
    return row;
}

// The rehearsal controls, shown during a run, and in their place between runs the last run's summary.
// Hidden they keep their room, so that the page does not change its size when a run starts.
QLayout* TForm_Camera::BuildRehearsal() {
    runSummaryLabel_ = MakeWrappingLabel("Label_RunSummary", "");
    runSummaryLabel_->hide();
    rehearsalWarning_ = MakeWrappingLabel("Label_Advance1", "");
    rehearsalNote_ = MakeLabel("Label_Advance2", "Rehearsal Time");
    advanceTimeButton_ = MakeButton("BitBtn_Advance", "Advance Time");
    realTimeButton_ = MakeButton("BitBtn_RealTime", "Back to Real Time");
    connect(advanceTimeButton_, &QPushButton::clicked, this, &TForm_Camera::OnAdvanceTime);
    connect(realTimeButton_, &QPushButton::clicked, this, &TForm_Camera::OnBackToRealTime);
    auto* buttons = MakeLayout<QHBoxLayout>();
    buttons->addStretch(1);
    buttons->addWidget(advanceTimeButton_);
    buttons->addWidget(realTimeButton_);
    auto* controls = MakeLayout<QVBoxLayout>();
    controls->addWidget(rehearsalWarning_, 1);
    controls->addWidget(rehearsalNote_);
    controls->addLayout(buttons);
    for (QWidget* widget : std::initializer_list<QWidget*>{rehearsalWarning_, rehearsalNote_,
                                                           advanceTimeButton_, realTimeButton_}) {
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
    }
    auto* place = MakeLayout<QGridLayout>();
    place->addWidget(runSummaryLabel_, 0, 0);  // made first: it lies beneath the rehearsal controls
    place->addLayout(controls, 0, 0);
    return place;
}

// The hidden save-folder panel.
QWidget* TForm_Camera::BuildSaveFolderPanel() {
    saveFolderPanel_ = Make<QFrame>("Panel2");
    saveFolderEdit_ = Make<QLineEdit>("Edit1");
    downloadProgress_ = Make<QProgressBar>("ProgressBar1");
    downloadProgress_->setRange(0, 100);
    downloadProgress_->setValue(0);
    saveFolderButton_ = MakeButton("SpeedButton1", "...");
    auto* row = new QHBoxLayout(saveFolderPanel_);
    row->setContentsMargins(4, 0, 4, 0);
    row->addWidget(MakeLabel("Label_SaveFolder", "Save Folder"));
    row->addWidget(saveFolderEdit_, 1);
    row->addWidget(downloadProgress_);
    row->addWidget(saveFolderButton_);
    saveFolderPanel_->hide();
    return saveFolderPanel_;
}

// Hints: the status bar shows the hint of the control under the mouse.
void TForm_Camera::SetHints() {
    for (QPushButton* button : findChildren<QPushButton*>()) {
        const QString hint = button->toolTip().isEmpty() ? button->text().trimmed() : button->toolTip();
        button->setToolTip(hint);
        button->setStatusTip(hint);
    }
    for (QComboBox* box : findChildren<QComboBox*>()) box->setStatusTip(box->toolTip());
}

void TForm_Camera::Create() {
    for (EdsPropertyID property : {kEdsPropImageQuality, kEdsPropISOSpeed, kEdsPropAv, kEdsPropTv})
        ListOf(property)->clear();
    rehearsalWarning_->setText(
        "WARNING: Pressing \"Advance Time\" sets the program into Rehearsal Time mode!\n"
        "Rehearsal Time is set to 5 sec before the next Time entry in the Exposure Table.\n"
        "After the tests, press the \"Back to Real Time\" button.");
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
    ReserveTextRoom();
    FitToRoom(this, ScreenRoom(this));
    PlaceOnScreen();
}

// The labels whose texts come during a run keep the room those need, so that the page does not grow
// when they come: one line each for the phase and the row's instants, four for the row's settings, and
// the banner one line of a sound's name in a simulated run.
void TForm_Camera::ReserveTextRoom() {
    for (QLabel* label : {phaseLabel_, rowInstantLabel_, rowCountdownLabel_})
        label->setMinimumHeight(label->fontMetrics().height());
    const int margins = 2 * runMessageLabel_->margin();
    runMessageLabel_->setMinimumHeight(4 * runMessageLabel_->fontMetrics().lineSpacing() + margins);
    runMessageLabel_->setMinimumWidth(
        runMessageLabel_->fontMetrics().horizontalAdvance(kWidestRunMessageLine) + margins);
    soundBanner_->setMinimumWidth(soundBanner_->fontMetrics().horizontalAdvance(kTypicalBanner) +
                                  2 * kBannerMargin);
}

// Horizontally centred a little above the bottom of the screen, as much of it inside the screen as fits.
void TForm_Camera::PlaceOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    move(area.x() + std::max(0, (area.width() - width()) / 2),
         area.y() + std::max(0, area.height() - height() - kWindowFrame.height() - kBottomGap));
}

void TForm_Camera::SetFormSize(FormSize size, QSize room) {
    ScaleFonts(this, FontScale(size));
    ReserveTextRoom();
    FitToRoom(this, room);
}

// The program's style sheet changes with the night mode: the colours follow it.
void TForm_Camera::changeEvent(QEvent* event) {
    if (event->type() == QEvent::StyleChange) ApplyNightColours();
    QMainWindow::changeEvent(event);
}

void TForm_Camera::ApplyNightColours() {
    for (QWidget* widget : findChildren<QWidget*>()) {
        if (widget->property(kDayText).isValid() || widget->property(kDayBack).isValid()) Recolour(widget);
    }
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
    return activity == CameraActivity::Run || activity == CameraActivity::TestRun || otherCameras_->GoingOn();
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
                      otherCameras_->Stop();
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

void TForm_Camera::SetMessageLines(const std::string& message, CameraLabelColour colour,
                                   const std::string& hint, const std::string& advice) {
    SetTextColour(connectionMessage_, ColourOf(colour));
    connectionMessage_->setText(ToQString(message));
    connectionHint_->setText(ToQString(hint));
    connectionAdvice_->setText(ToQString(advice));
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
    portNote_->setVisible(!text.empty());
    releaseFromDesktopButton_->setVisible(offerRelease);
}

void TForm_Camera::SetCameraChoice(const std::vector<std::string>& cameras, int chosen) {
    const QSignalBlocker quiet(cameraChoice_);
    cameraChoice_->clear();
    for (const std::string& camera : cameras) cameraChoice_->addItem(ToQString(camera));
    cameraChoice_->setCurrentIndex(chosen);
    cameraChoice_->setVisible(!cameras.empty());  // at the panel's right end, beside the camera line
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
    if (label->property(kCaptionPressed).toBool() == pressed) return;
    label->setProperty(kCaptionPressed, pressed);
    label->move(label->pos() + (pressed ? QPoint(1, 1) : QPoint(-1, -1)));
}

// --- photography runs ------------------------------------------------------------------------------

void TForm_Camera::StartRun(RunKind kind) {
    PressCaption(kind == RunKind::Real ? startRunCaption_ : testRunCaption_,
                 false);
    const ExposureTable& table = table_ ? *table_ : noTable_;
    if (otherCameras_->GoingOn()) {
        SetStatus(kCameraBusyText);  // another camera's run has not ended yet
        return;
    }
    if (table.IsNoTable() || s_.shared.flags.Activity != CameraActivity::None) {
        BeginRun(kind, RunStart::AllRows);  // says what is missing, or that another run goes on
        return;
    }
    // No second start while the questions are open.
    SetRunStartsEnabled(false);
    AskCamera([this, kind, &table] {
        AskTableMatch(table, [this, kind, &table] {
            AskOtherCameraTables(kind, [this, kind, &table] {
                if (kind == RunKind::Test) {
                    BeginRun(kind, RunStart::AllRows);
                    return;
                }
                AskTableFindings(table, [this, kind, &table] {
                    AskRunStart(table, [this, kind](RunStart start) { BeginRun(kind, start); });
                });
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
    std::vector<KeptCamera> others = table.IsNoTable() ? std::vector<KeptCamera>{} : OtherCamerasForRun();
    if (!others.empty()) shotLog.SetCameraName(windowCameraName_);
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
    StartOtherCameras(kind, start, std::move(others), logged ? path : std::string());
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
    if (closeAfterRun_ && !RunGoingOn()) {
        closeAfterRun_ = false;
        close();
    }
}

std::vector<KeptCamera> TForm_Camera::OtherCamerasForRun() {
    const std::vector<KeptCamera> kept = camerasPage_->Cameras();
    const std::string serial = control_->BodySerial();
    camerasPage_->SetWindowCamera(serial);
    std::vector<KeptCamera> others = OtherCamerasOf(kept, serial);
    windowCameraName_.clear();
    if (others.empty()) return others;
    windowCameraName_ = WindowCameraName(kept, serial);
    if (windowCameraName_.empty()) windowCameraName_ = s_.shared.camera.CameraName;  // its model
    if (windowCameraName_.empty()) windowCameraName_ = "This camera";                // simulated
    return others;
}

void TForm_Camera::StartOtherCameras(RunKind kind, RunStart start, std::vector<KeptCamera> cameras,
                                     const std::string& shotLog) {
    OtherCameras::Start others;
    others.cameras = std::move(cameras);
    if (others.cameras.empty()) {
        otherCameras_->Begin(std::move(others), {});  // the states of an earlier run with them go
        otherCamerasLine_->hide();
        return;
    }
    others.backend = CameraBackendName(CameraBackendSetting());
    if (others.backend != "virtual" && others.backend != "gphoto2") {
        SetStatus("Other cameras run only with the gphoto2 or the virtual camera, not with " +
                  others.backend);
        return;
    }
    // The port this window's camera is on is never another camera's.
    for (const std::string& port : {control_->Port(), CameraPortSetting()}) {
        if (!port.empty()) others.elsewhere.push_back(port);
    }
    others.kind = kind;
    others.start = start;
    others.shotLogPath = shotLog;
    others.timeOffset = kind == RunKind::Real ? s_.shared.time.TimeOffset : 0;
    others.faults = s_.otherCameraFaults;
    others.simulatedClock = s_.simulatedClock;
    camerasPage_->SetRunning(true);
    otherCamerasLine_->show();
    otherCameras_->Begin(std::move(others), [this] {
        QMetaObject::invokeMethod(this, &TForm_Camera::OnOtherCamerasChanged, Qt::QueuedConnection);
    });
    OnOtherCamerasChanged();
}

void TForm_Camera::OnOtherCamerasChanged() {
    const std::vector<OtherCameraState> states = otherCameras_->States();
    std::vector<std::string> lines;
    for (const OtherCameraState& state : states)
        lines.push_back(state.name + ": " + OtherCameraStateText(state));
    QStringList shown;
    for (const std::string& line : lines) shown << ToQString(line);
    otherCamerasLine_->setText(shown.join('\n'));
    camerasPage_->ShowStates(states);
    if (s_.otherCameras) s_.otherCameras(windowCameraName_, lines, otherCameras_->GoingOn());
    if (otherCameras_->GoingOn()) return;
    camerasPage_->SetRunning(false);
    const CameraActivity activity = s_.shared.flags.Activity;
    abortRunButton_->setEnabled(activity == CameraActivity::Run);
    abortTestRunButton_->setEnabled(activity == CameraActivity::TestRun);
    SetRunStartsEnabled(activity == CameraActivity::None);
    ShowSummaries();
    if (closeAfterRun_ && !RunGoingOn()) {
        closeAfterRun_ = false;
        close();
    }
}

void TForm_Camera::ShowSummaries() {
    const auto trimmed = [](const std::string& text) { return ToUtf8(ToQString(text).trimmed()); };
    std::string text = trimmed(windowSummary_);
    const std::vector<OtherCameraState> states = otherCameras_->States();
    if (!states.empty() && !text.empty()) text = windowCameraName_ + ":\n" + text;
    for (const OtherCameraState& state : states) {
        if (state.running) continue;  // its block comes when it has ended
        text += (text.empty() ? "" : "\n\n") + state.name + ":\n" +
                trimmed(state.summary.empty() ? state.line : state.summary) +
                (state.shotLog.empty() ? "" : "\nShot log: " + state.shotLog);
    }
    runSummaryLabel_->setText(ToQString(text));
    runSummaryLabel_->setVisible(!windowSummary_.empty());
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

void TForm_Camera::AskOtherCameraTables(RunKind kind, std::function<void()> then) {
    const SharedVariables& shared = s_.shared;
    const TableFileSite current = TableSiteOf(shared.site, shared.eclipse.SelectedEclipse);
    const TableCheckInput check = TableCheckInputFor(shared.folders, shared.eclipse.GreatestEclipseJD,
                                                     CameraTimingOf(CameraBackendSetting()));
    constexpr size_t kMostListed = 5;  // per camera
    std::string text;
    for (const KeptCamera& camera : OtherCamerasOf(camerasPage_->Cameras(), control_->BodySerial())) {
        const TableFileReading reading = LoadExposureTable(camera.table);
        std::vector<std::string> found;
        if (!reading.opened || reading.malformedLine != 0) {
            found.push_back(reading.message + " This camera runs nothing.");
        } else {
            found = CheckTableMatch(reading.site, reading.table, current, shared.eclipse.GreatestEclipseJD)
                        .differences;
            if (kind == RunKind::Real) {
                for (const TableFinding& finding : CheckExposureTable(reading.table, check))
                    found.push_back(finding.text);
            }
        }
        for (size_t i = 0; i < found.size() && i < kMostListed; ++i)
            text += camera.name + ": " + found[i] + "\n";
        if (found.size() > kMostListed)
            text += camera.name + ": ... and " + std::to_string(found.size() - kMostListed) +
                    " more (zelto-cli check lists them).\n";
    }
    if (text.empty()) return then();
    if (!question_) return SetRunStartsEnabled(true);
    question_("Zelto", "The other cameras' tables:\n" + text + "\nStart the run all the same?",
              {"Start anyway", "Cancel"}, 1, [this, then = std::move(then)](int choice) {
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
    otherCameras_->Stop();
}
void TForm_Camera::OnAbortTestRun() {
    s_.shared.flags.AbortTestRequested = true;
    otherCameras_->Stop();
}

void TForm_Camera::OnAdvanceTime() {
    // During a rehearsal (a real run going on) the clock only moves forwards.
    const std::string rowInstant = ToUtf8(rowInstantLabel_->text());
    s_.shared.time.TimeOffset =
        s_.shared.flags.Activity == CameraActivity::Run
            ? AdvancedTimeOffset(rowInstant, s_.clock.NowJD(), s_.shared.time.TimeOffset)
            : AdvanceTimeOffset(rowInstant, s_.clock.NowJD());
    const QColor back = ColourOf(s_.shared.time.TimeOffset != 0 ? RunColour::Red : RunColour::ButtonFace);
    SetBack(rehearsalWarning_, back);
    SetBack(rehearsalNote_, back);
    if (s_.shared.time.TimeOffset != 0) {
        realTimeButton_->show();
        realTimeButton_->setEnabled(true);
    }
    otherCameras_->SetTimeOffset(s_.shared.time.TimeOffset);
}

void TForm_Camera::OnBackToRealTime() {
    s_.shared.time.TimeOffset = 0;
    otherCameras_->SetTimeOffset(0);
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
    windowSummary_ = text;
    ShowSummaries();
}

void TForm_Camera::ShowBanner(const std::string& text) {
    soundBanner_->setText(ToQString(text));
    soundBanner_->show();
    soundBanner_->raise();
    // In its place at once: the run goes on without returning to the event loop for a while.
    runPage_->layout()->activate();
}

void TForm_Camera::SetBannerColour(RunColour background) {
    SetBack(soundBanner_, ColourOf(background));
}

void TForm_Camera::HideBanner() {
    soundBanner_->hide();
}

void TForm_Camera::SetRunStartsEnabled(bool enabled) {
    enabled = enabled && !otherCameras_->GoingOn();  // no start before every other camera's run has ended
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
    // Abort stays for the other cameras while they go on after this camera's run.
    (kind == RunKind::Real ? abortRunButton_ : abortTestRunButton_)
        ->setEnabled(running || otherCameras_->GoingOn());
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
