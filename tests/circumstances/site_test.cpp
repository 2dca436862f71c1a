#include "circumstances/site.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <string>

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

// An edit is used only when it reads as a site value in range; otherwise the last valid value stays in
// use and the note says which (the site in use here: 25.0000 N, 103.5000 W, 800 m).
TEST(SiteEdit, OnlyValidValuesArePutInUse) {
    struct Case {
        SiteField field;
        const char* typed;
        const char* list;  // the hemisphere list before
        const char* text;
        const char* hemisphere;
        std::optional<std::string> used;
        const char* note;
    };
    const Case cases[] = {
        {SiteField::Longitude, "-96.80", "E", "96.80", "W", "96.80", ""},
        {SiteField::Longitude, "+2.35", "W", "2.35", "E", "2.35", ""},
        {SiteField::Latitude, " 33:30S ", "N", "33:30", "S", "33:30", ""},
        {SiteField::Latitude, "25,6872", "N", "25,6872", "", "25.6872", ""},
        {SiteField::Latitude, "32\u00b038'23\"", "N", "32\u00b038'23\"", "", "32:38:23", ""},
        {SiteField::Longitude, "32\u00b0 38.5' w", "E", "32\u00b0 38.5'", "W", "32:38.5", ""},
        {SiteField::Latitude, "abc", "N", "abc", "", std::nullopt,
         "\"abc\" is not degrees, d:m or d\u00b0m'\nnot used: still 25.0000 N"},
        {SiteField::Latitude, "-", "N", "", "S", std::nullopt, "no angle given\nnot used: still 25.0000 S"},
        {SiteField::Latitude, "-45N", "S", "45", "N", std::nullopt,
         "a sign and a hemisphere letter together\nnot used: still 25.0000 N"},
        {SiteField::Latitude, "372", "N", "372", "", std::nullopt,
         "a latitude goes up to 90\u00b0\nnot used: still 25.0000 N"},
        {SiteField::Longitude, "200", "W", "200", "", std::nullopt,
         "a longitude goes up to 180\u00b0\nnot used: still 103.5000 W"},
        {SiteField::Height, "-430", "", "-430", "", "-430", ""},
        {SiteField::Height, "30000", "", "30000", "", std::nullopt,
         "\"30000\" is not a height from -500 to 25000 m\nnot used: still 800 m"},
        {SiteField::Height, " ", "", " ", "", std::nullopt, "no height given\nnot used: still 800 m"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const SiteEdit edit = SiteEditChange(c.field, c.typed, c.list, SiteInputs{});
        EXPECT_EQ(edit.text, c.text);
        EXPECT_EQ(edit.hemisphere, c.hemisphere);
        EXPECT_EQ(edit.used, c.used);
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
        {{"25.0000", "N", "103.5000", "W", "800", "71"},
         25,
         103.5,
         800,
         {"25.0000", "103.5000", "800"},
         61,
         72},
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
        SitePlace place;
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
    SitePlace place;
    ApplySite(SiteInputs{}, MapSize{}, eclipse, place);
    EXPECT_EQ(eclipse.CurrentEclipse.Year, 2024);
    EXPECT_DOUBLE_EQ(eclipse.DeltaT, 69.2);  // automatic for 2024-04
    eclipse.ManualDeltaTOn = true;
    eclipse.ManualDeltaT = 71;
    ApplySite(SiteInputs{}, MapSize{}, eclipse, place);
    EXPECT_DOUBLE_EQ(eclipse.DeltaT, 71);
    // The larger map of the large window scales the markers.
    const SiteView large = ApplySite(SiteInputs{}, MapSize{514, 256}, eclipse, place);
    EXPECT_EQ(large.LatiMarkerTop, 92);    // 128 − 25·256/180 = 92.4
    EXPECT_EQ(large.LongMarkerLeft, 109);  // 257 − 103.5·514/360 = 109.2
}

// A ΔT that is no number of seconds from 0 to 500 is not used: the automatic ΔT is in force instead.
TEST(DeltaTEdit, OnlyValuesFrom0To500AreUsed) {
    struct Case {
        const char* typed;
        const char* text;
        bool applied;
        double inForce;    // with manual ΔT on and the 2024-04 eclipse (automatic 69.2 s)
        const char* note;  // what the red edit's tooltip says
    };
    const char* automatic = "\nnot used: the automatic DeltaT is in use (69.2 s)";
    const Case cases[] = {
        {"75.5", "75.5", true, 75.5, ""},
        {" 7 1s", "71", true, 71, "Used: DeltaT 71 s (only digits and \".\" are kept)"},
        {"500", "500", true, 500, ""},
        {"600", "600", false, 69.2, "\"600\" is not a DeltaT from 0 to 500 s"},
        {"", "", false, 69.2, "no DeltaT given"},
        {"70.5.3", "70.5.3", false, 69.2, "\"70.5.3\" is not a number of seconds"},
        {"99999.1.1", "99999.1.1", false, 69.2, "\"99999.1.1\" is not a number of seconds"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        EclipseState eclipse;
        eclipse.EclipseCatalog = BuiltInCatalog();
        SelectCatalogEclipse(eclipse, 51);
        eclipse.ManualDeltaTOn = true;
        const DeltaTEdit edit = DeltaTCheckClick(true, c.typed, eclipse);
        EXPECT_EQ(edit.text, c.text);
        EXPECT_EQ(edit.applied, c.applied);
        EXPECT_DOUBLE_EQ(eclipse.DeltaT, c.inForce);
        EXPECT_EQ(edit.note, c.applied ? std::string(c.note) : c.note + std::string(automatic));
    }
}

}  // namespace
}  // namespace zelto
