#pragma once

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "camera/sound_player.h"
#include "circumstances/laptop_day.h"
#include "circumstances/parameter_file.h"
#include "circumstances/recompute.h"
#include "circumstances/site_sources.h"
#include "circumstances/spoken_countdown.h"
#include "eclipse_data/clock.h"
#include "eclipse_data/clock_check.h"
#include "exposure/table_file.h"
#include "state/variables.h"
#include "window_dialogs/dialogs.h"
#include "window_dialogs/window_fit.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollBar;
class QTableWidget;
class QTimer;
class QVBoxLayout;

namespace zelto {

class EclipseListDialog;
class MapSweeper;
class PathMapView;
class TForm_SiteMap;

// The program's home screen: eclipse selection, observer site, ΔT, the UT clock with the contact
// table and countdowns, the world map with the site marker, the status line and the main menu.
// Every control's objectName is its component name. The window only copies core results into its
// controls; the rules live in circumstances/.
class TForm_Main : public QMainWindow {
    Q_OBJECT

  public:
    using FormSize = zelto::FormSize;

    // Runs the creation steps (format, OS information, map, leftover camera log, defaults, parameter
    // file) and starts the clock. The shared folders and VersionText must be set (start-up).
    TForm_Main(SharedVariables& shared, Clock& clock, SoundPlayer& sound, QWidget* parent = nullptr);
    ~TForm_Main() override;

    // "&Quit (don't save coordinates)" ends the process through this (default: at once, no clean-up).
    void SetQuitProcess(std::function<void()> quit) { quitProcess_ = std::move(quit); }
    // Whether closing the window also ends the application's event loop (on in the program).
    void SetQuitApplicationOnClose(bool quit) { quitApplicationOnClose_ = quit; }
    // Replaceable for tests: the message box (caption, text) that reports a file the close steps
    // could not write or rename.
    void SetMessageBox(std::function<void(const std::string&, const std::string&)> show) {
        messageBox_ = std::move(show);
    }
    // Replaceable for tests: the question before closing or quitting during a photography run.
    void SetQuestion(QuestionFn ask) { question_ = std::move(ask); }

    // Handlers, named after what they answer; public so the program's other windows and tests
    // reach them.
    void OnActivated();
    void OnClockTick();
    // The spoken countdown's timer: starts the word due on the clock in force, if any.
    void OnCountdownTick();
    void RecomputePass();
    void SelectEclipse();
    // Scales the fonts and the maps of this window and the site map; the windows stay inside `room`.
    void SetFormSize(FormSize size, QSize room);
    FormSize formSize() const { return formSize_; }
    // The form size chosen in the menu, for the program's other windows.
    void SetFormSizeChosen(std::function<void(FormSize)> chosen) { formSizeChosen_ = std::move(chosen); }

    // The site and eclipse as a table file's header holds them: the controls as they stand.
    TableFileSite TableSite() const;
    // Puts a table file's site and eclipse into the controls, then runs the change handlers of the
    // longitude, latitude and height edits and the eclipse selection, in this order and whether or
    // not a value changed, so that the circumstances are computed for the loaded site.
    void LoadTableSite(const TableFileSite& site);
    // The menu items that open the camera window ("&Camera") and the exposure window ("&Exposure
    // Tables"); the program enables them once those windows exist.
    QAction* cameraItem() const { return cameraItem_; }
    QAction* exposureTablesItem() const { return exposureTablesItem_; }
    // "Options > Eclipse day view": the program connects it to the day view.
    QAction* dayViewItem() const { return dayViewItem_; }

    // What the eclipse-day view shows besides the clock and the run: the latest pass's near-edge
    // warning (empty when none) and clock check.
    struct DayFacts {
        std::string edgeWarning;
        ClockCheck clockCheck;
    };
    const DayFacts& dayFacts() const { return dayFacts_; }
    bool NightMode() const { return options_.NightMode; }
    // Every window red on black, kept in the options file; `changed` tells the day view.
    void SetNightMode(bool on);
    void SetNightModeChanged(std::function<void(bool)> changed) { nightModeChanged_ = std::move(changed); }

    // Eclipse day at the site. The clock check asks `clock` (none: "unknown"), the GPS item and the
    // clock check ask `gps` (none: the program was built without libgps); neither is owned.
    void SetClockStatusSource(ClockStatusSource* clock) { clockStatus_ = clock; }
    void SetGpsSource(GpsSource* gps) { gps_ = gps; }
    // The laptop through the eclipse: the desktop services that keep it awake (none: nothing is held
    // and nothing said) and the battery beside the clock (none: no battery line). Neither is owned.
    void SetAwakeService(AwakeService* service);
    void SetBatterySource(BatterySource* battery) { battery_ = battery; }
    // Puts a site into the edits and lists, which recomputes everything for it.
    void PutSite(const SiteInputs& site);
    void OnSiteFromGps();
    void OnSiteMapClicked();
    TForm_SiteMap* siteMap() const { return siteMap_; }
    // Finishes the map sweeps in progress and shows their maps (tests and screenshots).
    void WaitForMaps();

    std::string ParameterFilePath() const;  // AppDataFolder + "Zelto.prm"
    std::string OptionsFilePath() const;    // AppDataFolder + "Zelto.opt"
    QTimer* timer() const { return timer_; }
    QTimer* countdownTimer() const { return countdownTimer_; }
    const std::string& captionPrefix() const { return captionPrefix_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void BuildWidgets();
    QVBoxLayout* BuildEclipseAndSite();
    QGridLayout* BuildSiteRows();
    QFrame* BuildWorldMap();
    QGridLayout* BuildContactTable();
    void AddContactRows(QGridLayout* grid, int firstRow);
    void AddAngleColumns(QGridLayout* grid, int firstRow);
    void BuildStatusLine();
    void BuildSpokenCommandsPanel();
    void BuildAboutPanel();
    QFrame* MakeOverlayPanel(const char* name);
    void ConnectEdits();
    void BuildMenus();
    QAction* MakeAction(QMenu* menu, const char* name, const QString& caption);
    void BuildFileMenu();
    void BuildOptionsMenu();
    void BuildSizeAndAboutMenus();
    void Create();
    void ApplyKeptOptions();
    void FillVersionGrid();
    void ApplyHeader(const EclipseHeader& header);
    void ApplyDeltaTShown();
    void CopySiteFromShared();
    void ShowPanelCentred(QWidget* panel);
    void PlaySound(const char* file);
    void StartCountdown();
    // During a run: asks whether to stop it; on "Stop and close" the run is aborted and `then` runs
    // once it has ended (its shot log finished).
    void AskToStopRun(std::function<void()> then);
    void WhenRunEnded(std::function<void()> then);

    // The latitude, longitude and height edits' handler: cleans the text, lets a typed sign or letter
    // choose the hemisphere, marks the edit when the value used differs from what was typed.
    void SiteEditChanged(SiteField field, QLineEdit* edit, QComboBox* hemisphereList, std::string& stored,
                         const QString& typed);
    // Red with the note as tooltip, or plain again when the note is empty.
    static void MarkEdit(QLineEdit* edit, const std::string& note);
    void ShowDeltaTEdit(const DeltaTEdit& edit, const QString& typed);
    void ShowHeader();  // the header of greatest eclipse with the ΔT in force
    void OnLatitudeEdited(const QString& text);
    void OnLongitudeEdited(const QString& text);
    void OnHeightEdited(const QString& text);
    void OnDeltaTEdited(const QString& text);
    void OnManualDeltaTClicked(bool ticked);
    void OnHemisphereChanged();
    void OnTenthsClicked(bool on);
    void OnSpokenCommandsClicked(bool on);
    void OnSpokenCountdownClicked(bool on);
    void OnKeepAwakeClicked(bool on);
    void SaveOptions();
    // On every tick: holds the computer awake or lets it go, and shows that and the battery.
    void ShowLaptop();
    void OnExitAndSave();
    void OnQuitWithoutSaving();
    bool RunGoingOn() const;
    // After every pass: the world map's path, the near-edge warning, the clock check, the GPS item
    // and the site map.
    void ShowEclipseDay();

    SharedVariables& shared_;
    Clock& clock_;
    SoundPlayer& sound_;
    std::function<void()> quitProcess_;
    std::function<void(const std::string&, const std::string&)> messageBox_;
    QuestionFn question_;
    bool stopQuestionOpen_ = false;  // the question before closing during a run is open
    bool quitApplicationOnClose_ = true;
    bool activatedOnce_ = false;
    bool creating_ = true;
    std::string captionPrefix_;
    FormSize formSize_ = FormSize::Normal;

    std::function<void(FormSize)> formSizeChosen_;
    std::function<void(bool)> nightModeChanged_;
    QWidget* content_ = nullptr;
    QTimer* timer_ = nullptr;
    QTimer* countdownTimer_ = nullptr;
    SpokenCountdown countdown_{{}};
    ProgramOptions options_;
    DayFacts dayFacts_;
    QScrollBar* eclipseChooser_ = nullptr;
    QLabel* eclipseDateLabel_ = nullptr;
    QLabel* greatestEclipseLabel_ = nullptr;
    QLabel* eclipseKindLabel_ = nullptr;
    QLabel* deltaTLabel_ = nullptr;
    QLabel* eclipseNumberLabel_ = nullptr;    // the catalog number beside the date
    QLabel* centralDurationLabel_ = nullptr;  // the site's totality or annularity
    QLabel* magnitudeLabel_ = nullptr;
    QLineEdit* deltaTEdit_ = nullptr;
    QCheckBox* manualDeltaTBox_ = nullptr;
    QLineEdit* latitudeEdit_ = nullptr;
    QLineEdit* longitudeEdit_ = nullptr;
    QLineEdit* heightEdit_ = nullptr;
    QComboBox* northSouthList_ = nullptr;
    QComboBox* eastWestList_ = nullptr;
    QFrame* worldMapPanel_ = nullptr;
    QLabel* worldMapImage_ = nullptr;
    QFrame* latitudeMarker_ = nullptr;
    QFrame* longitudeMarker_ = nullptr;
    QLabel* clockHeading_ = nullptr;
    QLabel* utClockLabel_ = nullptr;
    QLabel* statusPanels_[4] = {};
    std::map<std::string, QLabel*, std::less<>> contactLabels_;
    QFrame* aboutPanel_ = nullptr;
    QLabel* aboutNameLabel_ = nullptr;
    QTableWidget* versionGrid_ = nullptr;
    QFrame* spokenCommandsPanel_ = nullptr;

    PathMapView* worldPathView_ = nullptr;  // the path over the world map
    QLabel* edgeWarningLabel_ = nullptr;
    QLabel* clockCheckLabel_ = nullptr;
    QLabel* batteryLabel_ = nullptr;  // beside the clock
    QLabel* awakeLabel_ = nullptr;    // in the status line
    QAction* dayViewItem_ = nullptr;
    QLabel* noSoundLabel_ = nullptr;            // in the status line, while the computer has no sound output
    EclipseListDialog* eclipseList_ = nullptr;  // made when first asked for
    TForm_SiteMap* siteMap_ = nullptr;
    MapSweeper* worldSweeper_ = nullptr;
    std::pair<int, double> worldShown_{0, 0};  // the eclipse and ΔT of the world map's path
    ClockStatusSource* clockStatus_ = nullptr;
    GpsSource* gps_ = nullptr;
    std::unique_ptr<AwakeKeeper> awake_;
    BatterySource* battery_ = nullptr;

    QAction* siteFromGpsItem_ = nullptr;
    QAction* siteMapItem_ = nullptr;
    QAction* exitAndSaveItem_ = nullptr;
    QAction* quitItem_ = nullptr;
    QAction* cameraItem_ = nullptr;
    QAction* exposureTablesItem_ = nullptr;
    QAction* tenthsItem_ = nullptr;
    QAction* spokenCommandsItem_ = nullptr;
    QAction* listenCommandsItem_ = nullptr;
    QAction* spokenCountdownItem_ = nullptr;
    QAction* keepAwakeItem_ = nullptr;
    QAction* largeSizeItem_ = nullptr;
    QAction* normalSizeItem_ = nullptr;
    QAction* smallSizeItem_ = nullptr;
    QAction* aboutItem_ = nullptr;
    QAction* nightModeItem_ = nullptr;
};

}  // namespace zelto
