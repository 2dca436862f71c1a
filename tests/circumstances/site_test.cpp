#include "circumstances/site.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace zelto {
namespace {

constexpr double kDeg = std::numbers::pi / 180.0;

TEST(SiteInputs, EditCleaning) {
    struct Case {
        const char* typed;
        const char* angle;
        const char* height;
        const char* deltaT;
    };
    const Case cases[] = {
        {"4a5.b0", "45.0", "", "45.0"},
        {"  45:30  ", "45:30", "", "4530"},
        {"-12,5", "125", "", "125"},
        {"800", "800", "800", "800"},
        {" 25000 ", "25000", "25000", "25000"},
        {"25000.5", "25000.5", "", "25000.5"},
        {"", "", "", ""},
        {"1e3", "13", "", "13"},  // no exponent where a plain number is typed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(CleanAngleText(c.typed), c.angle);
        EXPECT_EQ(CleanHeightText(c.typed), c.height);
        EXPECT_EQ(CleanDeltaTText(c.typed), c.deltaT);
    }
    EXPECT_TRUE(AngleTextReadable("45:30:15"));
    EXPECT_FALSE(AngleTextReadable(""));
    EXPECT_FALSE(AngleTextReadable("4.5.0"));
}

TEST(SiteEdit, SignsAndLettersChooseTheHemisphereAndChangesAreNoted) {
    struct Case {
        SiteField field;
        const char* typed;
        const char* list;  // the hemisphere list before
        const char* text;
        const char* hemisphere;
        bool readable;
        const char* note;
    };
    const Case cases[] = {
        {SiteField::Longitude, "-96.80", "E", "96.80", "W", true, ""},
        {SiteField::Longitude, "+2.35", "W", "2.35", "E", true, ""},
        {SiteField::Longitude, "96.80w", "E", "96.80", "W", true, ""},
        {SiteField::Latitude, " 33:30S ", "N", "33:30", "S", true, ""},
        {SiteField::Latitude, "-", "N", "", "S", false, "Used: 0.0000\u00b0 S (no angle given)"},
        {SiteField::Latitude, "-45N", "S", "45", "N", true,
         "Used: 45.0000\u00b0 N (the sign is ignored beside the letter)"},
        {SiteField::Latitude, "45E", "N", "45", "", true,
         "Used: 45.0000\u00b0 N (only digits, \".\" and \":\" are kept)"},
        {SiteField::Latitude, "99999999", "N", "99999999", "", true,
         "Used: 99.0000\u00b0 N (counted modulo 900\u00b0; beyond 90\u00b0)"},
        {SiteField::Longitude, "3..2:1:9", "W", "3..2:1:9", "", true,
         "Used: 0.0192\u00b0 W (\"3..2\" is not a number and counts as 0)"},
        {SiteField::Longitude, "4.5.0", "E", "4.5.0", "", false, "Used: 0.0000\u00b0 E (not degrees, d:m or d:m:s)"},
        {SiteField::Longitude, "190", "W", "190", "", true, "Used: 190.0000\u00b0 W (beyond 180\u00b0)"},
        {SiteField::Height, "800", "", "800", "", true, ""},
        {SiteField::Height, "30000", "", "", "", true, "Used: 0 m (\"30000\" is not a height from 0 to 25000 m)"},
        {SiteField::Height, " ", "", "", "", true, "Used: 0 m (no height given)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const SiteEdit edit = SiteEditChange(c.field, c.typed, c.list);
        EXPECT_EQ(edit.text, c.text);
        EXPECT_EQ(edit.hemisphere, c.hemisphere);
        EXPECT_EQ(edit.readable, c.readable);
        EXPECT_EQ(edit.note, c.note);
    }
}

TEST(ApplySite, ReadsInputsIntoThePlaceMarkersAndStatusLine) {
    struct Case {
        SiteInputs site;
        double latitude, westLongitude, height;
        const char* panels[3];
        int top, left;
    };
    // Map 343 × 171: the centre is at (171, 85).
    const Case cases[] = {
        {{"25.0000", "N", "103.5000", "W", "800", "71"}, 25, 103.5, 800, {"25.0000", "103.5000", "800"}, 61, 72},
        {{"45:30", "S", "103.5", "E", "", "71"}, -45.5, -103.5, 0, {"-45.5000", "-103.5000", "0"}, 128, 270},
        {{"950", "N", "1900", "W", "12.6", "71"}, 50, 100, 12.6, {"50.0000", "100.0000", "13"}, 38, 76},
        {{"4.5.0", "N", "", "E", "abc", "71"}, 0, 0, 0, {"0.0000", "0.0000", "0"}, 85, 171},
        {{"0:30:36", "S", "0:0:36", "E", "0", "71"}, -0.51, -0.01, 0, {"-0.5100", "-0.0100", "0"}, 85, 171},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.site.Lati + " " + c.site.Long);
        EclipseState eclipse;
        eclipse.EclipseCatalog = BuiltInCatalog();
        eclipse.DeltaT = 12.34;
        StadtType place;
        const SiteView view = ApplySite(c.site, MapSize{}, eclipse, place);
        EXPECT_NEAR(place.Latitude, c.latitude * kDeg, 1e-12);
        EXPECT_NEAR(place.Longitude, c.westLongitude * kDeg, 1e-12);
        EXPECT_DOUBLE_EQ(place.Height, c.height);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(view.StatusPanels[static_cast<size_t>(i)], c.panels[i]);
        EXPECT_EQ(view.StatusPanels[3], "12.3");  // the ΔT before the pass
        EXPECT_EQ(view.LatiMarkerTop, c.top);
        EXPECT_EQ(view.LongMarkerLeft, c.left);
    }
}

TEST(ApplySite, SelectsTheRecordAndTheDeltaTInForce) {
    EclipseState eclipse;
    eclipse.EclipseCatalog = BuiltInCatalog();
    eclipse.SelectedEclipse = 51;
    StadtType place;
    ApplySite(SiteInputs{}, MapSize{}, eclipse, place);
    EXPECT_EQ(eclipse.CurrentEclipse.Year, 2024);
    EXPECT_DOUBLE_EQ(eclipse.DeltaT, 69.2);  // automatic for 2024-04
    eclipse.ManualDeltaTOn = true;
    eclipse.ManualDeltaT = 71;
    ApplySite(SiteInputs{}, MapSize{}, eclipse, place);
    EXPECT_DOUBLE_EQ(eclipse.DeltaT, 71);
    // The larger map of the large window scales the markers.
    const SiteView large = ApplySite(SiteInputs{}, MapSize{514, 256}, eclipse, place);
    EXPECT_EQ(large.LatiMarkerTop, 92);   // 128 − 25·256/180 = 92.4
    EXPECT_EQ(large.LongMarkerLeft, 109);  // 257 − 103.5·514/360 = 109.2
}

TEST(DeltaTEdit, CleaningRangeAndFailedReadings) {
    struct Case {
        const char* typed;
        const char* text;
        double manual;
        bool applied;
        const char* note;  // what the red edit's tooltip says
    };
    const Case cases[] = {
        {"75.5", "75.5", 75.5, true, ""},
        {" 7 1s", "71", 71, true, "Used: DeltaT 71.0 sec (only digits and \".\" are kept)"},
        {"500", "500", 500, true, ""},
        {"500.1", "", 0, false, "Used: DeltaT 0.0 sec (\"500.1\" is not a DeltaT from 0 to 500 s)"},
        {"600", "", 0, false, "Used: DeltaT 0.0 sec (\"600\" is not a DeltaT from 0 to 500 s)"},
        {"", "", 0, false, "Used: DeltaT 0.0 sec (no DeltaT given)"},
        {"70.5.3", "70.5.3", 70.5, false, "Used: DeltaT 70.5 sec (not a number of seconds)"},
        // Read up to its second point: the limit holds.
        {"99999.1.1", "", 0, false, "Used: DeltaT 0.0 sec (\"99999.1.1\" is not a DeltaT from 0 to 500 s)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        EclipseState eclipse;
        eclipse.DeltaT = 12;
        const DeltaTEdit edit = ReadDeltaTEdit(c.typed);
        EXPECT_EQ(edit.text, c.text);
        EXPECT_DOUBLE_EQ(edit.manualDeltaT, c.manual);
        EXPECT_EQ(edit.applied, c.applied);
        EXPECT_EQ(edit.note, c.note);
    }
}

}  // namespace
}  // namespace zelto
