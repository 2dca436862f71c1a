// The gphoto2 backend through the real libgphoto2: its ptp2 driver and ptpip port talk to the camera
// emulator (ptpip_camera.py, a Canon EOS body on PTP/IP) on 127.0.0.1, as they would to a body on
// Wi-Fi. Each test starts its own emulator and gives libgphoto2 a home of its own (the driver keeps
// the capture target in ~/.gphoto/settings).
#include <gphoto2/gphoto2.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "camera/camera_control.h"
#include "camera/gphoto2_sdk.h"
#include "eclipse_data/clock.h"
#include "eclipse_data/datetext.h"
#include "exposure/table_file.h"
#include "state/variables.h"
#include "tests/camera/ptpip_emulator.h"
#include "tests/camera/recording_sink.h"
#include "tests/camera/recording_window.h"
#include "tests/cli_process.h"

namespace zelto {
namespace {

namespace fs = std::filesystem;

bool LibGphoto2HasPtpip() {
    GPPortInfoList* ports = nullptr;
    if (gp_port_info_list_new(&ports) < GP_OK) return false;
    const bool found = gp_port_info_list_load(ports) >= GP_OK && gp_port_info_list_lookup_path(ports, "ptpip:") >= GP_OK;
    gp_port_info_list_free(ports);
    return found;
}

class Gphoto2Wire : public testing::Test {
protected:
    void SetUp() override {
        if (!LibGphoto2HasPtpip())
            GTEST_SKIP() << "libgphoto2 has no ptpip port here, so the camera on the wire cannot be reached";
        home = fs::temp_directory_path() /
               ("zelto-wire-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(home);
        fs::create_directories(home / "Documents");
        setenv("HOME", home.c_str(), 1);
        emulator = std::make_unique<PtpipEmulator>(ZELTO_PYTHON, ZELTO_PTPIP_CAMERA);
        if (emulator->Port() == 0) GTEST_SKIP() << "python3 (" ZELTO_PYTHON ") could not start the camera emulator";
    }
    void TearDown() override {
        window.reset();
        emulator.reset();
        if (!home.empty()) fs::remove_all(home);
    }

    // The camera window's rules over the gphoto2 backend on the emulator's port.
    struct Window {
        explicit Window(const std::string& port, const fs::path& documents)
            : sdk(MakeLibGphoto2Port(), port),
              control({shared.folders, shared.program, shared.flags, shared.time, shared.camera, clock, view,
                       [this]() -> EdsSdk& { return sdk; }, &sink, [] { return ComputerInformation{}; }}) {
            shared.folders.DocumentsFolder = documents.string() + "/";
        }
        // The window's queue: the messages posted so far, handled in order.
        void HandleQueued() {
            for (const CameraMessage& message : sink.Take()) control.HandleMessage(message);
        }
        SharedVariables shared;
        FakeClock clock{2460409.25, 1000};
        RecordingWindow view;
        RecordingSink sink;
        Gphoto2Sdk sdk;
        CameraControl control;
    };
    Window& Connect() {
        window = std::make_unique<Window>(emulator->CameraPort(), home / "Documents");
        window->control.Connect();
        return *window;
    }

    // A table of `rows` photograph rows 10 s apart, each with a picture at 1/1000 s and one at 1/125 s:
    // on the simulated clock, or on the real one with the first row `lead` seconds from now and the
    // others `gap` apart.
    std::string TableFile(const std::string& name, int rows, double lead = 0, double gap = 0) {
        const bool realClock = gap > 0;
        const double first = SystemClock().NowJD() + lead / 86400.0;
        ExposureTable table(0);
        for (int i = 0; i < rows; ++i) {
            ExposureRow row;
            row[kColumnPhase] = "Partial";
            row[kColumnDateTime] = realClock ? JDText(first + i * gap / 86400.0, 1)
                                             : "2024-04-08 17:00:" + std::to_string(10 + 10 * i) + ".0";
            row[kColumnQuality] = "JPGaLarFin";
            row[kColumnISO] = i % 2 == 0 ? "100" : "400";
            row[kColumnAperture] = "f/8";
            row[kColumnFirstShutter + 3] = "x";  // 1/1000 s
            row[kColumnFirstShutter + 6] = "x";  // 1/125 s
            table.AppendRow(row);
        }
        const std::string file = (home / name).string();
        TableFileSite site;
        site.EclipseNumber = 51;
        EXPECT_TRUE(SaveExposureTable(file, site, table).saved);
        return file;
    }

    // zelto-cli run with `arguments`, the gphoto2 backend on `port`.
    CliRun RunCli(const std::string& arguments, const std::string& port) {
        const std::string h = home.string();
        return RunZeltoCli("run " + arguments, true,
                           "HOME=\"" + h + "\" XDG_CONFIG_HOME=\"" + h + "/config\" XDG_DATA_HOME=\"" + h +
                               "/share\" ZELTO_CAMERA=gphoto2 ZELTO_CAMERA_PORT=" + port);
    }

    // zelto-cli run on a table of `rows` rows (TableFile) with the gphoto2 backend on the emulator's port.
    CliRun RunTable(int rows, double lead = 0, double gap = 0) {
        const std::string file = TableFile("table.txt", rows, lead, gap);
        return RunCli("\"" + file + (gap > 0 ? "\" --force" : "\" --fast"), emulator->CameraPort());
    }

    fs::path home;
    std::unique_ptr<PtpipEmulator> emulator;
    std::unique_ptr<Window> window;
};

TEST_F(Gphoto2Wire, ConnectListsTheSettingsWritesThemAndDisconnects) {
    Window& w = Connect();
    EXPECT_EQ(w.view.labelA, "Camera : Canon EOS 100D");
    // The body's lists as libgphoto2 words them ("Large Fine JPEG", "Auto", "5.6", "0.5"), in the
    // names of the program's tables; a choice without a table row keeps the camera's text.
    EXPECT_EQ(w.view.lists[kEdsPropImageQuality],
              (std::vector<std::string>{"JPGaLarFin", "JPGaLarNor", "JPGaSmaFin", "RAWa", "RAW+JPGaLarFin"}));
    EXPECT_EQ(w.view.lists[kEdsPropISOSpeed],
              (std::vector<std::string>{"AUTO", "100", "200", "400", "800", "1600", "3200", "6400"}));
    EXPECT_EQ(w.view.lists[kEdsPropAv], (std::vector<std::string>{"f/4", "f/5.6", "f/8", "f/11", "f/16", "f/22"}));
    EXPECT_EQ(w.view.lists[kEdsPropTv],
              (std::vector<std::string>{"Bulb", "30\"", "2\"", "1\"", "0\"5", "1/4", "1/15", "1/60", "1/125", "1/500",
                                        "1/1000", "1/4000"}));
    // Connecting writes the selected values: the first of each list, the shortest shutter speed, and
    // the card as capture target.
    const std::pair<EdsPropertyID, const char*> shown[] = {
        {kEdsPropImageQuality, "JPGaLarFin"}, {kEdsPropISOSpeed, "AUTO"}, {kEdsPropAv, "f/4"}, {kEdsPropTv, "1/4000"}};
    for (const auto& [property, name] : shown) EXPECT_EQ(w.view.Shown(property), name);
    const std::pair<const char*, const char*> onBody[] = {
        {"imageformat", "L fine"}, {"iso", "Auto"}, {"aperture", "4"}, {"shutterspeed", "1/4000"}, {"capturedest", "card"}};
    for (const auto& [property, label] : onBody) EXPECT_EQ(emulator->Value(property), label) << property;
    EXPECT_TRUE(fs::exists(home / "Documents" / "Camera.ini"));

    // A choice in a list goes to the body.
    w.view.SelectItem(kEdsPropISOSpeed, 4);
    w.control.ListChanged(kEdsPropISOSpeed);
    w.view.SelectItem(kEdsPropTv, 8);
    w.control.ListChanged(kEdsPropTv);
    EXPECT_EQ(emulator->Value("iso"), "800");
    EXPECT_EQ(emulator->Value("shutterspeed"), "1/125");
    EXPECT_TRUE(w.view.messages.empty());
    // The driver took its Canon EOS path: ISO 800 (Canon's code 0x60) went out as EOS_SetDevicePropValueEx.
    int isoWrites = 0;
    for (const PtpipEmulator::Operation& op : emulator->Log())
        isoWrites += op.name == "EOS_SetDevicePropValueEx" && op.written == "0xd103=0x60";
    EXPECT_EQ(isoWrites, 1);

    w.control.Disconnect();
    EXPECT_EQ(w.view.labelA, "Camera : ");
    const std::vector<PtpipEmulator::Operation> log = emulator->Log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().name, "CloseSession");
    EXPECT_EQ(log.back().response, "0x2001");
}

TEST_F(Gphoto2Wire, ReleaseLeavesThePictureOnTheCard) {
    Window& w = Connect();
    w.control.Release();
    EXPECT_EQ(emulator->Pictures(true), std::vector<std::string>{"IMG_0001.JPG"});
    EXPECT_TRUE(emulator->Pictures(false).empty());
    // Canon's remote release: pressed halfway, then fully.
    std::vector<std::string> presses;
    for (const PtpipEmulator::Operation& op : emulator->Log()) {
        if (op.name == "EOS_RemoteReleaseOn") presses.push_back(op.params);
    }
    EXPECT_EQ(presses, (std::vector<std::string>{"0x1,0x0", "0x2,0x0"}));
}

TEST_F(Gphoto2Wire, SettingChangedOnTheBodyReachesTheWindow) {
    Window& w = Connect();
    emulator->Command("set iso 1600");
    emulator->Command("set aperture 11");
    // The camera thread finds the changes within a few event slices and posts them.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline &&
           (w.view.Shown(kEdsPropISOSpeed) != "1600" || w.view.Shown(kEdsPropAv) != "f/11")) {
        w.sink.WaitFor(1, std::chrono::milliseconds(200));
        w.HandleQueued();
    }
    EXPECT_EQ(w.view.Shown(kEdsPropISOSpeed), "1600");
    EXPECT_EQ(w.view.Shown(kEdsPropAv), "f/11");
}

TEST_F(Gphoto2Wire, RunTakesEveryPictureThroughBusyAnswers) {
    // The body answers Device Busy to two full presses and one ISO write; the run tries again.
    emulator->Command("busy fullpress 2");
    emulator->Command("busy set:iso 1");
    const CliRun run = RunTable(3);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(Count(run.output, "camera: Canon EOS 100D\n"), 1);
    EXPECT_EQ(Count(run.output, " taken\n") + Count(run.output, " taken on trial 3\n"), 6) << run.output;
    EXPECT_NE(run.output.find("pictures taken 6, failed 0, skipped 0; settings failed 0;"), std::string::npos);
    // libgphoto2's own words reach the user.
    EXPECT_EQ(Count(run.output, "Camera error: Canon EOS Full-Press failed (0x2019: PTP Device Busy)\n"), 2);
    EXPECT_EQ(emulator->Pictures(true).size(), 6u);
    int busy = 0;
    for (const PtpipEmulator::Operation& op : emulator->Log()) busy += op.response == "0x2019";
    EXPECT_EQ(busy, 3);
}

TEST_F(Gphoto2Wire, ConnectionDroppedDuringARunIsReconnected) {
    // The link drops at the third full press: the run loses the camera, goes on, reconnects it before
    // the next row and takes that row's pictures.
    emulator->Command("dropon fullpress 3");
    const CliRun run = RunTable(3);
    EXPECT_EQ(run.exitCode, 1) << run.output;  // two pictures were lost
    EXPECT_EQ(Count(run.output, "camera lost: the run goes on and reconnects it\n"), 1) << run.output;
    EXPECT_EQ(Count(run.output, " lost: camera disconnected\n"), 2) << run.output;
    EXPECT_EQ(Count(run.output, "  camera reconnected\n"), 1) << run.output;
    EXPECT_EQ(Count(run.output, " taken\n"), 4) << run.output;
    EXPECT_NE(run.output.find("pictures taken 4, failed 0,"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("camera lost 1 time,"), std::string::npos) << run.output;
    EXPECT_EQ(emulator->Pictures(true).size(), 4u);
}

// Bodies that stop answering, on the real clock (rows 1.5 s apart): every row begins within 1.5 s of
// its instant, only the pictures of the stuck calls are lost, the camera is reconnected once the body
// answers again, and the run ends with its table.
TEST_F(Gphoto2Wire, ABodyThatStopsAnsweringHoldsNoRow) {
    struct Case {
        const char* what;
        const char* fault;
        double lead;     // seconds from now to the first row
        int lostAtMost;  // pictures
    };
    const Case cases[] = {
        // Its events never end: the connect gives up after 10 s and the run starts without the camera.
        {"a body whose event channel reports changes without end", "flood 11", 13, 0},
        // The second picture's reply never comes; 2 s later the body drops that link. Lost: that
        // picture, and those of the rows before the camera is back (one or two rows).
        {"a body that leaves a reply unfinished", "stallon fullpress 2 2", 3, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        emulator = std::make_unique<PtpipEmulator>(ZELTO_PYTHON, ZELTO_PTPIP_CAMERA);
        ASSERT_NE(emulator->Port(), 0);
        emulator->Command(c.fault);
        const CliRun run = RunTable(5, c.lead, 1.5);
        const auto at = run.output.find("latest start ");
        ASSERT_NE(at, std::string::npos) << run.output;
        EXPECT_LT(std::stod(run.output.substr(at + 13)), 1.5) << run.output;
        EXPECT_GE(Count(run.output, "  camera reconnected\n"), 1) << run.output;
        const auto lost = run.output.find("pictures lost ");
        ASSERT_NE(lost, std::string::npos);
        EXPECT_LE(std::stoi(run.output.substr(lost + 14)), c.lostAtMost) << run.output;
        EXPECT_EQ(Count(run.output, " taken\n") + std::stoi(run.output.substr(lost + 14)), 10) << run.output;
        EXPECT_NE(run.output.find("row 5  "), std::string::npos) << run.output;  // the table ran to its end
        EXPECT_EQ(static_cast<int>(emulator->Pictures(true).size()), Count(run.output, " taken\n"));
    }
}

// Two bodies of one model on two ports, told apart by their serial numbers: both keep their tables'
// instants on the real clock, each name finds its body again after the ports are swapped, and a body
// whose link drops costs the other nothing.
TEST_F(Gphoto2Wire, TwoBodiesOnePerPortToldApartBySerial) {
    PtpipEmulator second(ZELTO_PYTHON, ZELTO_PTPIP_CAMERA, "fedcba9876543210");
    ASSERT_NE(second.Port(), 0);
    const std::string first = emulator->CameraPort();
    const std::string straight = " --port Tele=" + first + " --port Wide=" + second.CameraPort();
    const std::string swapped = " --port Tele=" + second.CameraPort() + " --port Wide=" + first;
    const auto bodies = [&](const std::string& tele, const std::string& wide) {
        return "--body Tele=\"" + tele + "\" --body Wide=\"" + wide + "\" --camera gphoto2";
    };

    // Both bodies fire at the same instants, 1.5 s apart.
    CliRun run = RunCli(bodies(TableFile("a.txt", 3, 5, 1.5), TableFile("b.txt", 3, 5, 1.5)) + straight + " --force", "");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(Count(run.output, "Tele  camera: Canon EOS 100D, serial 0123456789abcdef on " + first + "\n"), 1)
        << run.output;
    EXPECT_EQ(Count(run.output, "Wide  camera: Canon EOS 100D, serial fedcba9876543210 on " + second.CameraPort() + "\n"),
              1)
        << run.output;
    for (const char* name : {"Tele", "Wide"}) {
        EXPECT_NE(run.output.find(std::string(name) + "  pictures taken 6, failed 0,"), std::string::npos) << run.output;
        EXPECT_NE(run.output.find(std::string(name) + "  pictures lost 0 (camera gone or no time left), camera lost 0 "
                                                      "times, rows more than 1 s late 0,"),
                  std::string::npos);
    }
    EXPECT_EQ(emulator->Pictures(true).size(), 6u);
    EXPECT_EQ(second.Pictures(true).size(), 6u);

    // The ports swapped: Tele's one row still goes to its body.
    run = RunCli(bodies(TableFile("c.txt", 1), TableFile("d.txt", 2)) + swapped + " --fast", "");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(Count(run.output, "Tele  camera: Canon EOS 100D, serial 0123456789abcdef on " + first + "\n"), 1)
        << run.output;
    EXPECT_EQ(emulator->Pictures(true).size(), 8u);
    EXPECT_EQ(second.Pictures(true).size(), 10u);

    // Tele's link drops at its third full press; Wide takes every picture.
    emulator->Command("dropon fullpress 3");
    run = RunCli(bodies(TableFile("e.txt", 3), TableFile("f.txt", 3)) + straight + " --fast", "");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(LineStarting(run.output, "Tele  pictures lost ").find("camera lost 1 time,"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("Wide  pictures taken 6, failed 0,"), std::string::npos) << run.output;
    EXPECT_EQ(second.Pictures(true).size(), 16u);
}

}  // namespace
}  // namespace zelto
