#include "circumstances/geography.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#ifdef ZELTO_HAVE_NETCDF
#include <netcdf.h>
#endif

#include "platform/system_locations.h"

namespace zelto {
namespace {

namespace fs = std::filesystem;

// A piece of line in a bin as a binned file stores it: offsets 0 … 65535 across the 2° bin.
struct Piece {
    int level;
    std::vector<std::pair<int, int>> offsets;  // east, north
};
struct Bin {
    int row, column;  // row 0 at the north pole, column 0 at Greenwich
    std::vector<Piece> pieces;
};

#ifdef ZELTO_HAVE_NETCDF
// Writes a binned file of 2° bins the way GSHHG lays one out, with a point offset made wrong on request.
void WriteBinned(const fs::path& file, GshhgLayer layer, const std::vector<Bin>& bins, int badFirstPoint = -1) {
    constexpr int kAcross = 180, kDown = 90;
    std::vector<int> firstSegment(kAcross * kDown, 0);
    std::vector<short> segmentCount(kAcross * kDown, 0);
    std::vector<int> firstPoint, packed, count, level;
    std::vector<short> dx, dy;
    for (const Bin& bin : bins) {
        const int index = bin.row * kAcross + bin.column;
        firstSegment[static_cast<size_t>(index)] = static_cast<int>(firstPoint.size());
        segmentCount[static_cast<size_t>(index)] = static_cast<short>(bin.pieces.size());
        for (const Piece& piece : bin.pieces) {
            firstPoint.push_back(static_cast<int>(dx.size()));
            const int n = static_cast<int>(piece.offsets.size());
            packed.push_back(n << 9 | piece.level << 6 | 4 << 3 | 4);  // count, level, sides 4: inside
            count.push_back(n);
            level.push_back(piece.level);
            for (auto [east, north] : piece.offsets) {
                dx.push_back(static_cast<short>(static_cast<uint16_t>(east)));
                dy.push_back(static_cast<short>(static_cast<uint16_t>(north)));
            }
        }
    }
    if (badFirstPoint >= 0) firstPoint[static_cast<size_t>(badFirstPoint)] = static_cast<int>(dx.size());
    int nc = 0;
    ASSERT_EQ(nc_create(file.c_str(), NC_CLOBBER | NC_NETCDF4, &nc), NC_NOERR);
    const auto dim = [nc](const char* name, size_t length) {
        int id = 0;
        nc_def_dim(nc, name, length, &id);
        return id;
    };
    const int scalar = dim("Dimension_of_scalar", 1), binDim = dim("Dimension_of_bin_arrays", firstSegment.size()),
              segDim = dim("Dimension_of_segment_arrays", firstPoint.size()), pointDim = dim("Dimension_of_point_arrays", dx.size());
    const auto define = [nc](const char* name, nc_type type, int d) {
        int id = 0;
        nc_def_var(nc, name, type, 1, &d, &id);
        return id;
    };
    struct IntVar {
        const char* name;
        int dimension;
        std::vector<int> values;
    };
    std::vector<IntVar> ints = {{"Bin_size_in_minutes", scalar, {120}},
                                {"N_bins_in_360_longitude_range", scalar, {kAcross}},
                                {"N_bins_in_180_degree_latitude_range", scalar, {kDown}},
                                {"Id_of_first_segment_in_a_bin", binDim, firstSegment},
                                {"Id_of_first_point_in_a_segment", segDim, firstPoint}};
    std::vector<std::pair<const char*, std::vector<short>>> shorts = {{"N_segments_in_a_bin", segmentCount}};
    if (layer == GshhgLayer::Shore) {
        ints.push_back({"Embedded_npts_levels_exit_entry_for_a_segment", segDim, packed});
    } else {
        shorts.push_back({"N_points_for_a_segment", std::vector<short>(count.begin(), count.end())});
        shorts.push_back({"Hierarchial_level_of_a_segment", std::vector<short>(level.begin(), level.end())});
    }
    std::vector<int> intIds, shortIds;
    for (const IntVar& v : ints) intIds.push_back(define(v.name, NC_INT, v.dimension));
    for (const auto& [name, values] : shorts) shortIds.push_back(define(name, NC_SHORT, values.size() == firstSegment.size() ? binDim : segDim));
    const int dxId = define("Relative_longitude_from_SW_corner_of_bin", NC_SHORT, pointDim);
    const int dyId = define("Relative_latitude_from_SW_corner_of_bin", NC_SHORT, pointDim);
    nc_enddef(nc);
    for (size_t i = 0; i < ints.size(); ++i) nc_put_var_int(nc, intIds[i], ints[i].values.data());
    for (size_t i = 0; i < shorts.size(); ++i) nc_put_var_short(nc, shortIds[i], shorts[i].second.data());
    nc_put_var_short(nc, dxId, dx.data());
    nc_put_var_short(nc, dyId, dy.data());
    ASSERT_EQ(nc_close(nc), NC_NOERR);
}
#endif

// The bin 24° … 26° N, 104° … 102° W (row 32, column 128) and the bin 2° W … 0° on the equator's
// north side (row 44, column 179), as shores, rivers and borders hold them; what a map of an area
// gets back, in degrees worked out from the bins' corners.
TEST(Geography, BinnedFilesReadBackAsLinesInDegrees) {
#ifndef ZELTO_HAVE_NETCDF
    GTEST_SKIP() << "built without netCDF: the coastline files cannot be read";
#else
    const fs::path folder = fs::path(::testing::TempDir()) / "zelto_geography_test";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const Bin mexico{32, 128, {{1, {{0, 0}, {65535, 32767}, {32767, 65535}}}, {2, {{65535, 65535}, {0, 65535}}}, {6, {{0, 1}, {1, 0}}}}};
    const Bin greenwich{44, 179, {{1, {{32767, 0}, {65535, 65535}}}}};
    const Bin river{32, 128, {{2, {{0, 32767}, {65535, 32767}}}, {7, {{0, 0}, {1, 1}}}}};
    const Bin border{32, 128, {{1, {{32767, 0}, {32767, 65535}}}}};
    WriteBinned(folder / "binned_GSHHS_h.nc", GshhgLayer::Shore, {mexico, greenwich});
    WriteBinned(folder / "binned_river_h.nc", GshhgLayer::River, {river});
    WriteBinned(folder / "binned_border_h.nc", GshhgLayer::Border, {border});
    WriteBinned(folder / "bad.nc", GshhgLayer::Shore, {mexico}, 1);

    struct Expected {
        GeographyKind kind;
        int level;
        std::vector<GeoPoint> points;
    };
    struct Case {
        const char* what;
        std::string file;
        GshhgLayer layer;
        MapArea area;
        bool read;
        std::vector<Expected> lines;
    };
    const double a = 2.0 * 32767 / 65535;  // half a bin, less a step
    const Case cases[] = {
        {"shores of the bin under the map", "binned_GSHHS_h.nc", GshhgLayer::Shore, {24.5, 25.5, 103.5, 102.5}, true,
         {{GeographyKind::Coast, 1, {{24, 104}, {24 + a, 102}, {26, 104 - a}}},
          {GeographyKind::Lake, 2, {{26, 102}, {26, 104}}},
          {GeographyKind::Coast, 6, {{24 + 2.0 / 65535, 104}, {24, 104 - 2.0 / 65535}}}}},
        {"nothing where the map shows no bin with lines", "binned_GSHHS_h.nc", GshhgLayer::Shore, {10, 12, 100, 98}, true, {}},
        {"a map across Greenwich finds the bin west of it", "binned_GSHHS_h.nc", GshhgLayer::Shore, {0.5, 1.5, 0.5, -0.5}, true,
         {{GeographyKind::Coast, 1, {{0, 2 - a}, {2, 0}}}}},
        {"rivers", "binned_river_h.nc", GshhgLayer::River, {24, 26, 104, 102}, true,
         {{GeographyKind::River, 2, {{24 + a, 104}, {24 + a, 102}}},
          {GeographyKind::River, 7, {{24, 104}, {24 + 2.0 / 65535, 104 - 2.0 / 65535}}}}},
        {"borders", "binned_border_h.nc", GshhgLayer::Border, {24, 26, 104, 102}, true,
         {{GeographyKind::Border, 1, {{24, 104 - a}, {26, 104 - a}}}}},
        {"a point offset beyond the list refuses the file", "bad.nc", GshhgLayer::Shore, {24, 26, 104, 102}, false, {}},
        {"a missing file is refused", "none.nc", GshhgLayer::Shore, {24, 26, 104, 102}, false, {}},
    };
    for (const Case& c : cases) {
        const BinnedLines got = ReadBinnedFile((folder / c.file).string(), c.layer, c.area);
        EXPECT_EQ(got.read, c.read) << c.what << ": " << got.error;
        EXPECT_EQ(got.error.empty(), c.read) << c.what;
        ASSERT_EQ(got.lines.size(), c.lines.size()) << c.what;
        for (size_t i = 0; i < c.lines.size(); ++i) {
            EXPECT_EQ(got.lines[i].kind, c.lines[i].kind) << c.what << " " << i;
            EXPECT_EQ(got.lines[i].level, c.lines[i].level) << c.what << " " << i;
            ASSERT_EQ(got.lines[i].points.size(), c.lines[i].points.size()) << c.what << " " << i;
            for (size_t k = 0; k < c.lines[i].points.size(); ++k) {
                EXPECT_NEAR(got.lines[i].points[k].latitude, c.lines[i].points[k].latitude, 1e-9) << c.what << " " << i << " " << k;
                EXPECT_NEAR(got.lines[i].points[k].westLongitude, c.lines[i].points[k].westLongitude, 1e-9) << c.what << " " << i << " " << k;
            }
        }
    }

    // The map's geography: the resolution its scale wants, found in the folder; the grounding line
    // under Antarctica's ice and intermittent rivers are left out. An empty folder names the package.
    const Geography geography = ReadGeography({(folder / "none").string(), folder.string()}, {24, 26, 104, 102}, 0.001);
    EXPECT_EQ(geography.resolution, 'h');
    EXPECT_EQ(geography.note, "");
    ASSERT_EQ(geography.lines.size(), 4u);
    EXPECT_EQ(geography.lines[1].kind, GeographyKind::Lake);
    EXPECT_EQ(geography.lines[2].kind, GeographyKind::River);
    EXPECT_EQ(geography.lines[3].kind, GeographyKind::Border);
    const Geography none = ReadGeography({(folder / "none").string()}, {24, 26, 104, 102}, 0.001);
    EXPECT_TRUE(none.lines.empty());
    EXPECT_NE(none.note.find("gmt-gshhg-high"), std::string::npos) << none.note;
    fs::remove_all(folder);
#endif
}

// Against the installed GSHHG files: where the 2024 path reaches land at Mazatlán the coast crosses
// 23.20° N between 106.40° and 106.45° W; Cleveland's lake front crosses 81.69° W between 41.49° and
// 41.56° N on Lake Erie's shore.
TEST(Geography, InstalledShoresStandWhereTheMapsPutThem) {
    std::string folder;
    for (const std::string& f : GshhgFolders()) {
        if (folder.empty() && fs::exists(fs::path(f) / "binned_GSHHS_h.nc")) folder = f;
    }
    if (folder.empty()) GTEST_SKIP() << "GSHHG's high-resolution files are not installed (Debian package gmt-gshhg-high)";
    struct Case {
        const char* what;
        GeographyKind kind;
        bool alongParallel;  // crossing a parallel at `at`, else a meridian
        double at, from, to;
    };
    const Case cases[] = {{"Mazatlán", GeographyKind::Coast, true, 23.20, 106.40, 106.45},
                          {"Cleveland", GeographyKind::Lake, false, 81.69, 41.49, 41.56}};
    for (const Case& c : cases) {
        const MapArea area = c.alongParallel ? MapArea{c.at - 0.2, c.at + 0.2, c.to + 0.2, c.from - 0.2}
                                             : MapArea{c.from - 0.2, c.to + 0.2, c.at + 0.2, c.at - 0.2};
        const Geography geography = ReadGeography({folder}, area, 0.001);
        ASSERT_EQ(geography.resolution, 'h') << geography.note;
        std::vector<double> crossings;
        for (const GeographyLine& line : geography.lines) {
            if (line.kind != c.kind) continue;
            for (size_t k = 1; k < line.points.size(); ++k) {
                const GeoPoint p = line.points[k - 1], q = line.points[k];
                const double pa = c.alongParallel ? p.latitude : p.westLongitude, qa = c.alongParallel ? q.latitude : q.westLongitude;
                if ((pa < c.at) == (qa < c.at)) continue;
                const double s = (c.at - pa) / (qa - pa);
                crossings.push_back(c.alongParallel ? p.westLongitude + s * (q.westLongitude - p.westLongitude)
                                                    : p.latitude + s * (q.latitude - p.latitude));
            }
        }
        const bool within = std::any_of(crossings.begin(), crossings.end(), [&](double x) { return x >= c.from && x <= c.to; });
        EXPECT_TRUE(within) << c.what << ": " << crossings.size() << " crossings";
    }
}

}  // namespace
}  // namespace zelto
