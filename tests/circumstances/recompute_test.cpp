#include "circumstances/recompute.h"

#include <gtest/gtest.h>

#include <tuple>

#include <cmath>
#include <numbers>

#include "eclipse_data/julian.h"
#include "state/variables.h"

namespace zelto {
namespace {

// Espenak's figures for 2024-04-08: P1 15:42:07 UT, greatest eclipse 18:17:21 UT, P4 20:52:19 UT
// (the limb search of P1 and P4 lands within a few seconds of them).
TEST(RecomputePass, DefaultSiteOfEclipse51) {
    SharedVariables shared;
    FillEclipseCatalog(shared.eclipse.EclipseCatalog);
    shared.time.TenthsFlag = 1;
    shared.time.CurrentJD = CalendarToJD(2024, 4, 8, 17, 0, 0);
    const EclipseHeader header = SelectEclipse(shared.eclipse, 51, "");
    EXPECT_EQ(header.Date, "2024-04-08");
    EXPECT_NEAR(shared.eclipse.GreatestEclipseJD, CalendarToJD(2024, 4, 8, 18, 17, 21), 3.0 / 86400);

    const PassResult pass = RecomputePass(shared.site, shared.eclipse, shared.contacts, shared.time);
    const SitePlace& place = shared.contacts.Place;
    EXPECT_NEAR(place.Latitude, 25.0 * std::numbers::pi / 180, 1e-12);
    EXPECT_NEAR(place.Longitude, 103.5 * std::numbers::pi / 180, 1e-12);
    EXPECT_EQ(place.Height, 800);
    EXPECT_EQ(place.LocalType, 't');
    EXPECT_NEAR(shared.contacts.P1JD, CalendarToJD(2024, 4, 8, 15, 42, 7), 15.0 / 86400);
    EXPECT_NEAR(shared.contacts.P4JD, CalendarToJD(2024, 4, 8, 20, 52, 19), 15.0 / 86400);
    EXPECT_EQ(pass.contacts.Find("Label_Pb")->text.substr(0, 19), "P1: 2024-04-08 15:4");

    // Every contact is shown, in order, stored to the tenth of a second and matching its label.
    for (int slot = 0; slot < kContactSlots; ++slot) {
        const double jd = shared.contacts.ContactJD[static_cast<size_t>(slot)];
        ASSERT_NE(jd, 0) << slot;
        EXPECT_NEAR(jd * 864000, std::round(jd * 864000), 1e-3);
        if (slot > 0) {
            EXPECT_GT(jd, shared.contacts.ContactJD[static_cast<size_t>(slot - 1)]);
        }
    }
    // Totality around 18:1x UT there, lasting under 4.5 minutes.
    const double totality = (shared.contacts.ContactJD[kC3] - shared.contacts.ContactJD[kC2]) * 86400;
    EXPECT_GT(totality, 60);
    EXPECT_LT(totality, 270);
    EXPECT_EQ(pass.contacts.Find("Label_C2")->text.substr(0, 19), "C2: 2024-04-08 18:1");
    EXPECT_EQ(pass.site.StatusPanels[0], "25.0000");
    EXPECT_EQ(pass.site.StatusPanels[3], "69.2");
}

// A typed ΔT is in force at once and greatest eclipse follows it (0 s: 69.2 s later in UT than with
// the automatic ΔT of 2024-04); an unusable one puts the automatic ΔT back in force.
TEST(RecomputePass, GreatestEclipseFollowsTheDeltaTInForce) {
    SharedVariables shared;
    FillEclipseCatalog(shared.eclipse.EclipseCatalog);
    SelectEclipse(shared.eclipse, 51, "");
    const double automatic = shared.eclipse.GreatestEclipseJD;
    EXPECT_FALSE(RecomputePass(shared.site, shared.eclipse, shared.contacts, shared.time).deltaTChanged);

    shared.eclipse.ManualDeltaTOn = true;
    for (const auto& [typed, deltaT, later] : {std::tuple{"0", 0.0, 69.2}, std::tuple{"", 69.2, 0.0}}) {
        SCOPED_TRACE(typed);
        DeltaTEditChange(typed, shared.eclipse);
        EXPECT_FALSE(RecomputePass(shared.site, shared.eclipse, shared.contacts, shared.time).deltaTChanged);
        EXPECT_DOUBLE_EQ(shared.eclipse.DeltaT, deltaT);
        EXPECT_NEAR((shared.eclipse.GreatestEclipseJD - automatic) * 86400, later, 1e-3);
    }
}

}  // namespace
}  // namespace zelto
