#include "exposure/table_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "camera/eclipse51_table.h"
#include "camera/row_files.h"
#include "circumstances/site.h"
#include "eclipse_data/datetext.h"

namespace zelto {
namespace {

namespace fs = std::filesystem;

constexpr double kSecond = 1.0 / 86400.0;

double GreatestEclipse(int number) {
    EclipseState eclipse;
    FillEclipseCatalog(eclipse.EclipseCatalog);
    SelectEclipse(eclipse, number, "");
    return eclipse.GreatestEclipseJD;
}

ExposureRow Row(const char* kind, const std::string& phase, double jd, std::vector<int> columns = {}) {
    ExposureRow row;
    row[kColumnKind] = kind;
    row[kColumnPhase] = phase;
    row[kColumnDateTime] = JDText(jd, 1);
    if (*kind == '\0')
        row[kColumnQuality] = "JPGLarFin", row[kColumnISO] = "100", row[kColumnAperture] = "f/4";
    for (int column : columns) row[static_cast<size_t>(column)] = "x";
    return row;
}

class TableCheck : public testing::Test {
  protected:
    TableCheck() {
        dir = fs::temp_directory_path() /
              ("zelto-check-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir / "data");
        fs::create_directories(dir / "sounds");
        folders.AppDataFolder = (dir / "data").string() + "/";
        folders.ResourceFolder = (dir / "sounds").string() + "/";
        std::ofstream(dir / "data" / "ok.sh") << "true\n";
    }
    ~TableCheck() override { fs::remove_all(dir); }

    std::vector<TableFinding> Check(const ExposureTable& table, double greatest, CameraTiming timing) const {
        return CheckExposureTable(table, TableCheckInputFor(folders, greatest, timing));
    }

    fs::path dir;
    WorkingFolders folders;
};

// A clean table around greatest eclipse of 2024-04-08, and one crafted fault at a time: each gives
// exactly its finding, on its row.
TEST_F(TableCheck, EachCraftedFaultGivesExactlyItsFinding) {
    const double t = GreatestEclipse(51);
    const auto base = [t] {
        ExposureTable table(0);
        table.AppendRow(Row("", "partial", t - 600 * kSecond, {9, 10, 11}));                         // row 1
        table.AppendRow(Row("WAV", "remove_filters.wav", t - 300 * kSecond));                        // row 2
        table.AppendRow(Row("", "C2", t - 200 * kSecond, {9}));                                      // row 3
        table.AppendRow(Row("", "Loop during totality until", t + 100 * kSecond, {9, 12, 15, 19}));  // row 4
        table.AppendRow(Row("BAT", "ok.sh", t + 200 * kSecond));                                     // row 5
        table.AppendRow(Row("", "after", t + 300 * kSecond, {19, 20, 21}));                          // row 6
        return table;
    };
    const CameraTiming real = CameraTimingOf("gphoto2");
    ASSERT_TRUE(Check(base(), t, real).empty()) << FindingsText(Check(base(), t, real));

    struct Case {
        const char* fault;
        int row;  // from 0
        FindingKind kind;
        std::function<void(ExposureTable&)> craft;
    };
    const Case cases[] = {
        {"unreadable", 2, FindingKind::UnreadableDateTime,
         [](ExposureTable& table) { table.SetCell(kColumnDateTime, 2, "2024-04-08 18:61:00.0"); }},
        {"out of order", 5, FindingKind::OutOfOrder,
         [t](ExposureTable& table) { table.SetCell(kColumnDateTime, 5, JDText(t + 150 * kSecond, 1)); }},
        {"pictures into the next row", 0, FindingKind::NoTimeForPictures,
         [t](ExposureTable& table) {
             table.SetCell(kColumnLastShutter, 0, "x");  // 8 s more
             table.SetCell(kColumnDateTime, 0, JDText(t - 308 * kSecond, 1));
         }},
        {"sound banner into the next row", 1, FindingKind::NoTimeForPictures,
         [t](ExposureTable& table) { table.SetCell(kColumnDateTime, 2, JDText(t - 296 * kSecond, 1)); }},
        {"loop without one pass", 3, FindingKind::LoopTooShort,
         [t](ExposureTable& table) { table.SetCell(kColumnDateTime, 3, JDText(t - 192 * kSecond, 1)); }},
        {"unknown ISO", 2, FindingKind::UnknownSetting,
         [](ExposureTable& table) { table.SetCell(kColumnISO, 2, "1O0"); }},
        {"sounds into each other", 2, FindingKind::SoundOverlap,
         [t](ExposureTable& table) {
             table.SetCell(kColumnKind, 2, "WAV");
             table.SetCell(kColumnPhase, 2, "OK.wav");
             table.SetCell(kColumnDateTime, 2, JDText(t - 297 * kSecond, 1));
         }},
        {"batch out of its folder", 4, FindingKind::FileRefused,
         [](ExposureTable& table) { table.SetCell(kColumnPhase, 4, "../ok.sh"); }},
        {"batch not there", 4, FindingKind::BatchNotFound,
         [](ExposureTable& table) { table.SetCell(kColumnPhase, 4, "missing.sh"); }},
        {"another day", 0, FindingKind::NotOnEclipseDay,
         [](ExposureTable& table) {
             for (int row = 0; row < table.RowCount(); ++row)
                 table.SetCell(kColumnDateTime, row,
                               JDText(*ReadDateStrJD(table.Row(row)[kColumnDateTime]) + 2, 1));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        ExposureTable table = base();
        c.craft(table);
        const std::vector<TableFinding> findings = Check(table, t, real);
        ASSERT_EQ(findings.size(), 1u) << FindingsText(findings);
        EXPECT_EQ(findings[0].kind, c.kind);
        EXPECT_EQ(findings[0].row, c.row);
        EXPECT_EQ(findings[0].text.rfind("row " + std::to_string(c.row + 1), 0), 0u) << findings[0].text;
    }
}

// What the exposure window creates for eclipse 51 at the default site and for eclipse 58 at Luxor
// checks clean, for the virtual camera and for a real body.
TEST_F(TableCheck, GeneratedTablesCheckClean) {
    SharedVariables shared;
    FillEclipseCatalog(shared.eclipse.EclipseCatalog);
    shared.time.TenthsFlag = 1;
    shared.time.CurrentJD = CalendarToJD(2027, 8, 2, 8, 0, 0);
    SelectEclipse(shared.eclipse, 58, "");
    shared.site = SiteInputs{"25.6872", "N", "32.6396", "E", "76", "71"};
    RecomputePass(shared.site, shared.eclipse, shared.contacts, shared.time);
    ExposureTable luxor;
    ASSERT_TRUE(
        CreateExposureTable(GeneratorInputForSite(shared.contacts, shared.eclipse, {}, {}), luxor).Created);

    struct Case {
        const char* name;
        ExposureTable table;
        double greatest;
    };
    const Case cases[] = {
        {"eclipse 51, 4 s", Eclipse51TotalTable(4), GreatestEclipse(51)},
        {"eclipse 51, 8 s", Eclipse51TotalTable(8), GreatestEclipse(51)},
        {"eclipse 58 at Luxor", luxor, GreatestEclipse(58)},
    };
    for (const Case& c : cases) {
        for (const char* body : {"virtual", "gphoto2"}) {
            SCOPED_TRACE(std::string(c.name) + " " + body);
            EXPECT_GT(c.table.RowCount(), 50);
            const std::vector<TableFinding> findings = Check(c.table, c.greatest, CameraTimingOf(body));
            EXPECT_TRUE(findings.empty()) << FindingsText(findings);
        }
    }
}

}  // namespace
}  // namespace zelto
