#pragma once

#include <string>
#include <string_view>

#include "circumstances/map_sweep.h"
#include "circumstances/site_place.h"
#include "eclipse_data/catalog.h"

// How far a site lies from the nearer limit of the total or annular path, and the main window's
// warning for sites near it, where the Moon's real limb (not a smooth circle) can move the contacts
// by tens of seconds.

namespace zelto {

// The limit of the path nearest to the site, found by the solver on the limit's own side of the
// shadow axis's track (Newton steps along the ground), at the site's height.
struct PathLimit {
    bool found = false;      // no path, or its limit not within reach: nothing below has a meaning
    bool inside = false;     // the site lies inside the path
    double distanceKm = 0;   // along the ground, from the site to `point`
    GeoPoint point;          // the limit's point nearest to the site
    std::string_view side;   // "northern", "southern", "eastern" or "western": where the limit lies
                             // seen from the path
};

// Limits further than this from the site are not searched for.
inline constexpr double kLimitReachKm = 500;
PathLimit NearestPathLimit(const EclipseRecord& eclipse, double deltaT, const SitePlace& place);

// The warning shows within 3 km of a limit, or where totality or annularity lasts less than 30 s.
inline constexpr double kNearEdgeKm = 3;
inline constexpr double kShortCentralSeconds = 30;

struct EdgeWarning {
    bool shown = false;
    std::string text;
};

// From the solved place (its LocalType and, for a central site, C2 and C3) and its nearest limit.
EdgeWarning NearEdgeWarning(const SitePlace& place, const PathLimit& limit);

// "1.0 km inside the path's northern limit", or "" without a limit.
std::string LimitText(const PathLimit& limit);

// The line under the site map: the site, and how far it lies from the path's nearer limit.
std::string SiteMapCaption(GeoPoint site, const PathLimit& limit);

// The ground distance between two nearby places on the solver's ellipsoid (kilometres).
double GroundDistanceKm(GeoPoint a, GeoPoint b);

}  // namespace zelto
