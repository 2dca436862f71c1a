#include "circumstances/map_sweep.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "eclipse51_path.h"

namespace zelto {
namespace {

using namespace eclipse51;

// Whether any piece of the band covers the place (even-odd rule per piece).
bool Covers(const PathMap& map, GeoPoint p) {
    for (const auto& piece : map.band) {
        bool inside = false;
        for (size_t i = 0, j = piece.size() - 1; i < piece.size(); j = i++) {
            const GeoPoint a = piece[i], b = piece[j];
            if ((a.latitude > p.latitude) != (b.latitude > p.latitude) &&
                p.westLongitude < a.westLongitude + (p.latitude - a.latitude) * (b.westLongitude - a.westLongitude) /
                                                        (b.latitude - a.latitude))
                inside = !inside;
        }
        if (inside) return true;
    }
    return false;
}

// The latitudes at which a line crosses a meridian.
std::vector<double> Crossings(const MapLine& line, double west) {
    std::vector<double> found;
    for (const MapSegment& s : line.segments) {
        if ((s.from.westLongitude > west) == (s.to.westLongitude > west)) continue;
        const double f = (west - s.from.westLongitude) / (s.to.westLongitude - s.from.westLongitude);
        found.push_back(s.from.latitude + f * (s.to.latitude - s.from.latitude));
    }
    return found;
}

double Nearest(const std::vector<double>& values, double to) {
    double best = NAN;
    for (double v : values) {
        if (std::isnan(best) || std::fabs(v - to) < std::fabs(best - to)) best = v;
    }
    return best;
}

// The shaded path and its lines at known points of eclipse 51 on the world map (1° cells) and on
// the site map around NASA's greatest-eclipse point (0.04° cells).
TEST(MapSweep, Eclipse51PathAndLinesStandWhereTheSolverPutsThem) {
    const double limit = NorthernLimit(kCentralWest);
    const GeoPoint central{kCentralLatitude, kCentralWest};
    const GeoPoint outside{limit + 10 / kKmPerDegreeLatitude, kCentralWest};  // 10 km north of the limit
    const GeoPoint justInside{limit - 1 / kKmPerDegreeLatitude, kCentralWest};
    const PathMap world = WorldPathMap(Record(), kDeltaT);
    const PathMap site = SitePathMap(Record(), kDeltaT, central, 0);

    for (const PathMap* map : {&world, &site}) {
        const bool isWorld = map == &world;
        EXPECT_TRUE(Covers(*map, central)) << isWorld;
        EXPECT_FALSE(Covers(*map, outside)) << isWorld;
        // The drawn limit crosses the meridian within 1 km of the solver's limit on the world map
        // (straight between its 1° grid lines), within 100 m on the site map.
        const double toleranceKm = isWorld ? 1 : 0.1;
        EXPECT_NEAR(Nearest(Crossings(map->limits, kCentralWest), limit), limit, toleranceKm / kKmPerDegreeLatitude) << isWorld;
    }
    // At the site map's scale a place 1 km inside the limit is still shaded.
    EXPECT_TRUE(Covers(site, justInside));

    // Magnitude 0.5 north of the path lies between the 0.4 and 0.6 lines, each within 1 km of where
    // the solver has those magnitudes.
    ASSERT_EQ(world.magnitudeLines.size(), 4u);
    const double half = NorthernMagnitude(kCentralWest, 0.5);
    for (const auto& [index, level] : {std::pair{1, 0.4}, std::pair{2, 0.6}}) {
        EXPECT_DOUBLE_EQ(world.magnitudeLines[static_cast<size_t>(index)].level, level);
        const double drawn = Nearest(Crossings(world.magnitudeLines[static_cast<size_t>(index)], kCentralWest), half);
        EXPECT_NEAR(drawn, NorthernMagnitude(kCentralWest, level), 1 / kKmPerDegreeLatitude) << level;
        EXPECT_EQ(drawn > half, level < 0.5) << level;
    }

    // Duration lines every 30 s up to the 268 s on the central line; the 60-s line north of the
    // central line stands where the solver has 60 s.
    ASSERT_EQ(site.durationLines.size(), 8u);
    EXPECT_DOUBLE_EQ(site.durationLines.back().level, 240);
    const double sixty = NorthernDuration(kCentralWest, 60);
    EXPECT_NEAR(Nearest(Crossings(site.durationLines[1], kCentralWest), sixty), sixty, 0.1 / kKmPerDegreeLatitude);
}

TEST(MapSweep, PixelsAndPlacesMapBothWays) {
    const MapArea world;  // 180° W at the left, 90° N at the top
    struct Case {
        GeoPoint place;
        double x, y;
    };
    const Case cases[] = {{{0, 0}, 180, 90}, {{90, 180}, 0, 0}, {{-45, -90}, 270, 135}, {{25, 103.5}, 76.5, 65}};
    for (const Case& c : cases) {
        const MapPixel pixel = ToPixel(world, c.place, 360, 180);
        EXPECT_DOUBLE_EQ(pixel.x, c.x);
        EXPECT_DOUBLE_EQ(pixel.y, c.y);
        const GeoPoint back = ToPlace(world, pixel, 360, 180);
        EXPECT_DOUBLE_EQ(back.latitude, c.place.latitude);
        EXPECT_DOUBLE_EQ(back.westLongitude, c.place.westLongitude);
    }
    const MapArea site = SiteMapArea({25, 103.5});
    EXPECT_EQ((std::vector<double>{site.south, site.north, site.west, site.east}), (std::vector<double>{23, 27, 105.5, 101.5}));
}

}  // namespace
}  // namespace zelto
