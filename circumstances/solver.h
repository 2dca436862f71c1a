#pragma once

#include <optional>

#include "circumstances/site_place.h"
#include "eclipse_data/catalog.h"

// The local-circumstances solver: Besselian elements + place + ΔT → contacts, angles, magnitude, kind.
// Instants inside the solver are hours t of dynamical time from the record's T0.

namespace zelto {

// The maximum and contact loops stop when a correction falls below 1e-6 h. Most need 3 to 6
// evaluations; over a 1° grid for every catalog eclipse the slowest (far from the shadow, or grazing)
// need up to about 70. One that has not converged after this many is abandoned, which bounds a pass
// (see ComputeLocalCircumstances).
inline constexpr int kContactIterationLimit = 200;

// Fills every computed field of `place` (its Longitude, Latitude and Height are the inputs).
// A pass always sets PlaceName, the five altitude markers, LocalType and ContactTime[kMx]; the other
// fields only as far as it gets, so consumers test LocalType and the altitude markers first.
// Nothing a pass writes is ever NaN or infinite:
// - a maximum loop that does not converge (or meets a relative motion n = 0) ends the pass as "-";
// - a contact loop that does not converge leaves that contact's altitude at kAltitudeNotComputed,
//   so it counts as not computed and is never shown;
// - S > 1 inside a contact loop (grazing geometry, no real root) takes a zero correction and stops
//   there, as S ≤ −1 does.
void ComputeLocalCircumstances(const EclipseRecord& eclipse, double deltaT, SitePlace& place);

// The circumstances at the local maximum alone, by the same maximum loop (started at `start`, hours t;
// a neighbour's maximum makes a good start) and, with `centralDuration`, the same inner-contact loops:
// what maps and path limits need, at a fraction of a whole pass.
struct MaximumCircumstances {
    bool converged = false;  // false: no maximum was found and nothing below has a meaning
    double time = 0;         // hours t of the maximum
    double magnitude = 0;    // (L1 − m)/(L1 + L2); below 0 where the place sees no eclipse
    // m, the distance of the place from the shadow axis at maximum (Earth radii), signed by the side
    // of the axis's track the place lies on; the place is inside the total or annular path where
    // |axisOffset| < umbralRadius (|L2|). Both sides' limits are so zeros of smooth functions.
    double axisOffset = 0;
    double umbralRadius = 0;
    double sunAltitude = 0;      // radians, at maximum
    double centralDuration = 0;  // seconds from C2 to C3 inside the path (when asked), else 0
};
MaximumCircumstances ComputeMaximumCircumstances(const EclipseRecord& eclipse, double deltaT,
                                                 const SitePlace& place, bool centralDuration = false,
                                                 double start = 0);

// The instant t at which the shadow axis passes closest to the Earth's centre (0 for a record whose
// axis never turns back toward the centre, which no catalog record does).
double ComputeGreatestEclipseTime(const EclipseRecord& eclipse);

// The place under the shadow axis at greatest eclipse (Latitude, Longitude west positive, Height 0),
// nullopt when the axis misses the Earth (a partial or non-central eclipse).
std::optional<SitePlace> GreatestEclipsePlace(const EclipseRecord& eclipse, double deltaT);

// The instant t in [lower, upper] at which the penumbra touches the Earth's limb (P1 or P4),
// or time 0 when the search does not converge within its iteration limit.
struct PenumbraContact {
    double time = 0;
    int iterations = 0;
};
inline constexpr int kPenumbraIterationLimit = 750;
PenumbraContact PenumbraContactTime(const EclipseRecord& eclipse, double lower, double upper);

// The UT Julian day of a solver instant t: the record's date, T0 hours, then t·3600 − ΔT seconds.
double SolverTimeToJD(const EclipseRecord& eclipse, double t, double deltaT);

}  // namespace zelto
