// A run on the real clock keeps its instants whatever the windows do: dialogs of all three windows left
// open across rows, and a connect stuck in the camera.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "camera/deadline_sdk.h"
#include "camera/virtual_camera.h"
#include "camera_window/form_camera.h"
#include "eclipse_data/clock.h"
#include "eclipse_data/datetext.h"
#include "exposure_window/form_exposure.h"
#include "main_window/form_main.h"
#include "window_test_support.h"

namespace zelto {
namespace {

constexpr double kSecond = 1.0 / 86400.0;

class NoShell final : public Shell {
  public:
    bool StartBatch(const std::string&) override { return false; }
};

// A camera library stuck in its first call until it is let go; once free it finds no camera.
class StuckLibrary final : public EdsSdk {
  public:
    void LetGo() {
        std::lock_guard<std::mutex> lock(mutex_);
        free_ = true;
        letGo_.notify_all();
    }
    EdsError EdsInitializeSDK() override {
        std::unique_lock<std::mutex> lock(mutex_);
        letGo_.wait(lock, [this] { return free_; });
        return kEdsErrOk;
    }
    EdsError EdsTerminateSDK() override { return kEdsErrOk; }
    EdsError EdsGetCameraList(EdsCameraListRef*) override { return kEdsErrDeviceNotFound; }
    EdsError EdsGetChildCount(EdsBaseRef, EdsUInt32*) override { return kEdsErrDeviceNotFound; }
    EdsError EdsGetChildAtIndex(EdsBaseRef, EdsInt32, EdsBaseRef*) override { return kEdsErrDeviceNotFound; }
    EdsUInt32 EdsRelease(EdsBaseRef) override { return 0; }
    EdsError EdsGetDeviceInfo(EdsCameraRef, EdsDeviceInfo*) override { return kEdsErrDeviceNotFound; }
    EdsError EdsSetPropertyEventHandler(EdsCameraRef, EdsPropertyEvent, EdsPropertyEventHandler,
                                        void*) override {
        return kEdsErrDeviceNotFound;
    }
    EdsError EdsSetObjectEventHandler(EdsCameraRef, EdsObjectEvent, EdsObjectEventHandler, void*) override {
        return kEdsErrDeviceNotFound;
    }
    EdsError EdsOpenSession(EdsCameraRef) override { return kEdsErrDeviceNotFound; }
    EdsError EdsCloseSession(EdsCameraRef) override { return kEdsErrDeviceNotFound; }
    EdsError EdsGetPropertySize(EdsBaseRef, EdsPropertyID, EdsInt32, EdsDataType*, EdsUInt32*) override {
        return kEdsErrDeviceNotFound;
    }
    EdsError EdsGetPropertyData(EdsBaseRef, EdsPropertyID, EdsInt32, EdsUInt32, void*) override {
        return kEdsErrDeviceNotFound;
    }
    EdsError EdsSetPropertyData(EdsBaseRef, EdsPropertyID, EdsInt32, EdsUInt32, const void*) override {
        return kEdsErrDeviceNotFound;
    }
    EdsError EdsGetPropertyDesc(EdsBaseRef, EdsPropertyID, EdsPropertyDesc*) override {
        return kEdsErrDeviceNotFound;
    }
    EdsError EdsSendStatusCommand(EdsCameraRef, EdsUInt32, EdsInt32) override {
        return kEdsErrDeviceNotFound;
    }
    EdsError EdsSendCommand(EdsCameraRef, EdsUInt32, EdsInt32) override { return kEdsErrDeviceNotFound; }
    EdsError EdsSetCapacity(EdsCameraRef, EdsCapacity) override { return kEdsErrDeviceNotFound; }
    EdsError EdsGetDirectoryItemInfo(EdsDirectoryItemRef, EdsDirectoryItemInfo*) override {
        return kEdsErrDeviceNotFound;
    }
    EdsError EdsCreateFileStream(const char*, EdsUInt32, EdsUInt32, EdsStreamRef*) override {
        return kEdsErrDeviceNotFound;
    }
    EdsError EdsSetProgressCallback(EdsBaseRef, EdsProgressCallback, EdsUInt32, void*) override {
        return kEdsErrDeviceNotFound;
    }
    EdsError EdsDownload(EdsDirectoryItemRef, EdsUInt64, EdsStreamRef) override {
        return kEdsErrDeviceNotFound;
    }
    EdsError EdsDownloadComplete(EdsDirectoryItemRef) override { return kEdsErrDeviceNotFound; }

  private:
    std::mutex mutex_;
    std::condition_variable letGo_;
    bool free_ = false;
};

class RunKeepsInstants : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        SharedVariables& shared = SharedStateIn(home);
        main = std::make_unique<TForm_Main>(shared, clock, sound);
        main->SetQuitApplicationOnClose(false);
        main->SetQuitProcess([] {});
        exposure = std::make_unique<TForm_Exposure>(shared, *main);
    }
    void TearDown() override {
        camera.reset();
        exposure.reset();
        main.reset();
    }

    void MakeCameraWindow(std::unique_ptr<EdsSdk> body) {
        library = std::make_unique<DeadlineSdk>(std::move(body));
        library->SetWaitTurn([] { QCoreApplication::processEvents(); });
        camera =
            std::make_unique<TForm_Camera>(TForm_Camera::Services{Shared(),
                                                                  clock,
                                                                  sound,
                                                                  shell,
                                                                  [this]() -> EdsSdk& { return *library; },
                                                                  [] { return ComputerInformation{}; },
                                                                  {},
                                                                  [this] { return library->Waiting(); }});
    }

    // The top-level dialogs open now.
    static int OpenDialogs() {
        int open = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            open += qobject_cast<QDialog*>(widget) && widget->isVisible();
        return open;
    }

    QTemporaryDir home;
    SystemClock clock;
    Silent sound;
    NoShell shell;
    std::unique_ptr<TForm_Main> main;
    std::unique_ptr<TForm_Exposure> exposure;
    std::unique_ptr<DeadlineSdk> library;
    std::unique_ptr<TForm_Camera> camera;
};

// Rows 1.5 s apart; before the first the exposure window's Open and Save As dialogs and its
// question about unsaved edits, the camera window's message box and its question before closing, and
// the main window's question before closing are opened and left open across two rows.
TEST_F(RunKeepsInstants, DialogsLeftOpenHoldNoRow) {
    MakeCameraWindow(std::make_unique<VirtualCamera>());
    camera->OnConnect();
    ASSERT_EQ(FindControl<QLabel>(*camera, "LabelA")->text().toStdString(), "Camera : Canon EOS (virtual)");

    ExposureTable table(0);
    // The first row 3 s ahead: making six dialogs takes the window's thread a while (longer under the
    // sanitizers), which must not fall on a row.
    const double first = clock.NowJD() + 3.0 * kSecond;
    for (int i = 0; i < 4; ++i) {
        ExposureRow row;
        row[kColumnPhase] = "Partial";
        row[kColumnDateTime] = JDText(first + 1.5 * i * kSecond, 1);
        row[kColumnFirstShutter + 3] = "x";
        table.AppendRow(row);
    }
    camera->SetExposureTable(&table);
    // The questions before the run (this table is not on the eclipse's day) are answered at once;
    // every other question is the window's own dialog.
    camera->SetQuestion([this](const std::string& caption, const std::string& text,
                               const std::vector<std::string>& buttons, int defaultButton,
                               std::function<void(int)> answer) {
        if (text.find("going on") == std::string::npos) return answer(0);
        AskQuestion(camera.get(), caption, text, buttons, defaultButton, std::move(answer));
    });

    int openAcrossRows = 0;
    QTimer::singleShot(300, exposure.get(), [this] {
        exposure->OnOpenTable();
        exposure->OnSaveTableAs();
        exposure->OpenWindow();
        exposure->OnCreateTable();
        auto* grid = FindControl<QTableView>(*exposure, "NGE");
        grid->setCurrentIndex(grid->model()->index(0, 0));
        exposure->OnInsertAfter();  // an edit to lose: closing asks
        exposure->close();
        camera->ShowMessage("A message box left open");
        camera->close();
        main->close();
    });
    QTimer::singleShot(5200, exposure.get(), [&openAcrossRows] {
        openAcrossRows = OpenDialogs();
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
                dialog->reject();
        }
    });
    camera->OnStartRun();

    EXPECT_GE(openAcrossRows, 6);
    const std::string summary = FindControl<QLabel>(*camera, "Label_RunSummary")->text().toStdString();
    EXPECT_NE(summary.find("pictures taken 4, failed 0"), std::string::npos) << summary;
    EXPECT_NE(summary.find("run finished"), std::string::npos) << summary;
    const auto at = summary.find("latest start ");
    ASSERT_NE(at, std::string::npos) << summary;
    EXPECT_LT(std::stod(summary.substr(at + 13)), 0.050) << summary;
}

// A connect stuck in the camera holds nothing: the main window's clock goes on ticking, and a second
// click on the connect button cancels it.
TEST_F(RunKeepsInstants, AStuckConnectLeavesTheClockTickingAndCanBeCancelled) {
    auto body = std::make_unique<StuckLibrary>();
    StuckLibrary* stuck = body.get();
    MakeCameraWindow(std::move(body));
    QLabel* ut = FindControl<QLabel>(*main, "Label_UT");
    main->show();
    std::string before, after;
    QTimer::singleShot(300, camera.get(), [&] { before = ut->text().toStdString(); });
    QTimer::singleShot(1500, camera.get(), [&] {
        after = ut->text().toStdString();
        EXPECT_EQ(FindControl<QPushButton>(*camera, "Button_Connect")->text().toStdString(),
                  "Cancel Connect");
        camera->OnConnect();  // cancels
    });
    const auto start = std::chrono::steady_clock::now();
    camera->OnConnect();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    stuck->LetGo();

    EXPECT_FALSE(before.empty());
    EXPECT_NE(before, after);  // the clock moved on during the connect
    EXPECT_LT(seconds, 2.5);   // ended by the cancel, not by the 10 s limit
    EXPECT_EQ(FindControl<QLabel>(*camera, "Label6")->text().toStdString(), "Connect cancelled.");
    EXPECT_EQ(FindControl<QPushButton>(*camera, "Button_Connect")->text().toStdString(), "Connect Camera");
    EXPECT_TRUE(Shared().camera.CameraName.empty());
}

}  // namespace
}  // namespace zelto
