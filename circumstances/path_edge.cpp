#include "circumstances/path_edge.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "circumstances/solver.h"
#include "eclipse_data/number_text.h"

namespace zelto {

namespace {

constexpr double kDegToRad = std::numbers::pi / 180;
constexpr double kEquatorialRadiusKm = 6378.140;
constexpr double kEccentricitySquared = 1 - 0.99664719 * 0.99664719;  // from the solver's axis ratio
constexpr double kStepKm = 0.5;         // of the finite differences
constexpr double kSettledKm = 0.001;    // a Newton step this short ends the search
constexpr int kNewtonSteps = 12;

// Kilometres per degree of latitude and of longitude at a latitude, on the ellipsoid.
struct Metric {
    double north, east;
};
Metric MetricAt(double latitudeDegrees) {
    const double s = std::sin(latitudeDegrees * kDegToRad);
    const double w = 1 - kEccentricitySquared * s * s;
    return {kEquatorialRadiusKm * (1 - kEccentricitySquared) / (w * std::sqrt(w)) * kDegToRad,
            kEquatorialRadiusKm / std::sqrt(w) * std::cos(latitudeDegrees * kDegToRad) * kDegToRad};
}

// The site moved by kilometres east and north.
GeoPoint Moved(GeoPoint p, double eastKm, double northKm) {
    const Metric m = MetricAt(p.latitude);
    return {p.latitude + northKm / m.north, p.westLongitude - eastKm / m.east};
}

// One side's edge function at a place: the signed distance from the axis's track less the umbral
// radius, below 0 inside the path; NaN where the maximum is not found.
class EdgeFunction {
  public:
    EdgeFunction(const EclipseRecord& eclipse, double deltaT, const SitePlace& place)
        : eclipse_(eclipse), deltaT_(deltaT), probe_(place) {}

    MaximumCircumstances At(GeoPoint p) {
        probe_.Latitude = p.latitude * kDegToRad;
        probe_.Longitude = p.westLongitude * kDegToRad;
        const MaximumCircumstances m = ComputeMaximumCircumstances(eclipse_, deltaT_, probe_, false, start_);
        if (m.converged) start_ = m.time;
        return m;
    }
    double Value(GeoPoint p, double side) {
        const MaximumCircumstances m = At(p);
        return m.converged ? side * m.axisOffset - m.umbralRadius : std::numeric_limits<double>::quiet_NaN();
    }

  private:
    const EclipseRecord& eclipse_;
    double deltaT_;
    SitePlace probe_;
    double start_ = 0;
};

}  // namespace

double GroundDistanceKm(GeoPoint a, GeoPoint b) {
    const Metric m = MetricAt((a.latitude + b.latitude) / 2);
    const double east = std::remainder(a.westLongitude - b.westLongitude, 360.0) * m.east;
    const double north = (a.latitude - b.latitude) * m.north;
    return std::hypot(east, north);
}

PathLimit NearestPathLimit(const EclipseRecord& eclipse, double deltaT, const SitePlace& place) {
    PathLimit limit;
    EdgeFunction edge(eclipse, deltaT, place);
    const GeoPoint site{place.Latitude / kDegToRad, place.Longitude / kDegToRad};
    const MaximumCircumstances atSite = edge.At(site);
    if (!atSite.converged) return limit;
    // The limit on the site's side of the track is the nearer one (or the one the site is beyond).
    const double side = atSite.axisOffset >= 0 ? 1 : -1;
    GeoPoint p = site;
    double value = side * atSite.axisOffset - atSite.umbralRadius;
    double gradientEast = 0, gradientNorth = 0;
    for (int step = 0; step < kNewtonSteps; ++step) {
        gradientEast = (edge.Value(Moved(p, kStepKm, 0), side) - value) / kStepKm;
        gradientNorth = (edge.Value(Moved(p, 0, kStepKm), side) - value) / kStepKm;
        const double squared = gradientEast * gradientEast + gradientNorth * gradientNorth;
        if (!(squared > 0) || !std::isfinite(squared)) return limit;
        const double eastKm = -value * gradientEast / squared, northKm = -value * gradientNorth / squared;
        p = Moved(p, eastKm, northKm);
        if (!(GroundDistanceKm(site, p) < kLimitReachKm)) return limit;
        value = edge.Value(p, side);
        if (!std::isfinite(value)) return limit;
        if (std::hypot(eastKm, northKm) < kSettledKm) {
            limit.found = true;
            break;
        }
    }
    if (!limit.found) return limit;
    limit.inside = std::fabs(atSite.axisOffset) < atSite.umbralRadius;
    limit.point = p;
    limit.distanceKm = GroundDistanceKm(site, p);
    // The edge function grows away from the path: its gradient points from the path to the limit.
    // As in every path table, limits are northern and southern unless the path runs within about 15°
    // of a meridian.
    if (std::fabs(gradientNorth) >= std::fabs(gradientEast) / 4)
        limit.side = gradientNorth > 0 ? "northern" : "southern";
    else
        limit.side = gradientEast > 0 ? "eastern" : "western";
    return limit;
}

EdgeWarning NearEdgeWarning(const SitePlace& place, const PathLimit& limit) {
    EdgeWarning warning;
    if (place.LocalType == '-') return warning;
    const bool central = place.LocalType == 't' || place.LocalType == 'a';
    const bool contacts = central && place.SolarAltitude[kC2] != kAltitudeNotComputed &&
                          place.SolarAltitude[kC3] != kAltitudeNotComputed;
    const double seconds = contacts ? (place.ContactTime[kC3] - place.ContactTime[kC2]) * 3600 : 0;
    const bool nearLimit = limit.found && limit.distanceKm < kNearEdgeKm;
    const bool shortPhase = contacts && seconds < kShortCentralSeconds;
    if (!nearLimit && !shortPhase) return warning;

    warning.shown = true;
    std::string& text = warning.text;
    text = "Near the edge";
    if (limit.found) text += ": " + LimitText(limit);
    if (contacts) text += std::string(", ") + (place.LocalType == 't' ? "totality " : "annularity ") + FixedText(seconds, 1) + " s";
    text += ". Contact times near the edge may be off by tens of seconds (the Moon's real limb is not smooth).";
    return warning;
}

std::string LimitText(const PathLimit& limit) {
    if (!limit.found) return {};
    return FixedText(limit.distanceKm, 1) + " km " + (limit.inside ? "inside" : "outside") + " the path's " +
           std::string(limit.side) + " limit";
}

std::string SiteMapCaption(GeoPoint site, const PathLimit& limit) {
    std::string caption = FixedText(std::fabs(site.latitude), 4) + (site.latitude < 0 ? " S  " : " N  ") +
                          FixedText(std::fabs(site.westLongitude), 4) + (site.westLongitude < 0 ? " E" : " W");
    if (limit.found) caption += ":  " + LimitText(limit);
    return caption;
}

}  // namespace zelto
