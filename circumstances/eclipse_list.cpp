#include "circumstances/eclipse_list.h"

#include <cmath>

#include "circumstances/contact_display.h"
#include "circumstances/solver.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/julian.h"

namespace zelto {

namespace {

std::optional<double> CentralSecondsAtGreatest(const EclipseRecord& eclipse) {
    const double deltaT = DeltaTForDate(eclipse.Year, eclipse.Month);
    const std::optional<SitePlace> place = GreatestEclipsePlace(eclipse, deltaT);
    if (!place) return std::nullopt;
    const MaximumCircumstances maximum =
        ComputeMaximumCircumstances(eclipse, deltaT, *place, true, ComputeGreatestEclipseTime(eclipse));
    if (!maximum.converged || maximum.centralDuration <= 0) return std::nullopt;
    return maximum.centralDuration;
}

}  // namespace

std::vector<EclipseListEntry> EclipseList(const EclipseCatalogTable& catalog) {
    std::vector<EclipseListEntry> list;
    list.reserve(catalog.size());
    for (int number = 1; number <= kEclipseCount; ++number) {
        const EclipseRecord& eclipse = CatalogRecord(catalog, number);
        list.push_back(
            {number, DateTimeText(eclipse.Year, eclipse.Month, eclipse.Day, 0, 0, 0, 0).substr(0, 10),
             std::string(EclipseTypeLongName(eclipse.EclipseType)), CentralSecondsAtGreatest(eclipse)});
    }
    return list;
}

std::string CentralDurationText(std::optional<double> seconds) {
    if (!seconds) return "-";
    const long whole = std::lround(*seconds);
    return std::to_string(whole / 60) + " min " + std::to_string(whole % 60) + " s";
}

}  // namespace zelto
