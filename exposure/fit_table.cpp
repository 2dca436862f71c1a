#include "exposure/fit_table.h"

#include <array>
#include <cmath>
#include <optional>

#include "circumstances/contact_display.h"
#include "circumstances/site.h"
#include "circumstances/solver.h"
#include "eclipse_data/datetext.h"

namespace zelto {

namespace {

constexpr double kSecondsPerDay = 86400;

// The solver's contacts at a site as UT Julian days on the generator's 0.1-s grid; nullopt for a
// contact not computed there.
struct SiteContacts {
    char type = '-';
    std::array<std::optional<double>, kContactSlots> jd;
};

SiteContacts ContactsAt(const TableFileSite& site, const EclipseRecord& eclipse, double deltaT) {
    SiteInputs inputs;
    inputs.Lati = site.Latitude;
    inputs.NS = site.North ? "N" : "S";
    inputs.Long = site.Longitude;
    inputs.EW = site.East ? "E" : "W";
    inputs.Height = site.Height;
    StadtType place = PlaceOf(inputs);
    ComputeLocalCircumstances(eclipse, deltaT, place);
    SiteContacts contacts;
    contacts.type = place.LocalType;
    if (place.LocalType == '-') return contacts;
    for (int slot = 0; slot < kContactSlots; ++slot) {
        if (place.SolarAltitude[static_cast<size_t>(slot)] != kAltitudeNotComputed)
            contacts.jd[static_cast<size_t>(slot)] =
                RoundedToTenthSecond(SolverTimeToJD(eclipse, place.ContactTime[static_cast<size_t>(slot)], deltaT));
    }
    return contacts;
}

std::string KindName(char type) {
    switch (type) {
        case 't': return "a total eclipse";
        case 'a': return "an annular eclipse";
        case 'p': return "a partial eclipse";
        default: return "no eclipse";
    }
}

// The phase an instant falls in: how many of the phase boundaries (C1, C2, C3, C4, those known at
// both sites) it has reached. Maximum separates no phases.
int PhaseOf(double jd, const SiteContacts& contacts, const SiteContacts& other) {
    int phase = 0;
    for (int slot : {kC1, kC2, kC3, kC4}) {
        const auto& boundary = contacts.jd[static_cast<size_t>(slot)];
        if (boundary && other.jd[static_cast<size_t>(slot)] && jd >= *boundary) ++phase;
    }
    return phase;
}

}  // namespace

TableFit FitTableToSite(const ExposureTable& table, const TableFileSite& tableSite, const TableFileSite& currentSite,
                        const EclipseCatalogTable& catalog, double deltaT) {
    TableFit fit;
    if (table.RowCount() == 0 || table.IsNoTable()) {
        fit.message = "There is no table to fit: create or open one first.";
        return fit;
    }
    if (tableSite.EclipseNumber != currentSite.EclipseNumber) {
        fit.message = "The table is for eclipse " + std::to_string(tableSite.EclipseNumber) + ", the main window shows eclipse " +
                      std::to_string(currentSite.EclipseNumber) + ": select the table's eclipse first.";
        return fit;
    }
    const EclipseRecord& eclipse = CatalogRecord(catalog, currentSite.EclipseNumber);
    const SiteContacts from = ContactsAt(tableSite, eclipse, deltaT);
    const SiteContacts to = ContactsAt(currentSite, eclipse, deltaT);
    if (from.type == '-' || from.type != to.type) {
        fit.message = "The table's site sees " + KindName(from.type) + " and the current site " + KindName(to.type) +
                      ": the table cannot be fitted.";
        return fit;
    }

    fit.table = table;
    for (int row = 0; row < table.RowCount(); ++row) {
        const std::string& text = table.Row(row)[kColumnDateTime];
        if (text.empty()) continue;
        const std::optional<double> instant = ReadDateStrJD(text);
        if (!instant) {
            fit.reviewRows.push_back(row);
            continue;
        }
        // The contact known at both sites that the row was nearest to.
        int nearest = -1;
        for (int slot = 0; slot < kContactSlots; ++slot) {
            const auto& at = from.jd[static_cast<size_t>(slot)];
            if (!at || !to.jd[static_cast<size_t>(slot)]) continue;
            if (nearest < 0 || std::fabs(*instant - *at) < std::fabs(*instant - *from.jd[static_cast<size_t>(nearest)]))
                nearest = slot;
        }
        if (nearest < 0) {
            fit.reviewRows.push_back(row);
            continue;
        }
        const double offset = std::round((*instant - *from.jd[static_cast<size_t>(nearest)]) * kSecondsPerDay * 10) / 10;
        const double moved = *to.jd[static_cast<size_t>(nearest)] + offset / kSecondsPerDay;
        fit.table.SetCell(kColumnDateTime, row, JDText(moved, 1));
        if (PhaseOf(*instant, from, to) != PhaseOf(moved, to, from)) fit.reviewRows.push_back(row);
    }
    fit.fitted = true;
    fit.message = "Table fitted to the current site";
    if (!fit.reviewRows.empty()) {
        fit.message += "; rows to check, which left their phase or have no readable time (marked red):";
        for (int row : fit.reviewRows) fit.message += " " + std::to_string(row + 1);
    }
    fit.message += ". Nothing is saved until you save the table.";
    return fit;
}

}  // namespace zelto
