#include "eclipse_data/variables.h"

#include "eclipse_data/julian.h"

namespace zelto {

SharedVariables& Shared() {
    static SharedVariables* instance = [] {
        auto* shared = new SharedVariables();
        FillEclipseCatalog(shared->eclipse.EclipseCatalog);
        return shared;
    }();
    return *instance;
}

double ChooseDeltaT(const EclipseState& state) {
    if (state.ManualDeltaTOn) return state.ManualDeltaT;
    return DeltaTForDate(state.CurrentEclipse.Year, state.CurrentEclipse.Month);
}

void SelectCatalogEclipse(EclipseState& state, int number) {
    state.SelectedEclipse = number;
    state.CurrentEclipse = CatalogRecord(state.EclipseCatalog, number);
    state.DeltaT = ChooseDeltaT(state);
}

std::string WithTrailingSeparator(const std::string& folder, char separator) {
    if (folder.empty() || folder.back() == separator) return folder;
    return folder + separator;
}

}  // namespace zelto
