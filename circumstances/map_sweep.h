#pragma once

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

// The site map: ±2° of latitude and longitude around the site, at the site's height, with duration
// lines every 30 s, on a grid of 0.01° cells; every crossing of a cell side is the solver's own, so
// edges and lines stand within metres of the solver's. A sweep takes about a tenth of a second, which
// is why the window sweeps on a thread of its own.
inline constexpr double kSiteMapHalfSize = 2.0;
inline constexpr double kSiteMapCell = 0.01;
inline constexpr double kDurationLineStep = 30.0;
MapArea SiteMapArea(GeoPoint site);
PathMap SitePathMap(const EclipseRecord& eclipse, double deltaT, GeoPoint site, double height);

// A point of the map in pixels of a picture of width × height that shows `area` (x right, y down).
struct MapPixel {
    double x = 0;
    double y = 0;
};
MapPixel ToPixel(const MapArea& area, GeoPoint place, double width, double height);
GeoPoint ToPlace(const MapArea& area, MapPixel pixel, double width, double height);

}  // namespace zelto
