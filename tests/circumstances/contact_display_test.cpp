#include "circumstances/contact_display.h"

#include <gtest/gtest.h>

#include <set>

#include "eclipse_data/eclipse_state.h"
#include "eclipse_data/julian.h"

namespace zelto {
namespace {

constexpr double kDeltaT = 69.2;

const EclipseRecord& Eclipse51() {
    return CatalogRecord(BuiltInCatalog(), 51);
}  // 2024-04-08, T0 18 h

// A total site with every contact above the horizon: C1 at t = −1.5 h is 16:28:50.8 UT with ΔT 69.2 s.
SitePlace TotalSite() {
    SitePlace place;
    place.LocalType = 't';
    place.ContactTime = {-1.5, -0.2, -0.19, -0.18, 1.2};
    place.SolarAltitude = {0.5, 0.6, 0.6, 0.6, 0.4};
    place.Azimuth = {-0.3, -0.1, 0, 0.1, 0.7};
    place.VertexAngle = {1.0, 2.0, 3.0, 4.0, 5.0};
    place.PositionAngle = {2.0, 2.5, 3.0, 3.5, 6.0};
    return place;
}

std::string Text(const ContactDisplay& d, std::string_view name) {
    return d.Find(name)->text;
}
LabelColour Colour(const ContactDisplay& d, std::string_view name) {
    return d.Find(name)->colour;
}

TEST(ContactDisplay, ShownContactTextsAnglesAndCountdown) {
    ContactInstants instants;
    const double now = CalendarToJD(2024, 4, 8, 16, 0, 0);
    const ContactDisplay d = ContactLabels(Eclipse51(), kDeltaT, TotalSite(), -2.0, 2.0, now, 1, instants);
    EXPECT_EQ(Text(d, "Label_C1"), "C1: 2024-04-08 16:28:50.8");
    EXPECT_EQ(Text(d, "Label_C1Diff"), "+0 d 00:28:50.8");
    EXPECT_EQ(Text(d, "Label_C1Hgt"), "28.6");   // 0.5 rad
    EXPECT_EQ(Text(d, "Label_C1Azi"), "-17.2");  // −0.3 rad
    EXPECT_EQ(Text(d, "Label_C1V"), "57");       // 1 rad
    EXPECT_EQ(Text(d, "Label_C1P"), "115");      // 2 rad = 114.6°
    EXPECT_EQ(Text(d, "Label_C4P"), "344");      // 6 rad = 343.8°
    EXPECT_EQ(Colour(d, "Label_C1Diff"), LabelColour::Lime);
    EXPECT_EQ(Colour(d, "Label_C1"), LabelColour::ToCome);
    EXPECT_EQ(Colour(d, "Label_C1Azi"), LabelColour::ToCome);
    EXPECT_NEAR(instants.ContactJD[kC1], CalendarToJD(2024, 4, 8, 16, 28, 50.8), 1e-9);
    // P1 at t = −2 h: 16:00 less ΔT; P4 at t = +2 h.
    EXPECT_EQ(Text(d, "Label_Pb"), "P1: 2024-04-08 15:58:50.8");
    EXPECT_EQ(Text(d, "Label_PbDiff"), "-0 d 00:01:09.2");
    EXPECT_EQ(Colour(d, "Label_Pb"), LabelColour::GlobalPast);
    EXPECT_EQ(Text(d, "Label_Pe"), "P4: 2024-04-08 19:58:50.8");
    EXPECT_EQ(Colour(d, "Label_PeDiff"), LabelColour::GlobalToCome);
    EXPECT_NEAR(instants.P1JD, CalendarToJD(2024, 4, 8, 15, 58, 50.8), 1e-9);

    // 34 labels with distinct component names.
    std::set<std::string_view> names;
    for (const DisplayLabel& label : d.labels) names.insert(label.name);
    EXPECT_EQ(names.size(), 34u);
}

TEST(ContactDisplay, PastContactsAndTheInstantExactlyNow) {
    ContactInstants instants;
    const double later = CalendarToJD(2024, 4, 8, 17, 0, 0);
    ContactDisplay d = ContactLabels(Eclipse51(), kDeltaT, TotalSite(), -2.0, 2.0, later, 0, instants);
    EXPECT_EQ(Text(d, "Label_C1"), "C1: 2024-04-08 16:28:51");
    EXPECT_EQ(Text(d, "Label_C1Diff"), "-0 d 00:31:09");
    EXPECT_EQ(Colour(d, "Label_C1Diff"), LabelColour::Red);
    EXPECT_EQ(Colour(d, "Label_C1Hgt"), LabelColour::Gray);
    EXPECT_EQ(Colour(d, "Label_C4Diff"), LabelColour::Lime);

    // A contact exactly now still counts as to come.
    const double now = instants.ContactJD[kC1];
    d = ContactLabels(Eclipse51(), kDeltaT, TotalSite(), -2.0, 2.0, now, 1, instants);
    EXPECT_EQ(Text(d, "Label_C1Diff"), "+0 d 00:00:00.0");
    EXPECT_EQ(Colour(d, "Label_C1Diff"), LabelColour::Lime);
    EXPECT_EQ(Colour(d, "Label_C1"), LabelColour::ToCome);
}

TEST(ContactDisplay, HiddenContactsShowPlaceholders) {
    struct Case {
        const char* what;
        char localType;
        double c1Altitude;
        int tenths;
        std::set<int> hidden;
    };
    const Case cases[] = {
        {"sun below the horizon at C1, tenths", 't', -0.01, 1, {kC1}},
        {"sun below the horizon at C1, no tenths", 't', -0.01, 0, {kC1}},
        {"altitude not computed", 't', kAltitudeNotComputed, 1, {kC1}},
        {"partial site: no C2, C3 with the sun up", 'p', 0.5, 1, {kC2, kC3}},
    };
    const char* placeholder[] = {"C1: not visible here", "C2: not visible here", "Mx: not visible here",
                                 "C3: not visible here", "C4: not visible here"};
    const char* prefix[] = {"Label_C1", "Label_C2", "Label_Mx", "Label_C3", "Label_C4"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SitePlace place = TotalSite();
        place.LocalType = c.localType;
        place.SolarAltitude[kC1] = c.c1Altitude;
        ContactInstants instants;
        instants.ContactJD.fill(1);  // left-overs of an earlier pass
        const ContactDisplay d =
            ContactLabels(Eclipse51(), kDeltaT, place, -2, 2, 2460409.0, c.tenths, instants);
        for (int slot = 0; slot < kContactSlots; ++slot) {
            const std::string base = prefix[slot];
            if (!c.hidden.count(slot)) {
                EXPECT_NE(instants.ContactJD[static_cast<size_t>(slot)], 0) << base;
                continue;
            }
            EXPECT_EQ(Text(d, base), placeholder[slot]) << base;
            EXPECT_EQ(Text(d, base + "Diff"), "");
            for (const char* angle : {"Hgt", "Azi", "V", "P"}) EXPECT_EQ(Text(d, base + angle), "-");
            for (const char* any : {"", "Diff", "Hgt", "P"})
                EXPECT_EQ(Colour(d, base + any), LabelColour::Gray);
            EXPECT_EQ(instants.ContactJD[static_cast<size_t>(slot)], 0);
        }
    }
}

TEST(ContactDisplay, DurationAndMagnitudeOfTheSite) {
    struct Case {
        char localType;
        std::array<double, kContactSlots> altitude;  // C1, C2, Mx, C3, C4
        const char* duration;
        const char* magnitude;
    };
    constexpr double up = 0.6, down = -0.1, none = kAltitudeNotComputed;
    // C2 at t = −0.2 h and C3 at −0.18 h: 72 s apart.
    const Case cases[] = {
        {'t', {up, up, up, up, up}, "Totality 1 min 12.0 s", "Magnitude 1.0082"},
        {'a', {up, up, up, up, up}, "Annularity 1 min 12.0 s", "Magnitude 1.0082"},
        {'t', {down, down, up, up, up}, "Totality: partly below the horizon", "Magnitude 1.0082"},
        {'t',
         {up, down, down, down, up},
         "Totality: not visible here",
         "Magnitude: maximum not visible here"},
        {'p', {up, up, up, up, up}, "Partial eclipse only", "Magnitude 1.0082"},
        {'p',
         {down, down, down, down, down},
         "Eclipse not visible here (Sun below the horizon)",
         "Magnitude: maximum not visible here"},
        {'-', {none, none, none, none, none}, "No eclipse here", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.duration);
        SitePlace place = TotalSite();
        place.LocalType = c.localType;
        place.Magnitude = 1.0082;
        place.SolarAltitude = c.altitude;
        ContactInstants instants;
        const ContactDisplay d = ContactLabels(Eclipse51(), kDeltaT, place, -2, 2, 0, 1, instants);
        EXPECT_EQ(d.Duration, c.duration);
        EXPECT_EQ(d.Magnitude, c.magnitude);
    }
}

TEST(ContactDisplay, ContactInstantRoundsToTheTenthSecond) {
    // C1 at 16:28:50.8 UT plus 0.06 s and minus 0.04 s rounds to 50.9 and 50.8.
    SitePlace place = TotalSite();
    ContactInstants instants;
    place.ContactTime[kC1] = -1.5 + 0.06 / 3600;
    ContactLabels(Eclipse51(), kDeltaT, place, -2, 2, 0, 1, instants);
    EXPECT_NEAR(instants.ContactJD[kC1], CalendarToJD(2024, 4, 8, 16, 28, 50.9), 1e-9);
    place.ContactTime[kC1] = -1.5 - 0.04 / 3600;
    ContactLabels(Eclipse51(), kDeltaT, place, -2, 2, 0, 1, instants);
    EXPECT_NEAR(instants.ContactJD[kC1], CalendarToJD(2024, 4, 8, 16, 28, 50.8), 1e-9);
}

TEST(ContactDisplay, ColoursHaveTheirRgbValues) {
    EXPECT_EQ(ColourRgb(LabelColour::Lime), (Rgb{0, 255, 0}));
    EXPECT_EQ(ColourRgb(LabelColour::ToCome), (Rgb{40, 210, 40}));
    EXPECT_EQ(ColourRgb(LabelColour::Red), (Rgb{255, 144, 144}));
    EXPECT_EQ(ColourRgb(LabelColour::Gray), (Rgb{176, 176, 176}));
    EXPECT_EQ(ColourRgb(LabelColour::GlobalToCome), (Rgb{160, 192, 0}));
    EXPECT_EQ(ColourRgb(LabelColour::GlobalPast), (Rgb{240, 160, 160}));
}

TEST(EclipseHeader, DateTimeDeltaTTypeAndCaption) {
    const EclipseHeader h =
        ShowEclipseHeader(Eclipse51(), CalendarToJD(2024, 4, 8, 18, 17, 20.44), 69.2, "Zelto - ");
    EXPECT_EQ(h.Date, "2024-04-08");
    EXPECT_EQ(h.GreatestEclipse, "Greatest eclipse at 18:17:20.4 UT");
    EXPECT_EQ(h.DeltaT, "DeltaT 69.2 sec");
    EXPECT_EQ(h.Kind, "Total");
    EXPECT_EQ(h.Caption, "Zelto - 2024-04-08  18:17:20.4 UT     Total solar eclipse");

    // Record 3 (2002-06-10, T0 24 h): an instant after midnight UT shows the next date.
    const EclipseRecord& record3 = CatalogRecord(BuiltInCatalog(), 3);
    const EclipseHeader late =
        ShowEclipseHeader(record3, CalendarToJD(2002, 6, 10, 23.75, 0, 0 + 1.5 * 3600), 64.4, "");
    EXPECT_EQ(late.Date, "2002-06-11");
    EXPECT_EQ(late.GreatestEclipse, "Greatest eclipse at 01:15:00.0 UT");
    EXPECT_EQ(late.Kind, "Annular");
    // Seconds that would round to 60.0 carry into the minute.
    EXPECT_EQ(ShowEclipseHeader(record3, CalendarToJD(2002, 6, 10, 23, 59, 59.97), 64.4, "").GreatestEclipse,
              "Greatest eclipse at 00:00:00.0 UT");
}

TEST(EclipseHeader, TypeNames) {
    const char* longNames[] = {"",
                               "Partial solar eclipse",
                               "Total solar eclipse",
                               "Annular solar eclipse",
                               "Annular-total solar eclipse",
                               "Non central total solar eclipse",
                               "Non central annular solar eclipse",
                               ""};
    const char* shortNames[] = {
        "", "Partial", "Total", "Annular", "Annular - total", "Non central total", "Non central annular", ""};
    for (int code = 0; code <= 7; ++code) {
        EXPECT_EQ(EclipseTypeLongName(code), longNames[code]);
        EXPECT_EQ(EclipseTypeShortName(code), shortNames[code]);
    }
}

}  // namespace
}  // namespace zelto
