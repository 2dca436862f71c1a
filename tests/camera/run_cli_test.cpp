// zelto-cli run, as a separate process, on table files written here.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "camera/backend.h"
#include "cli_process.h"
#include "eclipse51_table.h"
#include "exposure/table_file.h"

namespace zelto {
namespace {

namespace fs = std::filesystem;

int Count(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

class RunCli : public testing::Test {
  protected:
    RunCli() {
        // One home per test: ctest runs the tests of this file side by side.
        home = fs::temp_directory_path() /
               ("zelto-run-cli-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(home);
        fs::create_directories(home);
    }
    ~RunCli() override { fs::remove_all(home); }

    // The program's folders go below a home of its own, so the user's are never touched.
    CliRun Run(const std::string& arguments) {
        const std::string h = home.string();
        return RunZeltoCli("run " + arguments, true,
                           "HOME=\"" + h + "\" XDG_CONFIG_HOME=\"" + h + "/config\" XDG_DATA_HOME=\"" + h +
                               "/share\" ZELTO_CAMERA=none");
    }

    std::string Save(const std::string& name, const ExposureTable& table) {
        const std::string path = (home / name).string();
        TableFileSite site;
        site.EclipseNumber = 51;
        site.Latitude = "25";
        site.Longitude = "103.5";
        site.East = false;
        site.Height = "800";
        EXPECT_TRUE(SaveExposureTable(path, site, table).saved);
        return path;
    }

    fs::path home;
};

#if !defined(_WIN32)

TEST_F(RunCli, WholeEclipseTableOnASimulatedClock) {
    const std::string file = Save("eclipse51.txt", Eclipse51TotalTable(8));
    const CliRun run = Run("\"" + file + "\" --camera virtual --fast");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(Count(run.output, "camera: Canon EOS (virtual)\n"), 1);
    EXPECT_EQ(Count(run.output, "  IQ JPGLarFin written\n"), 1);
    EXPECT_EQ(Count(run.output, "  ISO 100 written\n"), 1);
    EXPECT_EQ(Count(run.output, "  sound remove_filters.wav\n"), 2);
    EXPECT_EQ(Count(run.output, "  sound attach_filters.wav\n"), 2);
    // The first partial picture: row 1, its instant, started at it.
    EXPECT_NE(run.output.find("row 1  2024-04-08 16:56:16.3  2024-04-08 16:56:16.3  picture 1/1000 taken\n"),
              std::string::npos);
    EXPECT_EQ(Count(run.output, "  picture 8\" skipped: loop time left 2"), 1);
    EXPECT_NE(run.output.find(", failed 0, skipped 1; settings failed 0; rows skipped 0\n"),
              std::string::npos);
    EXPECT_NE(run.output.find("latest start 0.0"), std::string::npos);
}

TEST_F(RunCli, SimulationTestRunSkippedRowsAndRefusedBatch) {
    ExposureTable table(0);
    ExposureRow photo;
    photo[kColumnPhase] = "Partial";
    photo[kColumnDateTime] = "2024-04-08 17:00:00.0";
    photo[kColumnQuality] = "JPGLarFin";
    photo[kColumnISO] = "100";
    photo[kColumnAperture] = "f/4";
    photo[10] = "x";
    table.AppendRow(photo);
    ExposureRow bad = photo;
    bad[kColumnDateTime] = "2024-04-0x 17:05:00.0";
    table.AppendRow(bad);
    ExposureRow batch;
    batch[kColumnKind] = "BAT";
    batch[kColumnPhase] = "../evil.sh";
    batch[kColumnDateTime] = "2024-04-08 17:06:00.0";
    table.AppendRow(batch);
    const std::string file = Save("small.txt", table);

    // A skipped row and a refused batch file: not every row was carried out.
    CliRun run = Run("\"" + file + "\" --camera none --fast");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("camera: none, simulation mode\n"), std::string::npos);
    EXPECT_NE(run.output.find("  picture 1/500 taken\n"), std::string::npos);
    EXPECT_NE(run.output.find("row 2  ---------------------  "), std::string::npos);
    EXPECT_NE(run.output.find("row 2 skipped: unreadable date-time\n"), std::string::npos);
    EXPECT_NE(run.output.find("  batch ../evil.sh refused"), std::string::npos);
    EXPECT_NE(run.output.find("pictures taken 1, failed 0, skipped 0; settings failed 0; rows skipped 1\n"),
              std::string::npos);

    run = Run("\"" + file + "\" --camera virtual --test --fast");
    EXPECT_EQ(run.exitCode, 1) << run.output;                    // the refused batch file again
    EXPECT_EQ(Count(run.output, "  picture 1/500 taken\n"), 2);  // the test run reads no date-time
}

// --inject rehearses a bad day on the virtual camera; the exit code says whether all went to plan.
TEST_F(RunCli, RehearsingABadDay) {
    const std::string file =
        "\"" + Save("eclipse51.txt", Eclipse51TotalTable(8)) + "\" --fast --camera virtual --inject ";
    struct Case {
        const char* spec;
        int exitCode;
        const char* shows;
    };
    for (const Case& c :
         {Case{"busy@19x3", 0, "  Tv 1/1000 written on trial 4\n"},
          Case{"unplug@19+3", 1, "camera lost 1 time, rows more than 1 s late 0,"},
          Case{"unplug@19", 1, "  picture 1/1000 lost: camera disconnected\n"},
          Case{"slow=5000", 1, "  picture 1/1000 lost: no time left before the next instant\n"},
          Case{"busy@0", 2, ""}, Case{"unplug@19+", 2, ""}, Case{"slow=fast", 2, ""},
          Case{"busy@19,", 2, ""}}) {
        SCOPED_TRACE(c.spec);
        const CliRun run = Run(file + c.spec);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        EXPECT_NE(run.output.find(c.shows), std::string::npos) << run.output;
    }
    EXPECT_EQ(Run("\"" + home.string() + "/eclipse51.txt\" --fast --camera none --inject fail@3").exitCode,
              2);
}

TEST_F(RunCli, ExitCodes) {
    EXPECT_EQ(Run("").exitCode, 2);
    EXPECT_EQ(Run("\"" + (home / "missing.txt").string() + "\"").exitCode, 2);
    const std::string file = Save("one.txt", ExposureTable(1));
    EXPECT_EQ(Run("\"" + file + "\" --camera canon").exitCode, 2);
    EXPECT_EQ(Run("\"" + file + "\" --camera").exitCode, 2);
    EXPECT_EQ(Run("\"" + file + "\" --slow").exitCode, 2);
    EXPECT_EQ(Run("\"" + file + "\" other.txt").exitCode, 2);
    std::ofstream(home / "broken.txt", std::ios::binary)
        << "51\r\n25\r\nN\r\n103.5\r\nW\r\n800\r\n,too,few,commas\r\n";
    EXPECT_EQ(Run("\"" + (home / "broken.txt").string() + "\" --fast").exitCode, 2);

    // A table of 2048 rows is the "no table" state: nothing is run.
    const CliRun none = Run("\"" + Save("none.txt", ExposureTable()) + "\" --fast");
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.output.find("No exposure table.\n"), std::string::npos);
    // An empty table ends normally.
    EXPECT_EQ(Run("\"" + file + "\" --fast --camera none").exitCode, 0);
}

// A misspelt ZELTO_CAMERA: zelto-cli refuses with the backend's error; the program goes on with no
// camera and shows the same text in the camera window's message box.
TEST_F(RunCli, AMisspeltCameraSettingIsSaidInTheSameWords) {
    const std::string file = Save("one.txt", ExposureTable(1));
    const CliRun run = RunZeltoCli("run \"" + file + "\" --fast", true, "HOME=\"" + home.string() + "\" ZELTO_CAMERA=canonn");
    EXPECT_EQ(run.exitCode, 2);
    const CameraBackend program = MakeCameraBackendOrNone("canonn");
    EXPECT_EQ(program.name, "none");
    ASSERT_NE(program.sdk, nullptr);
    EXPECT_EQ(program.error, "Unknown camera backend \"canonn\" in ZELTO_CAMERA (use virtual, gphoto2 or none).");
    EXPECT_EQ(run.output, "zelto-cli: run: camera canonn: " + program.error + "\n");
}

TEST_F(RunCli, AMissingCameraStopsTheRunUnlessSimulationIsAsked) {
    const std::string file = "\"" + Save("two.txt", Eclipse51TotalTable(8)) + "\" --camera gphoto2 --fast";
    const CliRun missing = Run(file);
    if (missing.output.find("is not built") != std::string::npos) GTEST_SKIP() << "no gphoto2 backend";
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("zelto-cli: run: camera gphoto2: no camera detected"), std::string::npos)
        << missing.output;
    EXPECT_EQ(missing.output.find("pictures taken"), std::string::npos);

    const CliRun simulated = Run(file + " --simulate");
    EXPECT_EQ(simulated.exitCode, 0) << simulated.output;
    EXPECT_NE(simulated.output.find("camera: not detected, simulation mode\n"), std::string::npos);
}

#endif

}  // namespace
}  // namespace zelto
