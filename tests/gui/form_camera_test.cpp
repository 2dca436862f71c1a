#include "camera_window/form_camera.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <sstream>

#include "camera/body_run.h"
#include "camera/gphoto2_sdk.h"
#include "camera/proptables.h"
#include "camera/sound_player.h"
#include "camera/virtual_camera.h"
#include "camera_window/camera_list_page.h"
#include "circumstances/parameter_file.h"
#include "circumstances/site.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/julian.h"
#include "tests/camera/fake_eos_port.h"
#include "window_test_support.h"

namespace zelto {
namespace {

namespace fs = std::filesystem;

constexpr double kSecond = 1.0 / 86400.0;
const double kStart = CalendarToJD(2024, 4, 8, 18, 17, 0);

struct Sounds final : SoundPlayer {
    std::vector<std::string> played;
    void Play(const std::string& path) override { played.push_back(path); }
};

std::string FileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Items(const QComboBox* box) {
    std::vector<std::string> items;
    for (int i = 0; i < box->count(); ++i) items.push_back(box->itemText(i).toStdString());
    return items;
}

QColor FontColour(const QWidget* widget) {
    return widget->palette().color(QPalette::WindowText);
}

ExposureRow PhotoRow(const std::string& phase, double jd, int column) {
    ExposureRow row;
    row[kColumnPhase] = phase;
    row[kColumnDateTime] = JDText(jd, 1);
    row[kColumnQuality] = "JPGLarFin";
    row[kColumnISO] = "100";
    row[kColumnAperture] = "f/4";
    row[static_cast<size_t>(column)] = "x";
    return row;
}

class FormCamera : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        docs = fs::path(home.path().toStdString()) / "Documents";
        fs::create_directories(docs);
        shared.folders = {"/opt/zelto/", docs.string() + "/", docs.string() + "/", "/tmp", "/opt/zelto/"};
        shared.program.ProgramVersion.FileVersion = "1.0.0.7";
        form = std::make_unique<TForm_Camera>(TForm_Camera::Services{
            shared, clock, sound, shell, [this]() -> EdsSdk& { return library ? *library : camera; },
            [] { return ComputerInformation{}; }});
        form->SetMessageBox([this](const std::string& caption, const std::string& text) {
            captions.push_back(caption);
            boxes.push_back(text);
        });
        form->SetExposureTable(&table);
        // Questions before a run are answered from `answers` (then 0: start anyway, run the past rows).
        form->SetQuestion([this](const std::string&, const std::string& text,
                                 const std::vector<std::string>& buttons, int defaultButton,
                                 std::function<void(int)> answer) {
            questions.push_back(text);
            defaultButtons.push_back(defaultButton);
            questionButtons.push_back(buttons);
            if (answers.empty()) return answer(0);
            const int chosen = answers.front();
            answers.erase(answers.begin());
            answer(chosen);
        });
        form->SetOpenFile([this](const std::string& path) {
            opened.push_back(path);
            return opensFiles;
        });
    }
    void TearDown() override { form.reset(); }

    template <typename W>
    W* Find(const char* name) {
        return FindControl<W>(*form, name);
    }
    void Click(const char* name) { QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton); }
    std::string Text(const char* name) { return Find<QLabel>(name)->text().toStdString(); }
    // The camera's events reach the window as posted events: let them arrive, then handle them.
    void DeliverCameraEvents() {
        ASSERT_TRUE(camera.WaitUntilEventsDelivered(std::chrono::seconds(5)));
        QCoreApplication::processEvents();
    }
    int Writes(EdsPropertyID property, uint32_t value) const {
        int n = 0;
        for (const VirtualCall& call : camera.Calls()) {
            n += call.function == "EdsSetPropertyData" && call.args[1] == property && call.args[4] == value;
        }
        return n;
    }

    QTemporaryDir home;
    fs::path docs;
    SharedVariables shared;
    FakeClock clock{kStart, 1000};
    VirtualCamera camera;
    std::unique_ptr<EdsSdk> library;  // another camera library than `camera`, when a test sets one
    Sounds sound;
    Batches shell;
    ExposureTable table{0};
    std::vector<std::string> captions, boxes;
    std::vector<std::string> questions, opened;
    bool opensFiles = true;  // a program for CSV files is there
    std::vector<int> defaultButtons;
    std::vector<std::vector<std::string>> questionButtons;
    std::vector<int> answers;
    std::unique_ptr<TForm_Camera> form;
};

TEST_F(FormCamera, CreatedState) {
    EXPECT_EQ(form->windowTitle(), "Zelto - Camera Form");
    EXPECT_EQ(Find<QTabWidget>("PageControl1")->currentIndex(), 0);
    EXPECT_EQ(Find<QTabWidget>("PageControl1")->tabText(2), "Eclipse Photography");
    EXPECT_EQ(Text("LabelA"), "Camera :");
    EXPECT_FALSE(Find<QPushButton>("SpeedButton_Release")->isEnabled());
    EXPECT_FALSE(Find<QComboBox>("ComboBox_AEmode")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("Button_take_5_pictures")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("Button_Abort2")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("Button_Abort_Foto")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("BitBtn_Advance")->isHidden());
    EXPECT_TRUE(Find<QPushButton>("BitBtn_RealTime")->isHidden());
    EXPECT_TRUE(Find<QLabel>("Label_Advance1")->isHidden());
    EXPECT_EQ(Text("Label_Advance1")
                  .rfind("WARNING: Pressing \"Advance Time\" sets the program into Rehearsal Time mode!\n"
                         "Rehearsal Time is set to 5 sec before",
                         0),
              0u);
    EXPECT_TRUE(Find<QWidget>("Panel2")->isHidden());
    EXPECT_TRUE(Find<QLabel>("Label_WAV_Meldung")->isHidden());
    // On a 1366 × 768 screen the window shows every page whole, without scrolling.
    form->show();
    form->SetFormSize(FormSize::Normal, QSize(1366, 768));
    const QScrollArea* client = Find<QScrollArea>("Form_Camera_Scroll");
    for (int page = 0; page < 3; ++page) {
        Find<QTabWidget>("PageControl1")->setCurrentIndex(page);
        QCoreApplication::processEvents();
        EXPECT_LE(form->width(), 1366) << page;
        EXPECT_LE(form->height(), 768) << page;
        EXPECT_FALSE(client->horizontalScrollBar()->isVisible()) << page;
        EXPECT_FALSE(client->verticalScrollBar()->isVisible()) << page;
    }
}

TEST_F(FormCamera, ConnectWithNoCamera) {
    camera.SetAttached(false);
    std::ofstream(docs / "Camera.txt", std::ios::binary) << "previous";
    Click("Button_Connect");
    EXPECT_EQ(Text("LabelA"), "Camera : Camera is not detected");
    EXPECT_EQ(Text("Label6"), "Sorry: Camera is not detected!");
    EXPECT_EQ(FontColour(Find<QLabel>("Label6")), QColor(190, 0, 0));
    EXPECT_EQ(Text("Label7"), "Check Power and connection.");
    EXPECT_EQ(Text("Label8"), "Then restart the application.");
    EXPECT_EQ(Find<QLineEdit>("Edit1")->text(), "/opt/zelto/");
    EXPECT_FALSE(fs::exists(docs / "Camera.ini"));
    EXPECT_FALSE(camera.Initialized());  // released at once: the next connect starts afresh
    Click("Button_Disconnect");
    EXPECT_EQ(FileText(docs / "Camera.txt"), "previous");
    EXPECT_EQ(Text("Label6"), "Camera is now disconnected.");
    EXPECT_EQ(form->statusBar()->currentMessage(), "Camera : ");
}

TEST_F(FormCamera, ConnectFillsListsOnceAndDisconnectKeepsTheLog) {
    camera.SetAllowedValues(kEdsPropISOSpeed, {0x48, 0x50, 0x58});
    camera.SetAllowedValues(kEdsPropImageQuality, {0x0013FF0F});
    Click("Button_Connect");
    const QComboBox* iso = Find<QComboBox>("ComboBox_ISO");
    EXPECT_EQ(Items(iso), (std::vector<std::string>{"100", "200", "400"}));
    EXPECT_EQ(iso->currentIndex(), 0);
    EXPECT_EQ(Writes(kEdsPropISOSpeed, 0x48), 1);
    const QComboBox* tv = Find<QComboBox>("ComboBox_Tv");
    EXPECT_EQ(tv->currentIndex(), tv->count() - 1);
    EXPECT_EQ(tv->currentText(), "1/8000");
    EXPECT_EQ(Text("LabelA"), "Camera : Canon EOS (virtual)");
    EXPECT_EQ(FontColour(Find<QLabel>("LabelA")), QColor(Qt::black));
    // "Release" says what became of the picture.
    Click("SpeedButton_Release");
    EXPECT_EQ(form->statusBar()->currentMessage(), "Picture taken");
    camera.FailCall("EdsSendCommand", kEdsErrDeviceBusy, 1);
    Click("SpeedButton_Release");
    EXPECT_EQ(form->statusBar()->currentMessage(), "Release failed: the camera is busy (00000081)");
    EXPECT_TRUE(Find<QPushButton>("SpeedButton_Release")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("Button_take_9_pictures")->isEnabled());

    const std::string log = FileText(docs / "Camera.ini");
    EXPECT_NE(log.find("\r\n     1310479     0013FF0F 0 JPGLarFin\r\n"), std::string::npos);
    const size_t calls = camera.Calls().size();
    Click("Button_Connect");
    EXPECT_EQ(camera.Calls().size(), calls);
    EXPECT_EQ(FileText(docs / "Camera.ini"), log);

    Click("Button_Disconnect");
    EXPECT_FALSE(fs::exists(docs / "Camera.ini"));
    EXPECT_EQ(FileText(docs / "Camera.txt"), log);
    EXPECT_FALSE(Find<QPushButton>("SpeedButton_Release")->isEnabled());
}

TEST_F(FormCamera, SeveralCamerasAreOfferedInTheConnectionPanel) {
    auto* port = new FakeEosPort;
    port->found = {{"Mass Storage Camera", "disk:/media/card"},
                   {"Nikon DSC D850", "usb:001,004"},
                   {"Canon EOS 100D", "usb:001,005"}};
    port->openText = "Opening the camera";
    library = std::make_unique<Gphoto2Sdk>(std::unique_ptr<Gphoto2Port>(port));
    QComboBox* cameras = Find<QComboBox>("ComboBox_Camera");
    EXPECT_TRUE(cameras->isHidden());

    Click("Button_Connect");
    EXPECT_EQ(Text("LabelA"), "Camera : Nikon DSC D850");
    EXPECT_FALSE(cameras->isHidden());
    EXPECT_EQ(Items(cameras),
              (std::vector<std::string>{"Nikon DSC D850 (usb:001,004)", "Canon EOS 100D (usb:001,005)"}));
    EXPECT_EQ(cameras->currentIndex(), 0);
    // What the library says arrives as a posted event: the status bar and the camera log show it.
    QCoreApplication::processEvents();
    EXPECT_EQ(form->statusBar()->currentMessage(), "Camera status: Opening the camera");
    EXPECT_NE(FileText(docs / "Camera.ini")
                  .find("\r\nCamera library messages\r\n-----------------------\r\n"
                        "2024-04-08 18:17:00.0  Camera status: Opening the camera\r\n"),
              std::string::npos);

    QMetaObject::invokeMethod(cameras, "activated", Q_ARG(int, 1));
    EXPECT_EQ(Text("LabelA"), "Camera : Canon EOS 100D");
    EXPECT_EQ(port->opened.port, "usb:001,005");
    EXPECT_EQ(cameras->currentIndex(), 1);
    EXPECT_TRUE(fs::exists(docs / "Camera.txt"));  // the first camera's log, kept at its disconnect
}

TEST_F(FormCamera, EmptyTvListDisconnectsTheCamera) {
    camera.SetAllowedValues(kEdsPropTv, {});
    Click("Button_Connect");
    ASSERT_EQ(captions.size(), 1u);
    EXPECT_EQ(captions[0], "Camera is not in manual mode \"M\" !");
    EXPECT_EQ(boxes[0],
              "Set Camera to manual mode \"M\" and connect it again.\r\nThe camera is disconnected now.");
    EXPECT_EQ(Text("LabelA"), "Camera : ");  // disconnected, and the window still there
    EXPECT_FALSE(Find<QPushButton>("SpeedButton_Release")->isEnabled());
}

TEST_F(FormCamera, CameraMessagesSelectAndStopAtDisconnect) {
    camera.SetAllowedValues(kEdsPropTv, {0x10, 0x60, 0xA0});
    Click("Button_Connect");
    DeliverCameraEvents();
    QComboBox* tv = Find<QComboBox>("ComboBox_Tv");
    camera.ChangeOnBody(kEdsPropTv, 0x60);
    DeliverCameraEvents();
    EXPECT_EQ(tv->currentIndex(), 1);
    camera.ChangeOnBody(kEdsPropTv, 0x68);
    DeliverCameraEvents();
    EXPECT_EQ(tv->currentIndex(), -1);

    // A user's choice that the camera refuses: the message, then the camera's value again.
    QComboBox* iso = Find<QComboBox>("ComboBox_ISO");
    camera.FailCall("EdsSetPropertyData", kEdsErrDeviceBusy, 1);
    iso->setCurrentIndex(3);
    emit iso->activated(3);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind(
                  "Cannot set new value...\rError in ComboBox.ISOChange()\rSelect_____=3\rProp.Propid_=", 0),
              0u);
    EXPECT_EQ(iso->currentText(), "100");

    // Events queued when the camera is disconnected reach no session.
    camera.ChangeOnBody(kEdsPropTv, 0x10);
    ASSERT_TRUE(camera.WaitUntilEventsDelivered(std::chrono::seconds(5)));
    camera.ClearCalls();
    Click("Button_Disconnect");
    QCoreApplication::processEvents();
    EXPECT_EQ(camera.CallCount("EdsGetPropertyData"), 0);
}

TEST_F(FormCamera, TestSeriesReportsAndAbort) {
    Click("Button_Connect");
    camera.SetCallLog(false);
    Click("Button_take_5_pictures");
    QPlainTextEdit* memo = Find<QPlainTextEdit>("Memo_Test2");
    QStringList lines = memo->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 11);
    EXPECT_EQ(lines[0], "1x released: 1 picture   taken ...  0 ms +5 ms pause,");
    EXPECT_EQ(lines.back(), "OK!");
    EXPECT_FALSE(Find<QPushButton>("Button_Abort2")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("Button_take_5_pictures")->isEnabled());

    camera.FailCall("EdsSendCommand", kEdsErrDeviceBusy);  // refuses everything: 5000 tries each
    Click("Button_take_5_pictures");
    EXPECT_EQ(memo->toPlainText().split('\n').back(), "5 pictures LOST!");
    camera.ClearFailures();
    camera.FailCall("EdsSendCommand", kEdsErrDeviceBusy, 4999);  // succeeds on try 5000
    Click("Button_take_9_pictures");
    // The nine step the shutter speed from the camera's actual one and name it in every line.
    lines = memo->toPlainText().split('\n');
    EXPECT_EQ(lines[0], "Shutter speeds 1/8000 to 1/1250, then back to 1/8000:");
    EXPECT_EQ(lines[1], "1x released. Picture (1/8000) taken,");
    EXPECT_EQ(lines[9], "9x released. Picture (1/1250) taken,");
    EXPECT_EQ(lines.back(), "OK!");
    EXPECT_EQ(camera.Value(kEdsPropTv), TvCodeByName("1/8000"));

    // "Abort" clicked while the series runs: handled between pictures.
    QTimer::singleShot(0, form.get(), [this] { Click("Button_Abort2"); });
    const int before = camera.PicturesTaken();
    Click("Button_take_9_pictures");
    EXPECT_EQ(memo->toPlainText().split('\n').back(), "Test aborted by user.");
    EXPECT_EQ(camera.PicturesTaken() - before, 1);

    // The explanation follows the button under the mouse.
    QTest::mouseMove(Find<QPushButton>("Button_take_9_pictures"));
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(Find<QPushButton>("Button_take_9_pictures"), &move);
    EXPECT_EQ(Text("Label_Test2_Expl").substr(0, 50), "When pressing this button, 9 exposures (increasing");
}

// While a series, a run or a test run goes on the others' buttons are disabled, and a start that
// comes through anyway is refused.
TEST_F(FormCamera, SeriesAndRunsExcludeEachOther) {
    Click("Button_Connect");
    camera.SetCallLog(false);
    table.AppendRow(PhotoRow("Partial", kStart + 10 * kSecond, 10));
    const auto enabled = [this](std::initializer_list<const char*> names) {
        std::vector<bool> states;
        for (const char* name : names) states.push_back(Find<QWidget>(name)->isEnabled());
        return states;
    };
    const auto runStarts = {"Button_Start_Eclipse_Photography", "Label_Start_Eclipse_Photography",
                            "Button_Test_Eclipse_Photography", "Label_Test_Eclipse_Photography"};
    const auto seriesStarts = {"Button_take_5_pictures", "Button_take_9_pictures"};

    std::vector<bool> duringSeries;
    int picturesOfTheRefusedRun = -1;
    QTimer::singleShot(0, form.get(), [&] {
        duringSeries = enabled(runStarts);
        const int before = camera.PicturesTaken();
        form->OnStartTestRun();
        picturesOfTheRefusedRun = camera.PicturesTaken() - before;
    });
    Click("Button_take_5_pictures");
    EXPECT_EQ(duringSeries, std::vector<bool>(4, false));
    EXPECT_EQ(picturesOfTheRefusedRun, 0);
    EXPECT_EQ(camera.PicturesTaken(), 5);
    EXPECT_EQ(enabled(runStarts), std::vector<bool>(4, true));

    std::vector<bool> duringRun;
    std::string seriesReport = "untouched";
    QTimer::singleShot(0, form.get(), [&] {
        duringRun = enabled(seriesStarts);
        Find<QPlainTextEdit>("Memo_Test2")->setPlainText("untouched");
        form->OnTakeNinePictures();
        seriesReport = Find<QPlainTextEdit>("Memo_Test2")->toPlainText().toStdString();
    });
    Click("Button_Test_Eclipse_Photography");
    EXPECT_EQ(duringRun, std::vector<bool>(2, false));
    EXPECT_EQ(seriesReport, "untouched");
    EXPECT_EQ(camera.PicturesTaken(), 6);
    EXPECT_EQ(enabled(seriesStarts), std::vector<bool>(2, true));

    // A series ended by a disconnect leaves its buttons as the disconnect set them.
    QTimer::singleShot(0, form.get(), [this] { Click("Button_Disconnect"); });
    Click("Button_take_9_pictures");
    EXPECT_EQ(Find<QPlainTextEdit>("Memo_Test2")->toPlainText().split('\n').back(), "8 pictures LOST!");
    EXPECT_EQ(enabled(seriesStarts), std::vector<bool>(2, false));
    EXPECT_EQ(enabled(runStarts), std::vector<bool>(4, true));
}

TEST_F(FormCamera, RunPageNoTableAndCaptionPress) {
    table = ExposureTable();  // 2048 rows: no table
    QLabel* caption = Find<QLabel>("Label_Start_Eclipse_Photography");
    const QPoint rest = caption->pos();
    QTest::mousePress(caption, Qt::LeftButton);
    EXPECT_EQ(caption->pos(), rest + QPoint(1, 1));
    QTest::mouseRelease(caption, Qt::LeftButton);  // acts as a click on the run button
    EXPECT_EQ(caption->pos(), rest);
    EXPECT_EQ(Text("Label_Info"),
              "No exposure table.\nSelect \"Exposure Tables\",\nthen load or create a table");
    EXPECT_EQ(FontColour(Find<QLabel>("Label_Info")), QColor(Qt::red));
    EXPECT_GE(ContrastRatio(FontColour(Find<QLabel>("Label_Info")),
                            Find<QLabel>("Label_Info")->palette().color(QPalette::Window)),
              4.5);
    EXPECT_TRUE(Find<QPushButton>("BitBtn_Advance")->isHidden());
    EXPECT_TRUE(Find<QPushButton>("Button_Start_Eclipse_Photography")->isEnabled());
}

// At night every colour the window sets itself is the night red on black or dark red, also those
// set while night mode is on; by day they are the day's again.
TEST_F(FormCamera, NightColoursAreRedOnDark) {
    const std::vector<std::pair<const char*, std::function<void()>>> colourings = {
        {"LabelA", [this] { form->SetConnectionLabel("Camera : Canon", CameraLabelColour::Grey); }},
        {"Label6", [this] { form->SetMessageLines("Sorry", CameraLabelColour::Red, "", ""); }},
        {"Label_PortNote", [this] { form->ShowPortNote("The port is held", true); }},
        {"Label_Info", [this] { form->SetInfoColour(RunColour::Yellow); }},
        {"Label_WAV_Meldung", [this] { form->SetBannerColour(RunColour::Lime); }},
        {"Label_WAV_Meldung", [this] { form->SetBannerColour(RunColour::Blue); }},
        {"Label_Advance1",
         [this] {
             Find<QLabel>("Label_Wann")->setText("at: 2024-04-08 18:17:20.0");
             form->OnAdvanceTime();
         }},
    };
    ApplyNightMode(true);  // the window follows by itself
    for (const auto& [name, colour] : colourings) {
        colour();
        QLabel* label = Find<QLabel>(name);
        label->ensurePolished();
        const QColor text = label->palette().color(QPalette::WindowText);
        const QColor back = label->palette().color(QPalette::Window);
        EXPECT_EQ(text, QColor(kNightText)) << name;
        EXPECT_EQ(back.green(), 0) << name;
        EXPECT_LE(back.red(), 0x40) << name;
        EXPECT_GE(ContrastRatio(text, back), 4.5) << name;
    }
    ApplyNightMode(false);
    EXPECT_EQ(FontColour(Find<QLabel>("LabelA")), QColor(106, 106, 106));
    EXPECT_EQ(Find<QLabel>("Label_Advance1")->palette().color(QPalette::Window), QColor(Qt::red));
    EXPECT_EQ(FontColour(Find<QLabel>("Label_Info")), QColor(Qt::yellow));
}

TEST_F(FormCamera, RealRunWithRehearsalAndBanner) {
    table.AppendRow(PhotoRow("Partial", CalendarToJD(2024, 4, 8, 18, 17, 20), 10));
    ExposureRow wav;
    wav[kColumnKind] = "WAV";
    wav[kColumnPhase] = "remove_filters.wav";
    wav[kColumnDateTime] = "2024-04-08 18:17:30.0";
    table.AppendRow(wav);

    answers = {1};  // no camera: simulate
    // During the first wait: "Advance Time" jumps to 5 s before the row's instant.
    double rehearsalNow = 0;
    bool realTimeShown = false, abortEnabled = false, runButtonEnabled = true;
    QTimer::singleShot(0, form.get(), [&] {
        EXPECT_EQ(Text("Label_Wann"), "at: 2024-04-08 18:17:20.0");
        Click("BitBtn_Advance");
        rehearsalNow = clock.CurrentJD() + shared.time.TimeOffset;
        realTimeShown = Find<QPushButton>("BitBtn_RealTime")->isVisible() ||
                        !Find<QPushButton>("BitBtn_RealTime")->isHidden();
        abortEnabled = Find<QPushButton>("Button_Abort_Foto")->isEnabled();
        runButtonEnabled = Find<QPushButton>("Button_Test_Eclipse_Photography")->isEnabled();
    });
    // The banner as it blinks.
    std::string bannerText;
    QRect bannerPlace;
    bool bannerHoldsText = true;
    double lowestBannerContrast = 21;  // over both colours the banner blinks in
    QTimer sampler;
    sampler.setInterval(0);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        QLabel* banner = Find<QLabel>("Label_WAV_Meldung");
        if (banner->isHidden()) return;
        bannerText = banner->text().toStdString(), bannerPlace = banner->geometry();
        const QRect room = banner->contentsRect();
        const QRect needed =
            banner->fontMetrics().boundingRect(room, Qt::TextWordWrap | Qt::AlignCenter, banner->text());
        bannerHoldsText = bannerHoldsText && room.contains(needed);
        lowestBannerContrast = std::min(lowestBannerContrast,
                                        ContrastRatio(banner->palette().color(QPalette::WindowText),
                                                      banner->palette().color(QPalette::Window)));
    });
    sampler.start();
    form->show();  // laid out as on the screen
    Click("Button_Start_Eclipse_Photography");
    sampler.stop();
    // Without a camera the run asked before it simulated.
    ASSERT_FALSE(questions.empty());
    EXPECT_EQ(questions[0], "No camera is connected.");
    EXPECT_EQ(questionButtons[0], (std::vector<std::string>{"Connect camera", "Simulate", "Cancel"}));

    EXPECT_NEAR((rehearsalNow - CalendarToJD(2024, 4, 8, 18, 17, 15)) / kSecond, 0, 0.01);
    EXPECT_TRUE(realTimeShown);
    EXPECT_TRUE(abortEnabled);
    EXPECT_FALSE(runButtonEnabled);
    EXPECT_EQ(bannerText, "SIMULATED: REMOVE FILTERS");
    EXPECT_GE(lowestBannerContrast, 4.5);
    // The banner holds its text and stands right of the run buttons: it never covers an "Abort " button.
    EXPECT_TRUE(bannerHoldsText);
    for (const char* abort : {"Button_Abort_Foto", "Button_Abort_Test"})
        EXPECT_FALSE(bannerPlace.intersects(Find<QPushButton>(abort)->geometry())) << abort;
    EXPECT_EQ(sound.played, std::vector<std::string>{"/opt/zelto/remove_filters.wav"});
    EXPECT_EQ(Text("Label_Phase"), "remove_filters.wav");
    EXPECT_EQ(Text("Label_Info"), "IQ  : JPGLarFin\nISO: 100\nAv  : f/4\nTv  : 1/500");
    EXPECT_EQ(form->statusBar()->currentMessage(), "Picture taken (SIMULATED)");
    EXPECT_EQ(Text("Label_RunSummary").rfind("pictures simulated 1, failed 0, skipped 0;", 0), 0u)
        << Text("Label_RunSummary");
    // The end of the run: real time again, rehearsal controls hidden, run buttons back.
    EXPECT_EQ(shared.time.TimeOffset, 0);
    EXPECT_TRUE(Find<QPushButton>("BitBtn_Advance")->isHidden());
    EXPECT_TRUE(Find<QPushButton>("BitBtn_RealTime")->isHidden());
    EXPECT_TRUE(Find<QLabel>("Label_WAV_Meldung")->isHidden());
    EXPECT_FALSE(Find<QPushButton>("Button_Abort_Foto")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("Button_Test_Eclipse_Photography")->isEnabled());

    // "Back to Real Time" outside a run.
    Find<QLabel>("Label_Wann")->setText("at: 2024-04-08 18:17:20.0");
    form->OnAdvanceTime();
    EXPECT_NE(shared.time.TimeOffset, 0);
    EXPECT_EQ(Find<QLabel>("Label_Advance1")->palette().color(QPalette::Window), QColor(Qt::red));
    form->OnBackToRealTime();
    EXPECT_EQ(shared.time.TimeOffset, 0);
    EXPECT_TRUE(Find<QPushButton>("BitBtn_RealTime")->isHidden());

    // Readable: both rehearsal buttons hold their captions side by side; a long red message wraps.
    const QPushButton* advance = Find<QPushButton>("BitBtn_Advance");
    const QPushButton* realTime = Find<QPushButton>("BitBtn_RealTime");
    EXPECT_GE(realTime->width(), realTime->sizeHint().width());
    EXPECT_GE(advance->width(), advance->sizeHint().width());
    EXPECT_LE(advance->geometry().right(), realTime->x());
    EXPECT_LE(realTime->geometry().right(), realTime->parentWidget()->width());
    // The row's settings are large enough to read from a step away during the run.
    const QLabel* settings = Find<QLabel>("Label_Info");
    EXPECT_TRUE(settings->wordWrap());
    EXPECT_GE(settings->font().pointSizeF(), 14);
}

// During a run the camera is the run's: Connect and Disconnect are disabled, and closing the window
// asks first. "Keep running" changes nothing; "Stop and close" aborts the run, which says where it
// was, and the window closes and disconnects once the run has ended.
TEST_F(FormCamera, ClosingDuringARunAsksFirst) {
    Click("Button_Connect");
    for (int i = 0; i < 3; ++i) table.AppendRow(PhotoRow("Partial", kStart + (10 + i) * kSecond, 10 + i));
    bool buttonsDisabled = false;
    QTimer::singleShot(0, form.get(), [this, &buttonsDisabled] {
        buttonsDisabled = !Find<QPushButton>("Button_Connect")->isEnabled() &&
                          !Find<QPushButton>("Button_Disconnect")->isEnabled();
        answers = {0};
        form->close();
        EXPECT_TRUE(form->RunGoingOn());
        answers = {1};
        form->close();
        camera.ClearCalls();
    });
    Click("Button_Start_Eclipse_Photography");
    EXPECT_TRUE(buttonsDisabled);
    // Before them the run asked about the table's day (this fixture's table is not the eclipse's).
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_EQ(questions[1], "A photography run is going on. Stop it and close?");
    EXPECT_EQ(questions[2], questions[1]);
    EXPECT_EQ(questionButtons[1], (std::vector<std::string>{"Keep running", "Stop and close"}));
    EXPECT_EQ(camera.CallCount("EdsSendCommand"), 0);
    EXPECT_TRUE(shared.camera.CameraName.empty());
    const std::string summary = Text("Label_RunSummary");
    EXPECT_NE(summary.find("aborted while writing IQ in row 1\nrun aborted"), std::string::npos) << summary;
}

// The end of every run leaves its summary on the page until the next run begins; a setting the
// tables cannot translate is counted there as failed.
TEST_F(FormCamera, RunSummaryStaysUntilTheNextRun) {
    Click("Button_Connect");
    ExposureRow typo = PhotoRow("Partial", kStart + 10 * kSecond, 10);
    typo[kColumnQuality] = "JPGHuge";
    table.AppendRow(typo);
    table.AppendRow(PhotoRow("Partial", kStart + 20 * kSecond, 11));
    Click("Button_Test_Eclipse_Photography");
    const QLabel* summary = Find<QLabel>("Label_RunSummary");
    EXPECT_FALSE(summary->isHidden());
    const std::string finished = Text("Label_RunSummary");
    EXPECT_EQ(finished.rfind("pictures taken 2, failed 0, skipped 0; settings failed 1;", 0), 0u) << finished;
    EXPECT_NE(finished.find("pictures lost 0"), std::string::npos);
    EXPECT_NE(finished.find("latest start "), std::string::npos);
    EXPECT_EQ(finished.substr(finished.size() - 12), "run finished");

    // Hidden while the next run goes on; that run's own summary afterwards.
    bool shownDuringRun = true;
    QTimer::singleShot(0, form.get(), [&] {
        shownDuringRun = !summary->isHidden();
        Click("Button_Abort_Test");
    });
    Click("Button_Test_Eclipse_Photography");
    EXPECT_FALSE(shownDuringRun);
    EXPECT_EQ(Text("Label_RunSummary").substr(Text("Label_RunSummary").size() - 11), "run aborted");
}

// Before a real run: a table made for Dallas while the main window shows the default site asks
// first; two rows already past ask how to start. Cancel runs nothing; "Start from now" skips them,
// and the shot log lists them beside the picture that was taken.
TEST_F(FormCamera, RunAsksAboutAnotherSiteAndPastRowsAndWritesTheShotLog) {
    FillEclipseCatalog(shared.eclipse.EclipseCatalog);
    SelectEclipse(shared.eclipse, 51, "");
    const TableFileSite dallas{51, "32.7767", true, "96.7970", false, "139"};
    form->SetExposureTableSite(&dallas);
    table.AppendRow(PhotoRow("Partial", kStart - 60 * kSecond, 10));
    table.AppendRow(PhotoRow("Partial", kStart - 30 * kSecond, 11));
    table.AppendRow(PhotoRow("Partial", kStart + 10 * kSecond, 12));
    Click("Button_Connect");

    answers = {1};  // Cancel at the site question
    Click("Button_Start_Eclipse_Photography");
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0],
              "The table is for the site 32.7767 N 96.7970 W 139 m, the main window shows 25.0000 N 103.5000 "
              "W 800 m."
              "\n\nStart the run all the same?");
    EXPECT_EQ(questionButtons[0], (std::vector<std::string>{"Start anyway", "Cancel"}));
    EXPECT_EQ(Text("Label_Phase"), "");
    EXPECT_TRUE(form->shotLogPath().empty());
    EXPECT_FALSE(Find<QPushButton>("Button_Open_Shot_Log")->isEnabled());

    answers = {0, 2};  // start anyway, then Cancel at the past rows
    Click("Button_Start_Eclipse_Photography");
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_EQ(questions[2],
              "2 rows of the table are already past. Its first row is on 2024-04-08, 1 min ago.");
    EXPECT_EQ(defaultButtons[2], 1);  // Enter starts from now
    EXPECT_EQ(questionButtons[2], (std::vector<std::string>{"Run the 2 past rows at once",
                                                            "Start from now (skip 2 past rows)", "Cancel"}));
    EXPECT_TRUE(form->shotLogPath().empty());

    answers = {0, 1};  // start anyway, from now
    Click("Button_Start_Eclipse_Photography");
    EXPECT_EQ(Text("Label_Phase"), "Partial");
    const std::string log = form->shotLogPath();
    EXPECT_EQ(fs::path(log).filename(), "ShotLog_2024-04-08_181700.csv");
    const std::string text = FileText(log);
    EXPECT_NE(
        text.find("1,Partial,2024-04-08 18:16:00.000,,,,skipped,past when the run started from now,,no\r\n"
                  "2,Partial,2024-04-08 18:16:30.000,,,,skipped,past when the run started from now,,no\r\n"
                  "3,Partial,2024-04-08 18:17:10.000,"),
        std::string::npos)
        << text;
    // The settings are written before the row's wait, the shutter at its instant.
    EXPECT_NE(text.find(",IQ JPGLarFin; ISO 100; Av f/4; Tv 1/125,taken,1/125,1,no\r\n"), std::string::npos)
        << text;
    Click("Button_Open_Shot_Log");
    EXPECT_EQ(opened, std::vector<std::string>{log});
    // With no program for it the window says where the log is.
    opensFiles = false;
    Click("Button_Open_Shot_Log");
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), "No program here opens the shot log. It is in\n" + log);
}

// A real run's start lists the table check's findings and asks; Cancel runs nothing. A cloud plan
// chosen before the run takes over from the next row when F9 is pressed during it, and the summary
// and the shot log say so.
TEST_F(FormCamera, RunStartListsTheCheckAndF9SwitchesToTheCloudPlan) {
    FillEclipseCatalog(shared.eclipse.EclipseCatalog);
    SelectEclipse(shared.eclipse, 51, "");
    table.AppendRow(PhotoRow("Partial", kStart + 20 * kSecond, 10));
    table.AppendRow(PhotoRow("Partial", kStart + 10 * kSecond, 11));
    Click("Button_Connect");
    answers = {1};  // Cancel at the check
    Click("Button_Start_Eclipse_Photography");
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].rfind("The table check found:\nrow 2 (18:17:10.0) comes before row 1 (18:17:20.0)", 0), 0u)
        << questions[0];
    EXPECT_EQ(Text("Label_Phase"), "");

    table.SetCell(kColumnDateTime, 1, JDText(kStart + 60 * kSecond, 1));
    ExposureTable plan(0);
    plan.AppendRow(PhotoRow("Clouds", kStart + 30 * kSecond, 13));
    const std::string planFile = (docs / "clouds.txt").string();
    ASSERT_TRUE(SaveExposureTable(planFile, TableSiteOf(shared.site, 51), plan).saved);
    ASSERT_TRUE(form->LoadCloudPlan(planFile));
    EXPECT_FALSE(Find<QPushButton>("Button_Cloud_Switch")->isEnabled());  // only during a run
    bool switchable = false;
    form->show();
    QApplication::setActiveWindow(form.get());  // a key goes to the active window
    QTimer::singleShot(0, form.get(), [&] {
        switchable = Find<QPushButton>("Button_Cloud_Switch")->isEnabled();
        QTest::keyClick(form.get(), Qt::Key_F9);
    });
    Click("Button_Start_Eclipse_Photography");
    EXPECT_TRUE(switchable);
    EXPECT_NE(Text("Label_RunSummary").find("switched to the cloud plan after row 1, from its row 1"), std::string::npos)
        << Text("Label_RunSummary");
    const std::string log = FileText(form->shotLogPath());
    EXPECT_NE(log.find(",cloud plan,"), std::string::npos) << log;
    EXPECT_NE(log.find("1,Clouds,2024-04-08 18:17:30.000,"), std::string::npos) << log;
    EXPECT_EQ(log.find("2,Partial"), std::string::npos) << log;
}

// Other cameras named on the "Cameras" page run their own tables beside this window's camera: each
// found by its serial (learnt and kept), each with its own shot log naming it and its own summary
// block; a camera whose table cannot be read runs nothing and holds no other. The day view is told.
TEST_F(FormCamera, OtherCamerasRunTheirOwnTablesBesideThisOne) {
    setenv("ZELTO_CAMERA", "virtual", 1);
    std::vector<std::string> dayLines;
    TForm_Camera::Services services{shared,
                                    clock,
                                    sound,
                                    shell,
                                    [this]() -> EdsSdk& { return camera; },
                                    [] { return ComputerInformation{}; }};
    services.simulatedClock = [] {
        auto simulated = std::make_unique<FakeClock>(kStart, 100);
        simulated->SetJumpToWaits(true);
        return simulated;
    };
    services.otherCameras = [&dayLines](const std::string& windowCamera,
                                        const std::vector<std::string>& lines, bool) {
        dayLines = {windowCamera};
        dayLines.insert(dayLines.end(), lines.begin(), lines.end());
    };
    form = std::make_unique<TForm_Camera>(std::move(services));
    form->SetExposureTable(&table);
    form->SetQuestion([this](const std::string&, const std::string& text, const std::vector<std::string>&,
                             int, std::function<void(int)> answer) {
        questions.push_back(text);
        answer(0);  // start anyway
    });
    table.AppendRow(PhotoRow("Partial", kStart + 10 * kSecond, 10));
    ExposureTable wide(0);
    for (int second : {10, 15, 20}) wide.AppendRow(PhotoRow("Partial", kStart + second * kSecond, 11));
    const std::string wideFile = (docs / "wide.txt").string();
    ASSERT_TRUE(SaveExposureTable(wideFile, TableSiteOf(shared.site, 51), wide).saved);
    const std::string options = (docs / kOptionsFileName).string();
    ASSERT_TRUE(WriteOptionsFile(options, {false,
                                           true,
                                           false,
                                           {{"Tele", "VIRTUAL0001", ""},
                                            {"Wide", "", wideFile},
                                            {"Video", "", (docs / "missing.txt").string()}}}));
    Click("Button_Connect");
    Click("Button_Test_Eclipse_Photography");
    EXPECT_TRUE(QTest::qWaitFor([this] { return !form->RunGoingOn(); }, 10000));
    QCoreApplication::processEvents();
    unsetenv("ZELTO_CAMERA");
    EXPECT_TRUE(Find<QPushButton>("Button_Test_Eclipse_Photography")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("Button_Abort_Test")->isEnabled());

    // Asked first: the table that cannot be read, and the wide table made for another eclipse.
    ASSERT_FALSE(questions.empty());
    EXPECT_EQ(questions.back().rfind("The other cameras' tables:\nWide: ", 0), 0u) << questions.back();
    EXPECT_NE(questions.back().find("\nVideo: Cannot open "), std::string::npos) << questions.back();
    const std::string summary = Text("Label_RunSummary");
    EXPECT_EQ(summary.rfind("Tele:\npictures taken 1, failed 0,", 0), 0u) << summary;
    EXPECT_NE(summary.find("\n\nWide:\npictures taken 3, failed 0,"), std::string::npos) << summary;
    EXPECT_NE(summary.find("\n\nVideo:\ntable: "), std::string::npos) << summary;
    EXPECT_EQ(dayLines, (std::vector<std::string>{
                            "Tele", "Wide: ended: 3 taken, 0 lost, 0 failed",
                            "Video: table: " + LoadExposureTable((docs / "missing.txt").string()).message}))
        << ::testing::PrintToString(dayLines);
    // Each log names its camera; the serial the wide body reported is kept for its next run.
    const std::string wideLog = FileText(BodyLogPath(form->shotLogPath(), "Wide"));
    EXPECT_EQ(wideLog.rfind(std::string(kShotLogHeader) + ",camera\r\n", 0), 0u) << wideLog;
    EXPECT_EQ(std::count(wideLog.begin(), wideLog.end(), '\n'), 4) << wideLog;
    EXPECT_NE(wideLog.find(",taken,1/250,1,no,Wide\r\n"), std::string::npos) << wideLog;
    EXPECT_NE(FileText(form->shotLogPath()).find(",no,Tele\r\n"), std::string::npos);
    EXPECT_EQ(ReadOptionsFile(options).Cameras[1].serial, "VIRTUAL0002");
    if (const char* shots = std::getenv("ZELTO_SCREENSHOT_DIR")) {
        form->show();
        FitToRoom(form.get(), kLaptop);
        for (const char* page : {"TabSheet3", "TabSheet4"}) {
            Find<QTabWidget>("PageControl1")->setCurrentWidget(Find<QWidget>(page));
            QCoreApplication::processEvents();
            SaveOnLaptopScreen(*form,
                               QString("%1/camera_window_%2.png")
                                   .arg(shots, page == std::string("TabSheet3") ? "several" : "cameras"));
        }
    }
}

// The "Cameras" page keeps the cameras' names and tables in the options, and only those: a name that
// a command line or fault could not carry, or one given already, is refused and said; a serial a run
// learnt is kept; nothing changes while a run goes on.
TEST(CamerasPage, KeepsNamesTablesAndSerials) {
    QTemporaryDir home;
    const std::string options = home.filePath("Zelto.opt").toStdString();
    ASSERT_TRUE(WriteOptionsFile(options, {false, false, true, {{"Tele", "0123", ""}}}));
    std::vector<std::string> said;
    CameraListPage page(
        options, [&said](const std::string& text) { said.push_back(text); },
        [](std::function<void(const std::string&)> chosen) { chosen("/eclipse/wide, 2027.txt"); });
    auto* list = FindControl<QTableWidget>(page, "Table_Cameras");
    page.OnAddCamera();
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_EQ(list->item(1, 0)->text(), "Camera2");
    struct Case {
        const char* typed;
        const char* kept;
    };
    for (const Case& c : {Case{"Wide", "Wide"}, Case{"Wi de", "Wide"}, Case{"Tele", "Wide"}, Case{"", "Wide"},
                          Case{"W:1", "Wide"}}) {
        SCOPED_TRACE(c.typed);
        const size_t before = said.size();
        list->item(1, 0)->setText(c.typed);
        EXPECT_EQ(page.Cameras()[1].name, c.kept);
        EXPECT_EQ(list->item(1, 0)->text().toStdString(), c.kept);
        EXPECT_EQ(said.size(), before + (std::string(c.typed) != c.kept));
    }
    list->selectRow(1);
    page.OnChooseTable();
    OtherCameraState learnt;
    learnt.name = "Wide";
    learnt.serial = "0456";
    page.ShowStates({learnt});
    const ProgramOptions read = ReadOptionsFile(options);
    EXPECT_TRUE(read.NightMode);  // the other options stay as they were
    EXPECT_EQ(read.Cameras,
              (std::vector<KeptCamera>{{"Tele", "0123", ""}, {"Wide", "0456", "/eclipse/wide, 2027.txt"}}));
    page.SetRunning(true);
    for (const char* button : {"Button_Add_Camera", "Button_Camera_Table", "Button_Remove_Camera"})
        EXPECT_FALSE(FindControl<QPushButton>(page, button)->isEnabled()) << button;
    page.OnRemoveCamera();
    EXPECT_EQ(ReadOptionsFile(options).Cameras.size(), 2u);
    page.SetRunning(false);
    page.OnRemoveCamera();
    EXPECT_EQ(ReadOptionsFile(options).Cameras, (std::vector<KeptCamera>{{"Tele", "0123", ""}}));
}

}  // namespace
}  // namespace zelto
