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

    // The centre line passes NASA's point of greatest eclipse (given to 0.01°) and stays in the path.
    EXPECT_NEAR(Nearest(Crossings(site.centreLine, kCentralWest), kCentralLatitude), kCentralLatitude, 0.015);
    EXPECT_TRUE(Crossings(site.centreLine, kCentralWest + 3).empty());  // the view ends 2° west of the site
    EXPECT_TRUE(world.centreLine.segments.empty());
}

// The site map's view: the wheel zooms about the pointer within ±0.25° … ±5°, a drag moves the map
// with the pointer, the centre keeps off the poles and within ±180°.
TEST(MapSweep, SiteMapViewZoomsAboutThePointerAndFollowsADrag) {
    const MapView home{{25, 104}, 2};
    struct Case {
        const char* what;
        MapView got, expected;
    };
    const Case cases[] = {
        {"one notch in about the centre", Zoomed(home, 1, {25, 104}), {{25, 104}, 1.6}},
        {"one notch in about a point NW", Zoomed(home, 1, {26, 105}), {{25.2, 104.2}, 1.6}},
        {"one notch out", Zoomed(home, -1, {25, 104}), {{25, 104}, 2.5}},
        {"no closer than ±0.25°", Zoomed(home, 20, {25, 104}), {{25, 104}, 0.25}},
        {"no farther than ±5°", Zoomed(home, -20, {25, 104}), {{25, 104}, 5}},
        {"dragged 50 px right and up on 400 px", Dragged(home, {100, 100}, {150, 50}, 400, 400), {{24.5, 104.5}, 2}},
        {"off the pole", Dragged({{84, 0}, 5}, {0, 0}, {0, 100}, 400, 400), {{85, 0}, 5}},
        {"across 180°", Dragged({{0, 179.5}, 2}, {0, 0}, {100, 0}, 400, 400), {{0, -179.5}, 2}},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(c.got.centre.latitude, c.expected.centre.latitude, 1e-9) << c.what;
        EXPECT_NEAR(c.got.centre.westLongitude, c.expected.centre.westLongitude, 1e-9) << c.what;
        EXPECT_NEAR(c.got.halfSize, c.expected.halfSize, 1e-9) << c.what;
    }
    // The pointer's place keeps its pixel as the view zooms.
    const MapPixel before = ToPixel(AreaOf(home), {26, 105}, 560, 560);
    const MapPixel after = ToPixel(AreaOf(cases[1].got), {26, 105}, 560, 560);
    EXPECT_NEAR(after.x, before.x, 1e-9);
    EXPECT_NEAR(after.y, before.y, 1e-9);
}

// Duration lines carry their values: every minute at ±2°, every line at ±1°, each label standing
// where the solver has that much totality.
TEST(MapSweep, DurationLabelsSayTheirLinesValues) {
    const std::pair<double, const char*> texts[] = {{30, "30 s"}, {60, "1 min"}, {180, "3 min"}, {210, "3 min 30 s"}, {240, "4 min"}};
    for (const auto& [seconds, text] : texts) EXPECT_EQ(DurationText(seconds), text) << seconds;

    for (const double halfSize : {2.0, 1.0}) {
        const MapView view{{kCentralLatitude, kCentralWest}, halfSize};
        const PathMap map = SitePathMap(Record(), kDeltaT, view, 0);
        const std::vector<MapLabel> labels = DurationLabels(map, AreaOf(view));
        std::vector<std::string> said;
        for (const MapLabel& label : labels) {
            if (said.empty() || said.back() != label.text) said.push_back(label.text);
            const double seconds = CentralSeconds(Solve(label.place.latitude, label.place.westLongitude));
            EXPECT_EQ(DurationText(std::round(seconds / 30) * 30), label.text) << seconds;
            EXPECT_NEAR(std::fabs(std::remainder(seconds, 30.0)), 0, 1.0) << label.text;
        }
        if (halfSize == 2.0) {
            EXPECT_EQ(said, (std::vector<std::string>{"1 min", "2 min", "3 min", "4 min"}));
        } else {
            EXPECT_EQ(said.front(), "30 s");
            EXPECT_EQ(said.size(), 8u);
        }
    }

    // Around the program's default site a line passes under the site marker; its label goes
    // elsewhere (a label is about 60 px wide and 14 px high on the 560-px map).
    const MapView home{{25, 103.5}, 2};
    for (const MapLabel& label : DurationLabels(SitePathMap(Record(), kDeltaT, home, 0), AreaOf(home), home.centre)) {
        EXPECT_FALSE(std::fabs(label.place.latitude - 25) < 0.1 && std::fabs(label.place.westLongitude - 103.5) < 0.3) << label.text;
    }
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
