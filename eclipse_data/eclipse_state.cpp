#include "eclipse_data/eclipse_state.h"

#include "eclipse_data/julian.h"

namespace zelto {

double ChooseDeltaT(const EclipseState& state) {
    if (state.ManualDeltaTOn && state.ManualDeltaTUsable) return state.ManualDeltaT;
    return DeltaTForDate(state.CurrentEclipse.Year, state.CurrentEclipse.Month);
}

void SelectCatalogEclipse(EclipseState& state, int number) {
    state.SelectedEclipse = number;
    state.CurrentEclipse = CatalogRecord(state.EclipseCatalog, number);
    state.DeltaT = ChooseDeltaT(state);
}

}  // namespace zelto
