// zelto-cli table, run as a separate process.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "cli_process.h"
#include "exposure/table_file.h"

namespace zelto {
namespace {

CliRun RunTable(const std::string& arguments, bool withErrors = false) {
    return RunZeltoCli("table " + arguments, withErrors);
}

const std::string kReferenceSite = "--eclipse 51 --lat 25.0000 --lon 103.5000W --height 800 --deltat 69.2";

int FindPhase(const ExposureTable& table, const std::string& phase) {
    for (int r = 0; r < table.RowCount(); ++r) {
        if (table.Row(r)[kColumnPhase] == phase) return r;
    }
    return -1;
}

TEST(TableCli, ReferenceTotalTableLoadsBackUnchanged) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "zelto_table_cli_test.txt";
    std::filesystem::remove(path);
    const CliRun toFile = RunTable(kReferenceSite + " -o \"" + path.string() + "\"");
    ASSERT_EQ(toFile.exitCode, 0);
    EXPECT_TRUE(toFile.output.empty());
    std::ifstream in(path, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    std::filesystem::remove(path);

    const TableFileReading reading = ReadExposureTableText(written);
    ASSERT_TRUE(reading.opened);
    EXPECT_TRUE(reading.message.empty());
    EXPECT_EQ(reading.site, (TableFileSite{51, "25.0000", true, "103.5000", false, "800"}));
    EXPECT_EQ(ExposureTableText(reading.site, reading.table), written);
    EXPECT_EQ(reading.table.RowCount(), 72);  // the 5-minute start choice at a site with all contacts up
    const int c2 = FindPhase(reading.table, "C2: begin of total phase");
    ASSERT_GE(c2, 0);
    EXPECT_EQ(reading.table.Row(c2)[kColumnDateTime].substr(0, 17), "2024-04-08 18:16:");
    EXPECT_GE(FindPhase(reading.table, "C3: end of total phase"), 0);

    // Standard output carries the same bytes.
    const CliRun toOutput = RunTable(kReferenceSite);
    EXPECT_EQ(toOutput.exitCode, 0);
    EXPECT_EQ(toOutput.output, written);
}

TEST(TableCli, OptionsReachTheGenerator) {
    const CliRun run =
        RunTable(kReferenceSite + " --interval 1 --max-exposure 8 --beads 6 --quality RAW --iso 400");
    ASSERT_EQ(run.exitCode, 0);
    const TableFileReading reading = ReadExposureTableText(run.output);
    const int loop = FindPhase(reading.table, "Loop during totality until");
    ASSERT_GE(loop, 0);
    EXPECT_EQ(reading.table.Row(loop)[kColumnLastShutter], "x");
    EXPECT_EQ(reading.table.Row(loop)[kColumnQuality], "RAW");
    EXPECT_EQ(reading.table.Row(loop)[kColumnISO], "400");
    EXPECT_EQ(reading.table.Row(loop)[kColumnAperture], "f/4");
    EXPECT_GE(FindPhase(reading.table, "Baily's beads (C2-6.0sec)"), 0);
    EXPECT_LT(FindPhase(reading.table, "Baily's beads (C2-7.0sec)"), 0);
    // One-minute rows: the last partial row shares C2 − 60 s with the first sound row.
    const int sound = FindPhase(reading.table, "remove_filters.wav");
    EXPECT_EQ(reading.table.Row(sound - 1)[kColumnDateTime], reading.table.Row(sound)[kColumnDateTime]);
}

TEST(TableCli, RefusalsAndUsageErrors) {
    // Far south of the eclipse: nothing visible, code 0.
    const CliRun none = RunTable("--eclipse 51 --lat 60S --lon 100E", true);
    EXPECT_EQ(none.exitCode, 3);
    EXPECT_NE(none.output.find("no exposure table at this site: There is no eclipse at this site."),
              std::string::npos)
        << none.output;

    const char* const bad[] = {"--eclipse 51 --lat 25", "--eclipse 51 --lat 25 --lon -103.5 --beads 7",
                               "--eclipse 51 --lat 25 --lon -103.5 --iso 1,2",
                               "--eclipse 51 --lat 25 --lon -103.5 --height -600",
                               "--eclipse 0 --lat 25 --lon 1"};
    for (const char* arguments : bad) EXPECT_EQ(RunTable(arguments).exitCode, 2) << arguments;

    // Names the camera tables do not know: refused with the names they do know.
    const struct {
        const char* option;
        const char* known;
    } names[] = {{"--quality JPGHuge", "known names: JPGaLarNor, JPGaLarFin, RAWa"},
                 {"--iso 99", "AUTO, 6, 12, 25, 50, 100, 125"},
                 {"--aperture f/3.9", "f/1.0, f/1.1, f/1.2"}};
    for (const auto& name : names) {
        const CliRun run = RunTable(kReferenceSite + " " + name.option, true);
        EXPECT_EQ(run.exitCode, 2) << name.option;
        EXPECT_NE(run.output.find("is not a name the camera tables know; known names: "), std::string::npos);
        EXPECT_NE(run.output.find(name.known), std::string::npos) << run.output;
    }
    EXPECT_EQ(RunTable(kReferenceSite + " --quality raw --iso 1600 --aperture f/8").exitCode, 0);
}

}  // namespace
}  // namespace zelto
