#pragma once

#include <optional>
#include <string>
#include <vector>

#include "eclipse_data/catalog.h"

// The catalog as a list a person picks an eclipse from: date, kind, number and how long the central
// phase lasts where it is longest.

namespace zelto {

struct EclipseListEntry {
    int number = 0;    // 1 to 224
    std::string date;  // "2024-04-08"
    std::string kind;  // "Total solar eclipse"
    // Seconds of totality or annularity on the shadow axis at greatest eclipse (ΔT of the date);
    // nullopt for partial and non-central eclipses.
    std::optional<double> centralSeconds;
};

std::vector<EclipseListEntry> EclipseList(const EclipseCatalogTable& catalog);

// "4 min 28 s", or "-" without a central phase.
std::string CentralDurationText(std::optional<double> seconds);

}  // namespace zelto
