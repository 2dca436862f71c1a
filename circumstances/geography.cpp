#include "circumstances/geography.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <stdexcept>

#ifdef ZELTO_HAVE_NETCDF
#include <netcdf.h>
#endif
#ifdef ZELTO_QUIET_HDF5
#include <H5Epublic.h>
#endif

namespace zelto {

namespace {

// A segment's offsets run 0 … 65535 across its bin.
constexpr double kOffsetSteps = 65535.0;

#ifdef ZELTO_HAVE_NETCDF

// One open netCDF file; every failure throws with the library's words, so a reader refuses the file
// whole.
class NetCdfFile {
  public:
    explicit NetCdfFile(const std::string& path) {
#ifdef ZELTO_QUIET_HDF5
        // netCDF 4.9.0 asks HDF5 for attributes that GSHHG's files never had, and HDF5 prints every
        // such expected miss on stderr; its printing is turned off for this thread.
        H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
#endif
        Check(nc_open(path.c_str(), NC_NOWRITE, &id_), path);
    }
    ~NetCdfFile() { nc_close(id_); }
    NetCdfFile(const NetCdfFile&) = delete;
    NetCdfFile& operator=(const NetCdfFile&) = delete;

    size_t Length(const char* name) const {
        const int var = Variable(name);
        int dims = 0;
        Check(nc_inq_varndims(id_, var, &dims), name);
        if (dims != 1) throw std::runtime_error(std::string(name) + " is not a list");
        int dim = 0;
        Check(nc_inq_vardimid(id_, var, &dim), name);
        size_t length = 0;
        Check(nc_inq_dimlen(id_, dim, &length), name);
        return length;
    }
    int Scalar(const char* name) const { return Ints(name, 0, 1).at(0); }
    // `count` values from `start`, which must lie inside the variable.
    std::vector<int> Ints(const char* name, size_t start, size_t count) const {
        CheckRange(name, start, count);
        std::vector<int> values(count);
        if (count > 0) Check(nc_get_vara_int(id_, Variable(name), &start, &count, values.data()), name);
        return values;
    }
    std::vector<short> Shorts(const char* name, size_t start, size_t count) const {
        CheckRange(name, start, count);
        std::vector<short> values(count);
        if (count > 0) Check(nc_get_vara_short(id_, Variable(name), &start, &count, values.data()), name);
        return values;
    }

  private:
    static void Check(int status, const std::string& what) {
        if (status != NC_NOERR) throw std::runtime_error(what + ": " + nc_strerror(status));
    }
    int Variable(const char* name) const {
        int var = 0;
        Check(nc_inq_varid(id_, name, &var), name);
        return var;
    }
    void CheckRange(const char* name, size_t start, size_t count) const {
        if (start > Length(name) || count > Length(name) - start)
            throw std::runtime_error(std::string(name) + ": an offset beyond the list");
    }
    int id_ = -1;
};

// What a file's bins are: their size and how many run along a parallel and a meridian.
struct BinGrid {
    double size = 0;  // degrees
    int across = 0, down = 0;
};

BinnedLines Read(const std::string& file, GshhgLayer layer, const MapArea& area) {
    const NetCdfFile nc(file);
    const int minutes = nc.Scalar("Bin_size_in_minutes");
    const BinGrid grid{minutes / 60.0, nc.Scalar("N_bins_in_360_longitude_range"),
                       nc.Scalar("N_bins_in_180_degree_latitude_range")};
    if (minutes <= 0 || grid.across * minutes != 360 * 60 || grid.down * minutes != 180 * 60)
        throw std::runtime_error("bins that do not tile the world");
    const size_t bins = static_cast<size_t>(grid.across) * static_cast<size_t>(grid.down);
    const std::vector<int> firstSegment = nc.Ints("Id_of_first_segment_in_a_bin", 0, bins);
    const std::vector<short> segmentCount = nc.Shorts("N_segments_in_a_bin", 0, bins);
    const bool shore = layer == GshhgLayer::Shore;

    BinnedLines result;
    result.read = true;
    // Rows count down from the north pole; columns east from Greenwich. The map's longitudes are
    // west positive, so its east edge is the smaller east longitude.
    const int topRow = std::clamp(static_cast<int>(std::floor((90 - area.north) / grid.size)), 0, grid.down - 1);
    const int bottomRow = std::clamp(static_cast<int>(std::floor((90 - area.south) / grid.size)), 0, grid.down - 1);
    const int leftColumn = static_cast<int>(std::floor(-area.west / grid.size));
    const int rightColumn = std::min(static_cast<int>(std::floor(-area.east / grid.size)), leftColumn + grid.across - 1);
    for (int row = topRow; row <= bottomRow; ++row) {
        const double south = 90 - (row + 1) * grid.size;
        for (int column = leftColumn; column <= rightColumn; ++column) {
            const int wrapped = ((column % grid.across) + grid.across) % grid.across;
            const size_t bin = static_cast<size_t>(row) * static_cast<size_t>(grid.across) + static_cast<size_t>(wrapped);
            const int segments = segmentCount[bin];
            if (segments <= 0 || firstSegment[bin] < 0) continue;
            const auto first = static_cast<size_t>(firstSegment[bin]);
            const auto count = static_cast<size_t>(segments);
            const std::vector<int> firstPoint = nc.Ints("Id_of_first_point_in_a_segment", first, count);
            std::vector<int> points(count), levels(count);
            if (shore) {
                // Point count, level, and the bin sides the piece enters and leaves by, in one number.
                const std::vector<int> packed = nc.Ints("Embedded_npts_levels_exit_entry_for_a_segment", first, count);
                for (size_t s = 0; s < count; ++s) {
                    points[s] = packed[s] >> 9;
                    levels[s] = (packed[s] >> 6) & 7;
                }
            } else {
                const std::vector<short> n = nc.Shorts("N_points_for_a_segment", first, count);
                const std::vector<short> level = nc.Shorts("Hierarchial_level_of_a_segment", first, count);
                for (size_t s = 0; s < count; ++s) {
                    points[s] = static_cast<uint16_t>(n[s]);
                    levels[s] = level[s];
                }
            }
            // A bin's pieces follow one another in the point lists: one read each for the bin.
            const int begin = *std::min_element(firstPoint.begin(), firstPoint.end());
            int end = begin;
            for (size_t s = 0; s < count; ++s) {
                if (firstPoint[s] < 0 || points[s] < 0) throw std::runtime_error("a negative point offset");
                end = std::max(end, firstPoint[s] + points[s]);
            }
            const auto from = static_cast<size_t>(begin), span = static_cast<size_t>(end - begin);
            const std::vector<short> dx = nc.Shorts("Relative_longitude_from_SW_corner_of_bin", from, span);
            const std::vector<short> dy = nc.Shorts("Relative_latitude_from_SW_corner_of_bin", from, span);
            const double west = column * grid.size;  // the bin's west edge, degrees east
            for (size_t s = 0; s < count; ++s) {
                GeographyLine line;
                line.level = levels[s];
                line.kind = !shore                                  ? (layer == GshhgLayer::River ? GeographyKind::River : GeographyKind::Border)
                            : (levels[s] == 2 || levels[s] == 4) ? GeographyKind::Lake
                                                                 : GeographyKind::Coast;
                line.points.reserve(static_cast<size_t>(points[s]));
                for (int k = 0; k < points[s]; ++k) {
                    const auto at = static_cast<size_t>(firstPoint[s] - begin + k);
                    const double east = west + static_cast<uint16_t>(dx[at]) / kOffsetSteps * grid.size;
                    const double north = south + static_cast<uint16_t>(dy[at]) / kOffsetSteps * grid.size;
                    line.points.push_back({north, -east});
                }
                result.lines.push_back(std::move(line));
            }
        }
    }
    return result;
}

#endif

// Which lines a map draws: level 6 of the shores is Antarctica's grounding line, under the ice;
// rivers 5 … 10 are intermittent ones and canals; borders 3 are maritime.
bool Drawn(const GeographyLine& line) {
    switch (line.kind) {
        case GeographyKind::Coast:
        case GeographyKind::Lake: return line.level >= 1 && line.level <= 5;
        case GeographyKind::River: return line.level >= 0 && line.level <= 4;
        case GeographyKind::Border: return line.level == 1 || line.level == 2;
    }
    return false;
}

}  // namespace

BinnedLines ReadBinnedFile(const std::string& file, GshhgLayer layer, const MapArea& area) {
#ifdef ZELTO_HAVE_NETCDF
    try {
        return Read(file, layer, area);
    } catch (const std::exception& e) {
        return {false, e.what(), {}};
    }
#else
    (void)layer, (void)area;
    return {false, file + ": this program was built without netCDF", {}};
#endif
}

char GshhgResolutionFor(double degreesPerPixel) {
    // A pixel of 0.005° is about 0.5 km: the intermediate files' 1 km would show as kinks.
    if (degreesPerPixel < 0.005) return 'h';
    if (degreesPerPixel < 0.025) return 'i';
    if (degreesPerPixel < 0.1) return 'l';
    return 'c';
}

std::string GshhgFileName(GshhgLayer layer, char resolution) {
    const char* stem = layer == GshhgLayer::Shore ? "GSHHS" : layer == GshhgLayer::River ? "river" : "border";
    return std::string("binned_") + stem + "_" + resolution + ".nc";
}

Geography ReadGeography(const std::vector<std::string>& folders, const MapArea& area, double degreesPerPixel) {
    Geography geography;
    const char wanted = GshhgResolutionFor(degreesPerPixel);
    // Finer first: more detail than needed beats less.
    std::vector<char> order;
    const auto wantedAt = static_cast<int>(std::find(std::begin(kGshhgResolutions), std::end(kGshhgResolutions), wanted) -
                                           std::begin(kGshhgResolutions));
    for (int r = wantedAt; r >= 0; --r) order.push_back(kGshhgResolutions[r]);
    for (int r = wantedAt + 1; r < static_cast<int>(std::size(kGshhgResolutions)); ++r) order.push_back(kGshhgResolutions[r]);
    for (char resolution : order) {
        for (const std::string& folder : folders) {
            const std::filesystem::path base(folder);
            std::error_code error;
            if (!std::filesystem::exists(base / GshhgFileName(GshhgLayer::Shore, resolution), error)) continue;
            for (GshhgLayer layer : {GshhgLayer::Shore, GshhgLayer::River, GshhgLayer::Border}) {
                const std::string file = (base / GshhgFileName(layer, resolution)).string();
                if (layer != GshhgLayer::Shore && !std::filesystem::exists(file, error)) continue;
                BinnedLines read = ReadBinnedFile(file, layer, area);
                if (!read.read) {
                    geography.lines.clear();
                    geography.note = "Coastlines unreadable: " + read.error;
                    return geography;
                }
                for (GeographyLine& line : read.lines) {
                    if (Drawn(line)) geography.lines.push_back(std::move(line));
                }
            }
            geography.resolution = resolution;
            return geography;
        }
    }
    geography.note = "No coastlines, rivers or borders: install the Debian package gmt-gshhg-high (GSHHG)";
    return geography;
}

}  // namespace zelto
