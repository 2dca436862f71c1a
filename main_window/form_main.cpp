#include "main_window/form_main.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "camera/camera_log.h"
#include "circumstances/parameter_file.h"
#include "circumstances/path_edge.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/number_text.h"
#include "main_window/eclipse_list_dialog.h"
#include "main_window/form_site_map.h"
#include "main_window/map_sweeper.h"
#include "main_window/path_map_view.h"
#include "platform/os_info.h"
#include "platform/qt_text.h"
#include "platform/system_locations.h"
#include "state/startup.h"
#include "window_dialogs/window_fit.h"

// The world map is compiled into this static library, which registers it explicitly.
static void InitZeltoResources() {
    Q_INIT_RESOURCE(resources);
}

namespace zelto {

namespace {

constexpr int kStatusPanelWidth = 150;
constexpr int kMapWidth = 343;
constexpr int kMapHeight = 171;
constexpr int kMarkerThickness = 3;
const QColor kBackground(kContactBackground.r, kContactBackground.g, kContactBackground.b);
const QColor kSystemTimeBack(208, 208, 208);
const QColor kRehearsalBack(200, 0, 0);  // white on it at 6:1 (pure red: 4:1)
const QColor kMarkedEditBack(255, 190, 190);  // an edit whose value used differs from what was typed
const char* const kAwakeHint =
    "Whether sleep, the lid switch and the screen lock are held off (during a run, and with \"Keep awake "
    "around "
    "the eclipse\" from 15 minutes before C1 to 15 minutes after C4)";

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, TextColourInMode(colour));
    palette.setColor(QPalette::Text, TextColourInMode(colour));
    widget->setPalette(palette);
}

void SetBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, BackgroundInMode(colour));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QColor ToQColor(LabelColour colour) {
    const Rgb rgb = ColourRgb(colour);
    return QColor(rgb.r, rgb.g, rgb.b);
}

QLabel* MakeLabel(const char* name, const QString& text, double points, bool bold = false,
                  Qt::Alignment align = Qt::AlignLeft) {
    auto* label = new QLabel(text);
    label->setObjectName(name);
    QFont font = label->font();
    font.setPointSizeF(points);
    font.setBold(bold);
    label->setFont(font);
    label->setAlignment(align | Qt::AlignVCenter);
    return label;
}

QLineEdit* MakeEdit(const char* name, int maxLength) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    SetTextColour(edit, Qt::black);
    return edit;
}

QPushButton* MakeButton(const char* name, const QString& caption) {
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    SetTextColour(button, Qt::black);
    button->setMinimumHeight(button->sizeHint().height() + 12);
    return button;
}

// Widgets side by side; a null one stands for the stretch between them.
QHBoxLayout* Row(std::initializer_list<QWidget*> widgets) {
    auto* row = new QHBoxLayout;
    for (QWidget* widget : widgets) {
        if (widget)
            row->addWidget(widget);
        else
            row->addStretch(1);
    }
    return row;
}

}  // namespace

TForm_Main::TForm_Main(SharedVariables& shared, Clock& clock, SoundPlayer& sound, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      shared_(shared),
      clock_(clock),
      sound_(sound),
      quitProcess_([] { std::_Exit(0); }),
      messageBox_([this](const std::string& caption, const std::string& text) {
          // Shown as the program closes: it ends when the box is closed.
          ShowMessageBox(this, caption, text, MessageKind::Warning, [this] {
              if (quitApplicationOnClose_) QCoreApplication::quit();
          });
      }),
      question_([this](const std::string& caption, const std::string& text,
                       const std::vector<std::string>& buttons, int defaultButton,
                       std::function<void(int)> answer) {
          AskQuestion(this, caption, text, buttons, defaultButton, std::move(answer));
      }) {
    setObjectName("Form_Main");
    setWindowTitle("Zelto - " + QCoreApplication::applicationName());  // until the first activation
    InitZeltoResources();
    BuildWidgets();
    BuildMenus();
    Create();
}

TForm_Main::~TForm_Main() = default;

void TForm_Main::BuildWidgets() {
    content_ = new QWidget;
    content_->setObjectName("Form_Main_Client");
    SetBackground(content_, kBackground);
    SetTextColour(content_, Qt::white);
    QFont font("DejaVu Sans");
    font.setPointSizeF(9);
    content_->setFont(font);
    setCentralWidget(ScrollingClient(content_, "ScrollBox_Main"));
    content_->installEventFilter(this);

    auto* columns = new QHBoxLayout(content_);
    columns->setContentsMargins(4, 2, 4, 4);
    columns->setSpacing(12);
    columns->addLayout(BuildEclipseAndSite());
    columns->addLayout(BuildContactTable(), 1);
    BuildStatusLine();
    BuildSpokenCommandsPanel();
    BuildAboutPanel();
    siteMap_ = new TForm_SiteMap(this);
    siteMap_->SetGeographyFolders(GshhgFolders());
    siteMap_->SetSiteClicked([this](GeoPoint place) { PutSite(SiteAt(place, std::nullopt, shared_.site)); });
    ConnectEdits();
}

// Left column: eclipse selection, ΔT, the site, the near-edge warning and the world map.
QVBoxLayout* TForm_Main::BuildEclipseAndSite() {
    auto* column = new QVBoxLayout;
    column->setSpacing(3);
    column->addWidget(MakeLabel("Label1", "Solar Eclipse Selection", 12, true, Qt::AlignHCenter));
    eclipseChooser_ = new QScrollBar(Qt::Horizontal);
    eclipseChooser_->setObjectName("ScrollBar_Eclipse");
    eclipseChooser_->setRange(1, kEclipseCount);
    eclipseChooser_->setPageStep(10);
    // The arrow keys step one eclipse, Page Up and Down ten, Home and End go to the ends; so does the
    // wheel, one eclipse a notch.
    eclipseChooser_->setFocusPolicy(Qt::StrongFocus);
    eclipseChooser_->setInvertedControls(false);  // a scroll bar's default would make Right go back
    eclipseChooser_->installEventFilter(this);
    column->addWidget(eclipseChooser_);
    eclipseDateLabel_ = MakeLabel("Label_Datum", "", 12, true);
    eclipseNumberLabel_ = MakeLabel("Label_EclipseNumber", "", 12);
    eclipseNumberLabel_->setToolTip("Number of the eclipse in the catalog (1 to 224)");
    eclipseKindLabel_ = MakeLabel("SoFiTyp_Label", "", 12, true, Qt::AlignRight);
    column->addLayout(Row({eclipseDateLabel_, eclipseNumberLabel_, nullptr, eclipseKindLabel_}));
    greatestEclipseLabel_ = MakeLabel("Label_Zeit", "", 10);
    column->addWidget(greatestEclipseLabel_);
    deltaTLabel_ = MakeLabel("Label_DeltaT", "DeltaT (sec)", 10);
    manualDeltaTBox_ = new QCheckBox("my DeltaT (sec)");
    manualDeltaTBox_->setObjectName("CheckBox_DeltaT_Man");
    SetTextColour(manualDeltaTBox_, Qt::white);
    deltaTEdit_ = MakeEdit("Edit_DeltaT", 7);
    column->addLayout(Row({deltaTLabel_, manualDeltaTBox_, nullptr, deltaTEdit_}));
    column->addSpacing(6);
    column->addWidget(MakeLabel("Label2", "Geograph. Coordinates", 12, true, Qt::AlignHCenter));
    column->addWidget(MakeLabel("Label3", "of Observation Site", 12, true, Qt::AlignHCenter));
    column->addLayout(BuildSiteRows());
    edgeWarningLabel_ = MakeLabel("Label_EdgeWarning", "", 9);
    edgeWarningLabel_->setWordWrap(true);
    SetBackground(edgeWarningLabel_, QColor(170, 30, 30));
    edgeWarningLabel_->hide();
    column->addWidget(edgeWarningLabel_);
    column->addStretch(1);
    column->addWidget(BuildWorldMap());
    return column;
}

// Latitude, longitude and height: a caption, the edit, the unit and the hemisphere.
QGridLayout* TForm_Main::BuildSiteRows() {
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    const auto siteRow = [&](int row, const char* caption, const char* labelName, const char* editName,
                             const char* unitName, const char* unit) {
        grid->addWidget(MakeLabel(labelName, caption, 10), row, 0);
        QLineEdit* edit = MakeEdit(editName, 15);
        grid->addWidget(edit, row, 1);
        grid->addWidget(MakeLabel(unitName, unit, 10), row, 2);
        return edit;
    };
    latitudeEdit_ = siteRow(0, "Latitude", "Label4", "Edit_Lati", "Label5", " \u00b0 ");
    longitudeEdit_ = siteRow(1, "Longitude", "Label6", "Edit_Long", "Label7", " \u00b0 ");
    heightEdit_ = siteRow(2, "Height", "Label8", "Edit_Height", "Label9", "m");
    northSouthList_ = new QComboBox;
    northSouthList_->setObjectName("ComboBox_NS");
    northSouthList_->addItems({"N", "S"});
    grid->addWidget(northSouthList_, 0, 3);
    eastWestList_ = new QComboBox;
    eastWestList_->setObjectName("ComboBox_EW");
    eastWestList_->addItems({"E", "W"});
    grid->addWidget(eastWestList_, 1, 3);
    return grid;
}

// The world map with the site's marker bars and the path over it; a click opens the site map.
QFrame* TForm_Main::BuildWorldMap() {
    worldMapPanel_ = new QFrame;
    worldMapPanel_->setObjectName("Panel1");
    worldMapPanel_->setFixedSize(kMapWidth, kMapHeight);
    worldMapImage_ = new QLabel(worldMapPanel_);
    worldMapImage_->setObjectName("Image1");
    worldMapImage_->setScaledContents(true);  // stretched over the whole panel, smoothly
    worldPathView_ = new PathMapView(PathMapStyle::World, worldMapPanel_);
    worldPathView_->setObjectName("Image_Path");
    worldPathView_->SetClicked([this](GeoPoint) { OnSiteMapClicked(); });
    latitudeMarker_ = new QFrame(worldMapPanel_);
    latitudeMarker_->setObjectName("Shape_Lati");
    SetBackground(latitudeMarker_, Qt::red);
    longitudeMarker_ = new QFrame(worldMapPanel_);
    longitudeMarker_->setObjectName("Shape_Long");
    SetBackground(longitudeMarker_, Qt::red);
    MarkAsImage(worldMapPanel_);
    worldSweeper_ = new MapSweeper(this);
    return worldMapPanel_;
}

// Middle and right: the clock, then per contact a countdown above its instant, and beside them the
// Sun's height and azimuth and the Moon's contact angles; the site's summary at the foot.
QGridLayout* TForm_Main::BuildContactTable() {
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(0);
    grid->setColumnStretch(0, 1);
    clockHeading_ = MakeLabel("Label12", "System Time", 11, true, Qt::AlignHCenter);
    utClockLabel_ = MakeLabel("Label_UT", "UT: ", 16, true, Qt::AlignHCenter);
    clockCheckLabel_ = MakeLabel("Label_ClockCheck", "", 9);
    clockCheckLabel_->setWordWrap(true);
    batteryLabel_ = MakeLabel("Label_Battery", "", 9);
    batteryLabel_->setToolTip(
        "The battery's charge and the time it has left (UPower); red when it will not last "
        "until 15 minutes after C4");
    grid->addWidget(clockHeading_, 0, 0);
    grid->addWidget(utClockLabel_, 1, 0);
    grid->addWidget(clockCheckLabel_, 0, 1, 1, 4);
    grid->addWidget(batteryLabel_, 1, 1, 1, 4);
    grid->addWidget(MakeLabel("Label10", "Contact times (UT)", 12, true, Qt::AlignHCenter), 2, 0);
    grid->addWidget(MakeLabel("Label_Sun", "Sun", 12, true, Qt::AlignHCenter), 2, 1, 1, 2);
    grid->addWidget(MakeLabel("Label_Moon", "Moon", 12, true, Qt::AlignHCenter), 2, 3, 1, 2);
    constexpr int kFirstContactRow = 3;
    AddContactRows(grid, kFirstContactRow);
    AddAngleColumns(grid, kFirstContactRow);
    // The site as a whole, beside the last contact.
    centralDurationLabel_ = MakeLabel("Label_Duration", "", 11, true, Qt::AlignHCenter);
    centralDurationLabel_->setToolTip("Duration of totality or annularity at the site (C2 to C3)");
    magnitudeLabel_ = MakeLabel("Label_Magnitude", "", 11, true, Qt::AlignHCenter);
    magnitudeLabel_->setToolTip("Magnitude of the eclipse at the site at maximum");
    grid->addWidget(centralDurationLabel_, kFirstContactRow + 12, 1, 1, 4);
    grid->addWidget(magnitudeLabel_, kFirstContactRow + 13, 1, 1, 4);
    grid->setRowStretch(kFirstContactRow + 14, 1);
    return grid;
}

// P1, C1, C2, Mx, C3, C4, P4: a countdown above an instant, two grid rows each.
void TForm_Main::AddContactRows(QGridLayout* grid, int firstRow) {
    struct Row {
        const char* countdown;
        const char* instant;
        const char* hint;
    };
    const Row rows[] = {
        {"Label_PbDiff", "Label_Pb", "Global begin of partial eclipse"},
        {"Label_C1Diff", "Label_C1", "First contact (C1): Partial eclipse begins"},
        {"Label_C2Diff", "Label_C2", "Second contact (C2): Total or annular eclipse begins"},
        {"Label_MxDiff", "Label_Mx", "Maximum eclipse"},
        {"Label_C3Diff", "Label_C3", "Third contact (C3): Total or annular eclipse ends"},
        {"Label_C4Diff", "Label_C4", "Fourth contact (C4): Partial eclipse ends"},
        {"Label_PeDiff", "Label_Pe", "Global end of partial eclipse"},
    };
    for (int i = 0; i < 7; ++i) {
        QLabel* countdown = MakeLabel(rows[i].countdown, "", 17, true, Qt::AlignHCenter);
        QLabel* instant = MakeLabel(rows[i].instant, "", 12, false, Qt::AlignHCenter);
        countdown->setToolTip(rows[i].hint);
        instant->setToolTip(rows[i].hint);
        instant->setContentsMargins(0, 0, 0, 6);
        grid->addWidget(countdown, firstRow + 2 * i, 0);
        grid->addWidget(instant, firstRow + 2 * i + 1, 0);
        contactLabels_[rows[i].countdown] = countdown;
        contactLabels_[rows[i].instant] = instant;
    }
}

// The four angle columns: their titles beside P1, their values beside the instants C1 to C4.
void TForm_Main::AddAngleColumns(QGridLayout* grid, int firstRow) {
    struct Column {
        const char* suffix;
        const char* title;
        const char* titleName;
        const char* hint;
        const char* quantity;
    };
    const Column columns[] = {
        {"Hgt", "Height\u00b0", "Label_Height", "Sun's Height above the mathematical horizon",
         "Solar Height"},
        {"Azi", "Azim\u00b0", "Label_Azim", "Sun's Azimuth, measured positive from South to West",
         "Solar Azimuth"},
        {"V", "Vertx\u00b0", "Label_Vertx",
         "Contact Angle of the Moon; measured counterclockwise from the uppermost position of the Sun's disk",
         "Vertex Angle"},
        {"P", "Parlx\u00b0", "Label_Parlx",
         "Contact Angle of the Moon; measured counterclockwise from the north point of the Sun's disk",
         "Parallactic Angle"},
    };
    const char* contactIds[] = {"C1", "C2", "Mx", "C3", "C4"};
    const char* ordinal[] = {"at 1st contact (C1: Begin of partial phase)",
                             "at 2nd contact (C2: Begin of total/annular phase)", "at maximum eclipse",
                             "at 3rd contact (C3: End of total/annular phase)",
                             "at 4th contact (C4: End of partial phase)"};
    for (int c = 0; c < 4; ++c) {
        QLabel* title = MakeLabel(columns[c].titleName, columns[c].title, 10, true, Qt::AlignHCenter);
        title->setToolTip(columns[c].hint);
        title->setMinimumWidth(69);
        grid->addWidget(title, firstRow, c + 1);
        for (int r = 0; r < 5; ++r) {
            const std::string name = std::string("Label_") + contactIds[r] + columns[c].suffix;
            QLabel* value = MakeLabel(name.c_str(), "", 12, false, Qt::AlignHCenter);
            value->setToolTip(QString(columns[c].quantity) + " " + ordinal[r]);
            grid->addWidget(value, firstRow + 2 * (r + 1), c + 1, 2, 1);
            contactLabels_[name] = value;
        }
    }
}

// Four panels of what the pass found, the laptop's wakefulness and the sound output.
void TForm_Main::BuildStatusLine() {
    statusBar()->setObjectName("StatusBar1");
    statusBar()->setSizeGripEnabled(false);
    for (int i = 0; i < 4; ++i) {
        statusPanels_[i] = new QLabel;
        statusPanels_[i]->setObjectName(QString("StatusBar1_Panel%1").arg(i + 1));
        statusPanels_[i]->setMinimumWidth(kStatusPanelWidth);
        statusPanels_[i]->setFrameShape(QFrame::StyledPanel);
        statusPanels_[i]->setToolTip(ToQString(std::string(StatusPanelHints()[static_cast<size_t>(i)])));
        statusBar()->addWidget(statusPanels_[i]);
    }
    awakeLabel_ = new QLabel;
    awakeLabel_->setObjectName("StatusBar1_Awake");
    awakeLabel_->setToolTip(kAwakeHint);
    statusBar()->addWidget(awakeLabel_, 1);
    noSoundLabel_ = AddNoSoundOutputLine(statusBar(), sound_.HasOutput());
}

// The spoken-commands panel, hidden over the window until "Listen commands".
void TForm_Main::BuildSpokenCommandsPanel() {
    spokenCommandsPanel_ = MakeOverlayPanel("Panel_Spoken_commands");
    auto* layout = static_cast<QVBoxLayout*>(spokenCommandsPanel_->layout());
    layout->addWidget(MakeLabel("Label_Spoken_Name", "Zelto", 20, true, Qt::AlignHCenter));
    QLabel* explanation = MakeLabel("Label_Spoken_Text",
                                    "Press any of the buttons below to listen for spoken commands. Set the "
                                    "loudness of the speaker to your needs. If done, press the Close button.",
                                    11);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);
    QPushButton* remove = MakeButton("Button_RemoveFilters", "Listen command: \"Remove filters\"");
    QPushButton* attach = MakeButton("Button_AttachFilters", "Listen command: \"Attach filters\"");
    QPushButton* close = MakeButton("Button_Spoken_Commands_Close", "Close");
    layout->addWidget(remove);
    layout->addWidget(attach);
    layout->addSpacing(40);
    layout->addWidget(close);
    connect(remove, &QPushButton::clicked, this, [this] { PlaySound(kRemoveFiltersSound); });
    connect(attach, &QPushButton::clicked, this, [this] { PlaySound(kAttachFiltersSound); });
    connect(close, &QPushButton::clicked, spokenCommandsPanel_, &QWidget::hide);
}

// The About panel: what this build and this computer are, hidden over the window until asked for.
void TForm_Main::BuildAboutPanel() {
    aboutPanel_ = MakeOverlayPanel("Panel_About");
    auto* layout = static_cast<QVBoxLayout*>(aboutPanel_->layout());
    aboutNameLabel_ = MakeLabel("Label_About_Name", "Zelto", 14, true, Qt::AlignHCenter);
    layout->addWidget(aboutNameLabel_);
    layout->addWidget(MakeLabel("Label_About_Credit", "Eclipse Predictions by Fred Espenak, NASA's GSFC", 8,
                                false, Qt::AlignHCenter));
    versionGrid_ = new QTableWidget(0, 2);
    versionGrid_->setObjectName("StringGrid_VersionsInfo");
    versionGrid_->horizontalHeader()->hide();
    versionGrid_->verticalHeader()->hide();
    versionGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    versionGrid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    versionGrid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    versionGrid_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);  // every value whole
    QFont mono("DejaVu Sans Mono");
    mono.setPointSizeF(8);
    versionGrid_->setFont(mono);
    // Dark text on a white grid, whatever the window's white text on grey.
    SetTextColour(versionGrid_, Qt::black);
    QPalette gridPalette = versionGrid_->palette();
    gridPalette.setColor(QPalette::Base, Qt::white);
    versionGrid_->setPalette(gridPalette);
    layout->addWidget(versionGrid_);
    QPushButton* ok = MakeButton("Button_About_OK", "OK");
    layout->addWidget(ok);
    connect(ok, &QPushButton::clicked, aboutPanel_, &QWidget::hide);
}

QFrame* TForm_Main::MakeOverlayPanel(const char* name) {
    auto* panel = new QFrame(content_);
    panel->setObjectName(name);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    SetBackground(panel, QColor(96, 96, 96));
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(20, 10, 20, 16);
    layout->setSpacing(12);
    panel->hide();
    return panel;
}

void TForm_Main::ConnectEdits() {
    connect(eclipseChooser_, &QScrollBar::valueChanged, this, [this] { SelectEclipse(); });
    connect(latitudeEdit_, &QLineEdit::textChanged, this, &TForm_Main::OnLatitudeEdited);
    connect(longitudeEdit_, &QLineEdit::textChanged, this, &TForm_Main::OnLongitudeEdited);
    connect(heightEdit_, &QLineEdit::textChanged, this, &TForm_Main::OnHeightEdited);
    connect(deltaTEdit_, &QLineEdit::textChanged, this, &TForm_Main::OnDeltaTEdited);
    connect(manualDeltaTBox_, &QCheckBox::clicked, this, &TForm_Main::OnManualDeltaTClicked);
    connect(northSouthList_, &QComboBox::currentTextChanged, this, &TForm_Main::OnHemisphereChanged);
    connect(eastWestList_, &QComboBox::currentTextChanged, this, &TForm_Main::OnHemisphereChanged);

    timer_ = new QTimer(this);
    timer_->setObjectName("Timer1");
    timer_->setInterval(250);
    connect(timer_, &QTimer::timeout, this, &TForm_Main::OnClockTick);
    // Polled often enough that a word starts within a twentieth of a second of its instant.
    countdownTimer_ = new QTimer(this);
    countdownTimer_->setObjectName("Timer_Countdown");
    countdownTimer_->setInterval(50);
    connect(countdownTimer_, &QTimer::timeout, this, &TForm_Main::OnCountdownTick);
}

void TForm_Main::BuildMenus() {
    menuBar()->setObjectName("MainMenu1");
    BuildFileMenu();
    // The program enables these once the camera and exposure-table windows exist.
    cameraItem_ = MakeAction(nullptr, "Tests", "&Camera");
    menuBar()->addAction(cameraItem_);
    cameraItem_->setEnabled(false);
    exposureTablesItem_ = MakeAction(nullptr, "Exposure_Tables", "&Exposure Tables");
    menuBar()->addAction(exposureTablesItem_);
    exposureTablesItem_->setEnabled(false);
    BuildOptionsMenu();
    BuildSizeAndAboutMenus();
}

QAction* TForm_Main::MakeAction(QMenu* menu, const char* name, const QString& caption) {
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    if (menu) menu->addAction(action);
    return action;
}

void TForm_Main::BuildFileMenu() {
    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("File1");
    QAction* eclipseList = MakeAction(file, "Eclipse_List", "Choose &eclipse from list...");
    eclipseList->setShortcut(QKeySequence("Ctrl+L"));
    connect(eclipseList, &QAction::triggered, this, [this] {
        if (!eclipseList_)
            eclipseList_ =
                new EclipseListDialog(this, [this](int number) { eclipseChooser_->setValue(number); });
        eclipseList_->ShowAt(eclipseChooser_->value());
    });
    siteFromGpsItem_ = MakeAction(file, "Site_from_GPS", kNoGpsdCaption);
    connect(siteFromGpsItem_, &QAction::triggered, this, &TForm_Main::OnSiteFromGps);
    file->addSeparator();
    exitAndSaveItem_ = MakeAction(file, "Exit_and_save", "E&xit (save coordinates)");
    quitItem_ = MakeAction(file, "Exit_no_save", "&Quit (don't save coordinates)");
    connect(exitAndSaveItem_, &QAction::triggered, this, &TForm_Main::OnExitAndSave);
    connect(quitItem_, &QAction::triggered, this, &TForm_Main::OnQuitWithoutSaving);
}

void TForm_Main::BuildOptionsMenu() {
    QMenu* options = menuBar()->addMenu("&Options");
    options->setObjectName("Options1");
    tenthsItem_ = MakeAction(options, "Zehntelsekunden", "Tenths of seconds");
    tenthsItem_->setCheckable(true);
    connect(tenthsItem_, &QAction::triggered, this, &TForm_Main::OnTenthsClicked);
    options->addSeparator();
    spokenCommandsItem_ = MakeAction(options, "Spoken_Commands", "Spoken commands");
    spokenCommandsItem_->setCheckable(true);
    connect(spokenCommandsItem_, &QAction::triggered, this, &TForm_Main::OnSpokenCommandsClicked);
    listenCommandsItem_ = MakeAction(options, "Speaker1", "&Listen commands");
    connect(listenCommandsItem_, &QAction::triggered, this, [this] { ShowPanelCentred(spokenCommandsPanel_); });
    options->addSeparator();
    spokenCountdownItem_ = MakeAction(options, "Spoken_Countdown", "Spoken countdown");
    spokenCountdownItem_->setCheckable(true);
    connect(spokenCountdownItem_, &QAction::triggered, this, &TForm_Main::OnSpokenCountdownClicked);
    keepAwakeItem_ = MakeAction(options, "Keep_Awake", "Keep awake around the eclipse");
    keepAwakeItem_->setCheckable(true);
    connect(keepAwakeItem_, &QAction::triggered, this, &TForm_Main::OnKeepAwakeClicked);
    siteMapItem_ = MakeAction(options, "Site_Map", "Site map");
    siteMapItem_->setShortcut(QKeySequence("Ctrl+M"));
    connect(siteMapItem_, &QAction::triggered, this, &TForm_Main::OnSiteMapClicked);
    dayViewItem_ = MakeAction(options, "Day_View", "Eclipse &day view");
    dayViewItem_->setShortcut(QKeySequence("Ctrl+D"));
    nightModeItem_ = MakeAction(options, "Night_Mode", "&Night mode (red on black)");
    nightModeItem_->setCheckable(true);
    connect(nightModeItem_, &QAction::triggered, this, &TForm_Main::SetNightMode);
}

void TForm_Main::BuildSizeAndAboutMenus() {
    QMenu* size = menuBar()->addMenu("Form Size");
    size->setObjectName("FormSize1");
    largeSizeItem_ = MakeAction(size, "Large1", "Large");
    normalSizeItem_ = MakeAction(size, "Normal1", "Normal");
    smallSizeItem_ = MakeAction(size, "Small1", "Small");
    const auto choose = [this](FormSize chosen) {
        SetFormSize(chosen, ScreenRoom(this));
        if (formSizeChosen_) formSizeChosen_(chosen);
    };
    connect(largeSizeItem_, &QAction::triggered, this, [choose] { choose(FormSize::Large); });
    connect(normalSizeItem_, &QAction::triggered, this, [choose] { choose(FormSize::Normal); });
    connect(smallSizeItem_, &QAction::triggered, this, [choose] { choose(FormSize::Small); });

    QMenu* about = menuBar()->addMenu("&About");
    about->setObjectName("About1");
    aboutItem_ = MakeAction(about, "Version1", "Zelto &Version");
    connect(aboutItem_, &QAction::triggered, this, [this] {
        FillVersionGrid();
        aboutNameLabel_->setText("Zelto      " + versionGrid_->item(3, 1)->text());
        ShowPanelCentred(aboutPanel_);
    });
}

void TForm_Main::Create() {
    creating_ = true;
    // 1. Numbers as the program's texts and files hold them, whatever the regional settings.
    QLocale::setDefault(QLocale::c());
    // 2. The operating system for the camera log.
    const OsInformation os = QueryOsInformation();
    shared_.program.WindowsProductName = os.ProductName;
    shared_.program.WindowsVersion = os.Version;
    shared_.program.WindowsBuildLab = os.BuildLab;
    // 4. The world map, stretched over the map panel.
    worldMapImage_->setPixmap(QPixmap(":/WorldBitmap"));
    worldMapImage_->setGeometry(worldMapPanel_->rect());
    worldPathView_->setGeometry(worldMapPanel_->rect());
    // 5. Hemispheres, options.
    northSouthList_->setCurrentText("N");
    eastWestList_->setCurrentText("E");
    tenthsItem_->setChecked(false);
    shared_.time.TenthsFlag = 0;
    spokenCommandsItem_->setChecked(true);
    shared_.flags.SpokenCommands = true;
    listenCommandsItem_->setEnabled(true);
    largeSizeItem_->setEnabled(true);
    smallSizeItem_->setEnabled(true);
    normalSizeItem_->setEnabled(false);
    // 7. A camera log left over from an earlier run (one that cannot be deleted is replaced at connect).
    DeleteCameraLog(shared_.folders);
    // 8. Default site; eclipse 51 selected at once, so that no handler ever sees an empty record.
    SelectCatalogEclipse(shared_.eclipse, 51);
    shared_.site = SiteInputs{};
    shared_.eclipse.ManualDeltaTOn = false;
    CopySiteFromShared();
    deltaTEdit_->setVisible(true);  // shown until a parameter file says otherwise
    deltaTEdit_->setEnabled(true);
    // 9. Version grid.
    FillVersionGrid();
    // 10. Parameter file, then the saved eclipse.
    if (ReadParameterFile(ParameterFilePath(), shared_.program.VersionText, shared_.site, shared_.eclipse) ==
        ParameterFileResult::Read) {
        CopySiteFromShared();
        ApplyDeltaTShown();
    } else {
        // A first start shows the eclipse to come, not one long past.
        shared_.eclipse.SelectedEclipse = NextEclipseNumber(shared_.eclipse.EclipseCatalog, clock_.NowJD());
    }
    eclipseChooser_->setValue(shared_.eclipse.SelectedEclipse);
    SelectEclipse();  // also when the position did not change
    creating_ = false;

    ApplyKeptOptions();
    // 11. The window as its layout asks, inside the screen.
    FitToRoom(this, ScreenRoom(this));
    RecomputePass();
    timer_->start();
}

// The options kept from the last run.
void TForm_Main::ApplyKeptOptions() {
    options_ = ReadOptionsFile(OptionsFilePath());
    spokenCountdownItem_->setChecked(options_.SpokenCountdown);
    if (options_.SpokenCountdown) StartCountdown();
    keepAwakeItem_->setChecked(options_.KeepAwake);
    nightModeItem_->setChecked(options_.NightMode);
    ApplyNightMode(options_.NightMode);
}

void TForm_Main::CopySiteFromShared() {
    // The copies run the edits' change handlers, which clean the texts and run passes.
    const SiteInputs site = shared_.site;
    const QString deltaT = ToQString(site.DeltaTText);
    manualDeltaTBox_->setChecked(shared_.eclipse.ManualDeltaTOn);
    deltaTEdit_->setText(deltaT);
    latitudeEdit_->setText(ToQString(site.Lati));
    northSouthList_->setCurrentText(ToQString(site.NS));
    longitudeEdit_->setText(ToQString(site.Long));
    eastWestList_->setCurrentText(ToQString(site.EW));
    heightEdit_->setText(ToQString(site.Height));
}

void TForm_Main::ApplyDeltaTShown() {
    const bool manual = shared_.eclipse.ManualDeltaTOn;
    manualDeltaTBox_->setChecked(manual);
    deltaTEdit_->setVisible(manual);
    deltaTEdit_->setEnabled(manual);
}

// What this build and this computer are, as Linux, macOS and Windows all have it.
void TForm_Main::FillVersionGrid() {
    const TFileVersionInfo info = ReadVersionInfo(ToUtf8(QCoreApplication::applicationFilePath()));
    const std::string build =
        std::string(info.DebugBuild ? "debug" : "release") + (info.PreRelease ? ", pre-release" : "");
    const std::pair<const char*, std::string> rows[] = {
        {"Program", info.ProductName},
        {"Description", info.FileDescription},
        {"Company", info.CompanyName},
        {"Version", info.FileVersion},  // row 3: the window title takes it
        {"Product version", info.ProductVersion},
        {"Copyright", info.LegalCopyRight},
        {"Build", build},
        {"File", info.OriginalFileName},
        {"System", shared_.program.WindowsProductName},
        {"Kernel", shared_.program.WindowsVersion},
        {"Architecture", shared_.program.WindowsBuildLab},
    };
    versionGrid_->setRowCount(static_cast<int>(std::size(rows)));
    for (int r = 0; r < versionGrid_->rowCount(); ++r) {
        versionGrid_->setItem(r, 0, new QTableWidgetItem(rows[r].first));
        auto* value = new QTableWidgetItem(ToQString(rows[r].second));
        value->setToolTip(value->text());  // the whole text where the column cuts it
        versionGrid_->setItem(r, 1, value);
    }
    // Every value whole, in the grid's font at the form size.
    versionGrid_->resizeColumnsToContents();
    versionGrid_->resizeRowsToContents();
}

void TForm_Main::OnActivated() {
    activatedOnce_ = true;
    const QString title = QCoreApplication::applicationName();
    captionPrefix_ =
        "Zelto  Vers." + ToUtf8(versionGrid_->item(3, 1)->text()) + "  - " + ToUtf8(title) + "      ";
    setWindowTitle(ToQString(captionPrefix_));
    aboutPanel_->hide();
    SelectEclipse();
}

void TForm_Main::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) OnActivated();
}

void TForm_Main::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (activatedOnce_) return;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        // Centred, 200 pixels from the top where the screen leaves that room.
        const int top = std::clamp(area.height() - frameGeometry().height() - kWindowFrame.height(), 0, 200);
        move(area.x() + std::max(0, (area.width() - frameGeometry().width()) / 2), area.y() + top);
    }
    OnActivated();  // platforms without activation events still get their caption
}

void TForm_Main::SelectEclipse() {
    ApplyHeader(zelto::SelectEclipse(shared_.eclipse, eclipseChooser_->value(), captionPrefix_));
    eclipseNumberLabel_->setText("No. " + QString::number(shared_.eclipse.SelectedEclipse));
}

void TForm_Main::ApplyHeader(const EclipseHeader& header) {
    eclipseDateLabel_->setText(ToQString(header.Date));
    greatestEclipseLabel_->setText(ToQString(header.GreatestEclipse));
    deltaTLabel_->setText(ToQString(header.DeltaT));
    eclipseKindLabel_->setText(ToQString(header.Kind));
    setWindowTitle(ToQString(header.Caption));
}

void TForm_Main::OnClockTick() {
    TimeSource& time = shared_.time;
    time.CurrentJD = clock_.NowJD() + time.TimeOffset;
    utClockLabel_->setText("UT: " + ToQString(JDText(time.CurrentJD, time.TenthsFlag)));
    if (time.TimeOffset == 0) {
        clockHeading_->setText("System Time");
        SetBackground(clockHeading_, kSystemTimeBack);
        SetTextColour(clockHeading_, Qt::black);
        SetBackground(utClockLabel_, Qt::black);
    } else {
        clockHeading_->setText("Rehearsal Time");
        SetBackground(clockHeading_, kRehearsalBack);
        SetTextColour(clockHeading_, Qt::white);
        SetBackground(utClockLabel_, kRehearsalBack);
    }
    RecomputePass();
    ShowLaptop();
}

void TForm_Main::SetAwakeService(AwakeService* service) {
    awake_.reset();  // lets go of what the service before held
    if (service) awake_ = std::make_unique<AwakeKeeper>(*service);
}

void TForm_Main::ShowLaptop() {
    // The real clock: a rehearsal offset does not move the eclipse.
    const double now = clock_.NowJD();
    const std::array<double, kContactSlots>& contacts = shared_.contacts.ContactJD;
    const CameraActivity activity = shared_.flags.Activity;
    const bool run = activity == CameraActivity::Run || activity == CameraActivity::TestRun;
    const AwakeText awake =
        awake_ ? awake_->Tick(AwakeNeeded(now, contacts, run, options_.KeepAwake), now) : AwakeText{};
    awakeLabel_->setText(ToQString(awake.text));
    awakeLabel_->setToolTip(awake.text.empty() ? QString(kAwakeHint) : ToQString(awake.text));
    SetTextColour(awakeLabel_, awake.warning ? QColor(200, 0, 0) : QColor(Qt::black));
    const BatteryText battery = BatteryLine(battery_ ? battery_->Latest() : std::nullopt, now, contacts);
    batteryLabel_->setText(ToQString(battery.text));
    SetTextColour(batteryLabel_, battery.warning ? QColor(255, 80, 80) : QColor(Qt::white));
}

void TForm_Main::RecomputePass() {
    const PassResult pass =
        zelto::RecomputePass(shared_.site, shared_.eclipse, shared_.contacts, shared_.time,
                             MapSize{worldMapPanel_->width(), worldMapPanel_->height()});
    for (int i = 0; i < 4; ++i)
        statusPanels_[i]->setText(ToQString(pass.site.StatusPanels[static_cast<size_t>(i)]));
    latitudeMarker_->setGeometry(0, pass.site.LatiMarkerTop, worldMapPanel_->width(), kMarkerThickness);
    longitudeMarker_->setGeometry(pass.site.LongMarkerLeft, 0, kMarkerThickness, worldMapPanel_->height());
    for (const DisplayLabel& shown : pass.contacts.labels) {
        const auto found = contactLabels_.find(shown.name);
        if (found == contactLabels_.end()) continue;
        found->second->setText(ToQString(shown.text));
        SetTextColour(found->second, ToQColor(shown.colour));
    }
    centralDurationLabel_->setText(ToQString(pass.contacts.Duration));
    magnitudeLabel_->setText(ToQString(pass.contacts.Magnitude));
    if (pass.deltaTChanged) ShowHeader();
    ShowEclipseDay();
}

void TForm_Main::ShowEclipseDay() {
    const EclipseState& eclipse = shared_.eclipse;
    const SitePlace& place = shared_.contacts.Place;
    if (const std::pair shown{eclipse.SelectedEclipse, eclipse.DeltaT}; shown != worldShown_) {
        worldShown_ = shown;
        worldSweeper_->Request([record = eclipse.CurrentEclipse,
                                deltaT = eclipse.DeltaT] { return WorldPathMap(record, deltaT); },
                               [this](PathMap map) { worldPathView_->SetMap(std::move(map)); });
    }

    const PathLimit limit = NearestPathLimit(eclipse.CurrentEclipse, eclipse.DeltaT, place);
    const EdgeWarning warning = NearEdgeWarning(place, limit);
    dayFacts_.edgeWarning = warning.shown ? warning.text : std::string();
    edgeWarningLabel_->setText(ToQString(warning.text));
    edgeWarningLabel_->setVisible(warning.shown);

    const GpsStatus gps = gps_ ? gps_->Latest() : GpsStatus{};
    const bool fix = gps.state == GpsState::Fix;
    const ClockCheck clock = dayFacts_.clockCheck =
        CheckClock(clockStatus_ ? clockStatus_->Read() : KernelClockStatus{},
                   fix ? gps.fix.clockOffsetSeconds : std::nullopt);
    clockCheckLabel_->setText(ToQString(clock.text));
    clockCheckLabel_->setToolTip(ToQString(clock.hint));
    SetTextColour(clockCheckLabel_, clock.warning ? QColor(255, 80, 80) : QColor(160, 255, 160));
    siteFromGpsItem_->setText(ToQString(GpsItemCaption(gps)));
    siteFromGpsItem_->setEnabled(fix && GpsFixProblem(gps.fix).empty());

    if (siteMap_->isVisible()) {
        const GeoPoint site = PositionOf(place);
        siteMap_->ShowSite(eclipse.SelectedEclipse, eclipse.CurrentEclipse, eclipse.DeltaT, site,
                           place.Height, SiteMapCaption(site, limit));
    }
}

void TForm_Main::OnSiteMapClicked() {
    siteMap_->show();
    siteMap_->raise();
    RecomputePass();  // the site map follows the site from now on
}

void TForm_Main::OnSiteFromGps() {
    if (!gps_) return;
    const GpsStatus gps = gps_->Latest();
    if (gps.state != GpsState::Fix) return;
    if (const std::optional<SiteInputs> site = SiteFromGps(gps.fix, shared_.site)) PutSite(*site);
}

void TForm_Main::PutSite(const SiteInputs& site) {
    LoadTableSite(
        {eclipseChooser_->value(), site.Lati, site.NS == "N", site.Long, site.EW == "E", site.Height});
}

void TForm_Main::WaitForMaps() {
    worldSweeper_->WaitForDone();
    siteMap_->WaitForMap();
}

void TForm_Main::OnLatitudeEdited(const QString& text) {
    SiteEditChanged(SiteField::Latitude, latitudeEdit_, northSouthList_, shared_.site.Lati, text);
}

void TForm_Main::OnLongitudeEdited(const QString& text) {
    SiteEditChanged(SiteField::Longitude, longitudeEdit_, eastWestList_, shared_.site.Long, text);
}

void TForm_Main::OnHeightEdited(const QString& text) {
    SiteEditChanged(SiteField::Height, heightEdit_, nullptr, shared_.site.Height, text);
}

void TForm_Main::SiteEditChanged(SiteField field, QLineEdit* edit, QComboBox* hemisphereList,
                                 std::string& stored, const QString& typed) {
    const std::string listed = hemisphereList ? ToUtf8(hemisphereList->currentText()) : std::string();
    const SiteEdit result = SiteEditChange(field, ToUtf8(typed), listed, shared_.site);
    if (ToQString(result.text) != typed) {
        const QSignalBlocker quiet(edit);  // this handler has already taken the text
        edit->setText(ToQString(result.text));
    }
    MarkEdit(edit, result.note);
    const bool hemisphereChanged =
        hemisphereList && !result.hemisphere.empty() && result.hemisphere != listed;
    if (hemisphereChanged) {
        const QSignalBlocker quiet(hemisphereList);
        hemisphereList->setCurrentText(ToQString(result.hemisphere));
        shared_.site.NS = ToUtf8(northSouthList_->currentText());
        shared_.site.EW = ToUtf8(eastWestList_->currentText());
    }
    // What cannot be used leaves the last valid value in use.
    if (result.used) stored = *result.used;
    if (result.used || hemisphereChanged) RecomputePass();
}

void TForm_Main::MarkEdit(QLineEdit* edit, const std::string& note) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, BackgroundInMode(note.empty() ? QColor(Qt::white) : kMarkedEditBack));
    edit->setPalette(palette);
    edit->setToolTip(ToQString(note));
}

void TForm_Main::OnHemisphereChanged() {
    shared_.site.NS = ToUtf8(northSouthList_->currentText());
    shared_.site.EW = ToUtf8(eastWestList_->currentText());
    // The notes of the angle edits name the hemisphere.
    MarkEdit(latitudeEdit_,
             SiteEditChange(SiteField::Latitude, ToUtf8(latitudeEdit_->text()), shared_.site.NS, shared_.site)
                 .note);
    MarkEdit(longitudeEdit_, SiteEditChange(SiteField::Longitude, ToUtf8(longitudeEdit_->text()),
                                            shared_.site.EW, shared_.site)
                                 .note);
    RecomputePass();
}

void TForm_Main::OnDeltaTEdited(const QString& text) {
    const DeltaTEdit edit = DeltaTEditChange(ToUtf8(text), shared_.eclipse);
    ShowDeltaTEdit(edit, text);
    if (creating_) return;
    // Typed or automatic, the ΔT in force and greatest eclipse are set: the header follows them.
    statusPanels_[3]->setText(ToQString(FixedText(shared_.eclipse.DeltaT, 1)));
    ShowHeader();
}

void TForm_Main::ShowDeltaTEdit(const DeltaTEdit& edit, const QString& typed) {
    if (ToQString(edit.text) != typed) {
        const QSignalBlocker quiet(deltaTEdit_);  // cleaned, or emptied when out of range
        deltaTEdit_->setText(ToQString(edit.text));
    }
    MarkEdit(deltaTEdit_, edit.note);
    shared_.site.DeltaTText = edit.text;
}

void TForm_Main::OnManualDeltaTClicked(bool ticked) {
    const DeltaTEdit edit = DeltaTCheckClick(ticked, ToUtf8(deltaTEdit_->text()), shared_.eclipse);
    ShowDeltaTEdit(edit, deltaTEdit_->text());
    ApplyDeltaTShown();
    statusPanels_[3]->setText(ToQString(FixedText(shared_.eclipse.DeltaT, 1)));
    ShowHeader();
}

void TForm_Main::ShowHeader() {
    ApplyHeader(ShowEclipseHeader(shared_.eclipse.CurrentEclipse, shared_.eclipse.GreatestEclipseJD,
                                  shared_.eclipse.DeltaT, captionPrefix_));
}

void TForm_Main::OnTenthsClicked(bool on) {
    shared_.time.TenthsFlag = on ? 1 : 0;
    timer_->setInterval(on ? 250 : 500);
}

void TForm_Main::OnSpokenCommandsClicked(bool on) {
    shared_.flags.SpokenCommands = on;
    listenCommandsItem_->setEnabled(on);
    if (on) PlaySound(kOkSound);
}

void TForm_Main::OnSpokenCountdownClicked(bool on) {
    options_.SpokenCountdown = on;
    if (on) {
        StartCountdown();
    } else {
        countdownTimer_->stop();
    }
    SaveOptions();
}

// The words' lengths are read from their files, and the files loaded, each time the countdown starts.
void TForm_Main::StartCountdown() {
    const std::string& folder = shared_.folders.ResourceFolder;
    countdown_ = SpokenCountdown(ReadWordLengths(folder));
    for (const std::string& file : CountdownFiles()) sound_.Preload(folder + file);
    countdownTimer_->start();
}

void TForm_Main::OnKeepAwakeClicked(bool on) {
    options_.KeepAwake = on;
    ShowLaptop();
    SaveOptions();
}

void TForm_Main::SetNightMode(bool on) {
    options_.NightMode = on;
    SaveOptions();
    ApplyNightMode(on);
    nightModeItem_->setChecked(on);
    OnClockTick();  // the colours of the clock and the contacts in the new mode
    if (nightModeChanged_) nightModeChanged_(on);
}

void TForm_Main::SaveOptions() {
    // The cameras kept in the same file are the camera window's (and zelto-cli's): read afresh, never
    // written back as they were when this window started.
    ProgramOptions kept = ReadOptionsFile(OptionsFilePath());
    kept.SpokenCountdown = options_.SpokenCountdown;
    kept.KeepAwake = options_.KeepAwake;
    kept.NightMode = options_.NightMode;
    if (!WriteOptionsFile(OptionsFilePath(), kept))
        qWarning("Zelto: could not write %s", OptionsFilePath().c_str());
}

void TForm_Main::OnCountdownTick() {
    const double now = clock_.NowJD() + shared_.time.TimeOffset;
    if (const auto word = countdown_.Poll(shared_.contacts.ContactJD, now)) {
        sound_.Play(shared_.folders.ResourceFolder + *word);
    }
}

void TForm_Main::PlaySound(const char* file) {
    sound_.Play(shared_.folders.ResourceFolder + file);
}

void TForm_Main::ShowPanelCentred(QWidget* panel) {
    panel->adjustSize();
    panel->move(std::max(0, (content_->width() - panel->width()) / 2),
                std::max(0, (content_->height() - panel->height()) / 2));
    panel->show();
    panel->raise();
}

void TForm_Main::SetFormSize(FormSize size, QSize room) {
    formSize_ = size;
    const double scale = FontScale(size);
    const auto scaled = [scale](int value) { return static_cast<int>(std::lround(value * scale)); };
    ScaleFonts(this, scale);
    worldMapPanel_->setFixedSize(scaled(kMapWidth), scaled(kMapHeight));
    worldMapImage_->setGeometry(worldMapPanel_->rect());
    worldPathView_->setGeometry(worldMapPanel_->rect());
    for (QLabel* panel : statusPanels_) panel->setMinimumWidth(scaled(kStatusPanelWidth));
    FillVersionGrid();
    normalSizeItem_->setEnabled(size != FormSize::Normal);
    largeSizeItem_->setEnabled(size == FormSize::Normal);
    smallSizeItem_->setEnabled(size == FormSize::Normal);
    FitToRoom(this, room);
    siteMap_->SetFormSize(size, room);
    // A panel that is open scales with the window and stays centred in it.
    for (QFrame* panel : {aboutPanel_, spokenCommandsPanel_}) {
        if (!panel->isHidden()) ShowPanelCentred(panel);
    }
    RecomputePass();  // the marker bars follow the new map size, 3 pixels thick again
}

// The site in use, never an edit's text that could not be used: the table reader takes it back.
TableFileSite TForm_Main::TableSite() const {
    return TableSiteOf(shared_.site, eclipseChooser_->value());
}

void TForm_Main::LoadTableSite(const TableFileSite& site) {
    {
        // The handlers run below, once each and in their order.
        const QSignalBlocker blockEclipse(eclipseChooser_), blockLati(latitudeEdit_),
            blockLong(longitudeEdit_), blockHeight(heightEdit_), blockNS(northSouthList_),
            blockEW(eastWestList_);
        eclipseChooser_->setValue(site.EclipseNumber);  // kept within 1 to 224
        latitudeEdit_->setText(ToQString(site.Latitude));
        northSouthList_->setCurrentIndex(site.North ? 0 : 1);
        longitudeEdit_->setText(ToQString(site.Longitude));
        eastWestList_->setCurrentIndex(site.East ? 0 : 1);
        heightEdit_->setText(ToQString(site.Height));
    }
    shared_.site.NS = ToUtf8(northSouthList_->currentText());
    shared_.site.EW = ToUtf8(eastWestList_->currentText());
    OnLongitudeEdited(longitudeEdit_->text());
    OnLatitudeEdited(latitudeEdit_->text());
    OnHeightEdited(heightEdit_->text());
    SelectEclipse();
    // The edits' passes ran with the eclipse selected before; this one computes the loaded eclipse.
    RecomputePass();
}

std::string TForm_Main::ParameterFilePath() const {
    return shared_.folders.AppDataFolder + kParameterFileName;
}

std::string TForm_Main::OptionsFilePath() const {
    return shared_.folders.AppDataFolder + kOptionsFileName;
}

void TForm_Main::OnExitAndSave() {
    shared_.flags.AbortShotsRequested = true;
    shared_.flags.AbortTestRequested = true;
    close();
}

void TForm_Main::OnQuitWithoutSaving() {
    if (RunGoingOn()) return AskToStopRun(quitProcess_);
    quitProcess_();
}

bool TForm_Main::RunGoingOn() const {
    const CameraActivity activity = shared_.flags.Activity;
    return activity == CameraActivity::Run || activity == CameraActivity::TestRun;
}

void TForm_Main::AskToStopRun(std::function<void()> then) {
    if (stopQuestionOpen_ || !question_) return;
    stopQuestionOpen_ = true;
    question_("Zelto", kStopRunQuestion, {kKeepRunningButton, kStopAndCloseButton}, 0,
              [this, then = std::move(then)](int choice) {
                  stopQuestionOpen_ = false;
                  if (choice != 1) return;
                  shared_.flags.AbortRunRequested = shared_.flags.AbortTestRequested = true;
                  WhenRunEnded(then);
              });
}

void TForm_Main::WhenRunEnded(std::function<void()> then) {
    if (!RunGoingOn()) return then();
    QTimer::singleShot(50, this, [this, then = std::move(then)] { WhenRunEnded(then); });
}

bool TForm_Main::eventFilter(QObject* watched, QEvent* event) {
    // A wheel notch on the eclipse chooser is one eclipse (a scroll bar would move three).
    if (watched == eclipseChooser_ && event->type() == QEvent::Wheel) {
        const int notches = static_cast<QWheelEvent*>(event)->angleDelta().y() / 120;
        if (notches != 0) eclipseChooser_->setValue(eclipseChooser_->value() - notches);
        return true;
    }
    // An open panel stays centred as the client area changes size.
    if (watched == content_ && event->type() == QEvent::Resize) {
        for (QFrame* panel : {aboutPanel_, spokenCommandsPanel_}) {
            if (!panel->isHidden()) ShowPanelCentred(panel);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm_Main::closeEvent(QCloseEvent* event) {
    if (RunGoingOn()) {
        event->ignore();
        AskToStopRun([this] { close(); });
        return;
    }
    shared_.flags.AbortShotsRequested = true;
    shared_.flags.AbortTestRequested = true;
    shared_.flags.AbortRunRequested = true;
    timer_->stop();
    countdownTimer_->stop();
    std::string failed;
    std::string failures;
    if (!WriteParameterFile(ParameterFilePath(), shared_.program.VersionText, shared_.site, shared_.eclipse,
                            &failed)) {
        failures = failed + "\nThe site and eclipse of this session are not saved.";
    }
    // This run's camera log survives as "Camera.txt" until the next run closes.
    if (const std::string notKept = KeepCameraLogAsPrevious(shared_.folders); !notKept.empty()) {
        failures += (failures.empty() ? "" : "\n\n") + notKept;
    }
    event->accept();
    // A failure is shown before the program ends: the message box ends it when it is closed.
    if (!failures.empty()) return messageBox_("Zelto", failures);
    if (quitApplicationOnClose_) QCoreApplication::quit();
}

}  // namespace zelto
