#pragma once
// Known points of the path of eclipse 51 (2024-04-08) with ΔT 69.2 s, found here by bisection on
// the whole local-circumstances pass, never by the maps or limit searches under test.
//
// Cross-checks against NASA's published path (Eclipse Predictions by Fred Espenak, NASA's GSFC):
// greatest eclipse at 25°17.4' N 104°08.3' W, 18:17 UT, on the central line, with a path 197.5 km
// wide and totality of 4 min 28.1 s there; Dallas (32.78 N 96.80 W) sees 3 min 52 s of totality.
#include <cmath>
#include <numbers>

#include "circumstances/solver.h"
#include "eclipse_data/catalog.h"

namespace zelto::eclipse51 {

inline constexpr double kDeltaT = 69.2;
inline constexpr double kCentralLatitude = 25.29;  // NASA's greatest eclipse
inline constexpr double kCentralWest = 104.14;
inline constexpr double kKmPerDegreeLatitude = 110.8;  // near 26° N

inline const EclipseRecord& Record() { return CatalogRecord(BuiltInCatalog(), 51); }

inline SitePlace Solve(double latitude, double westLongitude, double height = 0) {
    constexpr double kDeg = std::numbers::pi / 180;
    SitePlace place;
    place.Latitude = latitude * kDeg;
    place.Longitude = westLongitude * kDeg;
    place.Height = height;
    ComputeLocalCircumstances(Record(), kDeltaT, place);
    return place;
}

inline double CentralSeconds(const SitePlace& p) { return (p.ContactTime[kC3] - p.ContactTime[kC2]) * 3600; }

// The latitude on a meridian between `inside` and `outside` where `holds` stops holding.
template <typename Holds>
double Bisect(double westLongitude, double inside, double outside, Holds holds) {
    for (int i = 0; i < 60; ++i) {
        const double middle = (inside + outside) / 2;
        (holds(Solve(middle, westLongitude)) ? inside : outside) = middle;
    }
    return (inside + outside) / 2;
}

// The northern limit of totality on a meridian near the central line.
inline double NorthernLimit(double westLongitude) {
    return Bisect(westLongitude, kCentralLatitude, kCentralLatitude + 3, [](const SitePlace& p) { return p.LocalType == 't'; });
}

// The latitude north of the path where the magnitude falls to `magnitude`.
inline double NorthernMagnitude(double westLongitude, double magnitude) {
    return Bisect(westLongitude, kCentralLatitude, kCentralLatitude + 40,
                  [magnitude](const SitePlace& p) { return p.LocalType != '-' && p.Magnitude > magnitude; });
}

// The latitude near the northern limit where totality lasts `seconds`.
inline double NorthernDuration(double westLongitude, double seconds) {
    return Bisect(westLongitude, kCentralLatitude, NorthernLimit(westLongitude),
                  [seconds](const SitePlace& p) { return p.LocalType == 't' && CentralSeconds(p) > seconds; });
}

}  // namespace zelto::eclipse51
