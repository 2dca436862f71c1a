#include "circumstances/map_sweep.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <numbers>
#include <unordered_map>
#include <utility>

#include "circumstances/solver.h"

namespace zelto {

namespace {

constexpr double kDegToRad = std::numbers::pi / 180;
// A crossing is searched until it is known to this fraction of the cell side (a metre on a 1° side),
// in at most this many solver calls; the linear guess stands in for one that will not settle.
constexpr double kCrossingTolerance = 1e-5;
constexpr int kCrossingSteps = 12;

// The fields a map is drawn from. The path lies where both edge fields are below 0: each is the
// signed distance from the shadow axis's track less the umbral radius, one per side of the track.
// Being smooth across the centre line, they find both edges even of a path narrower than a cell.
// The centre line is where the signed distance from the axis's track passes 0.
enum class Field { EdgeA, EdgeB, Magnitude, Duration, Axis };

struct Sample {
    bool day = false;  // a converged maximum with the Sun above the horizon
    double time = 0;   // the maximum, hours t (0 when the loop did not converge): a neighbour's start
    double edgeA = 0, edgeB = 0, magnitude = 0, duration = 0, axis = 0;
};

double ValueOf(const Sample& sample, Field field) {
    switch (field) {
        case Field::EdgeA: return sample.edgeA;
        case Field::EdgeB: return sample.edgeB;
        case Field::Magnitude: return sample.magnitude;
        case Field::Duration: return sample.duration;
        case Field::Axis: return sample.axis;
    }
    return 0;
}

Sample Lerp(const Sample& a, const Sample& b, double s) {
    const auto mix = [s](double x, double y) { return x + s * (y - x); };
    return {a.day && b.day, mix(a.time, b.time), mix(a.edgeA, b.edgeA), mix(a.edgeB, b.edgeB),
            mix(a.magnitude, b.magnitude), mix(a.duration, b.duration), mix(a.axis, b.axis)};
}

GeoPoint Along(GeoPoint a, GeoPoint b, double s) {
    return {a.latitude + s * (b.latitude - a.latitude), a.westLongitude + s * (b.westLongitude - a.westLongitude)};
}

// A point where a field passes a level, with the solver's sample there.
struct Crossing {
    GeoPoint point;
    Sample sample;
};

// Cell corners 0 SW, 1 SE, 2 NE, 3 NW; side k runs from corner k to corner k + 1 (mod 4).
constexpr std::array<std::array<int, 2>, 4> kCornerOffset = {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}};

// The grid of samples and the crossings found on its cell sides, each searched once.
class Sweep {
  public:
    Sweep(const EclipseRecord& eclipse, double deltaT, const SweepRequest& request)
        : eclipse_(eclipse), deltaT_(deltaT), area_(request.area), columns_(std::max(1, request.columns)),
          rows_(std::max(1, request.rows)), durations_(request.durationStep > 0),
          samples_(static_cast<size_t>((columns_ + 1) * (rows_ + 1))) {
        place_.Height = request.height;
        double start = 0;
        for (int j = 0; j <= rows_; ++j) {
            // Each sample starts from its neighbour's maximum: the same loop in fewer steps.
            if (j > 0) start = At(0, j - 1).time;
            for (int i = 0; i <= columns_; ++i) {
                Sample& sample = samples_[Index(i, j)];
                sample = Solve(Corner(i, j), start);
                if (sample.time != 0) start = sample.time;
            }
        }
    }

    int columns() const { return columns_; }
    int rows() const { return rows_; }

    GeoPoint Corner(int i, int j) const {
        return {area_.south + (area_.north - area_.south) * j / rows_, area_.west - (area_.west - area_.east) * i / columns_};
    }
    const Sample& At(int i, int j) const { return samples_[Index(i, j)]; }
    const Sample& CellCorner(int i, int j, int k) const {
        return At(i + kCornerOffset[static_cast<size_t>(k)][0], j + kCornerOffset[static_cast<size_t>(k)][1]);
    }
    GeoPoint CellCornerPoint(int i, int j, int k) const {
        return Corner(i + kCornerOffset[static_cast<size_t>(k)][0], j + kCornerOffset[static_cast<size_t>(k)][1]);
    }

    bool CellInDay(int i, int j) const {
        for (int k = 0; k < 4; ++k) {
            if (!CellCorner(i, j, k).day) return false;
        }
        return true;
    }

    double Largest(Field field) const {
        double largest = 0;
        for (const Sample& s : samples_) {
            if (s.day) largest = std::max(largest, ValueOf(s, field));
        }
        return largest;
    }

    // Where `field` passes `level` on side k of cell (i, j); nullptr when its corners lie on the same
    // side of the level.
    const Crossing* SideCrossing(int i, int j, int side, Field field, double level) {
        const int a = side, b = (side + 1) % 4;
        const Sample& sa = CellCorner(i, j, a);
        const Sample& sb = CellCorner(i, j, b);
        if ((ValueOf(sa, field) >= level) == (ValueOf(sb, field) >= level)) return nullptr;
        // Sides 0 and 3 start at the cell's own corner; 1 and 2 at a neighbour's. Keyed by the lower
        // corner and the direction, each side is shared with the cell beyond it.
        const int lower = side == 2 ? b : (side == 3 ? b : a);
        const int upper = lower == a ? b : a;
        const auto& lo = kCornerOffset[static_cast<size_t>(lower)];
        const bool across = kCornerOffset[static_cast<size_t>(upper)][1] == lo[1];
        const int64_t key = (across ? 0 : int64_t{1} << 40) + int64_t{j + lo[1]} * (columns_ + 1) + (i + lo[0]);
        auto& found = crossings_[{static_cast<int>(field), level}];
        const auto it = found.find(key);
        if (it != found.end()) return &it->second;
        return &found.emplace(key, Search(CellCornerPoint(i, j, lower), CellCorner(i, j, lower),
                                          CellCornerPoint(i, j, upper), CellCorner(i, j, upper), field, level))
                    .first->second;
    }

  private:
    size_t Index(int i, int j) const { return static_cast<size_t>(j * (columns_ + 1) + i); }

    Sample Solve(GeoPoint p, double start) {
        place_.Latitude = p.latitude * kDegToRad;
        place_.Longitude = p.westLongitude * kDegToRad;
        const MaximumCircumstances m = ComputeMaximumCircumstances(eclipse_, deltaT_, place_, durations_, start);
        Sample sample;
        if (!m.converged) return sample;
        sample.day = m.sunAltitude > 0;
        sample.time = m.time;
        sample.edgeA = m.axisOffset - m.umbralRadius;
        sample.edgeB = -m.axisOffset - m.umbralRadius;
        sample.magnitude = m.magnitude;
        sample.duration = m.centralDuration;
        sample.axis = m.axisOffset;
        return sample;
    }

    // Regula falsi (the Illinois way: a side kept twice has its value halved) between two samples.
    Crossing Search(GeoPoint pa, const Sample& a, GeoPoint pb, const Sample& b, Field field, double level) {
        double lo = 0, hi = 1;
        double flo = ValueOf(a, field) - level, fhi = ValueOf(b, field) - level;
        double s = flo / (flo - fhi);
        Crossing best{Along(pa, pb, s), Lerp(a, b, s)};
        int kept = 0;
        for (int step = 0; step < kCrossingSteps && hi - lo > kCrossingTolerance; ++step) {
            const GeoPoint p = Along(pa, pb, s);
            const Sample sample = Solve(p, a.time);
            if (!sample.day) break;
            best = {p, sample};
            const double f = ValueOf(sample, field) - level;
            if (f == 0) break;
            if ((f < 0) == (flo < 0)) {
                lo = s, flo = f;
                if (kept == -1) fhi /= 2;
                kept = -1;
            } else {
                hi = s, fhi = f;
                if (kept == 1) flo /= 2;
                kept = 1;
            }
            s = lo + (hi - lo) * flo / (flo - fhi);
        }
        return best;
    }

    const EclipseRecord& eclipse_;
    double deltaT_;
    MapArea area_;
    int columns_, rows_;
    bool durations_;
    std::vector<Sample> samples_;
    SitePlace place_;
    std::map<std::pair<int, double>, std::unordered_map<int64_t, Crossing>> crossings_;
};

bool InPath(const Sample& s) { return s.edgeA < 0 && s.edgeB < 0; }

// The segments of one level of a field, by marching squares over the cells in daylight (and with a
// corner in the path, when asked).
MapLine LineOf(Sweep& sweep, Field field, double level, bool pathOnly = false) {
    MapLine line{level, {}};
    for (int j = 0; j < sweep.rows(); ++j) {
        for (int i = 0; i < sweep.columns(); ++i) {
            int above = 0;
            for (int k = 0; k < 4; ++k) above += ValueOf(sweep.CellCorner(i, j, k), field) >= level;
            if (above == 0 || above == 4 || !sweep.CellInDay(i, j)) continue;
            if (pathOnly) {
                bool touches = false;
                for (int k = 0; k < 4; ++k) touches = touches || InPath(sweep.CellCorner(i, j, k));
                if (!touches) continue;
            }
            std::array<GeoPoint, 4> at{};
            int count = 0;
            for (int side = 0; side < 4; ++side) {
                if (const Crossing* c = sweep.SideCrossing(i, j, side, field, level)) {
                    at[static_cast<size_t>(count++)] = c->point;
                }
            }
            if (count == 2) {
                line.segments.push_back({at[0], at[1]});
            } else if (count == 4) {
                // A saddle: the cell's centre, taken as its corners' mean, says which sides join.
                double centre = 0;
                for (int k = 0; k < 4; ++k) centre += ValueOf(sweep.CellCorner(i, j, k), field) / 4;
                const bool cornerOneAbove = ValueOf(sweep.CellCorner(i, j, 1), field) >= level;
                if (cornerOneAbove != (centre >= level)) {
                    line.segments.push_back({at[0], at[1]});  // around corner 1, and around corner 3
                    line.segments.push_back({at[2], at[3]});
                } else {
                    line.segments.push_back({at[3], at[0]});  // around corner 0, and around corner 2
                    line.segments.push_back({at[1], at[2]});
                }
            }
        }
    }
    return line;
}

// A vertex of a band piece being clipped: a cell corner (0 to 3) or a point found on the way (−1).
struct Vertex {
    GeoPoint point;
    Sample sample;
    int corner = -1;
};

// The part of a cell polygon where `field` is below 0 (Sutherland–Hodgman). A side between two cell
// corners is cut at the solver's crossing; a side inside the cell, at the linear one.
std::vector<Vertex> ClipBelowZero(Sweep& sweep, int i, int j, const std::vector<Vertex>& polygon, Field field) {
    std::vector<Vertex> clipped;
    for (size_t k = 0; k < polygon.size(); ++k) {
        const Vertex& p = polygon[k];
        const Vertex& q = polygon[(k + 1) % polygon.size()];
        const double vp = ValueOf(p.sample, field), vq = ValueOf(q.sample, field);
        if (vp < 0) clipped.push_back(p);
        if ((vp < 0) == (vq < 0)) continue;
        const bool cellSide = p.corner >= 0 && q.corner >= 0 && (p.corner + 1) % 4 == q.corner;
        if (const Crossing* c = cellSide ? sweep.SideCrossing(i, j, p.corner, field, 0) : nullptr) {
            clipped.push_back({c->point, c->sample, -1});
        } else {
            const double s = vp / (vp - vq);
            clipped.push_back({Along(p.point, q.point, s), Lerp(p.sample, q.sample, s), -1});
        }
    }
    return clipped;
}

// The pieces of the path: whole cells merged into one rectangle per run along a row, cut cells
// clipped by both edge fields.
std::vector<std::vector<GeoPoint>> BandOf(Sweep& sweep) {
    std::vector<std::vector<GeoPoint>> pieces;
    const auto inside = InPath;
    for (int j = 0; j < sweep.rows(); ++j) {
        int runStart = -1;
        const auto endRun = [&](int end) {
            if (runStart >= 0)
                pieces.push_back({sweep.Corner(runStart, j), sweep.Corner(end, j), sweep.Corner(end, j + 1),
                                  sweep.Corner(runStart, j + 1)});
            runStart = -1;
        };
        for (int i = 0; i < sweep.columns(); ++i) {
            if (!sweep.CellInDay(i, j)) {
                endRun(i);
                continue;
            }
            int cornersInside = 0;
            for (int k = 0; k < 4; ++k) cornersInside += inside(sweep.CellCorner(i, j, k));
            if (cornersInside == 4) {
                if (runStart < 0) runStart = i;
                continue;
            }
            endRun(i);
            std::vector<Vertex> polygon;
            for (int k = 0; k < 4; ++k) polygon.push_back({sweep.CellCornerPoint(i, j, k), sweep.CellCorner(i, j, k), k});
            polygon = ClipBelowZero(sweep, i, j, ClipBelowZero(sweep, i, j, polygon, Field::EdgeA), Field::EdgeB);
            if (polygon.size() < 3) continue;
            std::vector<GeoPoint> piece;
            for (const Vertex& v : polygon) piece.push_back(v.point);
            pieces.push_back(std::move(piece));
        }
        endRun(sweep.columns());
    }
    return pieces;
}

}  // namespace

PathMap SweepPathMap(const EclipseRecord& eclipse, double deltaT, const SweepRequest& request) {
    Sweep sweep(eclipse, deltaT, request);
    PathMap map;
    map.area = request.area;
    map.band = BandOf(sweep);
    for (Field edge : {Field::EdgeA, Field::EdgeB}) {
        MapLine side = LineOf(sweep, edge, 0);
        map.limits.segments.insert(map.limits.segments.end(), side.segments.begin(), side.segments.end());
    }
    if (request.durationStep > 0) map.centreLine = LineOf(sweep, Field::Axis, 0, true);
    for (double level : request.magnitudeLevels) map.magnitudeLines.push_back(LineOf(sweep, Field::Magnitude, level));
    if (request.durationStep > 0) {
        const double longest = sweep.Largest(Field::Duration);
        for (double level = request.durationStep; level < longest; level += request.durationStep)
            map.durationLines.push_back(LineOf(sweep, Field::Duration, level));
    }
    return map;
}

PathMap WorldPathMap(const EclipseRecord& eclipse, double deltaT) {
    SweepRequest request;
    request.magnitudeLevels.assign(std::begin(kWorldMagnitudeLevels), std::end(kWorldMagnitudeLevels));
    return SweepPathMap(eclipse, deltaT, request);
}

MapArea AreaOf(const MapView& view) {
    const GeoPoint c = view.centre;
    return {c.latitude - view.halfSize, c.latitude + view.halfSize, c.westLongitude + view.halfSize,
            c.westLongitude - view.halfSize};
}

MapArea SiteMapArea(GeoPoint site) { return AreaOf({site, kSiteMapHalfSize}); }

namespace {

MapView Kept(MapView view) {
    view.halfSize = std::clamp(view.halfSize, kSiteMapMinHalfSize, kSiteMapMaxHalfSize);
    view.centre.latitude = std::clamp(view.centre.latitude, -90 + view.halfSize, 90 - view.halfSize);
    view.centre.westLongitude = std::remainder(view.centre.westLongitude, 360.0);
    return view;
}

}  // namespace

MapView Zoomed(const MapView& view, double notches, GeoPoint anchor) {
    const double size = std::clamp(view.halfSize / std::pow(kSiteMapZoomStep, notches), kSiteMapMinHalfSize, kSiteMapMaxHalfSize);
    const double scale = size / view.halfSize;
    // The anchor's offset from the centre shrinks with the view, so the anchor stays on its pixel.
    const GeoPoint centre{anchor.latitude + (view.centre.latitude - anchor.latitude) * scale,
                          anchor.westLongitude + (view.centre.westLongitude - anchor.westLongitude) * scale};
    return Kept({centre, size});
}

MapView Dragged(const MapView& view, MapPixel from, MapPixel to, double width, double height) {
    const double degrees = 2 * view.halfSize;
    return Kept({{view.centre.latitude + (to.y - from.y) / height * degrees,
                  view.centre.westLongitude + (to.x - from.x) / width * degrees},
                 view.halfSize});
}

PathMap SitePathMap(const EclipseRecord& eclipse, double deltaT, const MapView& view, double height) {
    SweepRequest request;
    request.area = AreaOf(view);
    request.columns = request.rows = kSiteMapCells;
    request.height = height;
    request.durationStep = kDurationLineStep;
    return SweepPathMap(eclipse, deltaT, request);
}

PathMap SitePathMap(const EclipseRecord& eclipse, double deltaT, GeoPoint site, double height) {
    return SitePathMap(eclipse, deltaT, MapView{site, kSiteMapHalfSize}, height);
}

std::string DurationText(double seconds) {
    const long whole = std::lround(seconds);
    const long minutes = whole / 60, rest = whole % 60;
    if (minutes == 0) return std::to_string(rest) + " s";
    std::string text = std::to_string(minutes) + " min";
    if (rest != 0) text += " " + std::to_string(rest) + " s";
    return text;
}

std::vector<MapLabel> DurationLabels(const PathMap& map, const MapArea& view, std::optional<GeoPoint> site) {
    constexpr int kLabelsPerLine = 3;
    const double across = view.north - view.south;
    const double spacing = across / 3;
    const double margin = across * 0.06;
    const bool everyLine = across <= 2.0;
    // A label takes about a twentieth of the view's height and a seventh of its width: where lines
    // crowd (near a limit) a label goes farther along its line rather than onto another's.
    const auto overlaps = [across](GeoPoint a, GeoPoint b) {
        return std::fabs(a.latitude - b.latitude) < across / 20 && std::fabs(a.westLongitude - b.westLongitude) < across / 7;
    };
    std::vector<MapLabel> labels;
    for (const MapLine& line : map.durationLines) {
        const bool minute = std::fabs(std::remainder(line.level, 60.0)) < 1e-6;
        if (!minute && !everyLine) continue;
        std::vector<GeoPoint> placed;
        for (const MapSegment& segment : line.segments) {
            const GeoPoint mid = Along(segment.from, segment.to, 0.5);
            if (mid.latitude < view.south + margin || mid.latitude > view.north - margin ||
                mid.westLongitude > view.west - margin || mid.westLongitude < view.east + margin)
                continue;
            const bool crowded = std::any_of(placed.begin(), placed.end(), [&](GeoPoint p) {
                return std::max(std::fabs(p.latitude - mid.latitude), std::fabs(p.westLongitude - mid.westLongitude)) < spacing;
            });
            if (crowded || (site && overlaps(*site, mid)) ||
                std::any_of(labels.begin(), labels.end(), [&](const MapLabel& l) { return overlaps(l.place, mid); }))
                continue;
            placed.push_back(mid);
            labels.push_back({mid, DurationText(line.level)});
            if (placed.size() == kLabelsPerLine) break;
        }
    }
    return labels;
}

MapPixel ToPixel(const MapArea& area, GeoPoint place, double width, double height) {
    return {(area.west - place.westLongitude) / (area.west - area.east) * width,
            (area.north - place.latitude) / (area.north - area.south) * height};
}

GeoPoint ToPlace(const MapArea& area, MapPixel pixel, double width, double height) {
    return {area.north - pixel.y / height * (area.north - area.south),
            area.west - pixel.x / width * (area.west - area.east)};
}

}  // namespace zelto
