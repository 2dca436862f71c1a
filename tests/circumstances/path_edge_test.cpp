#include "circumstances/path_edge.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "eclipse51_path.h"

namespace zelto {
namespace {

using namespace eclipse51;

// A place `km` from the northern limit across the path (positive: outside), the limit's direction
// taken from the solver's limits on two meridians 0.1° apart.
GeoPoint AcrossNorthernLimit(double km) {
    const double kmPerDegreeWest = 111.32 * std::cos(26.3 * std::numbers::pi / 180);
    const double a = NorthernLimit(kCentralWest), b = NorthernLimit(kCentralWest - 0.1);
    // Along the limit: (east, north) in km; its outward normal turns it a quarter left.
    const double east = 0.1 * kmPerDegreeWest, north = (b - a) * kKmPerDegreeLatitude;
    const double length = std::hypot(east, north);
    const double normalEast = -north / length, normalNorth = east / length;
    return {a + km * normalNorth / kKmPerDegreeLatitude, kCentralWest - km * normalEast / kmPerDegreeWest};
}

TEST(PathEdge, NearestLimitAndWarningAcrossThePath) {
    struct Case {
        const char* name;
        GeoPoint site;
        bool inside;
        double distanceKm, toleranceKm;
        bool warned;
    };
    const Case cases[] = {
        // NASA's path is 197.5 km wide at greatest eclipse: the limit lies half of that away.
        {"central line", {kCentralLatitude, kCentralWest}, true, 197.5 / 2, 1.5, false},
        {"1 km inside", AcrossNorthernLimit(-1), true, 1, 0.05, true},
        {"2 km outside", AcrossNorthernLimit(2), false, 2, 0.05, true},
        {"5 km outside", AcrossNorthernLimit(5), false, 5, 0.05, false},
    };
    for (const Case& c : cases) {
        const SitePlace place = Solve(c.site.latitude, c.site.westLongitude);
        const PathLimit limit = NearestPathLimit(Record(), kDeltaT, place);
        ASSERT_TRUE(limit.found) << c.name;
        EXPECT_EQ(limit.inside, c.inside) << c.name;
        EXPECT_NEAR(limit.distanceKm, c.distanceKm, c.toleranceKm) << c.name;
        const EdgeWarning warning = NearEdgeWarning(place, limit);
        EXPECT_EQ(warning.shown, c.warned) << c.name;
        if (c.warned) {
            EXPECT_NE(warning.text.find(LimitText(limit)), std::string::npos) << warning.text;
            EXPECT_NE(warning.text.find("northern limit"), std::string::npos) << warning.text;
            EXPECT_NE(warning.text.find("off by tens of seconds"), std::string::npos) << warning.text;
        }
    }
    // A short totality is named with the distance (here 20 s, under 300 m inside the limit).
    const SitePlace brief = Solve(NorthernDuration(kCentralWest, 20), kCentralWest);
    const EdgeWarning warning = NearEdgeWarning(brief, NearestPathLimit(Record(), kDeltaT, brief));
    EXPECT_TRUE(warning.shown);
    EXPECT_NE(warning.text.find("totality 20.0 s"), std::string::npos) << warning.text;
}

}  // namespace
}  // namespace zelto
