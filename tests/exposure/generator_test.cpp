#include "exposure/generator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "circumstances/solver.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/eclipse_state.h"
#include "eclipse_data/julian.h"

namespace zelto {
namespace {

constexpr double kSecond = 1.0 / 86400.0;
constexpr double kMinute = 1.0 / 1440.0;

double UT(int h, int m, double s) {
    return CalendarToJD(2024, 4, 8, h, m, s);
}
std::string Text(double jd) {
    return JDText(jd, 1);
}

// Eclipse 51 at 25° N, 103.5° W, 800 m: C1 16:58:45, C2 18:16:17, Mx 18:17:51, C3 18:19:26,
// C4 19:40:26 UT, all above the horizon.
GeneratorInput ReferenceTotal() {
    GeneratorInput in;
    in.ContactJD = {UT(16, 58, 45), UT(18, 16, 17), UT(18, 17, 51), UT(18, 19, 26), UT(19, 40, 26)};
    in.VisibilityCode = VisibilityCode(in.ContactJD);
    in.Place.LocalType = 't';
    in.Eclipse = CatalogRecord(BuiltInCatalog(), 51);
    in.DeltaT = 69.2;
    return in;
}

// A total or annular site with its inner contacts at the given offsets (seconds) from C2.
GeneratorInput Central(char type, double mxAfterC2, double c3AfterC2) {
    GeneratorInput in = ReferenceTotal();
    const double c2 = in.ContactJD[kC2];
    in.ContactJD[kMx] = c2 + mxAfterC2 * kSecond;
    in.ContactJD[kC3] = c2 + c3AfterC2 * kSecond;
    in.Place.LocalType = type;
    return in;
}

std::vector<std::string> Column(const ExposureTable& table, int column) {
    std::vector<std::string> cells;
    for (const ExposureRow& row : table.Rows()) cells.push_back(row[static_cast<size_t>(column)]);
    return cells;
}

int CountPhasesStartingWith(const ExposureTable& table, const std::string& prefix) {
    int n = 0;
    for (const std::string& phase : Column(table, kColumnPhase)) n += phase.rfind(prefix, 0) == 0;
    return n;
}

int FindPhase(const ExposureTable& table, const std::string& phase) {
    for (int r = 0; r < table.RowCount(); ++r) {
        if (table.Row(r)[kColumnPhase] == phase) return r;
    }
    return -1;
}

std::string Marks(const ExposureRow& row) {
    std::string marks;
    for (int c = kColumnFirstShutter; c <= kColumnLastShutter; ++c)
        marks += row[static_cast<size_t>(c)].empty() ? '.' : 'x';
    return marks;
}

TEST(ExposureGenerator, GateAllowsOnlyTheSixVisibilityCodes) {
    EXPECT_EQ(VisibilityCode(ReferenceTotal().ContactJD), 31);
    for (int code = 0; code < 32; ++code) {
        GeneratorInput in = ReferenceTotal();
        in.VisibilityCode = code;
        ExposureTable table;
        table.SetCell(kColumnPhase, 7, "kept");
        const GeneratorResult result = CreateExposureTable(in, table);
        const bool allowed = code == 5 || code == 15 || code == 20 || code == 21 || code == 30 || code == 31;
        EXPECT_EQ(result.Created, allowed) << code;
        if (!allowed) {
            EXPECT_EQ(table.RowCount(), kNoTableRows) << code;
            EXPECT_EQ(*table.Cell(kColumnPhase, 7), "kept") << code;
            EXPECT_TRUE(result.StatusText.empty()) << code;
        }
    }
}

TEST(ExposureGenerator, ReferenceTotalLayout) {
    ExposureTable table;
    const GeneratorResult result = CreateExposureTable(ReferenceTotal(), table);
    ASSERT_TRUE(result.Created);
    EXPECT_EQ(
        result.StatusText,
        "Total eclipse here: C1 16:58:45.0, C2 18:16:17.0, Mx 18:17:51.0, C3 18:19:26.0, C4 19:40:26.0 UT");
    EXPECT_EQ(result.Heading, "Exposure Table for Total Eclipse: Totality at location is 189.0 sec (3:09.0)");

    // 16 partial rows (C2 − W lies 77.5 min before C2), 2 sounds, 17 beads, loop, 17 beads,
    // 2 sounds, 17 partial rows (C4 lies 81 min after C3).
    ASSERT_EQ(table.RowCount(), 72);
    struct Expect {
        int row;
        const char* kind;
        const char* phase;
        double jd;
        const char* marks;
    };
    const Expect expected[] = {
        {0, "", "before partial eclipse", UT(16, 56, 17), "...xxx..........."},
        {1, "", "beginning partial phase", UT(17, 1, 17), "...xxx..........."},
        {15, "", "beginning partial phase", UT(18, 11, 17), "...xxx..........."},
        {16, "WAV", "remove_filters.wav", UT(18, 15, 17), "................."},
        {17, "WAV", "remove_filters.wav", UT(18, 15, 27), "................."},
        {18, "", "Baily's beads (C2-8.0sec)", UT(18, 16, 9), "...x............."},
        {26, "", "C2: begin of total phase", UT(18, 16, 17), "...x............."},
        {27, "", "Baily's beads (C2+1.0sec)", UT(18, 16, 18), "...x............."},
        {34, "", "Baily's beads (C2+8.0sec)", UT(18, 16, 25), "...x............."},
        {35, "", "Loop during totality until", UT(18, 19, 18), "...xxxxxxxxxxxxx."},
        {36, "", "Baily's beads (C3-8.0sec)", UT(18, 19, 18), "...x............."},
        {44, "", "C3: end of total phase", UT(18, 19, 26), "...x............."},
        {52, "", "Baily's beads (C3+8.0sec)", UT(18, 19, 34), "...x............."},
        {53, "WAV", "attach_filters.wav", UT(18, 19, 44), "................."},
        {54, "WAV", "attach_filters.wav", UT(18, 19, 54), "................."},
        {55, "", "ending partial phase", UT(18, 24, 26), "...xxx..........."},
        {70, "", "ending partial phase", UT(19, 39, 26), "...xxx..........."},
        {71, "", "after partial eclipse", UT(19, 44, 26), "...xxx..........."},
    };
    for (const Expect& e : expected) {
        const ExposureRow& row = table.Row(e.row);
        EXPECT_EQ(row[kColumnKind], e.kind) << e.row;
        EXPECT_EQ(row[kColumnPhase], e.phase) << e.row;
        EXPECT_EQ(row[kColumnDateTime], Text(e.jd)) << e.row;
        EXPECT_EQ(Marks(row), e.marks) << e.row;
        const bool sound = std::string(e.kind) == "WAV";
        EXPECT_EQ(row[kColumnQuality], sound ? "" : "JPGLarFin") << e.row;
        EXPECT_EQ(row[kColumnISO], sound ? "" : "100") << e.row;
        EXPECT_EQ(row[kColumnAperture], sound ? "" : "f/4") << e.row;
    }
}

TEST(ExposureGenerator, OneMinuteIntervalPutsThePhotographBeforeTheFirstSound) {
    GeneratorInput in = ReferenceTotal();
    in.Options.PartialInterval = 1;
    ExposureTable table;
    CreateExposureTable(in, table);
    const int sound = FindPhase(table, "remove_filters.wav");
    ASSERT_EQ(sound, 78);  // 78 whole minutes reach past C1, 77.5 min before C2
    EXPECT_EQ(table.Row(sound - 1)[kColumnPhase], "beginning partial phase");
    EXPECT_EQ(table.Row(sound - 1)[kColumnDateTime], Text(in.ContactJD[kC2] - 60 * kSecond));
    EXPECT_EQ(table.Row(sound)[kColumnDateTime], Text(in.ContactJD[kC2] - 60 * kSecond));
}

TEST(ExposureGenerator, ShortTotalityLosesInnerBeadsAndContactRows) {
    struct Case {
        double mx, c3;  // seconds after C2
        int beadsC2, beadsC3;
        bool c2Row, c3Row;
    };
    const Case cases[] = {
        {94.0, 189.0, 17, 17, true, true},  // the reference totality keeps all rows
        {5.0, 10.0, 12, 12, true, true},    // C2 + 3 s and C3 − 3 s are the innermost beads
        {0.9, 1.8, 8, 8, false, false},     // about 2 s: no C2 or C3 row, 8 beads each side
        {0.5, 1.7, 8, 9, false, true},      // C3 more than 1 s after Mx keeps its row
    };
    for (const Case& c : cases) {
        const GeneratorInput in = Central('t', c.mx, c.c3);
        ExposureTable table;
        CreateExposureTable(in, table);
        const int beads = CountPhasesStartingWith(table, "Baily's beads");
        const int c2Row = FindPhase(table, "C2: begin of total phase");
        const int c3Row = FindPhase(table, "C3: end of total phase");
        EXPECT_EQ(beads + (c2Row >= 0) + (c3Row >= 0), c.beadsC2 + c.beadsC3) << c.mx;
        EXPECT_EQ(c2Row >= 0, c.c2Row) << c.mx;
        EXPECT_EQ(c3Row >= 0, c.c3Row) << c.mx;
        const int loop = FindPhase(table, "Loop during totality until");
        ASSERT_GE(loop, 0) << c.mx;
        EXPECT_EQ(table.Row(loop)[kColumnDateTime], Text(in.ContactJD[kC3] - 8 * kSecond)) << c.mx;
        // The attach-filters sounds follow the last C3 bead at C3 + 8 s.
        const int attach = FindPhase(table, "attach_filters.wav");
        EXPECT_EQ(table.Row(attach)[kColumnDateTime], Text(in.ContactJD[kC3] + 18 * kSecond)) << c.mx;
        EXPECT_EQ(table.Row(attach - 1)[kColumnPhase], "Baily's beads (C3+8.0sec)") << c.mx;
    }
    // The innermost rows of the 10 s totality.
    ExposureTable table;
    CreateExposureTable(Central('t', 5.0, 10.0), table);
    EXPECT_GE(FindPhase(table, "Baily's beads (C2+3.0sec)"), 0);
    EXPECT_LT(FindPhase(table, "Baily's beads (C2+4.0sec)"), 0);
    EXPECT_GE(FindPhase(table, "Baily's beads (C3-3.0sec)"), 0);
    EXPECT_LT(FindPhase(table, "Baily's beads (C3-4.0sec)"), 0);
}

TEST(ExposureGenerator, AnnularLayout) {
    struct Case {
        double mx, c3;  // seconds after C2
        int interval;
        int annularRows;
        const char* first;  // first annular-phase row
    };
    const Case cases[] = {
        {150, 300, 10, 29, "annular phase (Mx-140sec)"},     // ±140 s keep 9 s clear of C2 and C3
        {1500, 3000, 5, 401, "annular phase (Mx-1000sec)"},  // at most 200 intervals each side
        {5, 10, 10, 1, "Mx: maximum annular eclipse"},       // maximum written even next to C2
    };
    for (const Case& c : cases) {
        GeneratorInput in = Central('a', c.mx, c.c3);
        in.Options.AnnularInterval = c.interval;
        ExposureTable table;
        const GeneratorResult result = CreateExposureTable(in, table);
        EXPECT_EQ(result.Heading.value_or("").rfind(
                      "Exposure Table for Annular Eclipse: Annularity at location is ", 0),
                  0u);
        const int annular =
            CountPhasesStartingWith(table, "annular phase") + CountPhasesStartingWith(table, "Mx:");
        EXPECT_EQ(annular, c.annularRows) << c.mx;
        const int mx = FindPhase(table, "Mx: maximum annular eclipse");
        ASSERT_GE(mx, 0);
        EXPECT_EQ(table.Row(mx)[kColumnDateTime], Text(in.ContactJD[kMx]));
        EXPECT_EQ(Marks(table.Row(mx)), "...xxx...........");
        EXPECT_EQ(table.Row(mx - (c.annularRows - 1) / 2)[kColumnPhase], c.first) << c.mx;
        EXPECT_EQ(CountPhasesStartingWith(table, "remove_filters"), 0);
        EXPECT_EQ(CountPhasesStartingWith(table, "Loop"), 0);
    }
    // Broken-ring rows at R = 8 s around each contact and the last annular-phase row.
    GeneratorInput in = Central('a', 150, 300);
    ExposureTable table;
    CreateExposureTable(in, table);
    EXPECT_EQ(CountPhasesStartingWith(table, "broken ring"), 32);
    const int c2 = FindPhase(table, "C2: begin of annular phase");
    ASSERT_GE(c2, 0);
    EXPECT_EQ(table.Row(c2 - 8)[kColumnPhase], "broken ring (C2-8.0sec)");
    EXPECT_EQ(Marks(table.Row(c2)), ".....x...........");
    EXPECT_EQ(table.Row(c2 + 8)[kColumnPhase], "broken ring (C2+8.0sec)");
    EXPECT_EQ(table.Row(c2 + 9)[kColumnPhase], "annular phase (Mx-140sec)");
    EXPECT_EQ(table.Row(c2 + 9 + 28)[kColumnPhase], "annular phase (Mx+140sec)");
    EXPECT_EQ(table.Row(c2 + 9 + 28)[kColumnDateTime], Text(in.ContactJD[kMx] + 140 * kSecond));
    EXPECT_EQ(table.Row(c2 + 9 + 29)[kColumnPhase], "broken ring (C3-8.0sec)");
    EXPECT_EQ(table.Row(c2 + 9 + 29 + 8)[kColumnPhase], "C3: end of annular phase");
}

TEST(ExposureGenerator, PartialLayoutOnAGridAroundMaximum) {
    GeneratorInput in = ReferenceTotal();
    const double mx = in.ContactJD[kMx];
    in.ContactJD = {mx - 52 * kMinute, 0, mx, 0, mx + 47 * kMinute};
    in.VisibilityCode = VisibilityCode(in.ContactJD);
    in.Place.LocalType = 'p';
    ASSERT_EQ(in.VisibilityCode, 21);
    ExposureTable table;
    const GeneratorResult result = CreateExposureTable(in, table);
    EXPECT_FALSE(result.Heading.has_value());
    ASSERT_EQ(table.RowCount(), 22);  // Mx − 55 min to Mx + 50 min
    EXPECT_EQ(table.Row(0)[kColumnPhase], "before partial eclipse");
    EXPECT_EQ(table.Row(0)[kColumnDateTime], Text(mx - 55 * kMinute));
    EXPECT_EQ(table.Row(1)[kColumnPhase], "beginning partial phase");
    EXPECT_EQ(table.Row(11)[kColumnPhase], "maximum partial eclipse");
    EXPECT_EQ(table.Row(11)[kColumnDateTime], Text(mx));
    EXPECT_EQ(table.Row(12)[kColumnPhase], "ending partial phase");
    EXPECT_EQ(table.Row(20)[kColumnPhase], "ending partial phase");
    EXPECT_EQ(table.Row(21)[kColumnPhase], "after partial eclipse");
    EXPECT_EQ(table.Row(21)[kColumnDateTime], Text(mx + 50 * kMinute));
}

// Eclipse 51's elements with a site on the equator whose hour angle is −90° (sunrise) or +90°
// (sunset) at hour t of the elements, so the Sun's geometric altitude is zero there.
SitePlace EquatorSiteWithHorizonAt(double t, bool sunrise, double deltaT) {
    const EclipseRecord& e = CatalogRecord(BuiltInCatalog(), 51);
    const double degree = std::numbers::pi / 180;
    SitePlace place;
    place.Latitude = 0;
    const double mu = (e.Mu[0] + e.Mu[1] * t) * degree;
    place.Longitude = mu - 0.00417807 * deltaT * degree - (sunrise ? -90 : 90) * degree;
    return place;
}

double ElementTimeJD(double t, double deltaT) {
    return CalendarToJD(2024, 4, 8, 18 + t, 0, -deltaT);
}

TEST(ExposureGenerator, HorizonSearchStopsOneStepPastTheHorizon) {
    const EclipseRecord& e = CatalogRecord(BuiltInCatalog(), 51);
    const double step = 1.0 / 1440;
    const double sunrise = HorizonSearch(e, EquatorSiteWithHorizonAt(-0.3, true, 69.2), 69.2, 0.1, false);
    EXPECT_LE(sunrise, -0.3 - step + 1e-9);
    EXPECT_GT(sunrise, -0.3 - 2 * step - 1e-9);
    const double sunset = HorizonSearch(e, EquatorSiteWithHorizonAt(0.5, false, 69.2), 69.2, 0.1, true);
    EXPECT_GE(sunset, 0.5 + step - 1e-9);
    EXPECT_LT(sunset, 0.5 + 2 * step + 1e-9);
    // A Sun that never sets ends the search a day away instead of running forever.
    SitePlace pole;
    pole.Latitude = std::numbers::pi / 2;
    EXPECT_NEAR(HorizonSearch(e, pole, 69.2, 0.1, true), 24.1, 1e-6);
}

TEST(ExposureGenerator, PartialEclipseAtSunriseAndSunset) {
    const double deltaT = 69.2;
    const double mxTime = 0.1;  // hours of the elements
    const double mx = ElementTimeJD(mxTime, deltaT);
    struct Case {
        bool sunrise;
        double horizon;
        std::array<double, 5> jd;
        int code;
    };
    const Case cases[] = {
        // Sunrise 24 min before Mx: first row at Mx − 25 min.
        {true, mxTime - 0.4, {0, 0, mx, 0, mx + 40.5 * kMinute}, 5},
        // Sunset 24 min after Mx: last row at Mx + 25 min.
        {false, mxTime + 0.4, {mx - 40.5 * kMinute, 0, mx, 0, 0}, 20},
    };
    for (const Case& c : cases) {
        GeneratorInput in = ReferenceTotal();
        in.DeltaT = deltaT;
        in.Place = EquatorSiteWithHorizonAt(c.horizon, c.sunrise, deltaT);
        in.Place.LocalType = 'p';
        in.Place.ContactTime[kMx] = mxTime;
        in.ContactJD = c.jd;
        in.VisibilityCode = VisibilityCode(c.jd);
        ASSERT_EQ(in.VisibilityCode, c.code);
        ExposureTable table;
        ASSERT_TRUE(CreateExposureTable(in, table).Created);
        if (c.sunrise) {
            EXPECT_EQ(table.Row(0)[kColumnPhase], "before partial eclipse");
            EXPECT_EQ(table.Row(0)[kColumnDateTime], Text(mx - 25 * kMinute));
            EXPECT_EQ(table.Row(1)[kColumnPhase], "beginning partial phase");
            EXPECT_EQ(table.Row(table.RowCount() - 1)[kColumnDateTime], Text(mx + 45 * kMinute));
        } else {
            const ExposureRow& last = table.Row(table.RowCount() - 1);
            EXPECT_EQ(last[kColumnPhase], "after partial eclipse");
            EXPECT_EQ(last[kColumnDateTime], Text(mx + 25 * kMinute));
            EXPECT_EQ(table.Row(table.RowCount() - 2)[kColumnPhase], "ending partial phase");
            EXPECT_EQ(table.Row(0)[kColumnDateTime], Text(mx - 45 * kMinute));
        }
    }
}

TEST(ExposureGenerator, SunriseOverThePacificFromTheSolver) {
    // Eclipse 51 at 5° N, 155° W: C1 16:00:04 UT with the Sun 4.7° below the horizon, Mx 16:51:44.5
    // at 8.1° above it. The altitude climbs 12.8° in those 51.7 minutes, so the Sun rises near
    // 16:19 UT, between the grid instants Mx − 35 min and Mx − 30 min.
    GeneratorInput in = ReferenceTotal();
    in.Place.Latitude = 5 * std::numbers::pi / 180;
    in.Place.Longitude = 155 * std::numbers::pi / 180;
    ComputeLocalCircumstances(in.Eclipse, in.DeltaT, in.Place);
    ASSERT_EQ(in.Place.LocalType, 'p');
    in.ContactJD = {};
    for (int slot : {kC1, kMx, kC4}) {
        if (in.Place.SolarAltitude[slot] > 0) {
            const double jd = SolverTimeToJD(in.Eclipse, in.Place.ContactTime[slot], in.DeltaT);
            in.ContactJD[slot] = std::floor(jd * 864000 + 0.5) / 864000;
        }
    }
    in.VisibilityCode = VisibilityCode(in.ContactJD);
    ASSERT_EQ(in.VisibilityCode, 5);
    ExposureTable table;
    ASSERT_TRUE(CreateExposureTable(in, table).Created);
    EXPECT_EQ(table.Row(0)[kColumnPhase], "before partial eclipse");
    EXPECT_EQ(table.Row(0)[kColumnDateTime], "2024-04-08 16:16:44.5");
    EXPECT_EQ(table.Row(1)[kColumnPhase], "beginning partial phase");
    EXPECT_EQ(table.Row(7)[kColumnPhase], "maximum partial eclipse");
    EXPECT_EQ(table.Row(7)[kColumnDateTime], "2024-04-08 16:51:44.5");
}

TEST(ExposureGenerator, TotalityAtSunsetEndsOnTheSearchedHorizon) {
    const double deltaT = 69.2;
    GeneratorInput in = ReferenceTotal();
    in.DeltaT = deltaT;
    in.Place = EquatorSiteWithHorizonAt(0.5, false, deltaT);  // sunset at t = 0.5 h
    in.Place.LocalType = 't';
    in.Place.ContactTime[kC3] = 0.2;
    const double c3 = ElementTimeJD(0.2, deltaT);
    in.ContactJD = {c3 - 80 * kMinute, c3 - 120 * kSecond, c3 - 60 * kSecond, c3, 0};
    in.VisibilityCode = VisibilityCode(in.ContactJD);
    ASSERT_EQ(in.VisibilityCode, 30);
    ExposureTable table;
    CreateExposureTable(in, table);
    const ExposureRow& last = table.Row(table.RowCount() - 1);
    EXPECT_EQ(last[kColumnPhase], "after partial eclipse");
    EXPECT_EQ(last[kColumnDateTime], Text(c3 + 20 * kMinute));  // sunset 18 min after C3
    EXPECT_EQ(table.Row(table.RowCount() - 2)[kColumnPhase], "ending partial phase");
}

TEST(ExposureGenerator, OptionsAreReadAtEachCreate) {
    GeneratorInput in = ReferenceTotal();
    ExposureTable table;
    CreateExposureTable(in, table);
    const int loop = FindPhase(table, "Loop during totality until");
    EXPECT_EQ(Marks(table.Row(loop)), "...xxxxxxxxxxxxx.");
    in.Options.MaxExposure = 8;
    in.Options.BeadsSpan = 6;
    CreateExposureTable(in, table);
    EXPECT_EQ(Marks(table.Row(FindPhase(table, "Loop during totality until"))), "...xxxxxxxxxxxxxx");
    EXPECT_EQ(CountPhasesStartingWith(table, "Baily's beads"), 24);
    EXPECT_EQ(table.Row(FindPhase(table, "Loop during totality until"))[kColumnDateTime],
              Text(in.ContactJD[kC3] - 6 * kSecond));
}

TEST(ExposureGenerator, EmptyCameraDefaultLeavesItsCellsEmpty) {
    GeneratorInput in = ReferenceTotal();
    in.Defaults = {"RAW", "", "f/8"};
    ExposureTable table;
    ASSERT_TRUE(CreateExposureTable(in, table).Created);
    for (const ExposureRow& row : table.Rows()) {
        if (row[kColumnKind] == "WAV") continue;
        EXPECT_EQ(row[kColumnQuality], "RAW");
        EXPECT_EQ(row[kColumnISO], "");
        EXPECT_EQ(row[kColumnAperture], "f/8");
    }
}

TEST(ExposureGenerator, OptionsOutsideTheWindowsChoicesCannotHang) {
    GeneratorInput reference = ReferenceTotal();
    reference.Options.PartialInterval = 0;
    reference.Options.AnnularInterval = 0;
    ExposureTable referenceTable;
    CreateExposureTable(reference, referenceTable);
    EXPECT_EQ(referenceTable.RowCount(), 72);  // as with the 5-minute start choice

    for (const int odd : {0, -7, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
        SCOPED_TRACE(odd);
        for (const char type : {'t', 'a'}) {
            GeneratorInput in = Central(type, 94, 189);
            in.Options = {odd, odd, odd, odd, odd};
            ExposureTable table;
            EXPECT_TRUE(CreateExposureTable(in, table).Created);
            in.Options = {};  // the start choices where these lie beyond what the window offers
            in.Options.BeadsSpan = odd >= 0 && odd <= 10 ? odd : kBeadsSpanWhenNone;
            in.Options.BrokenRingSpan = odd >= 0 && odd <= 10 ? odd : kBrokenRingSpanWhenNone;
            ExposureTable expected;
            CreateExposureTable(in, expected);
            EXPECT_EQ(table, expected);
        }
    }
    // A camera name the file could not carry leaves its cell empty, as an empty list does.
    GeneratorInput in = ReferenceTotal();
    in.Defaults.ISO = "100,200";
    ExposureTable table;
    CreateExposureTable(in, table);
    EXPECT_EQ(table.Row(0)[kColumnISO], "");
    EXPECT_EQ(table.Row(0)[kColumnQuality], "JPGLarFin");
    // Contacts no solver gives build no table.
    for (const double odd : {std::nan(""), 1e300, -1e300, CalendarToJD(10000, 1, 1, 0, 0, 1)}) {
        in = ReferenceTotal();
        in.ContactJD[kC1] = odd;
        EXPECT_FALSE(CreateExposureTable(in, table).Created) << odd;
    }
    // Contacts far apart make at most a day of rows on either side.
    in = ReferenceTotal();
    in.ContactJD[kC1] = CalendarToJD(1, 1, 1, 0, 0, 0);
    in.ContactJD[kC4] = CalendarToJD(9999, 1, 1, 0, 0, 0);
    ASSERT_TRUE(CreateExposureTable(in, table).Created);
    EXPECT_LT(table.RowCount(), 2 * 24 * 12 + 60);
}

TEST(TableHeaderText, DurationAndMinutesSeconds) {
    const double c2 = UT(18, 16, 17);
    struct Case {
        char type;
        double seconds;
        const char* text;
    };
    const Case cases[] = {
        {'t', 161.3, "Exposure Table for Total Eclipse: Totality at location is 161.3 sec (2:41.3)"},
        {'t', 41.3, "Exposure Table for Total Eclipse: Totality at location is 41.3 sec (0:41.3)"},
        {'t', 5.5, "Exposure Table for Total Eclipse: Totality at location is 5.5 sec (0:05.5)"},
        {'a', 600.0, "Exposure Table for Annular Eclipse: Annularity at location is 600.0 sec (10:00.0)"},
        {'a', 0.0, "Exposure Table for Annular Eclipse: Annularity at location is 0.0 sec (0:00.0)"},
    };
    for (const Case& c : cases) EXPECT_EQ(TableHeaderText(c.type, c2, c2 + c.seconds * kSecond), c.text);
}

TEST(Generator, NoTableReasonSaysWhatIsOutOfView) {
    const struct {
        char type;
        int code;  // 16·C1 + 8·C2 + 4·Mx + 2·C3 + C4 in view
        const char* reason;
    } cases[] = {
        {'t', 31, ""},
        {'p', 20, ""},
        {'-', 0, "There is no eclipse at this site."},
        {'p', 0, "The Sun is below the horizon during the whole eclipse at this site."},
        {'p', 16, "The Sun is below the horizon at maximum eclipse here; a table needs maximum in view."},
        {'t', 17, "Totality is not all above the horizon here; a table needs C2, maximum and C3 in view."},
        {'a', 28, "Annularity is not all above the horizon here; a table needs C2, maximum and C3 in view."},
        {'p', 4,
         "A table needs maximum and first or last contact in view; here the Sun is below the horizon at "
         "both."},
    };
    for (const auto& c : cases) EXPECT_EQ(NoTableReason(c.type, c.code), c.reason) << c.type << c.code;
}

}  // namespace
}  // namespace zelto
