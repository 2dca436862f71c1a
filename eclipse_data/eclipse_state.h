#pragma once

#include "eclipse_data/catalog.h"

namespace zelto {

// The catalog, the selected eclipse and the global instants computed from its elements.
struct EclipseState {
    EclipseCatalogTable EclipseCatalog{};
    int SelectedEclipse = 51;
    EclipseRecord CurrentEclipse{};
    double DeltaT = 0;               // seconds, the ΔT in force
    double ManualDeltaT = 71;        // seconds, as typed
    bool ManualDeltaTOn = false;     // the manual-ΔT check box is ticked
    bool ManualDeltaTUsable = true;  // the ΔT edit holds a value from 0 to 500 s
    double GreatestEclipseTime = 0;  // hours t
    double GreatestEclipseJD = 0;    // UT
    double P1Time = 0;               // hours t
    double P4Time = 0;               // hours t
};

// ΔT for the current eclipse: the typed value when manual ΔT is on, else the automatic ΔT of the
// record's year and month.
double ChooseDeltaT(const EclipseState& state);

// Selecting eclipse n (1 to 224): SelectedEclipse := n, CurrentEclipse := record n, then ΔT is chosen.
void SelectCatalogEclipse(EclipseState& state, int number);

}  // namespace zelto
