#include "exposure/table_match.h"

#include <gtest/gtest.h>

#include "eclipse_data/julian.h"

namespace zelto {
namespace {

// A table made for eclipse 51 at the default site, checked against the main window's site and
// eclipse: written another way it matches; another site, another eclipse or a first row on another
// day each give their sentence. Greatest eclipse of 51: 2024-04-08 18:17:21 UT.
TEST(TableMatch, SiteEclipseAndDate) {
    const TableFileSite table51{51, "25.0000", true, "103.5000", false, "800"};
    const double greatest51 = CalendarToJD(2024, 4, 8, 18, 17, 21);
    const auto tableOn = [](const char* firstRowDate) {
        ExposureTable table(0);
        table.AppendRow({"", ""});  // a blank row is not the first row
        table.AppendRow({"", "C1", firstRowDate});
        table.AppendRow({"", "C2", "2024-04-08 18:16:20.0"});
        return table;
    };
    struct Case {
        const char* name;
        TableFileSite current;
        const char* firstRow;
        std::vector<std::string> differences;
    };
    const Case cases[] = {
        {"same site written otherwise", {51, "25", true, "103:30", false, "800.4"}, "2024-04-08 16:58:45.0", {}},
        {"a site near midnight on the next UT day", table51, "2024-04-09 02:10:00.0", {}},
        {"Dallas",
         {51, "32.7767", true, "96.7970", false, "139"},
         "2024-04-08 16:58:45.0",
         {"The table is for the site 25.0000 N 103.5000 W 800 m, the main window shows 32.7767 N 96.7970 W 139 m."}},
        {"southern hemisphere", {51, "25.0000", false, "103.5000", false, "800"}, "2024-04-08 16:58:45.0",
         {"The table is for the site 25.0000 N 103.5000 W 800 m, the main window shows 25.0000 S 103.5000 W 800 m."}},
        {"another eclipse and its day",
         {50, "25.0000", true, "103.5000", false, "800"},
         "2024-04-08 16:58:45.0",
         {"The table is for eclipse 51 (2024-04-08), the main window shows eclipse 50 (2023-10-14).",
          "The table's first row is on 2024-04-08, not on the day of eclipse 50 (2023-10-14)."}},
        {"rows of another year", table51, "2025-04-08 16:58:45.0",
         {"The table's first row is on 2025-04-08, not on the day of eclipse 51 (2024-04-08)."}},
    };
    for (const Case& test : cases) {
        const double greatest = test.current.EclipseNumber == 50 ? CalendarToJD(2023, 10, 14, 17, 59, 40) : greatest51;
        const TableMatch match = CheckTableMatch(table51, tableOn(test.firstRow), test.current, greatest);
        EXPECT_EQ(match.differences, test.differences) << test.name;
        EXPECT_EQ(match.Matches(), test.differences.empty()) << test.name;
    }
}

}  // namespace
}  // namespace zelto
