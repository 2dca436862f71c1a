#include "camera/camera_control.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "camera/gphoto2_sdk.h"
#include "camera/proptables.h"
#include "camera/virtual_camera.h"
#include "eclipse_data/datetext.h"
#include "state/variables.h"
#include "fake_eos_port.h"
#include "recording_sink.h"
#include "recording_window.h"

namespace zelto {
namespace {

namespace fs = std::filesystem;

std::string FileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class CameraControlTest : public testing::Test {
  protected:
    CameraControlTest() {
        // One folder per test: ctest runs the tests side by side.
        folder = fs::temp_directory_path() /
                 ("zelto-camera-control-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        shared.folders.DocumentsFolder = folder.string() + "/";
        shared.folders.ProgramFolder = "/opt/zelto/";
        shared.program.ProgramVersion.FileVersion = "1.0.0.7";
        camera.SetCallLog(true);
    }
    ~CameraControlTest() override {
        control.reset();
        fs::remove_all(folder);
    }

    CameraControl& Control() {
        if (!control) {
            CameraControl::Services services{shared.folders,
                                             shared.program,
                                             shared.flags,
                                             shared.time,
                                             shared.camera,
                                             clock,
                                             window,
                                             [this]() -> EdsSdk& { return camera; },
                                             &sink,
                                             [this] { return computer; }};
            control = std::make_unique<CameraControl>(services);
        }
        return *control;
    }

    // The window's queue: every message the camera's thread has posted so far, handled in order.
    void HandleQueued() {
        ASSERT_TRUE(camera.WaitUntilEventsDelivered(std::chrono::seconds(5)));
        for (const CameraMessage& message : sink.Messages()) Control().HandleMessage(message);
        sink.Clear();
    }

    int Writes(EdsPropertyID property, uint32_t value) const {
        int n = 0;
        for (const VirtualCall& call : camera.Calls()) {
            n += call.function == "EdsSetPropertyData" && call.args.size() > 4 && call.args[1] == property &&
                 call.args[4] == value;
        }
        return n;
    }

    fs::path Ini() const { return folder / "Camera.ini"; }
    fs::path Txt() const { return folder / "Camera.txt"; }

    fs::path folder;
    SharedVariables shared;
    FakeClock clock{2460409.25, 1000};
    VirtualCamera camera;
    RecordingSink sink;
    RecordingWindow window;
    ComputerInformation computer;
    std::unique_ptr<CameraControl> control;
};

TEST_F(CameraControlTest, ConnectListsSelectsWritesAndLogs) {
    camera.SetAllowedValues(kEdsPropISOSpeed, {0x48, 0x50, 0x58});
    camera.SetAllowedValues(kEdsPropTv, {0x10, 0x60, 0xA0});  // 30", 1/30, 1/8000
    camera.SetAllowedValues(kEdsPropImageQuality, {0x0013FF0F, 0x12345678});
    Control().Connect();

    EXPECT_EQ(shared.camera.CameraName, "Canon EOS (virtual)");
    EXPECT_EQ(window.labelA, "Camera : Canon EOS (virtual)");
    EXPECT_EQ(window.line6, "Change the camera settings");
    EXPECT_EQ(window.line7, "and press the Release button.");
    EXPECT_EQ(window.line8, "(Or operate the camera itself)");
    EXPECT_TRUE(window.release);
    EXPECT_TRUE(window.series);
    EXPECT_EQ(window.saveFolder, "0");  // the last list read's result

    EXPECT_EQ(window.lists[kEdsPropISOSpeed], (std::vector<std::string>{"100", "200", "400"}));
    EXPECT_EQ(window.selected[kEdsPropISOSpeed], 0);
    EXPECT_EQ(Writes(kEdsPropISOSpeed, 0x48), 1);
    EXPECT_EQ(window.lists[kEdsPropTv], (std::vector<std::string>{"30\"", "1/30", "1/8000"}));
    EXPECT_EQ(window.selected[kEdsPropTv], 2);  // the last shutter speed
    EXPECT_EQ(Writes(kEdsPropTv, 0xA0), 1);
    // A code the name tables lack is shown as its code, not a failed connect.
    EXPECT_EQ(window.lists[kEdsPropImageQuality], (std::vector<std::string>{"JPGLarFin", "12345678"}));
    EXPECT_EQ(Writes(kEdsPropImageQuality, 0x0013FF0F), 1);
    EXPECT_TRUE(window.lists[kEdsPropAEMode].empty());

    const std::string log = FileText(Ini());
    const std::string list = log.substr(log.find("$$EOH\r\n") + 7);
    EXPECT_EQ(list.substr(0, list.find("number of AEmode")),
              "Canon EOS (virtual)\r\n"
              "           2 number of Image quality settings\r\n"
              "     1310479     0013FF0F 0 JPGLarFin\r\n"
              "   305419896     12345678 0 \r\n"
              "           5 ");
    EXPECT_NE(list.find("\r\n           3 number of ISO speed settings\r\n"
                        "          72     00000048 0 100\r\n"
                        "          80     00000050 0 200\r\n"
                        "          88     00000058 0 400\r\n"),
              std::string::npos);

    // Connecting again changes nothing: no second library, the log stays.
    const size_t calls = camera.Calls().size();
    Control().Connect();
    EXPECT_EQ(camera.Calls().size(), calls);
    EXPECT_EQ(FileText(Ini()), log);

    // Disconnect: the log becomes Camera.txt, replacing an older one.
    std::ofstream(Txt(), std::ios::binary) << "older";
    Control().Disconnect();
    EXPECT_FALSE(fs::exists(Ini()));
    EXPECT_EQ(FileText(Txt()), log);
    EXPECT_FALSE(window.release);
    EXPECT_FALSE(window.series);
    EXPECT_FALSE(window.saveButton);
    EXPECT_EQ(window.status, "Camera : ");
    EXPECT_FALSE(camera.Initialized());
}

// The desktop's mounter as a test sees it: who holds the camera, and the releases asked for, each
// answered at once with `answer` (empty: released).
class FakeMounter final : public MountReleaser {
  public:
    std::string Holder() override { return holder; }
    void Release(std::function<void(const std::string&)> done) override {
        ++releases;
        done(answer);
    }
    std::string holder, answer;
    int releases = 0;
};

class FakeUsbPower final : public UsbPowerReader {
  public:
    std::optional<UsbPortPower> Read(const std::string& port) override {
        asked.push_back(port);
        return power;
    }
    std::optional<UsbPortPower> power;
    std::vector<std::string> asked;
};

// A camera on usb:001,005 through the gphoto2 backend: held by the desktop's mounter at first (the
// connect fails with "Could not claim the USB device"), released with "Release it", then connected;
// and a connected camera whose port the kernel may suspend is named with its fix.
TEST_F(CameraControlTest, HeldCameraIsReleasedThenConnectedAndASuspendablePortIsNamed) {
    const std::string autosuspend =
        "USB autosuspend is on for the camera's port usb:001,005: the computer may power the camera down between "
        "pictures. Zelto's package installs a udev rule that keeps cameras powered (reconnect the camera after "
        "installing it); for this session: echo on | sudo tee /sys/bus/usb/devices/1-2/power/control";
    struct Case {
        int claimedOpens;
        const char* holder;
        const char* releaseAnswer;  // what the mounter says when asked to let go
        std::optional<UsbPortPower> power;
        // After the first connect:
        const char* labelAfterConnect;
        std::string noteAfterConnect;
        bool offered;
        // After "Release it" (when offered):
        const char* labelAfterRelease;
        std::string noteAfterRelease;
    } cases[] = {
        {1, "gvfsd-gphoto2", "", UsbPortPower{false, "/sys/bus/usb/devices/1-2/power/control"},
         "Camera : held by another program",
         "The camera is held by gvfsd-gphoto2 (the desktop's camera mounter): no other program can open it "
         "(\"Could not claim the USB device\"). \"Release it\" unmounts the desktop's camera mount and connects again.",
         true, "Camera : Canon EOS 100D", ""},
        {2, "", "gio: No mounts found", std::nullopt, "Camera : held by another program",
         "The camera is held by another program: no other program can open it (\"Could not claim the USB device\"). "
         "\"Release it\" unmounts the desktop's camera mount and connects again.",
         true, "Camera : held by another program", "The camera could not be released: gio: No mounts found"},
        {0, "", "", UsbPortPower{true, "/sys/bus/usb/devices/1-2/power/control"}, "Camera : Canon EOS 100D",
         autosuspend, false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.claimedOpens);
        auto* port = new FakeEosPort;
        port->claimedOpens = c.claimedOpens;
        Gphoto2Sdk sdk{std::unique_ptr<Gphoto2Port>(port)};
        FakeMounter mounter;
        mounter.holder = c.holder;
        mounter.answer = c.releaseAnswer;
        FakeUsbPower power;
        power.power = c.power;
        RecordingWindow view;
        SharedVariables state;
        state.folders = shared.folders;
        CameraControl held({state.folders, state.program, state.flags, state.time, state.camera, clock, view,
                            [&sdk]() -> EdsSdk& { return sdk; }, &sink, [this] { return computer; }, &power,
                            &mounter});
        held.Connect();
        EXPECT_EQ(view.labelA, c.labelAfterConnect);
        EXPECT_EQ(view.portNote, c.noteAfterConnect);
        EXPECT_EQ(view.releaseOffered, c.offered);
        EXPECT_EQ(state.camera.CameraName.empty(), c.offered);
        if (c.offered) {
            EXPECT_FALSE(view.release);
            held.ReleaseHeldCamera();
            EXPECT_EQ(mounter.releases, 1);
            EXPECT_EQ(view.labelA, c.labelAfterRelease);
            EXPECT_EQ(view.portNote, c.noteAfterRelease);
            EXPECT_EQ(view.releaseOffered, !c.noteAfterRelease.empty());
        }
        EXPECT_EQ(power.asked, state.camera.CameraName.empty() ? std::vector<std::string>{}
                                                               : std::vector<std::string>{"usb:001,005"});
        held.Disconnect();
        sink.Clear();
    }
}

TEST_F(CameraControlTest, ValuesChangedOnTheBodySelectTheirItem) {
    camera.SetAllowedValues(kEdsPropTv, {0x10, 0x60, 0xA0});
    Control().Connect();
    HandleQueued();
    camera.ChangeOnBody(kEdsPropTv, 0x60);
    HandleQueued();
    EXPECT_EQ(window.selected[kEdsPropTv], 1);
    camera.ChangeOnBody(kEdsPropTv, 0x68);  // 1/60: not offered in the list
    HandleQueued();
    EXPECT_EQ(window.selected[kEdsPropTv], -1);
    EXPECT_EQ(Writes(kEdsPropTv, 0x68), 0);  // selecting from the program writes nothing back
}

TEST_F(CameraControlTest, FailingWriteShowsTheMessageAndReselectsTheCameraValue) {
    camera.SetAllowedValues(kEdsPropISOSpeed, {0x48, 0x50, 0x58});
    Control().Connect();
    HandleQueued();
    camera.FailCall("EdsSetPropertyData", kEdsErrDeviceBusy, 1);
    window.selected[kEdsPropISOSpeed] = 2;
    Control().ListChanged(kEdsPropISOSpeed);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0],
              "Cannot set new value...\rError in ComboBox.ISOChange()\rSelect_____=2\rProp.Propid_=00000058\r"
              "Prop.PropStr=400\rErr_______=129");
    EXPECT_EQ(window.selected[kEdsPropISOSpeed], 0);  // the camera still has ISO 100

    // The other handlers' prefixes.
    EXPECT_EQ(WriteErrorText(kEdsPropAv, 1, 0x28, "f/4", 7),
              "Cannot set new value...\rError in ComboBox.AVChange()\rSelect_____=1\rProp.Propid_=00000028\r"
              "Prop.PropStr=f/4\rErr_______=7");
    EXPECT_EQ(WriteErrorText(kEdsPropTv, 0, 0x10, "30\"", 7).substr(0, 54),
              "Cannot set new value...\rError in ComboBox.TVChange()\rS");
    EXPECT_EQ(WriteErrorText(kEdsPropAEMode, 0, 0, "", 7).substr(0, 58),
              "Cannot set new value...\rError in ComboBox.AEmodeChange()\rS");
}

TEST_F(CameraControlTest, MessagesOfAGoneSessionAreDropped) {
    Control().Connect();
    HandleQueued();
    camera.ChangeOnBody(kEdsPropTv, 0x60);
    ASSERT_TRUE(camera.WaitUntilEventsDelivered(std::chrono::seconds(5)));
    const std::vector<CameraMessage> queued = sink.Messages();
    ASSERT_FALSE(queued.empty());
    Control().Disconnect();
    camera.ClearCalls();
    for (const CameraMessage& message : queued) EXPECT_TRUE(Control().HandleMessage(message));
    EXPECT_TRUE(camera.Calls().empty());
    EXPECT_FALSE(Control().HandleMessage({0x400, 0, 0, 0}));  // not a camera message
}

TEST_F(CameraControlTest, ProgressAndDownloadMessages) {
    Control().Connect();
    const uint64_t session = Control().Master()->Session();
    // The bar stops at 100: a figure beyond it fills the bar, which then empties again.
    struct Case { uintptr_t figure; std::vector<int> bar; };
    for (const Case& c : {Case{40, {40}}, Case{100, {100, 0}}, Case{150, {100, 0}}}) {
        window.progress.clear();
        EXPECT_TRUE(Control().HandleMessage({kCameraMessageProgress, c.figure, 0, session}));
        EXPECT_EQ(window.progress, c.bar) << c.figure;
    }
    camera.FailCall("EdsGetDirectoryItemInfo", kEdsErrInternal, 1);
    EXPECT_TRUE(Control().HandleMessage({kCameraMessageTransfer, 0x208, 0x5000, session}));
    EXPECT_EQ(window.status, "Download error occurred!");
}

// A table name wins over the camera's own text; a code no table knows shows the camera's text when the
// library gives one (gphoto2 choices), else its hexadecimal code.
TEST(SettingNames, TableNameThenCameraTextThenCode) {
    EXPECT_EQ(SettingName(kEdsPropAv, 0x30, "5.6"), "f/5.6");
    EXPECT_EQ(SettingName(kEdsPropAv, 0x7F000007, "99.9"), "99.9");
    EXPECT_EQ(SettingName(kEdsPropAv, 0x7F000007), "7F000007");
    EXPECT_EQ(SettingName(kEdsPropTv, 0xFFFFFFFF, "bulb?"), "Unknown");
}

TEST(CameraLog, HeaderLinesAndTimeZone) {
    ComputerInformation c;
    c.productName = "Debian GNU/Linux 12";
    c.version = "6.1.0";
    c.buildLab = "x86_64-little_endian-lp64";
    c.computerName = "observatory";
    c.userName = "fred";
    c.tempFolder = "/tmp";
    c.programFolder = "/opt/zelto/";
    c.documentsFolder = "/home/fred/Documents/Zelto/";
    c.zone = {"Central European Standard Time", {2024, 10, 27, 3, 0, 0, 0, 0}, 0,  -120, 2,
              "Central European Summer Time",   {2024, 3, 31, 2, 0, 0, 0, 0},  -60};
    const double jd = 2460409.25;  // 2024-04-08 18:00:00 UT
    const std::string text = CameraLogText(jd, "1.0.0.7", c, "EOS", SupportedCodesTable{});
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    const std::vector<std::string> expected = {"$$BOH",
                                               "Logfile creation date and time",
                                               "------------------------------",
                                               "2024-04-08 18:00:00.0",
                                               "",
                                               "Program information",
                                               "-------------------",
                                               "Zelto Version: 1.0.0.7",
                                               "",
                                               "Computer information",
                                               "--------------------",
                                               "Reg_ProductName         : Debian GNU/Linux 12",
                                               "Reg_CurrentVersion      : 6.1.0",
                                               "Reg_BuildLab            : x86_64-little_endian-lp64",
                                               "Computer name           : observatory",
                                               "User name               : fred",
                                               "",
                                               "Standard directories",
                                               "--------------------",
                                               "Windows temporary path  : /tmp",
                                               "Windows application path: /opt/zelto/",
                                               "Windows documents path  : /home/fred/Documents/Zelto/",
                                               "",
                                               "Computer time zone settings",
                                               "---------------------------",
                                               "Computer standard name  : Central European Standard Time",
                                               "Computer standard date  : 2024 10 27 3 0 0 0 0",
                                               "Standard bias           : 0",
                                               "Current  bias           : -120",
                                               "Current  bias name      : Daylight",
                                               "Computer daylight name  : Central European Summer Time",
                                               "Computer daylight date  : 2024 3 31 2 0 0 0 0",
                                               "DayLight bias           : -60",
                                               "",
                                               "Camera and connected optics information",
                                               "---------------------------------------",
                                               "$$EOH",
                                               "EOS"};
    ASSERT_GE(lines.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
    EXPECT_EQ(lines.size(), expected.size() + 5);  // five count lines, no codes

    c.zone.state = 7;  // a state the system does not name: no line
    EXPECT_EQ(CameraLogText(jd, "1", c, "EOS", {}).find("Current  bias name"), std::string::npos);
}

TEST(CameraLog, ListReadsBackAsTheExposureWindowReadsIt) {
    SupportedCodesTable codes;
    for (uint32_t code : {0x0013FF0Fu, 0xFFFFFFFFu})
        codes.For(kEdsPropImageQuality).codes[++codes.For(kEdsPropImageQuality).count] = code;
    for (uint32_t code : {0x48u, 0x50u})
        codes.For(kEdsPropISOSpeed).codes[++codes.For(kEdsPropISOSpeed).count] = code;
    codes.For(kEdsPropTv).codes[++codes.For(kEdsPropTv).count] = 0xA0;
    CameraListFile list;
    ASSERT_TRUE(ReadCameraListText(CameraLogText(2460409.25, "1", {}, "EOS R", codes), list));
    EXPECT_EQ(list.cameraName, "EOS R");
    EXPECT_EQ(list.codes[0], (std::vector<uint32_t>{0x0013FF0F, 0xFFFFFFFF}));
    EXPECT_TRUE(list.codes[1].empty());
    EXPECT_EQ(list.codes[2], (std::vector<uint32_t>{0x48, 0x50}));
    EXPECT_TRUE(list.codes[3].empty());
    EXPECT_EQ(list.codes[4], std::vector<uint32_t>{0xA0});
    // A log cut short is not read as a shorter list.
    const std::string text = CameraLogText(2460409.25, "1", {}, "EOS R", codes);
    EXPECT_FALSE(ReadCameraListText(text.substr(0, text.size() - 30), list));
    EXPECT_FALSE(ReadCameraListText("no header\r\n", list));
}

}  // namespace
}  // namespace zelto
