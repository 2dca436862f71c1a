#pragma once

#include "circumstances/stadt.h"
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
void ComputeLocalCircumstances(const EclipseRecord& eclipse, double deltaT, StadtType& place);

// The instant t at which the shadow axis passes closest to the Earth's centre (0 for a record whose
// axis never turns back toward the centre, which no catalog record does).
double ComputeGreatestEclipseTime(const EclipseRecord& eclipse);

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
