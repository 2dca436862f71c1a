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
    FormCreate();
}

TForm_Camera::~TForm_Camera() = default;

void TForm_Camera::BuildWidgets() {
    auto* client = new QWidget(this);
    client->setObjectName("Form_Camera_Client");
    setCentralWidget(client);
    statusBar()->setObjectName("StatusBar1");
    statusBar()->setSizeGripEnabled(false);
    Label_NoSound = AddNoSoundOutputLine(statusBar(), s_.sound.HasOutput());

    Panel_Camera_Connection = Make<QFrame>(client, "Panel_Camera_Connection", QRect(0, 0, kWidth, 36));
    Panel_Camera_Connection->setFrameShape(QFrame::StyledPanel);
    Button_Connect =
        MakeButton(Panel_Camera_Connection, "Button_Connect", "Connect Camera", QRect(8, 6, 130, 24));
    Button_Disconnect =
        MakeButton(Panel_Camera_Connection, "Button_Disconnect", "Disconnect Camera", QRect(146, 6, 130, 24));
    LabelA = MakeLabel(Panel_Camera_Connection, "LabelA", "Camera :", QRect(290, 6, 400, 24));
    SetTextColour(LabelA, ColourOf(CameraLabelColour::Grey));
    ComboBox_Camera = Make<QComboBox>(Panel_Camera_Connection, "ComboBox_Camera", QRect(500, 6, 192, 24));
    ComboBox_Camera->setToolTip("Camera");
    ComboBox_Camera->hide();
    connect(ComboBox_Camera, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { control_->ChooseCamera(index); });

    PageControl1 = Make<QTabWidget>(client, "PageControl1", QRect(0, 38, kWidth, 230));
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName("TabSheet1");
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName("TabSheet2");
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName("TabSheet3");
    PageControl1->addTab(TabSheet1, "Interactive Camera Tests");
    PageControl1->addTab(TabSheet2, "Advanced Camera Tests");
    PageControl1->addTab(TabSheet3, "Eclipse Photography");

    // Page 1: the settings lists and the release button.
    Label_Test1_Expl =
        MakeLabel(TabSheet1, "Label_Test1_Expl",
                  "Changing the settings on the PC or camera should be reflected on the camera or PC.",
                  QRect(8, 4, 680, 18));
    Label6 = MakeLabel(TabSheet1, "Label6", ".", QRect(8, 26, 300, 18));
    Label7 = MakeLabel(TabSheet1, "Label7", ".", QRect(8, 46, 300, 18));
    Label8 = MakeLabel(TabSheet1, "Label8", ".", QRect(8, 66, 300, 18));
    const auto list = [&](const char* name, const char* caption, int x) {
        MakeLabel(TabSheet1, (std::string(name) + "_Caption").c_str(), caption, QRect(x, 96, 120, 18));
        QComboBox* box = Make<QComboBox>(TabSheet1, name, QRect(x, 116, 120, 24));
        box->setToolTip(caption);
        return box;
    };
    ComboBox_IQ = list("ComboBox_IQ", "Image Quality", 8);
    ComboBox_AEmode = list("ComboBox_AEmode", "AE Mode", 136);
    ComboBox_ISO = list("ComboBox_ISO", "ISO Speed", 264);
    ComboBox_Av = list("ComboBox_Av", "Av", 392);
    ComboBox_Tv = list("ComboBox_Tv", "Tv", 520);
    ComboBox_AEmode->setEnabled(false);
    for (EdsPropertyID property :
         {kEdsPropImageQuality, kEdsPropAEMode, kEdsPropISOSpeed, kEdsPropAv, kEdsPropTv}) {
        // Only a choice by the user runs the change handler; selections made by the program do not.
        connect(ListOf(property), qOverload<int>(&QComboBox::activated), this,
                [this, property](int) { control_->ListChanged(property); });
    }
    SpeedButton_Release = MakeButton(TabSheet1, "SpeedButton_Release", "Release", QRect(560, 30, 100, 40));
    SpeedButton_Release->setEnabled(false);
    connect(SpeedButton_Release, &QPushButton::clicked, this, &TForm_Camera::SpeedButton_ReleaseClick);
    // The camera's port: held by another program (with "Release it"), or suspended by the kernel.
    Label_PortNote = MakeLabel(TabSheet1, "Label_PortNote", "", QRect(8, 146, 540, 52));
    Label_PortNote->setWordWrap(true);
    Label_PortNote->setTextInteractionFlags(Qt::TextSelectableByMouse);  // the fix's command can be copied
    SetTextColour(Label_PortNote, ColourOf(CameraLabelColour::Red));
    Button_ReleaseCamera =
        MakeButton(TabSheet1, "Button_ReleaseCamera", "Release it", QRect(560, 150, 100, 28));
    Button_ReleaseCamera->setToolTip("Unmount the camera from the desktop, then connect again");
    Button_ReleaseCamera->hide();
    connect(Button_ReleaseCamera, &QPushButton::clicked, this, &TForm_Camera::Button_ReleaseCameraClick);

    // Page 2: the test series.
    Label_Test2_Expl = MakeLabel(TabSheet2, "Label_Test2_Expl",
                                 "When pressing this button, 5 exposures (with actual settings) will be "
                                 "taken and stored in the camera.",
                                 QRect(8, 4, 680, 36));
    Label_Test2_Expl->setWordWrap(true);
    Memo_Test2 = Make<QPlainTextEdit>(TabSheet2, "Memo_Test2", QRect(8, 44, 420, 150));
    Memo_Test2->setReadOnly(true);
    Memo_Test2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Button_take_5_pictures =
        MakeButton(TabSheet2, "Button_take_5_pictures", "Take 5 pictures", QRect(440, 44, 130, 28));
    Button_take_9_pictures =
        MakeButton(TabSheet2, "Button_take_9_pictures", "Take 9 pictures", QRect(440, 80, 130, 28));
    Button_Abort2 = MakeButton(TabSheet2, "Button_Abort2", "Abort", QRect(440, 150, 130, 28));
    Button_take_5_pictures->setEnabled(false);
    Button_take_9_pictures->setEnabled(false);
    Button_Abort2->setEnabled(false);
    for (QPushButton* button : {Button_take_5_pictures, Button_take_9_pictures}) {
        button->setMouseTracking(true);
        button->installEventFilter(this);
    }
    connect(Button_take_5_pictures, &QPushButton::clicked, this, &TForm_Camera::Button_take_5_picturesClick);
    connect(Button_take_9_pictures, &QPushButton::clicked, this, &TForm_Camera::Button_take_9_picturesClick);
    connect(Button_Abort2, &QPushButton::clicked, this, &TForm_Camera::Button_Abort2Click);

    // Page 3: the photography runs.
    Button_Start_Eclipse_Photography =
        MakeButton(TabSheet3, "Button_Start_Eclipse_Photography", "", QRect(8, 8, 150, 44));
    Label_Start_Eclipse_Photography = MakeLabel(TabSheet3, "Label_Start_Eclipse_Photography",
                                                "Start Eclipse\nPhotography", QRect(12, 12, 142, 36));
    Button_Test_Eclipse_Photography =
        MakeButton(TabSheet3, "Button_Test_Eclipse_Photography", "", QRect(8, 100, 150, 44));
    Label_Test_Eclipse_Photography = MakeLabel(TabSheet3, "Label_Test_Eclipse_Photography",
                                               "Test Eclipse\nPhotography", QRect(12, 104, 142, 36));
    for (QLabel* label : {Label_Start_Eclipse_Photography, Label_Test_Eclipse_Photography}) {
        label->setAlignment(Qt::AlignCenter);
        label->setProperty(kRestingPlace, label->pos());
        label->installEventFilter(this);
    }
    Button_Start_Eclipse_Photography->setToolTip("Start Eclipse Photography");
    Button_Test_Eclipse_Photography->setToolTip("Test Eclipse Photography");
    Button_Abort_Foto = MakeButton(TabSheet3, "Button_Abort_Foto", "Abort ", QRect(8, 56, 150, 24));
    Button_Abort_Test = MakeButton(TabSheet3, "Button_Abort_Test", "Abort ", QRect(8, 148, 150, 24));
    Button_Abort_Foto->setEnabled(false);
    Button_Abort_Test->setEnabled(false);
    connect(Button_Start_Eclipse_Photography, &QPushButton::pressed, this,
            [this] { PressCaption(Label_Start_Eclipse_Photography, true); });
    connect(Button_Test_Eclipse_Photography, &QPushButton::pressed, this,
            [this] { PressCaption(Label_Test_Eclipse_Photography, true); });
    connect(Button_Start_Eclipse_Photography, &QPushButton::clicked, this,
            &TForm_Camera::Button_Start_Eclipse_PhotographyClick);
    connect(Button_Test_Eclipse_Photography, &QPushButton::clicked, this,
            &TForm_Camera::Button_Test_Eclipse_PhotographyClick);
    connect(Button_Abort_Foto, &QPushButton::clicked, this, &TForm_Camera::Button_Abort_FotoClick);
    connect(Button_Abort_Test, &QPushButton::clicked, this, &TForm_Camera::Button_Abort_TestClick);

    Label_Phase = MakeLabel(TabSheet3, "Label_Phase", "", QRect(170, 8, 300, 20));
    Label_Wann = MakeLabel(TabSheet3, "Label_Wann", "", QRect(170, 30, 300, 20));
    Label_WannDiff = MakeLabel(TabSheet3, "Label_WannDiff", "", QRect(170, 52, 300, 20));
    Label_Info = MakeLabel(TabSheet3, "Label_Info", "", QRect(170, 76, 300, 80));
    Label_Info->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label_Info->setWordWrap(true);  // a long red message wraps instead of being cut
    SetBack(Label_Info, Qt::black);
    SetTextColour(Label_Info, Qt::white);
    // The last run's summary, where the rehearsal controls stand during a run (made before them, so
    // that it lies beneath); shown only between runs.
    Label_RunSummary = MakeLabel(TabSheet3, "Label_RunSummary", "", QRect(480, 8, 210, 190));
    Label_RunSummary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label_RunSummary->setWordWrap(true);
    Label_RunSummary->hide();
    QFont bannerFont = font();
    bannerFont.setPointSize(20);
    bannerFont.setBold(true);
    Label_WAV_Meldung = MakeLabel(TabSheet3, "Label_WAV_Meldung", "", QRect(kBannerLeft, 70, 2, 60));
    Label_WAV_Meldung->setFont(bannerFont);
    Label_WAV_Meldung->setAlignment(Qt::AlignCenter);
    Label_WAV_Meldung->hide();
    Label_Advance1 = MakeLabel(TabSheet3, "Label_Advance1", "", QRect(480, 8, 210, 120));
    Label_Advance1->setWordWrap(true);
    Label_Advance2 = MakeLabel(TabSheet3, "Label_Advance2", "Rehearsal Time", QRect(480, 130, 210, 18));
    BitBtn_Advance = MakeButton(TabSheet3, "BitBtn_Advance", "Advance Time", QRect(480, 152, 100, 26));
    BitBtn_RealTime = MakeButton(TabSheet3, "BitBtn_RealTime", "Back to Real Time", QRect(586, 152, 104, 26));
    // Wide enough for their captions whatever the font: "Back to Real Time" ends at the page's right
    // margin, "Advance Time" stands left of it.
    const int realTimeWidth = std::max(104, BitBtn_RealTime->sizeHint().width());
    const int advanceWidth = std::max(90, BitBtn_Advance->sizeHint().width());
    BitBtn_RealTime->setGeometry(kWidth - 8 - realTimeWidth, 152, realTimeWidth, 26);
    BitBtn_Advance->setGeometry(BitBtn_RealTime->x() - 6 - advanceWidth, 152, advanceWidth, 26);
    connect(BitBtn_Advance, &QPushButton::clicked, this, &TForm_Camera::BitBtn_AdvanceClick);
    connect(BitBtn_RealTime, &QPushButton::clicked, this, &TForm_Camera::BitBtn_RealTimeClick);
    Button_Open_Shot_Log =
        MakeButton(TabSheet3, "Button_Open_Shot_Log", "Open shot log", QRect(170, 160, 120, 24));
    Button_Open_Shot_Log->setToolTip(
        "The shot log of the latest run: one line per action, for a spreadsheet");
    Button_Open_Shot_Log->setEnabled(false);
    connect(Button_Open_Shot_Log, &QPushButton::clicked, this, &TForm_Camera::Button_Open_Shot_LogClick);
    Button_Cloud_Plan = MakeButton(TabSheet3, "Button_Cloud_Plan", "Cloud plan...", QRect(296, 160, 84, 24));
    Button_Cloud_Plan->setToolTip("Choose a second table before the run: the one to go on with if clouds come");
    connect(Button_Cloud_Plan, &QPushButton::clicked, this, &TForm_Camera::Button_Cloud_PlanClick);
    Button_Cloud_Switch = MakeButton(TabSheet3, "Button_Cloud_Switch", "Clouds! (F9)", QRect(384, 160, 88, 24));
    Button_Cloud_Switch->setToolTip("Switch the run to the cloud plan from its next row (key F9, in any window)");
    // F9 works whichever page or window is in front: on the day the main window may be.
    auto* cloudKey = new QShortcut(QKeySequence(Qt::Key_F9), this);
    cloudKey->setContext(Qt::ApplicationShortcut);
    connect(cloudKey, &QShortcut::activated, this, &TForm_Camera::Button_Cloud_SwitchClick);
    Button_Cloud_Switch->setEnabled(false);
    connect(Button_Cloud_Switch, &QPushButton::clicked, this, &TForm_Camera::Button_Cloud_SwitchClick);

    // The hidden save-folder panel.
    Panel2 = Make<QFrame>(client, "Panel2", QRect(0, 268, kWidth, 20));
    MakeLabel(Panel2, "Label_SaveFolder", "Save Folder", QRect(4, 0, 80, 20));
    Edit1 = Make<QLineEdit>(Panel2, "Edit1", QRect(88, 0, 360, 20));
    ProgressBar1 = Make<QProgressBar>(Panel2, "ProgressBar1", QRect(456, 0, 160, 20));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    SpeedButton1 = MakeButton(Panel2, "SpeedButton1", "...", QRect(624, 0, 30, 20));
    Panel2->hide();

    // Hints: the status bar shows the hint of the control under the mouse.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        const QString hint = button->toolTip().isEmpty() ? button->text().trimmed() : button->toolTip();
        button->setToolTip(hint);
        button->setStatusTip(hint);
    }
    for (QComboBox* box : findChildren<QComboBox*>()) box->setStatusTip(box->toolTip());

    connect(Button_Connect, &QPushButton::clicked, this, &TForm_Camera::Button_ConnectClick);
    connect(Button_Disconnect, &QPushButton::clicked, this, &TForm_Camera::Button_DisconnectClick);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int) { PageControl1Change(); });
}

void TForm_Camera::FormCreate() {
    for (EdsPropertyID property : {kEdsPropImageQuality, kEdsPropISOSpeed, kEdsPropAv, kEdsPropTv})
        ListOf(property)->clear();
    Label_Advance1->setText(
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
        const QSignalBlocker quiet(PageControl1);
        PageControl1->setCurrentIndex(0);
    }
    BitBtn_Advance->hide();
    BitBtn_Advance->setEnabled(false);
    BitBtn_RealTime->hide();
    BitBtn_RealTime->setEnabled(false);
    Label_Advance1->hide();
    Label_Advance2->hide();
}

void TForm_Camera::PageControl1Change() {
    setFixedHeight(kHeight);
}

QComboBox* TForm_Camera::ListOf(EdsPropertyID property) const {
    switch (property) {
        case kEdsPropImageQuality:
            return ComboBox_IQ;
        case kEdsPropAEMode:
            return ComboBox_AEmode;
        case kEdsPropISOSpeed:
            return ComboBox_ISO;
        case kEdsPropAv:
            return ComboBox_Av;
        case kEdsPropTv:
            return ComboBox_Tv;
        default:
            return nullptr;
    }
}

// --- connection page -------------------------------------------------------------------------------

void TForm_Camera::Button_ConnectClick() {
    // During a connect this click cancels it, which must reach the call that waits.
    if (control_->Connecting()) {
        control_->Connect();
        return;
    }
    WhenNoCallWaits([this] { control_->Connect(); });
}
void TForm_Camera::Button_ReleaseCameraClick() {
    control_->ReleaseHeldCamera();
}
void TForm_Camera::Button_DisconnectClick() {
    if (control_->Connecting()) {
        control_->Disconnect();
        return;
    }
    WhenNoCallWaits([this] { control_->Disconnect(); });
}
void TForm_Camera::SpeedButton_ReleaseClick() {
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
    Edit1->setText(ToQString(text));
}
std::string TForm_Camera::SaveFolder() const {
    return ToUtf8(Edit1->text());
}

void TForm_Camera::SetConnectionLabel(const std::string& text, CameraLabelColour colour) {
    SetTextColour(LabelA, ColourOf(colour));
    LabelA->setText(ToQString(text));
}

void TForm_Camera::SetMessageLines(const std::string& line6, CameraLabelColour colour6,
                                   const std::string& line7, const std::string& line8) {
    SetTextColour(Label6, ColourOf(colour6));
    Label6->setText(ToQString(line6));
    Label7->setText(ToQString(line7));
    Label8->setText(ToQString(line8));
}

void TForm_Camera::SetStatus(const std::string& text) {
    statusBar()->showMessage(ToQString(text));
}

void TForm_Camera::ProcessMessages() {
    QCoreApplication::processEvents();
}

void TForm_Camera::SetReleaseEnabled(bool enabled) {
    SpeedButton_Release->setEnabled(enabled);
}

void TForm_Camera::SetSeriesEnabled(bool enabled) {
    // Never while a run goes on (a connect during a run enables them otherwise).
    enabled = enabled && s_.shared.flags.Activity == CameraActivity::None;
    Button_take_5_pictures->setEnabled(enabled);
    Button_take_9_pictures->setEnabled(enabled);
}

void TForm_Camera::SetSeriesAbortEnabled(bool enabled) {
    Button_Abort2->setEnabled(enabled);
}
void TForm_Camera::SetSaveButtonEnabled(bool enabled) {
    SpeedButton1->setEnabled(enabled);
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
    ProgressBar1->setValue(percent);
}

void TForm_Camera::SetConnecting(bool connecting) {
    Button_Connect->setText(connecting ? "Cancel Connect" : "Connect Camera");
    Button_Disconnect->setEnabled(!connecting);
    ComboBox_Camera->setEnabled(!connecting);
}

void TForm_Camera::ShowPortNote(const std::string& text, bool offerRelease) {
    Label_PortNote->setText(ToQString(text));
    Button_ReleaseCamera->setVisible(offerRelease);
}

void TForm_Camera::SetCameraChoice(const std::vector<std::string>& cameras, int chosen) {
    const QSignalBlocker quiet(ComboBox_Camera);
    ComboBox_Camera->clear();
    for (const std::string& camera : cameras) ComboBox_Camera->addItem(ToQString(camera));
    ComboBox_Camera->setCurrentIndex(chosen);
    ComboBox_Camera->setVisible(!cameras.empty());
    // The connection label gives the list the panel's right end while it is shown.
    LabelA->setFixedWidth(cameras.empty() ? 400 : 206);
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

void TForm_Camera::Button_take_5_picturesClick() {
    TakeFivePictures(ShotsEnv());
}
void TForm_Camera::Button_take_9_picturesClick() {
    TakeNinePictures(ShotsEnv());
}
void TForm_Camera::Button_Abort2Click() {
    s_.shared.flags.AbortShotsRequested = true;
}

void TForm_Camera::ClearReport() {
    Memo_Test2->clear();
}
void TForm_Camera::AddReportLine(const std::string& line) {
    Memo_Test2->appendPlainText(ToQString(line));
}

void TForm_Camera::SetSeriesRunning(bool running, bool focusReport) {
    SetRunStartsEnabled(!running);  // no run starts while a series goes on
    if (running) {
        Button_Abort2->setEnabled(true);
        SpeedButton_Release->hide();
        SetSeriesEnabled(false);
        return;
    }
    QTextCursor cursor = Memo_Test2->textCursor();
    cursor.movePosition(QTextCursor::Start);
    Memo_Test2->setTextCursor(cursor);
    // A series ended by a disconnect leaves them disabled, as the disconnect did.
    SetSeriesEnabled(control_->Master() != nullptr);
    SpeedButton_Release->show();
    PageControl1->currentWidget()->show();
    if (focusReport) Memo_Test2->setFocus();
    Button_Abort2->setEnabled(false);
}

bool TForm_Camera::eventFilter(QObject* watched, QEvent* event) {
    // The explanation follows the series button under the mouse, which also takes the focus.
    if ((event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) &&
        (watched == Button_take_5_pictures || watched == Button_take_9_pictures)) {
        auto* button = static_cast<QPushButton*>(watched);
        button->setFocus();
        Label_Test2_Expl->setText(watched == Button_take_5_pictures
                                      ? "When pressing this button, 5 exposures (with actual settings) will "
                                        "be taken and stored in the camera."
                                      : "When pressing this button, 9 exposures (increasing exposure times) "
                                        "will be taken and stored in the "
                                        "camera. After this test, check the image data on the camera.");
    }
    // A caption label acts as its run button: pressed it sinks by a pixel, released it clicks.
    if (watched == Label_Start_Eclipse_Photography || watched == Label_Test_Eclipse_Photography) {
        auto* label = static_cast<QLabel*>(watched);
        QPushButton* button = label == Label_Start_Eclipse_Photography ? Button_Start_Eclipse_Photography
                                                                       : Button_Test_Eclipse_Photography;
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
    PressCaption(kind == RunKind::Real ? Label_Start_Eclipse_Photography : Label_Test_Eclipse_Photography,
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
        Button_Open_Shot_Log->setEnabled(true);
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
    Button_Cloud_Switch->setEnabled(runGoingOn_ != nullptr && cloudPlan_.has_value());
    const RunSummary summary = run.Run(kind, start);
    runGoingOn_ = nullptr;
    Button_Cloud_Switch->setEnabled(false);
    if (!notOpened.empty()) SetStatus(notOpened);
    // A log that lost lines is not offered as the run's record.
    if (summary.shotLogFailed) {
        Button_Open_Shot_Log->setEnabled(false);
        SetStatus("Shot log: lines could not be written to " + path);
    }
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        close();
    }
}

void TForm_Camera::Button_Cloud_PlanClick() {
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
    Button_Cloud_Plan->setToolTip(ToQString("Cloud plan: " + path));
    SetStatus("Cloud plan: " + path + " (F9 switches a run to it)");
    Button_Cloud_Switch->setEnabled(runGoingOn_ != nullptr);
    return true;
}

void TForm_Camera::Button_Cloud_SwitchClick() {
    if (runGoingOn_ == nullptr || !cloudPlan_) return;
    runGoingOn_->SwitchToCloudPlan(*cloudPlan_);
    Button_Cloud_Switch->setEnabled(false);  // once per run
}

void TForm_Camera::SwitchToCloudPlan() { Button_Cloud_SwitchClick(); }

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

void TForm_Camera::Button_Open_Shot_LogClick() {
    if (shotLogPath_.empty() || !openFile_) return;
    // Without a program for CSV files the user still learns where the log is.
    if (!openFile_(shotLogPath_))
        ShowMessage("No program here opens the shot log. It is in\n" + shotLogPath_);
}

void TForm_Camera::Button_Start_Eclipse_PhotographyClick() {
    StartRun(RunKind::Real);
}
void TForm_Camera::Button_Test_Eclipse_PhotographyClick() {
    StartRun(RunKind::Test);
}
void TForm_Camera::Button_Abort_FotoClick() {
    s_.shared.flags.AbortRunRequested = true;
}
void TForm_Camera::Button_Abort_TestClick() {
    s_.shared.flags.AbortTestRequested = true;
}

void TForm_Camera::BitBtn_AdvanceClick() {
    // During a rehearsal (a real run going on) the clock only moves forwards.
    const std::string wann = ToUtf8(Label_Wann->text());
    s_.shared.time.TimeOffset = s_.shared.flags.Activity == CameraActivity::Run
                                    ? AdvancedTimeOffset(wann, s_.clock.NowJD(), s_.shared.time.TimeOffset)
                                    : AdvanceTimeOffset(wann, s_.clock.NowJD());
    const QColor back = ColourOf(s_.shared.time.TimeOffset != 0 ? RunColour::Red : RunColour::ButtonFace);
    SetBack(Label_Advance1, back);
    SetBack(Label_Advance2, back);
    if (s_.shared.time.TimeOffset != 0) {
        BitBtn_RealTime->show();
        BitBtn_RealTime->setEnabled(true);
    }
}

void TForm_Camera::BitBtn_RealTimeClick() {
    s_.shared.time.TimeOffset = 0;
    BitBtn_RealTime->hide();
}

void TForm_Camera::SetPhase(const std::string& text) {
    Label_Phase->setText(ToQString(text));
}
void TForm_Camera::SetWann(const std::string& text) {
    Label_Wann->setText(ToQString(text));
}
void TForm_Camera::SetWannDiff(const std::string& text) {
    Label_WannDiff->setText(ToQString(text));
}
void TForm_Camera::SetInfo(const std::string& text) {
    Label_Info->setText(Lines(text));
}
void TForm_Camera::SetInfoColour(RunColour font) {
    SetTextColour(Label_Info, ColourOf(font));
}

void TForm_Camera::ShowSummary(const std::string& text) {
    Label_RunSummary->setText(ToQString(text).trimmed());
    Label_RunSummary->setVisible(!text.empty());
}

void TForm_Camera::ShowBanner(const std::string& text) {
    Label_WAV_Meldung->setFixedWidth(kBannerWidth);
    Label_WAV_Meldung->setText(ToQString(text));
    Label_WAV_Meldung->show();
    Label_WAV_Meldung->raise();
}

void TForm_Camera::SetBannerColour(RunColour background) {
    SetBack(Label_WAV_Meldung, ColourOf(background));
}

void TForm_Camera::HideBanner() {
    Label_WAV_Meldung->setFixedWidth(2);
    Label_WAV_Meldung->hide();
}

void TForm_Camera::SetRunStartsEnabled(bool enabled) {
    for (QWidget* widget : {static_cast<QWidget*>(Button_Start_Eclipse_Photography),
                            static_cast<QWidget*>(Label_Start_Eclipse_Photography),
                            static_cast<QWidget*>(Button_Test_Eclipse_Photography),
                            static_cast<QWidget*>(Label_Test_Eclipse_Photography)}) {
        widget->setEnabled(enabled);
    }
}

void TForm_Camera::SetRunning(RunKind kind, bool running) {
    SetRunStartsEnabled(!running);
    // The run reconnects a lost camera by itself: no connect, disconnect or other camera meanwhile.
    Button_Connect->setEnabled(!running);
    Button_Disconnect->setEnabled(!running);
    ComboBox_Camera->setEnabled(!running);
    Button_Cloud_Plan->setEnabled(!running);  // the plan a run may switch to stays as it is
    (kind == RunKind::Real ? Button_Abort_Foto : Button_Abort_Test)->setEnabled(running);
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
    shown.cloudPlanReady = Button_Cloud_Switch->isEnabled();
    s_.runProgress(shown);
}

void TForm_Camera::ShowRehearsalControls(bool shown) {
    if (shown) {
        BitBtn_Advance->show();
        BitBtn_Advance->setEnabled(true);
        Label_Advance1->show();
        Label_Advance2->show();
        return;
    }
    for (QPushButton* button : {BitBtn_Advance, BitBtn_RealTime}) {
        button->setEnabled(false);
        button->hide();
    }
    Label_Advance1->hide();
    Label_Advance2->hide();
}

}  // namespace zelto
