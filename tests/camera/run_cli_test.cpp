// zelto-cli run, as a separate process, on table files written here.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

#if !defined(_WIN32)
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#endif

#include "camera/backend.h"
#include "cli_process.h"
#include "eclipse51_table.h"
#include "camera/shot_log.h"
#include "eclipse_data/clock.h"
#include "eclipse_data/datetext.h"
#include "exposure/table_file.h"

namespace zelto {
namespace {

namespace fs = std::filesystem;

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

    // The environment that gives zelto-cli this test's home.
    std::vector<std::string> Environment() const {
        const std::string h = home.string();
        return {"HOME=" + h, "XDG_CONFIG_HOME=" + h + "/config", "XDG_DATA_HOME=" + h + "/share", "ZELTO_CAMERA=none"};
    }

    fs::path home;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The log's lines without their CR LF; a line that lacks its CR LF ends the list with "INCOMPLETE".
std::vector<std::string> LogLines(const fs::path& path) {
    const std::string text = ReadFile(path);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back("INCOMPLETE");
    return lines;
}

// The fields of a CSV line; a quoted field may hold commas and doubled quotes.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"', ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

#if !defined(_WIN32)

// Ctrl+C (SIGINT) or SIGTERM while the run waits for a row: the run stops as "Abort" stops it, within
// a second, and its shot log ends with the abort. The row before, whose seconds once made the run loop
// for ever, is skipped as unreadable.
TEST_F(RunCli, CtrlCEndsTheRunWithinASecond) {
  for (const int signal : {SIGINT, SIGTERM}) {
    ExposureTable table(0);
    ExposureRow row;
    row[kColumnPhase] = "Partial";
    row[kColumnDateTime] = "2024-04-08 16:56:-1e300";
    table.AppendRow(row);
    row[kColumnDateTime] = "2099-09-14 16:57:55.0";
    table.AppendRow(row);
    const std::string file = Save("waiting.txt", table);

    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    const std::string h = home.string();
    // --force: a table for another day than the eclipse's is run all the same.
    const std::string log = (home / ("shots" + std::to_string(signal) + ".csv")).string();
    std::vector<std::string> words = {ZELTO_CLI_PATH, "run", file, "--camera", "none", "--force", "--log", log};
    std::vector<std::string> environment = {"HOME=" + h, "XDG_CONFIG_HOME=" + h + "/config",
                                            "XDG_DATA_HOME=" + h + "/share", "ZELTO_CAMERA=none"};
    const auto pointers = [](std::vector<std::string>& texts) {
        std::vector<char*> list;
        for (std::string& text : texts) list.push_back(text.data());
        list.push_back(nullptr);
        return list;
    };
    std::vector<char*> argv = pointers(words), envp = pointers(environment);
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);

    // Reads what the program prints until `until` shows, the output ends or `limit` has passed.
    std::string output;
    const auto read = [&](const std::string& until, std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (output.find(until) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd ready{pipeEnds[0], POLLIN, 0};
            if (poll(&ready, 1, 50) <= 0) continue;
            char buffer[4096];
            const ssize_t n = ::read(pipeEnds[0], buffer, sizeof buffer);
            if (n <= 0) break;
            output.append(buffer, static_cast<size_t>(n));
        }
    };
    read("row 1 skipped: unreadable date-time\n", std::chrono::seconds(20));
    ASSERT_NE(output.find("row 1 skipped: unreadable date-time\n"), std::string::npos) << output;
    const auto asked = std::chrono::steady_clock::now();
    kill(child, signal);
    read("\x04", std::chrono::seconds(5));  // to the end of the output
    const auto ended = std::chrono::steady_clock::now();
    close(pipeEnds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_NE(output.find("rows skipped 1\n"), std::string::npos) << output;
    EXPECT_NE(output.find("\nrun aborted\n"), std::string::npos) << output;
    EXPECT_LT(ended - asked, std::chrono::seconds(1));
    const std::vector<std::string> lines = LogLines(log);
    ASSERT_FALSE(lines.empty()) << signal;
    EXPECT_NE(lines.back().find("run aborted"), std::string::npos) << lines.back();
  }
}

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
    EXPECT_NE(run.output.find("pictures simulated 1, failed 0, skipped 0; settings failed 0; rows skipped 1\n"),
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

// Two virtual bodies, each with its own generated table, on one clock: every line names its camera,
// each camera has its summary and its shot log, and a body unplugged in the middle of the run costs
// the other one nothing.
TEST_F(RunCli, TwoCamerasEachWithItsOwnTable) {
    const std::string tele = Save("tele.txt", Eclipse51TotalTable(8));
    const std::string wide = Save("wide.txt", Eclipse51TotalTable(2));
    const std::string bodies = "--body Tele=\"" + tele + "\" --body Wide=\"" + wide + "\" --camera virtual --fast ";
    struct Case {
        const char* faults;
        int exitCode;
        const char* teleShows;
    };
    for (const Case& c : {Case{"", 0, "), camera lost 0 times, rows more than 1 s late 0,"},
                          Case{"--inject unplug@Tele:19+3", 1, "), camera lost 1 time, rows more than 1 s late 0,"}}) {
        SCOPED_TRACE(c.faults);
        fs::remove_all(home / "logs");
        fs::create_directories(home / "logs");
        const CliRun run = Run(bodies + c.faults + " --log \"" + (home / "logs" / "shots.csv").string() + "\"");
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        int wideTaken = 0;
        for (size_t start = 0, end; (end = run.output.find('\n', start)) != std::string::npos; start = end + 1) {
            const std::string line = run.output.substr(start, end - start);
            EXPECT_TRUE(line.rfind("Tele  ", 0) == 0 || line.rfind("Wide  ", 0) == 0) << line;
            wideTaken += line.rfind("Wide  row ", 0) == 0 && line.size() > 6 && line.substr(line.size() - 6) == " taken";
        }
        EXPECT_EQ(Count(run.output, "Tele  camera: Canon EOS (virtual), serial VIRTUAL0001\n"), 1) << run.output;
        EXPECT_EQ(Count(run.output, "Wide  camera: Canon EOS (virtual), serial VIRTUAL0002\n"), 1) << run.output;
        EXPECT_NE(LineStarting(run.output, "Tele  pictures lost ").find(c.teleShows), std::string::npos) << run.output;
        // The wide body took every picture of its table, on time.
        EXPECT_NE(run.output.find("Wide  pictures lost 0 (camera gone or no time left), camera lost 0 times, rows "
                                  "more than 1 s late 0,"),
                  std::string::npos)
            << run.output;
        EXPECT_NE(run.output.find("Wide  pictures taken " + std::to_string(wideTaken) + ", failed 0,"), std::string::npos);
        const std::vector<std::string> wideLog = LogLines(home / "logs" / "shots_Wide.csv");
        ASSERT_GT(wideLog.size(), 1u);
        EXPECT_EQ(wideLog[0], std::string(kShotLogHeader) + ",camera");
        EXPECT_EQ(Fields(wideLog[1]).back(), "Wide");
        EXPECT_EQ(Count(ReadFile(home / "logs" / "shots_Wide.csv"), ",taken,"), wideTaken);
    }
    EXPECT_EQ(Run(bodies + "--inject unplug@Lens:19").exitCode, 2);
}

// The shot log of the whole eclipse-51 table read back: every row is there, a sound row as "sound",
// a photograph row with one "taken" line per marked column, the loop with its pictures and the one
// that no longer fits.
TEST_F(RunCli, ShotLogOfAWholeRunAccountsForEveryRow) {
    const ExposureTable table = Eclipse51TotalTable(8);
    const std::string file = Save("eclipse51.txt", table);
    const fs::path log = home / "shots.csv";
    const CliRun run = Run("\"" + file + "\" --camera virtual --fast --log \"" + log.string() + "\"");
    ASSERT_EQ(run.exitCode, 0) << run.output;

    const std::vector<std::string> lines = LogLines(log);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0],
              "row,phase,scheduled UT,first camera call UT,shutter call UT,settings written,result,note,trials,"
              "simulated");
    std::map<int, std::map<std::string, int>> results;  // per row (from 1), per result
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> f = Fields(lines[i]);
        ASSERT_EQ(f.size(), 10u) << lines[i];
        const int row = std::stoi(f[0]);
        ++results[row][f[6]];
        EXPECT_EQ(f[9], "no");
        if (f[6] == "taken") {
            EXPECT_EQ(f[8], "1") << lines[i];
        }
        const ExposureRow& cells = table.Row(row - 1);
        EXPECT_EQ(f[1], cells[kColumnPhase]);
        EXPECT_EQ(f[2].substr(0, 21), cells[kColumnDateTime]) << lines[i];  // "…:16.3" of "…:16.300"
        // A single shot no earlier than its instant (a loop row's instant is its end).
        if (f[6] == "taken" && f[1].rfind("Loop", 0) != 0) {
            EXPECT_GE(f[4], f[2]) << lines[i];
        }
    }
    // Row 1: the first camera call writes IQ, ISO, Av and the first marked Tv.
    EXPECT_EQ(Fields(lines[1])[5], "IQ JPGLarFin; ISO 100; Av " + table.Row(0)[kColumnAperture] + "; Tv 1/1000");
    for (int r = 0; r < table.RowCount(); ++r) {
        const ExposureRow& cells = table.Row(r);
        int marks = 0;
        for (int c = kColumnFirstShutter; c <= kColumnLastShutter; ++c) marks += cells[static_cast<size_t>(c)] == "x";
        const auto& counted = results[r + 1];
        if (cells[kColumnKind] == "WAV") {
            EXPECT_EQ(counted, (std::map<std::string, int>{{"sound", 1}})) << r + 1;
        } else if (cells[kColumnPhase].rfind("Loop", 0) == 0) {
            EXPECT_EQ(counted.at("taken") % marks, marks - 1) << r + 1;
            EXPECT_EQ(counted.at("skipped"), 1) << r + 1;
        } else {
            EXPECT_EQ(counted, (std::map<std::string, int>{{"taken", marks}})) << r + 1;
        }
    }
}

#endif

#if defined(__linux__)

// A run killed half way (SIGKILL while it waits for its sixth row, an hour ahead) leaves the header
// and the lines of the five rows it carried out, each complete.
TEST_F(RunCli, ShotLogKeepsItsLinesWhenTheRunIsKilled) {
    SystemClock clock;
    const double now = clock.NowJD();
    ExposureTable table(0);
    ExposureRow row;
    row[kColumnQuality] = "JPGLarFin";
    row[kColumnISO] = "100";
    row[kColumnAperture] = "f/4";
    row[10] = "x";
    for (int i = 0; i < 6; ++i) {
        row[kColumnPhase] = "Row " + std::to_string(i + 1);
        row[kColumnDateTime] = JDText(now + (i < 5 ? 0.3 * (i + 1) : 3600.0) / 86400, 1);
        table.AppendRow(row);
    }
    const std::string file = Save("killed.txt", table);
    const fs::path log = home / "killed.csv";

    std::vector<std::string> arguments{ZELTO_CLI_PATH, "run", file, "--camera", "none", "--force", "--log", log.string()};
    std::vector<std::string> environment = Environment();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::vector<char*> argv, envp;
        for (std::string& a : arguments) argv.push_back(a.data());
        for (std::string& e : environment) envp.push_back(e.data());
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        freopen("/dev/null", "w", stdout);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    // The child carries out five rows in about two seconds; the deadline only keeps a broken run
    // from holding the test.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (LogLines(log).size() < 6 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));

    const std::vector<std::string> lines = LogLines(log);
    ASSERT_EQ(lines.size(), 6u) << ReadFile(log);
    for (int i = 1; i <= 5; ++i) {
        const std::vector<std::string> f = Fields(lines[static_cast<size_t>(i)]);
        ASSERT_EQ(f.size(), 10u) << lines[static_cast<size_t>(i)];
        EXPECT_EQ(f[0], std::to_string(i));
        EXPECT_EQ(f[6], "simulated");  // without a camera a picture is never "taken"
        EXPECT_EQ(f[9], "yes");
    }
}

#endif

#if !defined(_WIN32)

// Started from now long after the eclipse, every row is past: listed, counted, nothing carried out.
// A table for another day, or for another site than the one the program saved, is not run without
// --force.
TEST_F(RunCli, FromNowAndTheTableMatch) {
    const ExposureTable table = Eclipse51TotalTable(8);
    const std::string file = Save("eclipse51.txt", table);
    CliRun run = Run("\"" + file + "\" --camera none --from-now");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("rows past at the start, skipped " + std::to_string(table.RowCount()) + "\n"),
              std::string::npos);
    EXPECT_NE(run.output.find("row 1 skipped: past when the run started from now\n"), std::string::npos);
    EXPECT_NE(run.output.find("pictures simulated 0, failed 0"), std::string::npos);

    ExposureTable nextYear = table;
    for (int r = 0; r < nextYear.RowCount(); ++r) {
        std::string cell = nextYear.Row(r)[kColumnDateTime];
        nextYear.SetCell(kColumnDateTime, r, "2025" + cell.substr(4));
    }
    const std::string later = Save("2025.txt", nextYear);
    run = Run("\"" + later + "\" --camera none --fast");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.output.find("warning: The table's first row is on 2025-04-08, not on the day of eclipse 51 "
                              "(2024-04-08).\nrun: not started (--force starts it all the same)\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("camera:"), std::string::npos);
    run = Run("\"" + later + "\" --camera none --fast --force");
    EXPECT_EQ(run.exitCode, 0) << run.output;

    // The program last saved Dallas; zelto-cli only looks at its parameter file.
    fs::create_directories(home / "share" / "Zelto");
    std::ofstream(home / "share" / "Zelto" / "Zelto.prm", std::ios::binary)
        << "1.0.0.0\r\n51\tEclipse#\r\n71\tmy DeltaT (sec)\r\n0\tautomatic DeltaT\r\n32.7767\tLatitude\r\n"
           "N\r\n96.7970\tLongitude\r\nW\r\n139\r\n";
    run = Run("\"" + file + "\" --camera none --fast");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.output.find("warning: The table is for the site 25 N 103.5 W 800 m, the main window shows "
                              "32.7767 N 96.7970 W 139 m.\n"),
              std::string::npos)
        << run.output;
    EXPECT_TRUE(fs::exists(home / "share" / "Zelto" / "Zelto.prm"));
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

    // "No table" is a state of the program, not a row count: a file of 2048 rows, or more, is a table
    // like any other and runs.
    for (const int rows : {2048, 2049}) {
        ExposureTable table(0);
        for (int i = 0; i < rows; ++i) {
            ExposureRow row;
            row[kColumnPhase] = i == rows - 1 ? "last" : "";
            row[kColumnDateTime] = "2024-04-08 18:00:00.0";
            row[10] = "x";
            table.AppendRow(row);
        }
        const CliRun long_ = Run("\"" + Save("long.txt", table) + "\" --fast --camera none --force");
        EXPECT_EQ(long_.exitCode, 0) << long_.output;
        EXPECT_EQ(long_.output.find("No exposure table."), std::string::npos);
        EXPECT_NE(long_.output.find("row " + std::to_string(rows) + "  2024-04-08 18:00:00.0"), std::string::npos);
    }
    // An empty table ends normally.
    EXPECT_EQ(Run("\"" + file + "\" --fast --camera none").exitCode, 0);
}

// The table of eclipse 58 made at Luxor and fitted to Tarifa: every phase stays in order, the check
// finds nothing, and a run loses no picture.
TEST_F(RunCli, LuxorTableFittedToTarifaChecksCleanAndLosesNothing) {
    const std::string luxor = (home / "luxor.txt").string(), tarifa = (home / "tarifa.txt").string();
    const std::string environment = "HOME=\"" + home.string() + "\" XDG_DATA_HOME=\"" + home.string() + "/share\"";
    ASSERT_EQ(RunZeltoCli("table --eclipse 58 --lat 25.6872N --lon 32.6396E --height 76 -o \"" + luxor + "\"").exitCode, 0);
    const CliRun fit = RunZeltoCli("fit \"" + luxor + "\" --lat 36.0143N --lon 5.6044W -o \"" + tarifa + "\"", true);
    ASSERT_EQ(fit.exitCode, 0) << fit.output;
    EXPECT_NE(fit.output.find("now C1 + "), std::string::npos) << fit.output;  // the rows that could not keep theirs

    const TableFileReading moved = LoadExposureTable(tarifa);
    ASSERT_TRUE(moved.opened);
    EXPECT_EQ(moved.site, (TableFileSite{58, "36.0143", true, "5.6044", false, "0"}));
    for (int row = 1; row < moved.table.RowCount(); ++row) {
        EXPECT_LE(*ReadDateStrJD(moved.table.Row(row - 1)[kColumnDateTime]),
                  *ReadDateStrJD(moved.table.Row(row)[kColumnDateTime]))
            << "rows " << row << " and " << row + 1;
    }
    for (const char* camera : {"virtual", "gphoto2"}) {
        const CliRun check = RunZeltoCli("check \"" + tarifa + "\" --camera " + camera, true, environment);
        EXPECT_EQ(check.exitCode, 0) << check.output;
        EXPECT_EQ(check.output, "no findings: 72 rows checked\n");
    }
    const CliRun run = Run("\"" + tarifa + "\" --camera virtual --fast --force");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("pictures lost 0 "), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("check: "), std::string::npos) << run.output;

    // Row 10 moved before row 9 by hand: the check says so and exits 1, and the run lists it first.
    ExposureTable broken = moved.table;
    broken.SetCell(kColumnDateTime, 9, "2027-08-02 08:00:00.0");
    const std::string brokenFile = (home / "broken.txt").string();
    ASSERT_TRUE(SaveExposureTable(brokenFile, moved.site, broken).saved);
    const CliRun check = RunZeltoCli("check \"" + brokenFile + "\" --camera virtual", true, environment);
    EXPECT_EQ(check.exitCode, 1) << check.output;
    EXPECT_EQ(check.output.rfind("row 10 (08:00:00.0) comes before row 9", 0), 0u) << check.output;
    const CliRun listed = Run("\"" + brokenFile + "\" --camera virtual --fast --force");
    EXPECT_NE(listed.output.find("check: row 10 (08:00:00.0) comes before row 9"), std::string::npos) << listed.output;
}

#if !defined(_WIN32)
// Tables from anyone: a row may start only a script the user put in the folder and play only a sound
// in its own. Each hostile row is refused, by the check and by the run, with the row named; the
// script the name would have reached never runs.
TEST_F(RunCli, HostileRowNamesAreRefused) {
    const fs::path data = home / "share" / "Zelto";
    fs::create_directories(data);
    const fs::path marker = home / "marker";
    std::ofstream(data / "ok.sh") << "touch \"" << marker.string() << "\"\n";
    // A shot log whose phase text a sound row chose, and a table: the program's own files.
    std::ofstream(data / "ShotLog_2024-04-08_180000.csv", std::ios::binary)
        << kShotLogHeader << "\r\n3,x;touch " << marker.string() << ";,2024-04-08 18:00:00.000,,,,sound,,0,0\r\n";
    fs::copy_file(Save("plan.txt", ExposureTable(1)), data / "plan.csv");
    std::ofstream(data / "Zelto.prm") << "touch " << marker.string() << "\n";

    struct Case {
        const char* kind;
        std::string name;
        const char* says;
    };
    const Case cases[] = {
        {"BAT", "ShotLog_2024-04-08_180000.csv", "one of the program's own files"},
        {"BAT", "Zelto.prm", "one of the program's own files"},
        {"BAT", "Zelto.opt", "one of the program's own files"},
        {"BAT", "Camera.ini", "one of the program's own files"},
        {"BAT", "plan.csv", "one of the program's own files"},
        {"BAT", std::string("ok.sh\0-anything", 16), "control character"},
        {"WAV", "../../marker.wav", "not a plain file name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExposureTable table(0);
        ExposureRow row;
        row[kColumnKind] = c.kind;
        row[kColumnPhase] = c.name;
        row[kColumnDateTime] = "2024-04-08 18:00:00.0";
        table.AppendRow(row);
        const std::string file = Save("hostile.txt", table);
        const CliRun check = RunZeltoCli("check \"" + file + "\"", true,
                                         "HOME=\"" + home.string() + "\" XDG_DATA_HOME=\"" + home.string() + "/share\"");
        EXPECT_NE(check.output.find("row 1: "), std::string::npos) << check.output;
        EXPECT_NE(check.output.find(c.says), std::string::npos) << check.output;
        const CliRun run = Run("\"" + file + "\" --fast --camera none --force");
        EXPECT_NE(run.output.find("refused: "), std::string::npos) << run.output;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
        EXPECT_FALSE(fs::exists(marker));
    }
    // The script the user put there does run.
    ExposureTable table(0);
    ExposureRow row;
    row[kColumnKind] = "BAT";
    row[kColumnPhase] = "ok.sh";
    row[kColumnDateTime] = "2024-04-08 18:00:00.0";
    table.AppendRow(row);
    const CliRun fine = Run("\"" + Save("fine.txt", table) + "\" --fast --camera none --force");
    EXPECT_EQ(fine.exitCode, 0) << fine.output;
    EXPECT_NE(fine.output.find("batch ok.sh started"), std::string::npos) << fine.output;
}
#endif

// A misspelt ZELTO_CAMERA: zelto-cli refuses with the backend's error; the program goes on with no
// camera and shows the same text in the camera window's message box.
TEST_F(RunCli, AMisspeltCameraSettingIsSaidInTheSameWords) {
    const std::string file = Save("one.txt", ExposureTable(1));
    const CliRun run = RunZeltoCli("run \"" + file + "\" --fast", true, "HOME=\"" + home.string() + "\" ZELTO_CAMERA=canonn");
    EXPECT_EQ(run.exitCode, 2);
    const CameraBackend program = MakeCameraBackendOrNone("canonn");
    EXPECT_EQ(program.name, "none");
    ASSERT_NE(program.sdk, nullptr);
    EXPECT_EQ(program.error, "Unknown camera backend \"canonn\" in ZELTO_CAMERA (use virtual, gphoto2, edsdk or none).");
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
