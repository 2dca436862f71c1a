#include "camera/test_shots.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "camera/appmaster.h"
#include "camera/proptables.h"
#include "camera/virtual_camera.h"

namespace zelto {
namespace {

struct RecordingShotsView : ShotsView {
    std::vector<std::string> lines;
    std::string status;
    bool running = false, focused = false;
    int runningChanges = 0;
    std::function<void()> onMessages;

    void ClearReport() override { lines.clear(); }
    void AddReportLine(const std::string& line) override { lines.push_back(line); }
    void SetStatus(const std::string& text) override { status = text; }
    void SetSeriesRunning(bool on, bool focusReport) override {
        running = on, focused = focusReport, ++runningChanges;
    }
    void ProcessMessages() override {
        if (onMessages) onMessages();
    }
};

class TestShots : public testing::Test {
  protected:
    TestShots() {
        master = TAppMaster::Create(camera, nullptr, state);
        master->OpenSession();
        camera.SetCallLog(false);
        flags.AbortShotsRequested = true;  // a series clears it when it starts
    }
    SeriesResult Five() {
        return TakeFivePictures({clock, view, flags, [this] { return master.get(); }});
    }
    SeriesResult Nine() {
        return TakeNinePictures({clock, view, flags, [this] { return master.get(); }});
    }

    FakeClock clock{2460409.25, 1000};
    VirtualCamera camera;
    CameraState state;
    std::unique_ptr<TAppMaster> master;
    RunFlags flags;
    RecordingShotsView view;
};

TEST_F(TestShots, RefusedWhileARunGoesOn) {
    for (const CameraActivity busy : {CameraActivity::Run, CameraActivity::TestRun, CameraActivity::Series}) {
        flags.Activity = busy;
        EXPECT_TRUE(Five().refused);
        EXPECT_TRUE(Nine().refused);
        EXPECT_EQ(view.status, kCameraBusyText);
        EXPECT_EQ(view.runningChanges, 0);
        EXPECT_EQ(camera.PicturesTaken(), 0);
        EXPECT_EQ(flags.Activity, busy);
    }
    flags.Activity = CameraActivity::None;
    view.onMessages = [this] { EXPECT_EQ(flags.Activity, CameraActivity::Series); };
    EXPECT_EQ(Five().taken, 5);
    EXPECT_EQ(flags.Activity, CameraActivity::None);
}

TEST_F(TestShots, CameraThatAcceptsEverything) {
    const SeriesResult five = Five();
    EXPECT_EQ(five.taken, 5);
    ASSERT_EQ(view.lines.size(), 11u);
    EXPECT_EQ(view.lines[0], "1x released: 1 picture   taken ...  0 ms +5 ms pause,");
    EXPECT_EQ(view.lines[2], "2x released: 2 pictures taken ...  0 ms +5 ms pause,");
    EXPECT_EQ(view.lines[8], "5x released: 5 pictures taken ...  0 ms +5 ms pause,");
    for (int k = 0; k < 5; ++k) {
        const std::string& time = view.lines[static_cast<size_t>(2 * k + 1)];
        ASSERT_GE(time.size(), 3u);
        EXPECT_EQ(time.substr(time.size() - 2), "ms");
        EXPECT_GE(std::stoi(time), 5);  // the 5 ms pause is included
    }
    EXPECT_EQ(view.lines.back(), "OK!");
    EXPECT_FALSE(view.running);
    EXPECT_TRUE(view.focused);
    EXPECT_EQ(camera.PicturesTaken(), 5);

    // The camera's speeds were never read here: the nine keep the actual settings and say so.
    const SeriesResult nine = Nine();
    EXPECT_EQ(nine.taken, 9);
    ASSERT_EQ(view.lines.size(), 11u);
    EXPECT_EQ(view.lines[0], "Shutter speed cannot be stepped: 9 pictures with the actual settings.");
    EXPECT_EQ(view.lines[4], "4x released. Picture (actual settings) taken,");
    EXPECT_EQ(view.lines.back(), "OK!");
    EXPECT_EQ(view.status, "Picture: done");
    EXPECT_FALSE(view.focused);
}

TEST_F(TestShots, CameraThatRefusesEverything) {
    camera.FailCall("EdsSendCommand", kEdsErrDeviceBusy);
    Five();
    EXPECT_EQ(camera.PicturesTaken(), 0);
    EXPECT_EQ(view.lines[8], "5x released: 0 pictures taken ...  0 ms +5 ms pause,");
    EXPECT_EQ(view.lines.back(), "5 pictures LOST!");

    camera.SetCallLog(true);
    Nine();
    EXPECT_EQ(camera.CallCount("EdsSendCommand"), 9 * 5000);
    ASSERT_EQ(view.lines.size(), 11u);
    for (int k = 1; k <= 9; ++k) {
        EXPECT_EQ(view.lines[static_cast<size_t>(k)],
                  std::to_string(k) + "x released. Picture (actual settings) failed to release!,");
    }
    EXPECT_EQ(view.lines.back(), "9 pictures LOST!");
    EXPECT_EQ(view.status, "Picture: the camera is busy (00000081), try 5000");
}

TEST_F(TestShots, ReleaseThatSucceedsOnTheLastTrialCounts) {
    camera.FailCall("EdsSendCommand", kEdsErrDeviceBusy, 4999);
    Five();
    EXPECT_EQ(view.lines[0], "1x released: 1 picture   taken ...  0 ms +5 ms pause,");
    EXPECT_EQ(view.lines.back(), "OK!");
    camera.FailCall("EdsSendCommand", kEdsErrDeviceBusy, 4999);
    Nine();
    EXPECT_EQ(view.lines[1], "1x released. Picture (actual settings) taken,");
    EXPECT_EQ(view.lines.back(), "OK!");
    EXPECT_EQ(camera.PicturesTaken(), 14);
}

TEST_F(TestShots, NineSeriesStepsTheShutterSpeedAndSetsItBack) {
    master->ReadPropertyList(kEdsPropTv);  // 30 s to 1/8000 s in third stops
    struct Case {
        const char* actual;
        std::vector<std::string> taken;  // the speeds, in order
    };
    const Case cases[] = {
        {"1/125", {"1/125", "1/100", "1/80", "1/60", "1/50", "1/40", "1/30", "1/25", "1/20"}},
        // Near the long end the steps begin shorter: nine distinct speeds ending at 30 s.
        {"15\"", {"5\"", "6\"", "8\"", "10\"", "13\"", "15\"", "20\"", "25\"", "30\""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.actual);
        camera.SetValue(kEdsPropTv, TvCodeByName(c.actual));  // quietly: the series reads it itself
        camera.SetCallLog(true);
        camera.ClearCalls();
        Nine();
        ASSERT_EQ(view.lines.size(), 11u);
        EXPECT_EQ(view.lines[0], "Shutter speeds " + c.taken.front() + " to " + c.taken.back() +
                                     ", then back to " + c.actual + ":");
        std::vector<uint32_t> written;
        for (const VirtualCall& call : camera.Calls()) {
            if (call.function == "EdsSetPropertyData" && call.args[1] == kEdsPropTv)
                written.push_back(call.args[4]);
        }
        ASSERT_EQ(written.size(), 10u);
        for (size_t k = 0; k < 9; ++k) {
            EXPECT_EQ(view.lines[k + 1],
                      std::to_string(k + 1) + "x released. Picture (" + c.taken[k] + ") taken,");
            EXPECT_EQ(SettingName(kEdsPropTv, written[k]), c.taken[k]);
        }
        EXPECT_EQ(camera.Value(kEdsPropTv), TvCodeByName(c.actual));  // set back
        EXPECT_EQ(view.lines.back(), "OK!");
    }
}

TEST_F(TestShots, AbortAndDisconnectEndTheSeriesBeforeTheNextRelease) {
    int turns = 0;
    view.onMessages = [&] {
        if (++turns == 2) flags.AbortShotsRequested = true;  // "Abort" clicked during picture 3
    };
    const SeriesResult nine = Nine();
    EXPECT_TRUE(nine.aborted);
    EXPECT_EQ(camera.PicturesTaken(), 2);
    EXPECT_EQ(view.lines.back(), "Test aborted by user.");

    turns = 0;
    view.onMessages = [&] {
        if (++turns == 1) master.reset();  // disconnected while the series runs
    };
    const SeriesResult five = Five();
    EXPECT_TRUE(five.cameraLost);
    EXPECT_EQ(five.taken, 1);
    EXPECT_EQ(camera.PicturesTaken(), 3);
    EXPECT_EQ(view.lines[view.lines.size() - 2], "Camera disconnected.");
    EXPECT_EQ(view.lines.back(), "4 pictures LOST!");
}

}  // namespace
}  // namespace zelto
