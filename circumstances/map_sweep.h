#pragma once

#include <optional>
#include <string>
#include <vector>

#include "eclipse_data/catalog.h"

// Maps of one eclipse, swept by the local-circumstances solver over a grid of places: where the
// eclipse is total or annular (the path), its limits, lines of equal magnitude and lines of equal
// duration of the central phase. The result is plain geometry in degrees; a window only projects and
// paints it.

namespace zelto {

// A place in degrees, longitude west positive as everywhere in the program.
struct GeoPoint {
    double latitude = 0;
    double westLongitude = 0;
    bool operator==(const GeoPoint&) const = default;
};

// A rectangle of the Earth, equirectangular. Longitudes are west positive, so the left edge `west`
// holds the larger value: the whole world runs from west 180 (180° W) to east −180 (180° E).
struct MapArea {
    double south = -90;
    double north = 90;
    double west = 180;
    double east = -180;
};

struct MapSegment {
    GeoPoint from, to;
};

// The segments of one level of a field.
struct MapLine {
    double level = 0;
    std::vector<MapSegment> segments;
};

struct PathMap {
    MapArea area;
    // Polygons that together cover the places where the eclipse is total or annular at maximum with
    // the Sun above the horizon.
    std::vector<std::vector<GeoPoint>> band;
    MapLine limits;                       // the path's edges
    MapLine centreLine;                   // where the shadow axis passes overhead, inside the path
    std::vector<MapLine> magnitudeLines;  // at the levels asked for
    std::vector<MapLine> durationLines;   // seconds of the central phase, every durationStep
};

// What to sweep: the grid (cells across and down, samples at their corners), the observer's height
// used everywhere, the magnitude levels, and the step of the duration lines (0: none).
struct SweepRequest {
    MapArea area;
    int columns = 360;
    int rows = 180;
    double height = 0;
    std::vector<double> magnitudeLevels;
    double durationStep = 0;
};

// Samples the solver at every grid corner; where a line or the path's edge crosses a cell side, the
// crossing is found on that side by the solver itself, so lines and edges are exact at every grid
// line and straight only in between. Cells with the Sun below the horizon at any corner are left
// out: the path and the lines stop at the day's edge.
PathMap SweepPathMap(const EclipseRecord& eclipse, double deltaT, const SweepRequest& request);

// The world map: 1° cells, magnitude lines 0.2, 0.4, 0.6 and 0.8, at sea level.
inline constexpr double kWorldMagnitudeLevels[] = {0.2, 0.4, 0.6, 0.8};
PathMap WorldPathMap(const EclipseRecord& eclipse, double deltaT);

// A point in pixels of a picture, x right, y down.
struct MapPixel {
    double x = 0;
    double y = 0;
};

// The site map: a square view of ±halfSize degrees of latitude and longitude around its centre
// (±2° around the site when opened; the wheel zooms from ±0.25° to ±5°), at the site's height, with
// duration lines every 30 s, on a grid of kSiteMapCells cells across whatever the zoom. Every
// crossing of a cell side is the solver's own, so edges and lines stand within metres of the
// solver's at every grid line and are straight only across a cell (0.02° at ±2°).
inline constexpr double kSiteMapHalfSize = 2.0;
inline constexpr double kSiteMapMinHalfSize = 0.25;
inline constexpr double kSiteMapMaxHalfSize = 5.0;
inline constexpr int kSiteMapCells = 200;
inline constexpr double kDurationLineStep = 30.0;
// One wheel notch zooms by this factor: 13 notches from one end to the other.
inline constexpr double kSiteMapZoomStep = 1.25;

struct MapView {
    GeoPoint centre;
    double halfSize = kSiteMapHalfSize;
    bool operator==(const MapView&) const = default;
};
MapArea AreaOf(const MapView& view);
MapArea SiteMapArea(GeoPoint site);  // the view a site map opens with
// Zoomed in by `notches` (out when negative) about `anchor`, which keeps its place in the picture;
// the size stays within ±0.25° … ±5°.
MapView Zoomed(const MapView& view, double notches, GeoPoint anchor);
// Dragged on a picture of width × height pixels: the place under `from` comes under `to`. The centre
// stays off the poles by the half size and its longitude within ±180°.
MapView Dragged(const MapView& view, MapPixel from, MapPixel to, double width, double height);

PathMap SitePathMap(const EclipseRecord& eclipse, double deltaT, const MapView& view, double height);
PathMap SitePathMap(const EclipseRecord& eclipse, double deltaT, GeoPoint site, double height);

// A duration in the words of the map's labels: "45 s", "3 min", "3 min 30 s".
std::string DurationText(double seconds);

// Where the duration lines carry their values in `view`: the lines of whole minutes (every line when
// the view is ±1° or less), up to three labels a line, a third of the view apart, away from its edges,
// none on top of another nor on the site marker.
struct MapLabel {
    GeoPoint place;
    std::string text;
};
std::vector<MapLabel> DurationLabels(const PathMap& map, const MapArea& view, std::optional<GeoPoint> site = std::nullopt);

// A point of the map in pixels of a picture of width × height that shows `area` (x right, y down).
MapPixel ToPixel(const MapArea& area, GeoPoint place, double width, double height);
GeoPoint ToPlace(const MapArea& area, MapPixel pixel, double width, double height);

}  // namespace zelto
