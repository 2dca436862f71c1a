#pragma once

#include "circumstances/stadt.h"
#include "eclipse_data/catalog.h"

// The local-circumstances solver: Besselian elements + place + ΔT → contacts, angles, magnitude, kind.
// Instants inside the solver are hours t of dynamical time from the record's T0.

namespace zelto {

// Fills every computed field of `place` (its Longitude, Latitude and Height are the inputs).
void ComputeLocalCircumstances(const EclipseRecord& eclipse, double deltaT, StadtType& place);

// The instant t at which the shadow axis passes closest to the Earth's centre.
double ComputeGreatestEclipseTime(const EclipseRecord& eclipse);

// The instant t in [lower, upper] at which the penumbra touches the Earth's limb (P1 or P4),
// or time 0 when the search does not converge within its iteration limit.
struct PenumbraContact {
    double time = 0;
    int iterations = 0;
};
PenumbraContact PenumbraContactTime(const EclipseRecord& eclipse, double lower, double upper);

}  // namespace zelto
