// Eclipse day at the site in the windows: the clock check and the GPS item with fake sources, the
// near-edge warning, the site map, and fitting the exposure table to the current site.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <tuple>

#include "day_view/form_day_view.h"
#include "eclipse51_path.h"
#include "eclipse_data/julian.h"
#include "eclipse_data/number_text.h"
#include "exposure_window/form_exposure.h"
#include "main_window/form_main.h"
#include "main_window/form_site_map.h"
#include "window_test_support.h"

namespace zelto {
namespace {


constexpr double kSecond = 1.0 / 86400.0;

class FakeKernel final : public ClockStatusSource {
  public:
    KernelClockStatus Read() override { return status; }
    KernelClockStatus status;
};

class FakeGps final : public GpsSource {
  public:
    GpsStatus Latest() override { return status; }
    GpsStatus status{GpsState::NoGpsd, {}};
};

// The desktop's sleep services and battery as the main window sees them.
class FakeAwake final : public AwakeService {
  public:
    AwakeHold Hold(const std::string&) override {
        ++holds;
        return answer;
    }
    void Release() override { ++releases; }
    AwakeHold answer{HoldAnswer::Held, HoldAnswer::Held};
    int holds = 0, releases = 0;
};

class FakeBattery final : public BatterySource {
  public:
    std::optional<BatteryReading> Latest() override { return reading; }
    std::optional<BatteryReading> reading;
};

// A site on a meridian, height 0, as the table file and the edits hold it.
TableFileSite SiteAt(double latitude, double west) {
    return {51, FixedText(latitude, 4), true, FixedText(west, 4), false, "0"};
}

class EclipseDay : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        SharedVariables& shared = SharedStateIn(home);
        main = std::make_unique<TForm_Main>(shared, clock, sound);
        main->SetQuitApplicationOnClose(false);
        main->SetQuitProcess([] {});
        main->SetClockStatusSource(&kernel);
        main->SetGpsSource(&gps);
        main->OnClockTick();
    }

    template <typename W = QLabel>
    W* Get(const char* name) {
        return FindControl<W>(*main, name);
    }
    QString Edits() {
        return Get<QLineEdit>("Edit_Lati")->text() + Get<QComboBox>("ComboBox_NS")->currentText() + " " +
               Get<QLineEdit>("Edit_Long")->text() + Get<QComboBox>("ComboBox_EW")->currentText() + " " +
               Get<QLineEdit>("Edit_Height")->text();
    }

    QTemporaryDir home;
    FakeClock clock{CalendarToJD(2024, 4, 8, 17, 0, 0), 0};
    Silent sound;
    FakeKernel kernel;
    FakeGps gps;
    std::unique_ptr<TForm_Main> main;
};

TEST_F(EclipseDay, ClockCheckAndSiteFromGps) {
    QLabel* check = Get("Label_ClockCheck");
    QAction* item = Get<QAction>("Site_from_GPS");
    EXPECT_EQ(check->text(), "Clock sync: unknown");  // the fake kernel cannot say yet
    kernel.status = {true, false, 0};
    main->OnClockTick();
    EXPECT_EQ(check->text(), "Clock not synchronised");
    EXPECT_EQ(check->palette().color(QPalette::WindowText), QColor(255, 80, 80));
    EXPECT_EQ(item->text(), "no GPS (gpsd not running)");
    EXPECT_FALSE(item->isEnabled());

    kernel.status = {true, true, 0.002};
    gps.status = {GpsState::Fix, {32.78, -96.80, 140.0, 0.2}};
    main->OnClockTick();
    EXPECT_EQ(check->text(), "Clock synchronised, error 0.002 s; GPS offset +0.20 s");
    EXPECT_EQ(check->palette().color(QPalette::WindowText), QColor(160, 255, 160));
    EXPECT_EQ(item->text(), "Site from GPS");
    ASSERT_TRUE(item->isEnabled());
    item->trigger();
    EXPECT_EQ(Edits(), "32.7800N 96.8000W 140");
    EXPECT_EQ(Shared().contacts.Place.LocalType, 't');

    // A fix out of range is not used, and the item says why.
    const struct {
        GpsFix fix;
        const char* caption;
    } bad[] = {
        {{91.5, 540.25, -1e9, std::nullopt}, "Site from GPS (fix not used: latitude 91.5\u00b0 is beyond \u00b190\u00b0)"},
        {{32.78, 540.25, 140.0, std::nullopt},
         "Site from GPS (fix not used: longitude 540.25\u00b0 is beyond \u00b1180\u00b0)"},
        {{32.78, -96.80, -1e9, std::nullopt},
         "Site from GPS (fix not used: height -1000000000 m is outside -500 to 25000 m)"},
    };
    for (const auto& b : bad) {
        gps.status = {GpsState::Fix, b.fix};
        main->OnClockTick();
        EXPECT_EQ(item->text(), QString::fromUtf8(b.caption));
        EXPECT_FALSE(item->isEnabled());
    }
}

// The laptop: held awake from 15 minutes before C1 (and during a run, whatever the option), let go
// when the option goes off; the battery line turns red when it will not last until 15 minutes after C4.
TEST_F(EclipseDay, AwakeAroundTheEclipseAndDuringARunWithTheBatteryBesideTheClock) {
    FakeAwake awake;
    FakeBattery battery;
    main->SetAwakeService(&awake);
    main->SetBatterySource(&battery);
    const double c1 = Shared().contacts.ContactJD[kC1];
    const double c4 = Shared().contacts.ContactJD[kC4];
    ASSERT_NE(c1, 0);
    ASSERT_NE(c4, 0);
    constexpr double kMinute = 1.0 / 1440;
    const QColor red(255, 80, 80), plain(Qt::white);
    struct Step {
        double jd;
        CameraActivity activity;
        bool toggleOption;
        AwakeHold answer;
        std::optional<BatteryReading> battery;
        const char* awakeText;
        QColor batteryColour;
        int holds, releases;
    };
    const AwakeHold whole{HoldAnswer::Held, HoldAnswer::Held};
    const AwakeHold sleepOnly{HoldAnswer::Held, HoldAnswer::NoBus};
    // Seconds the battery must last from `jd`: until 15 minutes after C4.
    const auto needed = [&](double jd) { return (c4 + 15 * kMinute - jd) * 86400; };
    const Step steps[] = {
        {c1 - 16 * kMinute, CameraActivity::None, false, whole,
         BatteryReading{60, needed(c1 - 16 * kMinute) + 60, false}, "", plain, 0, 0},
        {c1 - 14 * kMinute, CameraActivity::None, false, whole,
         BatteryReading{60, needed(c1 - 14 * kMinute) - 60, false}, "Sleep and screen lock held off", red, 1,
         0},
        {c1, CameraActivity::None, true, whole, BatteryReading{98, 0, true}, "", plain, 1, 1},
        {c1, CameraActivity::TestRun, false, sleepOnly, std::nullopt,
         "Sleep held off; screen lock not held off: no session bus", plain, 2, 1},
        {c1, CameraActivity::None, false, whole, std::nullopt, "", plain, 2, 2},
    };
    QLabel* shown = Get("StatusBar1_Awake");
    QLabel* batteryLine = Get("Label_Battery");
    for (const Step& step : steps) {
        clock.SetJD(step.jd);
        Shared().flags.Activity = step.activity;
        awake.answer = step.answer;
        battery.reading = step.battery;
        if (step.toggleOption) Get<QAction>("Keep_Awake")->trigger();
        main->OnClockTick();
        const double minutes = (step.jd - c1) / kMinute;
        EXPECT_EQ(shown->text().toStdString(), step.awakeText) << minutes;
        EXPECT_EQ(awake.holds, step.holds) << minutes;
        EXPECT_EQ(awake.releases, step.releases) << minutes;
        EXPECT_EQ(batteryLine->palette().color(QPalette::WindowText), step.batteryColour) << minutes;
        EXPECT_EQ(batteryLine->text().isEmpty(), !step.battery) << minutes;
    }
    EXPECT_EQ(Get("Label_Battery")->text(), "");
    Shared().flags.Activity = CameraActivity::None;
    main->SetAwakeService(nullptr);
}

TEST_F(EclipseDay, EdgeWarningNearALimitOnly) {
    QLabel* warning = Get("Label_EdgeWarning");
    const double limit = eclipse51::NorthernLimit(eclipse51::kCentralWest);
    struct Case {
        double latitude;
        bool shown;
    };
    // On the central line; 1 km south of the northern limit (less across the path); 10 km south.
    const Case cases[] = {{eclipse51::kCentralLatitude, false},
                          {limit - 1 / eclipse51::kKmPerDegreeLatitude, true},
                          {limit - 10 / eclipse51::kKmPerDegreeLatitude, false}};
    for (const Case& c : cases) {
        main->LoadTableSite(SiteAt(c.latitude, eclipse51::kCentralWest));
        EXPECT_EQ(warning->isVisibleTo(main.get()), c.shown) << c.latitude;
        if (c.shown) {
            EXPECT_TRUE(warning->text().contains("inside the path's northern limit"))
                << warning->text().toStdString();
        }
    }
}

TEST_F(EclipseDay, PathOnTheMapsAndAClickOnTheSiteMapSetsTheSite) {
    main->LoadTableSite(SiteAt(eclipse51::kCentralLatitude, eclipse51::kCentralWest));
    main->OnSiteMapClicked();
    main->WaitForMaps();
    TForm_SiteMap* siteMap = main->siteMap();
    ASSERT_TRUE(siteMap->isVisible());
    EXPECT_FALSE(siteMap->map().band.empty());

    // The painted site map: shaded on the central line, not 10 km north of the limit.
    QWidget* view = FindControl<QWidget>(*siteMap, "SiteMap_View");
    const QImage picture = view->grab().toImage();
    const MapArea area = siteMap->map().area;
    const auto pixel = [&](GeoPoint p) {
        const MapPixel at = ToPixel(area, p, view->width(), view->height());
        return picture.pixelColor(static_cast<int>(at.x), static_cast<int>(at.y));
    };
    const double limit = eclipse51::NorthernLimit(eclipse51::kCentralWest);
    const QColor shaded = pixel({eclipse51::kCentralLatitude + 0.05, eclipse51::kCentralWest});
    const QColor plain = pixel({limit + 10 / eclipse51::kKmPerDegreeLatitude, eclipse51::kCentralWest});
    EXPECT_LT(shaded.lightness() + 40, plain.lightness());

    // A click 0.5° north of the site moves the site there (to a pixel's 0.007°) and leaves the view;
    // "Centre on site" brings the site to the middle.
    const MapPixel north = ToPixel(area, {eclipse51::kCentralLatitude + 0.5, eclipse51::kCentralWest},
                                   view->width(), view->height());
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(static_cast<int>(north.x), static_cast<int>(north.y)));
    EXPECT_NEAR(Get<QLineEdit>("Edit_Lati")->text().toDouble(), eclipse51::kCentralLatitude + 0.5, 0.01);
    EXPECT_NEAR(Get<QLineEdit>("Edit_Long")->text().toDouble(), eclipse51::kCentralWest, 0.01);
    main->WaitForMaps();
    EXPECT_NEAR(siteMap->map().area.north, eclipse51::kCentralLatitude + 2, 1e-9);
    QTest::mouseClick(FindControl<QPushButton>(*siteMap, "Button_SiteMap_Centre"), Qt::LeftButton);
    main->WaitForMaps();
    EXPECT_NEAR(siteMap->map().area.north, eclipse51::kCentralLatitude + 2.5, 0.01);

    // A wheel notch zooms to ±1.6°; a drag of 56 px (0.4°) to the left shows what lies east.
    const QPointF middle(view->width() / 2.0, view->height() / 2.0);
    QWheelEvent wheel(middle, view->mapToGlobal(middle), {}, {0, 120}, Qt::NoButton, {}, Qt::NoScrollPhase,
                      false);
    QCoreApplication::sendEvent(view, &wheel);
    EXPECT_NEAR(siteMap->view().halfSize, 1.6, 1e-9);
    const double west = siteMap->view().centre.westLongitude;
    for (const auto& [type, at, buttons] :
         {std::tuple{QEvent::MouseButtonPress, middle, Qt::LeftButton},
          std::tuple{QEvent::MouseMove, middle - QPointF(56, 0), Qt::LeftButton},
          std::tuple{QEvent::MouseButtonRelease, middle - QPointF(56, 0), Qt::NoButton}}) {
        QMouseEvent event(type, at, view->mapToGlobal(at), Qt::LeftButton, buttons, {});
        QCoreApplication::sendEvent(view, &event);
    }
    EXPECT_NEAR(siteMap->view().centre.westLongitude, west - 56.0 / view->width() * 3.2, 1e-9);
    EXPECT_NEAR(Get<QLineEdit>("Edit_Lati")->text().toDouble(), eclipse51::kCentralLatitude + 0.5,
                0.01);  // a drag is no click
}

// With the site map open, a minute of clock ticks in which nothing changes paints it no more.
TEST_F(EclipseDay, SiteMapPaintsOnlyWhenSomethingChanged) {
    main->OnSiteMapClicked();
    main->WaitForMaps();
    QWidget* view = FindControl<QWidget>(*main->siteMap(), "SiteMap_View");
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    view->installEventFilter(&counter);
    const auto tick = [&] {
        clock.AdvanceMs(250);
        main->OnClockTick();
        QCoreApplication::processEvents();
    };
    tick();
    EXPECT_GE(counter.paints, 1);  // the map as swept
    counter.paints = 0;
    for (int i = 0; i < 240; ++i) tick();
    EXPECT_EQ(counter.paints, 0);
    // A new site is something changed.
    main->LoadTableSite(SiteAt(eclipse51::kCentralLatitude + 0.1, eclipse51::kCentralWest));
    QCoreApplication::processEvents();
    EXPECT_GE(counter.paints, 1);
}

TEST_F(EclipseDay, FitTableToCurrentSiteTakesItsSiteAndMarksRowsToCheck) {
    TForm_Exposure form(Shared(), *main);
    std::vector<std::string> boxes;
    form.SetMessageBox([&boxes](const std::string&, const std::string& text) { boxes.push_back(text); });
    form.OpenWindow();
    form.OnCreateTable();
    const TableFileSite home = main->TableSite();
    EXPECT_EQ(form.tableSite(), home);

    // To Dallas: the table's site becomes Dallas, every row still in its phase.
    const TableFileSite dallas{51, "32.78", true, "96.80", false, "140"};
    main->LoadTableSite(dallas);
    FindControl<QAction>(form, "Fit_Table_To_Site")->trigger();
    EXPECT_EQ(form.tableSite(), dallas);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(FindControl<QLabel>(form, "Label_Exp1")
                    ->text()
                    .startsWith("Exposure Table for Total Eclipse: Totality at location is 23"));

    // Then to a site with 6 s of totality: the loop row turns red and is listed.
    main->LoadTableSite(
        SiteAt(eclipse51::NorthernDuration(eclipse51::kCentralWest, 6), eclipse51::kCentralWest));
    FindControl<QAction>(form, "Fit_Table_To_Site")->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("marked red"), std::string::npos);
    QAbstractItemModel* grid = FindControl<QTableView>(form, "NGE")->model();
    for (int row = 0; row < form.table().RowCount(); ++row) {
        const std::string& phase = form.table().Row(row)[kColumnPhase];
        const QColor fill = grid->data(grid->index(row, 0), Qt::BackgroundRole).value<QBrush>().color();
        if (phase == "Loop during totality until" || phase == "C2: begin of total phase") {
            EXPECT_EQ(fill == QColor(255, 110, 110), phase[0] == 'L') << phase;
        }
    }
}

// The eclipse-day view: the countdowns, the run as it reports itself, Abort asked first, night mode
// kept; in both modes every text is readable (4.5:1) and fits its place on a 1366 × 768 screen.
TEST_F(EclipseDay, DayViewShowsTheClockTheCountdownsAndTheRun) {
    std::vector<RunKind> aborted;
    std::vector<bool> kept;
    int cloudSwitches = 0;
    TForm_DayView view({Shared(), clock, [this] { return main->dayFacts(); },
                        [&](bool on) { kept.push_back(on); }, [&](RunKind kind) { aborted.push_back(kind); },
                        [&] { ++cloudSwitches; }},
                       false);
    std::vector<std::string> asked;
    std::function<void(int)> answer;
    view.SetQuestion([&](const std::string&, const std::string& text, const std::vector<std::string>&, int,
                         std::function<void(int)> answered) {
        asked.push_back(text);
        answer = std::move(answered);
    });
    const auto text = [&](const char* name) { return FindControl<QLabel>(view, name)->text(); };
    const double c2 = Shared().contacts.ContactJD[kC2];
    ASSERT_NE(c2, 0);
    clock.SetJD(c2 - 74 * kSecond);
    view.Tick();
    EXPECT_EQ(text("DayView_ContactCountdown"), "C2 in +0 d 00:01:14");
    EXPECT_EQ(text("DayView_RowCountdown"), "No run");
    EXPECT_FALSE(FindControl<QPushButton>(view, "DayView_Abort")->isEnabled());

    RunProgress progress;
    progress.row = 18;
    progress.rows = 146;
    progress.phase = "Beads C2";
    progress.rowJD = c2 - 4 * kSecond;
    progress.lastAction = "picture 1/1000 taken";
    progress.camera = RunProgress::Camera::Lost;
    progress.taken = 42;
    progress.lost = 1;
    progress.cloudPlanReady = true;
    view.ShowRun(progress);
    EXPECT_TRUE(view.isVisible());  // a run brings it up
    EXPECT_EQ(text("DayView_RowCountdown"), "Next row in +0 d 00:01:10: Beads C2");
    EXPECT_EQ(text("DayView_Row"), "Row 19 of 146: Beads C2");
    EXPECT_EQ(text("DayView_Action"), "picture 1/1000 taken");
    EXPECT_EQ(text("DayView_Camera"), "Camera LOST: the run goes on and reconnects it");
    EXPECT_EQ(text("DayView_Counts"), "Taken 42   Lost 1   Failed 0");
    // With other cameras the run above names its camera, and each other camera has a line.
    view.ShowOtherCameras(
        "Tele", {"Wide: row 5/40 \u00b7 12 taken, 0 lost, 0 failed", "Video: camera: not found"}, true);
    EXPECT_EQ(text("DayView_Camera"), "Tele: Camera LOST: the run goes on and reconnects it");
    EXPECT_EQ(text("DayView_OtherCameras"),
              "Wide: row 5/40 \u00b7 12 taken, 0 lost, 0 failed\nVideo: camera: not found");
    QTest::mouseClick(FindControl<QPushButton>(view, "DayView_Clouds"), Qt::LeftButton);
    EXPECT_EQ(cloudSwitches, 1);

    QTest::mouseClick(FindControl<QPushButton>(view, "DayView_Abort"), Qt::LeftButton);
    EXPECT_EQ(asked, std::vector<std::string>{"Abort the photography run?"});
    answer(0);  // "Keep running"
    EXPECT_TRUE(aborted.empty());
    answer(1);
    EXPECT_EQ(aborted, std::vector<RunKind>{RunKind::Real});

    for (const bool night : {false, true}) {
        if (night) QTest::mouseClick(FindControl<QPushButton>(view, "DayView_Night"), Qt::LeftButton);
        QCoreApplication::processEvents();
        EXPECT_LE(view.width(), 1366);
        EXPECT_LE(view.height(), 768);
        const QColor background = view.centralWidget()->palette().color(QPalette::Window);
        for (QLabel* label : view.findChildren<QLabel*>()) {
            if (label->isHidden()) continue;
            SCOPED_TRACE(label->objectName().toStdString());
            const QColor colour = label->palette().color(QPalette::WindowText);
            EXPECT_GE(ContrastRatio(colour, background), 4.5);
            if (night) {
                EXPECT_LT(colour.green(), 100);  // red on black: nothing white
            }
            const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 10000),
                                                                   Qt::TextWordWrap, label->text());
            EXPECT_LE(needed.height(), label->height());
        }
    }
    EXPECT_EQ(kept, std::vector<bool>{true});
    view.ShowRun(std::nullopt);
    EXPECT_EQ(text("DayView_RowCountdown"), "No run");
    EXPECT_TRUE(FindControl<QPushButton>(view, "DayView_Abort")->isEnabled());  // the other cameras still run
    view.ShowOtherCameras("Tele", {"Wide: ended: 40 taken, 0 lost, 0 failed"}, false);
    EXPECT_FALSE(FindControl<QPushButton>(view, "DayView_Abort")->isEnabled());
}

}  // namespace
}  // namespace zelto
