#include "circumstances/parameter_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <iterator>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <sys/resource.h>
#endif
#include <fstream>
#include <sstream>

namespace zelto {
namespace {

namespace fs = std::filesystem;

class ParameterFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zelto_prm_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / kParameterFileName).string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    void Write(const std::string& content) { std::ofstream(path_, std::ios::binary) << content; }
    std::string Content() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path dir_;
    std::string path_;
};

TEST_F(ParameterFile, WritesNineCrLfLinesWithLabels) {
    SiteInputs site{"45:30:15", "S", "103.5", "E", "1200", "70.5"};
    EclipseState eclipse;
    eclipse.SelectedEclipse = 77;
    eclipse.ManualDeltaTOn = true;
    ASSERT_TRUE(WriteParameterFile(path_, "1.0.0.0", site, eclipse));
    EXPECT_EQ(Content(),
              "1.0.0.0\r\n77\tEclipse#\r\n70.5\tmy DeltaT (sec)\r\n1\tmanual DeltaT\r\n45:30:15\tLatitude\r\n"
              "S\r\n103.5\tLongitude\r\nE\r\n1200\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);  // no temporary left

    // Read back into fresh defaults: every input as it was written.
    SiteInputs read;
    EclipseState back;
    EXPECT_EQ(ReadParameterFile(path_, "1.0.0.0", read, back), ParameterFileResult::Read);
    EXPECT_EQ(read.Lati, "45:30:15");
    EXPECT_EQ(read.NS, "S");
    EXPECT_EQ(read.Long, "103.5");
    EXPECT_EQ(read.EW, "E");
    EXPECT_EQ(read.Height, "1200");
    EXPECT_EQ(read.DeltaTText, "70.5");
    EXPECT_DOUBLE_EQ(back.ManualDeltaT, 70.5);
    EXPECT_TRUE(back.ManualDeltaTOn);
    EXPECT_EQ(back.SelectedEclipse, 77);

    eclipse.ManualDeltaTOn = false;
    ASSERT_TRUE(WriteParameterFile(path_, "1.0.0.0", SiteInputs{}, eclipse));
    EXPECT_NE(Content().find(
                  "\r\n0\tautomatic DeltaT\r\n25.0000\tLatitude\r\nN\r\n103.5000\tLongitude\r\nW\r\n800\r\n"),
              std::string::npos);
}

TEST_F(ParameterFile, AnotherVersionIsDeletedAndDefaultsStay) {
    Write("0.9.0.0\r\n99\tEclipse#\r\n");
    SiteInputs site;
    EclipseState eclipse;
    EXPECT_EQ(ReadParameterFile(path_, "1.0.0.0", site, eclipse), ParameterFileResult::OtherVersion);
    EXPECT_FALSE(fs::exists(path_));
    EXPECT_EQ(eclipse.SelectedEclipse, 51);
    EXPECT_EQ(site.Lati, "25.0000");
    EXPECT_EQ(ReadParameterFile(path_, "1.0.0.0", site, eclipse), ParameterFileResult::Missing);
}

TEST_F(ParameterFile, RangeFallbacksAndHemisphereRules) {
    struct Case {
        const char* eclipseLine;
        const char* lati;
        const char* ns;
        const char* longi;
        const char* ew;
        const char* height;
        int eclipse;
        const char* latiText;
        const char* nsText;
        const char* longText;
        const char* ewText;
        const char* heightText;
    };
    const Case cases[] = {
        {"300\tEclipse#", "95", "n", "181", "e", "-600", 224, "0.0000", "S", "0.0000", "W", "0000"},
        {"0\tEclipse#", "90", "N", "180", "E", "20000", 1, "90", "N", "180", "E", "20000"},
        {"12", "4x5", "N ", "-179:30", "W", "x", 12, "0.0000", "S", "179:30", "W", "0000"},
        {"-5\tEclipse#", "45:30", "S", "10", "E", "-200", 1, "45:30", "S", "10", "E", "-200"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.eclipseLine);
        Write(std::string("1.0\r\n") + c.eclipseLine + "\r\n71\tmy DeltaT (sec)\r\n0\tautomatic DeltaT\r\n" +
              c.lati + "\tLatitude\r\n" + c.ns + "\r\n" + c.longi + "\tLongitude\r\n" + c.ew + "\r\n" +
              c.height + "\r\n");
        SiteInputs site;
        EclipseState eclipse;
        EXPECT_EQ(ReadParameterFile(path_, "1.0", site, eclipse), ParameterFileResult::Read);
        EXPECT_EQ(eclipse.SelectedEclipse, c.eclipse);
        EXPECT_EQ(site.Lati, c.latiText);
        EXPECT_EQ(site.NS, c.nsText);
        EXPECT_EQ(site.Long, c.longText);
        EXPECT_EQ(site.EW, c.ewText);
        EXPECT_EQ(site.Height, c.heightText);
        EXPECT_FALSE(eclipse.ManualDeltaTOn);
    }
}

// A value is loaded as the text says or refused, and what is loaded survives a save and a reload.
TEST_F(ParameterFile, NumbersKeepTheirValueThroughSaveAndReload) {
    struct Case {
        const char* deltaT;
        const char* lati;
        const char* longi;
        const char* height;
        const char* deltaTText;
        double manual;
        const char* latiText;
        const char* longText;
        const char* heightText;
    };
    const Case cases[] = {
        {"70.5", "9e1", "1.8e2", "1e3", "70.5", 70.5, "90", "180", "1000"},  // another notation: its value
        {"1e2", "1.8e2", "-9e1", "12.5", "100", 100, "0.0000", "90", "12.5"},
        // Beyond the limits; an unusable DeltaT stays as typed and keeps the value before it.
        {"99999.1.1", "45:30", "1e400", "2e4", "99999.1.1", 71, "45:30", "0.0000", "20000"},
        {"500", "90:30", "4e1:30", "3e4", "500", 500, "0.0000", "40.5", "0000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lati) + " " + c.longi);
        Write(std::string("1.0\r\n51\tEclipse#\r\n") + c.deltaT +
              "\tmy DeltaT (sec)\r\n1\tmanual DeltaT\r\n" + c.lati + "\tLatitude\r\nN\r\n" + c.longi +
              "\tLongitude\r\nW\r\n" + c.height + "\r\n");
        SiteInputs site;
        EclipseState eclipse;
        ASSERT_EQ(ReadParameterFile(path_, "1.0", site, eclipse), ParameterFileResult::Read);
        EXPECT_EQ(site.DeltaTText, c.deltaTText);
        EXPECT_DOUBLE_EQ(eclipse.ManualDeltaT, c.manual);
        EXPECT_EQ(site.Lati, c.latiText);
        EXPECT_EQ(site.Long, c.longText);
        EXPECT_EQ(site.Height, c.heightText);

        ASSERT_TRUE(WriteParameterFile(path_, "1.0", site, eclipse));
        SiteInputs again;
        EclipseState eclipseAgain;
        ReadParameterFile(path_, "1.0", again, eclipseAgain);
        EXPECT_EQ(again.DeltaTText, site.DeltaTText);
        EXPECT_EQ(again.Lati, site.Lati);
        EXPECT_EQ(again.Long, site.Long);
        EXPECT_EQ(again.Height, site.Height);
        EXPECT_DOUBLE_EQ(eclipseAgain.ManualDeltaT, eclipse.ManualDeltaT);
    }
}

#if !defined(_WIN32)
TEST_F(ParameterFile, AFailedWriteKeepsTheOldFile) {
    Write("old");
    // A file-size limit of 2 bytes makes the temporary file's write fail before the rename.
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = before;
    tiny.rlim_cur = 2;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const bool written = WriteParameterFile(path_, "1.0", SiteInputs{}, EclipseState{});
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(Content(), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}
#endif

// Two programs closing at once save through temporary files of their own: every save succeeds and
// the file ends whole.
TEST_F(ParameterFile, SimultaneousSavesEachSucceed) {
    std::vector<std::thread> savers;
    std::atomic<int> failed{0};
    for (int i = 0; i < 30; ++i) {
        savers.emplace_back([&, i] {
            SiteInputs site;
            site.Height = std::to_string(100 + i);
            if (!WriteParameterFile(path_, "1.0", site, EclipseState{})) ++failed;
        });
    }
    for (std::thread& saver : savers) saver.join();
    EXPECT_EQ(failed, 0);
    SiteInputs read;
    EclipseState back;
    EXPECT_EQ(ReadParameterFile(path_, "1.0", read, back), ParameterFileResult::Read);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

// The cameras of a run of several keep their names, serials and tables in Zelto.opt, in the user's
// order; a line without a name, or naming a camera twice, is ignored; a table path may hold commas.
TEST_F(ParameterFile, OptionsKeepTheCamerasNamesAndSerials) {
    Write(
        "KeepAwake=0\r\nCamera=Tele,0123456789abcdef\r\nCamera= ,XYZ\r\nCamera=Wide\r\nCamera=Tele,other\r\n"
        "Camera=Video,,/home/e/wide, 2027.txt\r\n");
    const ProgramOptions read = ReadOptionsFile(path_);
    EXPECT_FALSE(read.KeepAwake);
    EXPECT_EQ(read.Cameras, (std::vector<KeptCamera>{{"Tele", "0123456789abcdef", ""},
                                                     {"Wide", "", ""},
                                                     {"Video", "", "/home/e/wide, 2027.txt"}}));
    ASSERT_TRUE(WriteOptionsFile(path_, read));
    EXPECT_EQ(Content(),
              "SpokenCountdown=0\r\nKeepAwake=0\r\nNightMode=0\r\nCamera=Tele,0123456789abcdef\r\n"
              "Camera=Wide,\r\nCamera=Video,,/home/e/wide, 2027.txt\r\n");
    EXPECT_EQ(ReadOptionsFile(path_), read);
}

}  // namespace
}  // namespace zelto
