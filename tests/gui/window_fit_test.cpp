// Every window on a 1366 × 768 laptop screen: at each form size it fits the screen and every label's
// text fits its label; in normal and in night mode every text reads on its background.
// With ZELTO_SCREENSHOT_DIR set, each window is saved there as NAME_SIZE.png and NAME_night.png, on a
// 1366 × 768 screen (scripts/screenshot.sh).
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>

#include "camera/virtual_camera.h"
#include "camera_window/form_camera.h"
#include "day_view/form_day_view.h"
#include "eclipse_data/julian.h"
#include "exposure_window/form_exposure.h"
#include "main_window/form_main.h"
#include "main_window/form_site_map.h"
#include "window_dialogs/window_fit.h"
#include "window_test_support.h"

namespace zelto {
namespace {

struct Window {
    const char* name;
    QWidget* widget;
    std::function<void(FormSize)> setSize;  // none: the window keeps its own fonts
};

// The room a label's text needs in the label's font, word-wrapped where the label wraps.
QSize Needed(const QLabel& label) {
    const QRect room = label.contentsRect();
    const int flags = label.wordWrap() ? Qt::TextWordWrap : 0;
    return label.fontMetrics()
        .boundingRect(QRect(0, 0, label.wordWrap() ? room.width() : 100000, 100000), flags, label.text())
        .size();
}

// Every visible label's text fits its label, word-wrapped to its width where it wraps.
void ExpectTextsFit(const QWidget& root) {
    for (const QLabel* label : root.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&root) || label->text().isEmpty() || label->textFormat() == Qt::RichText)
            continue;
        const QSize needed = Needed(*label);
        EXPECT_LE(needed.width(), label->contentsRect().width()) << label->objectName().toStdString();
        // A pixel of the glyphs' bounding box may stand over the line height.
        EXPECT_LE(needed.height(), label->contentsRect().height() + 1) << label->objectName().toStdString();
    }
}

// The colour a label's text is drawn on: its own when it fills its background, else its nearest
// filled ancestor's.
QColor BackgroundOf(const QWidget& widget) {
    for (const QWidget* w = &widget; w; w = w->parentWidget()) {
        if (w->autoFillBackground() || w->isWindow()) return w->palette().color(w->backgroundRole());
    }
    return Qt::white;
}

class WindowFit : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        SharedVariables& shared = SharedStateIn(home);
        main = std::make_unique<TForm_Main>(shared, clock, sound);
        main->SetQuitApplicationOnClose(false);
        main->SetQuitProcess([] {});
        exposure = std::make_unique<TForm_Exposure>(shared, *main);
        camera = std::make_unique<TForm_Camera>(TForm_Camera::Services{shared, clock, sound, shell,
                                                                       [this]() -> EdsSdk& { return body; },
                                                                       [] { return ComputerInformation{}; }});
        dayView = std::make_unique<TForm_DayView>(
            TForm_DayView::Services{shared, clock, [this] { return main->dayFacts(); }, {}, {}, {}}, false);
        main->OnClockTick();
        for (const Window& window : Windows()) window.widget->show();
        // What a user sees first: a table made for the site, the camera connected, the site's map.
        exposure->OpenWindow();
        FindControl<QPushButton>(*exposure, "Button_Create_ExposureList")->click();
        FindControl<QPushButton>(*camera, "Button_Connect")->click();
        main->OnSiteMapClicked();
        main->WaitForMaps();
    }
    void TearDown() override { main->SetNightMode(false); }

    std::vector<Window> Windows() {
        TForm_Main* m = main.get();
        TForm_Exposure* e = exposure.get();
        TForm_Camera* c = camera.get();
        return {
            {"main_window", m, [m](FormSize size) { m->SetFormSize(size, kLaptop); }},
            {"site_map", m->siteMap(), {}},  // sized with the main window
            {"exposure_window", e, [e](FormSize size) { e->SetFormSize(size, kLaptop); }},
            {"camera_window", c, [c](FormSize size) { c->SetFormSize(size, kLaptop); }},
            {"day_view", dayView.get(), {}},  // its large type is made to be read from two metres
        };
    }

    QTemporaryDir home;
    FakeClock clock{CalendarToJD(2024, 4, 8, 17, 0, 0), 0};
    Silent sound;
    Batches shell;
    VirtualCamera body;
    std::unique_ptr<TForm_Main> main;
    std::unique_ptr<TForm_Exposure> exposure;
    std::unique_ptr<TForm_Camera> camera;
    std::unique_ptr<TForm_DayView> dayView;
};

TEST_F(WindowFit, EveryWindowFitsALaptopAtEachSize) {
    const char* shots = std::getenv("ZELTO_SCREENSHOT_DIR");
    const struct {
        FormSize size;
        const char* name;
    } sizes[] = {{FormSize::Small, "small"}, {FormSize::Normal, "normal"}, {FormSize::Large, "large"}};
    for (const auto& size : sizes) {
        for (const Window& window : Windows()) {
            if (window.setSize) window.setSize(size.size);
        }
        QCoreApplication::processEvents();
        for (const Window& window : Windows()) {
            SCOPED_TRACE(std::string(window.name) + " at " + size.name);
            EXPECT_LE(window.widget->width() + kWindowFrame.width(), kLaptop.width());
            EXPECT_LE(window.widget->height() + kWindowFrame.height(), kLaptop.height());
            ExpectTextsFit(*window.widget);
            // At normal size nothing has to be scrolled to.
            const auto* mainWindow = qobject_cast<const QMainWindow*>(window.widget);
            if (const auto* client =
                    mainWindow ? qobject_cast<const QScrollArea*>(mainWindow->centralWidget()) : nullptr;
                client && size.size == FormSize::Normal) {
                EXPECT_EQ(client->verticalScrollBar()->maximum(), 0);
                EXPECT_EQ(client->horizontalScrollBar()->maximum(), 0);
            }
            if (shots)
                SaveOnLaptopScreen(*window.widget,
                                   QString("%1/%2_%3.png").arg(shots, window.name, size.name));
        }
        // The About panel over the main window: its texts and every value whole.
        SCOPED_TRACE(std::string("About panel at ") + size.name);
        FindControl<QAction>(*main, "Version1")->trigger();
        ExpectTextsFit(*FindControl<QWidget>(*main, "Panel_About"));
        const auto* versions = FindControl<QTableWidget>(*main, "StringGrid_VersionsInfo");
        for (int row = 0; row < versions->rowCount(); ++row) {
            for (int column = 0; column < versions->columnCount(); ++column) {
                const QString value = versions->item(row, column)->text();
                EXPECT_LE(versions->fontMetrics().horizontalAdvance(value), versions->columnWidth(column))
                    << value.toStdString();
            }
        }
        if (shots && size.size == FormSize::Normal)
            SaveOnLaptopScreen(*main, QString("%1/about_panel_normal.png").arg(shots));
        FindControl<QPushButton>(*main, "Button_About_OK")->click();
    }
}

TEST_F(WindowFit, EveryTextReadsOnItsBackgroundInNormalAndNightMode) {
    const char* shots = std::getenv("ZELTO_SCREENSHOT_DIR");
    for (const Window& window : Windows()) {
        if (window.setSize) window.setSize(FormSize::Normal);
    }
    std::map<const QWidget*, double> dayPoints;  // night mode changes colours, never sizes
    for (const bool night : {false, true}) {
        main->SetNightMode(night);
        QCoreApplication::processEvents();
        for (const Window& window : Windows()) {
            for (QLabel* label : window.widget->findChildren<QLabel*>()) {
                if (!label->isVisibleTo(window.widget) || label->text().isEmpty()) continue;
                label->ensurePolished();
                SCOPED_TRACE(std::string(window.name) + (night ? " night " : " day ") +
                             label->objectName().toStdString());
                const QColor text = label->palette().color(label->foregroundRole());
                const QColor background = BackgroundOf(*label);
                EXPECT_GE(ContrastRatio(text, background), 4.5)
                    << text.name().toStdString() << " on " << background.name().toStdString();
                if (!night) dayPoints[label] = label->font().pointSizeF();
                if (night) {
                    EXPECT_EQ(label->font().pointSizeF(), dayPoints[label]);
                    EXPECT_LT(text.green(), 100) << text.name().toStdString();  // red: nothing white
                    EXPECT_LT(background.lightness(), 60) << background.name().toStdString();
                }
            }
            if (shots && night)
                SaveOnLaptopScreen(*window.widget, QString("%1/%2_night.png").arg(shots, window.name));
        }
    }
}

}  // namespace
}  // namespace zelto
