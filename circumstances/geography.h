#pragma once

#include <string>
#include <vector>

#include "circumstances/map_sweep.h"

// Coastlines, lakes, rivers and borders under a map, read from GSHHG's binned files (the files the
// Generic Mapping Tools draw coasts from; Debian ships them in gmt-gshhg-high and gmt-gshhg-low).
// Each file cuts the world into square bins; a bin holds line pieces whose points are 16-bit offsets
// from the bin's south-west corner. Only the bins under the map are read.

namespace zelto {

enum class GeographyKind { Coast, Lake, River, Border };

struct GeographyLine {
    GeographyKind kind = GeographyKind::Coast;
    int level = 0;  // the file's own level: shore 1 land … 6, river 0 … 10, border 1 … 3
    std::vector<GeoPoint> points;
};

// The three kinds of binned file: shores (coasts and lakes, level packed with the point count),
// rivers and borders (level and count each in a variable of their own).
enum class GshhgLayer { Shore, River, Border };

struct BinnedLines {
    bool read = false;
    std::string error;  // why nothing was read
    std::vector<GeographyLine> lines;
};

// The lines of one binned file that lie in bins touching `area`, as the file holds them (all levels).
// A file this program cannot read, or whose counts and offsets do not fit together, is refused whole.
BinnedLines ReadBinnedFile(const std::string& file, GshhgLayer layer, const MapArea& area);

// GSHHG's resolutions, finest first: high (about 0.2 km), intermediate (1 km), low (5 km), crude (25 km).
inline constexpr char kGshhgResolutions[] = {'h', 'i', 'l', 'c'};
// The coarsest resolution whose detail still shows at `degreesPerPixel`: a line's error stays
// under about a pixel.
char GshhgResolutionFor(double degreesPerPixel);
// "binned_GSHHS_h.nc", "binned_river_h.nc", "binned_border_h.nc".
std::string GshhgFileName(GshhgLayer layer, char resolution);

struct Geography {
    std::vector<GeographyLine> lines;  // only the levels a map draws
    char resolution = 0;               // the resolution read; 0 when nothing was
    std::string note;                  // empty when read; else what the map says instead
};

// The geography of `area` from the first of `folders` that holds the shore file of the resolution
// wanted (or, missing that, the nearest finer, then coarser, one installed). Kept: coasts, lake shores,
// islands in lakes, Antarctica's ice front; permanent rivers; national and internal borders.
Geography ReadGeography(const std::vector<std::string>& folders, const MapArea& area, double degreesPerPixel);

}  // namespace zelto
