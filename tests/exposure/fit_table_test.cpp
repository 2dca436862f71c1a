#include "exposure/fit_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "camera/eclipse51_table.h"
#include "circumstances/contact_display.h"
#include "eclipse51_path.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/number_text.h"

namespace zelto {
namespace {

const TableFileSite kHome{51, "25.0000", true, "103.5000", false, "800"};  // the table's own site
const TableFileSite kDallas{51, "32.78", true, "96.80", false, "140"};

// A contact at a site by the whole pass, on the generator's 0.1-s grid.
double ContactJD(double latitude, double west, double height, int slot) {
    const SitePlace p = eclipse51::Solve(latitude, west, height);
    return RoundedToTenthSecond(SolverTimeToJD(eclipse51::Record(), p.ContactTime[static_cast<size_t>(slot)], eclipse51::kDeltaT));
}

double Seconds(double jd) { return jd * 86400; }

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

TEST(FitTable, Eclipse51TableMovedToDallasKeepsEveryRowAtItsOffset) {
    // The default table (ΔT 69.2 s, the automatic value for April 2024).
    const ExposureTable home = Eclipse51TotalTable(4);
    const TableFit fit = FitTableToSite(home, kHome, kDallas, BuiltInCatalog(), eclipse51::kDeltaT);
    ASSERT_TRUE(fit.fitted) << fit.message;
    EXPECT_TRUE(fit.reviewRows.empty()) << fit.message;
    ASSERT_EQ(fit.table.RowCount(), home.RowCount());

    const double homeC2 = ContactJD(25, 103.5, 800, kC2), homeC3 = ContactJD(25, 103.5, 800, kC3);
    const double dallasC2 = ContactJD(32.78, 96.80, 140, kC2), dallasC3 = ContactJD(32.78, 96.80, 140, kC3);
    // Dallas sees 3 min 52 s of totality (published), the default site 3 min 9 s.
    EXPECT_NEAR(Seconds(dallasC3 - dallasC2), 232, 3);
    int beads = 0;
    for (int row = 0; row < home.RowCount(); ++row) {
        const std::string& phase = home.Row(row)[kColumnPhase];
        const double before = *ReadDateStrJD(home.Row(row)[kColumnDateTime]);
        const double after = *ReadDateStrJD(fit.table.Row(row)[kColumnDateTime]);
        if (StartsWith(phase, "Baily's beads (C2")) {
            ++beads;
            EXPECT_NEAR(Seconds(after - dallasC2), Seconds(before - homeC2), 0.05) << phase;
        }
        if (StartsWith(phase, "Loop") || StartsWith(phase, "C3:")) {
            EXPECT_NEAR(Seconds(after - dallasC3), Seconds(before - homeC3), 0.05) << phase;
        }
        // Only the instant moves.
        ExposureRow moved = fit.table.Row(row);
        moved[kColumnDateTime] = home.Row(row)[kColumnDateTime];
        EXPECT_EQ(moved, home.Row(row));
    }
    EXPECT_EQ(beads, 16);  // −8 s to +8 s around C2, without C2 itself
}

TEST(FitTable, RowsThatLeaveTheirPhaseAreListedAndMismatchesRefused) {
    const ExposureTable home = Eclipse51TotalTable(4);
    const auto phasesToCheck = [&home](const TableFit& fit) {
        std::vector<std::string> phases;
        for (int row : fit.reviewRows) phases.push_back(home.Row(row)[kColumnPhase]);
        return phases;
    };
    const auto has = [](const std::vector<std::string>& phases, const char* phase) {
        return std::find(phases.begin(), phases.end(), phase) != phases.end();
    };
    // Near the northern limit totality lasts 6 s: the loop (8 s before C3) falls before the new C2,
    // the bead 8 s after C2 past the new C3; C2 itself stays in totality.
    const double brief = eclipse51::NorthernDuration(eclipse51::kCentralWest, 6);
    const TableFileSite edge{51, FixedText(brief, 6), true, FixedText(eclipse51::kCentralWest, 6), false, "0"};
    const TableFit shortened = FitTableToSite(home, kHome, edge, BuiltInCatalog(), eclipse51::kDeltaT);
    ASSERT_TRUE(shortened.fitted);
    const std::vector<std::string> listed = phasesToCheck(shortened);
    EXPECT_TRUE(has(listed, "Loop during totality until"));
    EXPECT_TRUE(has(listed, "Baily's beads (C2+8.0sec)"));
    EXPECT_FALSE(has(listed, "C2: begin of total phase"));
    EXPECT_FALSE(has(listed, "Baily's beads (C2-8.0sec)"));
    EXPECT_NE(shortened.message.find("marked red"), std::string::npos);

    struct Refusal {
        ExposureTable table;
        TableFileSite to;
        const char* says;
    };
    const Refusal refusals[] = {
        {home, {52, "25.0000", true, "103.5000", false, "800"}, "select the table's eclipse first"},
        {home, {51, "40.0", true, "80.0", false, "0"}, "the current site a partial eclipse"},
        {ExposureTable(0), kDallas, "no table"},
    };
    for (const Refusal& r : refusals) {
        const TableFit refused = FitTableToSite(r.table, kHome, r.to, BuiltInCatalog(), eclipse51::kDeltaT);
        EXPECT_FALSE(refused.fitted);
        EXPECT_NE(refused.message.find(r.says), std::string::npos) << refused.message;
    }
}

}  // namespace
}  // namespace zelto
