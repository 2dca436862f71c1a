// zelto-cli circumstances, run as a separate process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_process.h"

namespace zelto {
namespace {

CliRun RunCli(const std::string& arguments, bool withErrors = false) {
    return RunZeltoCli("circumstances " + arguments, withErrors);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

int Count(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// The object that follows "key": in a one-line JSON text without nested objects inside it.
std::string Member(const std::string& json, const std::string& key) {
    const size_t at = json.find("\"" + key + "\":");
    if (at == std::string::npos) return {};
    const size_t start = at + key.size() + 3;
    if (json.compare(start, 4, "null") == 0) return "null";
    return json.substr(start, json.find('}', start) - start + 1);
}

TEST(CircumstancesCli, JsonOfTheReferenceCase) {
    const CliRun run = RunCli("--eclipse 51 --lat 25 --lon -103.5 --height 800 --deltat 69.2 --json");
    ASSERT_EQ(run.exitCode, 0);
    const std::string& json = run.output;
    EXPECT_EQ(Count(json, "\n"), 1);
    EXPECT_EQ(json.front(), '{');
    EXPECT_TRUE(Contains(json, "\"eclipse\":51,\"date\":\"2024-04-08\",\"eclipse_type\":2,\"deltat\":69.2,"));
    EXPECT_TRUE(Contains(json, "\"site\":{\"lat\":25,\"lon\":-103.5,\"height\":800,"));
    // Fields whose names carry their sign: 103.5° W is east-negative.
    EXPECT_TRUE(Contains(json, ",\"lat_north\":25,\"lon_east\":-103.5}"));
    EXPECT_TRUE(Contains(json, "\"local_type\":\"t\",\"magnitude\":1.008"));
    EXPECT_TRUE(Contains(json, "\"kind\":\"total eclipse\",\"central_duration_s\":189.6,"));
    EXPECT_TRUE(Contains(Member(json, "C2"), "\"ut\":\"2024-04-08 18:16:16.3\""));
    EXPECT_TRUE(Contains(Member(json, "C4"), "\"ut\":\"2024-04-08 19:40:25.3\""));
    EXPECT_TRUE(Contains(Member(json, "C1"), "\"jd\":2460409.207"));
    EXPECT_TRUE(Contains(Member(json, "C1"), "\"azimuth\":-63.0"));
    EXPECT_TRUE(Contains(Member(json, "C1"), "\"azimuth_from_south_west\":-63.0"));
    EXPECT_TRUE(Contains(Member(json, "C4"), "\"position_angle\":44.4"));
    EXPECT_EQ(Count(json, "\"shown\":true"), 5);
    EXPECT_TRUE(Contains(Member(json, "greatest"), "\"ut\":\"2024-04-08 18:17:20.2\""));
    EXPECT_TRUE(Contains(Member(json, "p1"), "\"ut\":\"2024-04-08 15:42:14.2\",\"iterations\":16"));
    EXPECT_TRUE(Contains(Member(json, "p4"), "\"ut\":\"2024-04-08 20:52:21.0\",\"iterations\":13"));
    for (const char* bad : {"nan", "inf", "NaN"}) EXPECT_FALSE(Contains(json, bad)) << bad;
}

TEST(CircumstancesCli, PartialAndNoEclipseGiveNulls) {
    // Downtown San Antonio, automatic ΔT (69.2 s for April 2024).
    const CliRun partial = RunCli("--eclipse 51 --lat 29.4241N --lon 98.4936W --json");
    ASSERT_EQ(partial.exitCode, 0);
    EXPECT_TRUE(Contains(partial.output, "\"deltat\":69.2,"));
    EXPECT_TRUE(Contains(partial.output, "\"local_type\":\"p\""));
    EXPECT_TRUE(Contains(partial.output, "\"C2\":null,\"Mx\":{"));
    EXPECT_TRUE(Contains(partial.output, "\"C3\":null,\"C4\":{"));
    EXPECT_EQ(Count(partial.output, "\"shown\":true"), 3);

    // Cape Town.
    const CliRun none = RunCli("--eclipse 51 --lat 33:55:12S --lon 18:25:12E --json");
    ASSERT_EQ(none.exitCode, 0);
    EXPECT_TRUE(Contains(none.output, "\"site\":{\"lat\":-33.91999")) << none.output;
    EXPECT_TRUE(Contains(none.output, ",\"lon\":18.42")) << none.output;
    EXPECT_TRUE(Contains(none.output,
                         "\"local_type\":\"-\",\"magnitude\":null,\"contacts\":{\"C1\":null,\"C2\":null,"
                         "\"Mx\":null,\"C3\":null,\"C4\":null}"));
    EXPECT_TRUE(Contains(none.output, "\"p1\":{\"jd\":"));

    // A contact below the horizon is computed but not shown: Honolulu saw 2017-08-21 begin before sunrise.
    const CliRun dawn = RunCli("--eclipse 36 --lat 21.3069 --lon -157.8583 --json");
    ASSERT_EQ(dawn.exitCode, 0);
    EXPECT_TRUE(Contains(Member(dawn.output, "C1"), "\"shown\":false"));
    EXPECT_TRUE(Contains(Member(dawn.output, "C4"), "\"shown\":true"));
}

TEST(CircumstancesCli, HelpSaysTheLongitudeRule) {
    const CliRun help = RunZeltoCli("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(Contains(help.output, "LON east positive (a leading '-' is south or west)")) << help.output;
    EXPECT_TRUE(Contains(help.output, "status line\nshows longitude west positive")) << help.output;
}

TEST(CircumstancesCli, SiteFormsAgree) {
    const CliRun decimal = RunCli("--eclipse 51 --lat 25.5 --lon -103.5 --json");
    const CliRun lettered = RunCli("--eclipse 51 --lat 25.5N --lon 103.5W --json");
    const CliRun sexagesimal = RunCli("--eclipse 51 --lat 25:30N --lon 103:30:00w --json");
    ASSERT_EQ(decimal.exitCode, 0);
    EXPECT_EQ(lettered.output, decimal.output);
    EXPECT_EQ(sexagesimal.output, decimal.output);
}

TEST(CircumstancesCli, PlainOutputForAPerson) {
    const CliRun run = RunCli("--lat 25N --lon 103.5W --height 800 --deltat 69.2 --eclipse 51");
    ASSERT_EQ(run.exitCode, 0);
    for (const char* line :
         {"Eclipse 51  2024-04-08  Total solar eclipse", "DeltaT 69.2 s",
          "Total eclipse here\nTotality 3 min 9.6 s\nMagnitude 1.0082",
          "C1: 2024-04-08 16:58:45.1     57.1   -63.0   226.8   281.4", "C2: 2024-04-08 18:16:16.3",
          "C4: 2024-04-08 19:40:25.3", "Greatest eclipse 2024-04-08 18:17:20.2",
          "P1 2024-04-08 15:42:14.2  (16 iterations)", "P4 2024-04-08 20:52:21.0  (13 iterations)"}) {
        EXPECT_TRUE(Contains(run.output, line)) << line << "\n" << run.output;
    }
}

TEST(CircumstancesCli, BadArgumentsGiveOneLineAndExitCode2) {
    const std::vector<std::string> cases = {
        "",
        "--eclipse 0 --lat 1 --lon 1",
        "--eclipse 225 --lat 1 --lon 1",
        "--eclipse x --lat 1 --lon 1",
        "--eclipse 51 --lat 90.5 --lon 1",
        "--eclipse 51 --lat -91 --lon 1",
        "--eclipse 51 --lat 1 --lon 181",
        "--eclipse 51 --lat abc --lon 1",
        "--eclipse 51 --lat 45:61N --lon 1",
        "--eclipse 51 --lat 1 --lon 1 --height high",
        "--eclipse 51 --lat 1 --lon 1 --deltat 1e999",
        "--eclipse 51 --lat 1 --lon 1 --deltat",
        "--eclipse 51 --lat 1",
        "--eclipse 51 --lat 1 --lon 1 --speed 3",
    };
    for (const std::string& args : cases) {
        const CliRun run = RunCli(args, true);
        EXPECT_EQ(run.exitCode, 2) << args;
        EXPECT_EQ(Count(run.output, "\n"), 1) << args << ": " << run.output;
        EXPECT_EQ(run.output.rfind("zelto-cli: ", 0), 0u) << args << ": " << run.output;
    }
}

}  // namespace
}  // namespace zelto
