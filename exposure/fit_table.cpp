#include "exposure/fit_table.h"

#include <array>
#include <cmath>
#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "circumstances/contact_display.h"
#include "circumstances/site.h"
#include "circumstances/solver.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/julian.h"
#include "eclipse_data/number_text.h"

namespace zelto {

namespace {

// Instants on the 0.1-s grid that are meant to be equal may differ in their last bits.
constexpr double kSameInstant = 0.05 / kSecondsPerDay;

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
    SitePlace place = PlaceOf(inputs);
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
        if (boundary && other.jd[static_cast<size_t>(slot)] && jd >= *boundary - kSameInstant) ++phase;
    }
    return phase;
}


constexpr const char* kContactNames[kContactSlots] = {"C1", "C2", "Mx", "C3", "C4"};

std::string SignedSeconds(double seconds) {
    return (seconds < 0 ? "- " : "+ ") + FixedText(std::fabs(seconds), 1) + " s";
}

// The contact known at both sites that an instant at the table's site lies nearest to; -1 when none.
int NearestContact(double instant, const SiteContacts& from, const SiteContacts& to) {
    int nearest = -1;
    for (int slot = 0; slot < kContactSlots; ++slot) {
        const auto& at = from.jd[static_cast<size_t>(slot)];
        if (!at || !to.jd[static_cast<size_t>(slot)]) continue;
        if (nearest < 0 || std::fabs(instant - *at) < std::fabs(instant - *from.jd[static_cast<size_t>(nearest)]))
            nearest = slot;
    }
    return nearest;
}

// A row on its way to the new site.
struct MovedRow {
    int row = 0;
    double old = 0;     // its instant at the table's site
    int anchor = 0;     // the contact it keeps its offset from
    double offset = 0;  // seconds from that contact, to 0.1 s
    double kept = 0;    // the instant that keeps the offset
    double jd = 0;      // the instant it gets
    int phase = 0;      // its phase at the table's site
    bool proportional = false;  // placed in proportion within its phase
};

MovedRow MoveRow(int row, double instant, int anchor, const SiteContacts& from, const SiteContacts& to) {
    MovedRow m{row, instant, anchor};
    m.offset = std::round((instant - *from.jd[static_cast<size_t>(anchor)]) * kSecondsPerDay * 10) / 10;
    m.kept = m.jd = *to.jd[static_cast<size_t>(anchor)] + m.offset / kSecondsPerDay;
    m.phase = PhaseOf(instant, from, to);
    return m;
}

// The boundaries of a phase (the contacts known at both sites that open and close it) at a site.
struct PhaseSpan {
    std::optional<double> begin, end;
};

PhaseSpan SpanOf(int phase, const SiteContacts& contacts, const SiteContacts& other) {
    PhaseSpan span;
    int reached = 0;
    for (int slot : {kC1, kC2, kC3, kC4}) {
        const auto& boundary = contacts.jd[static_cast<size_t>(slot)];
        if (!boundary || !other.jd[static_cast<size_t>(slot)]) continue;
        ++reached;
        if (reached == phase) span.begin = boundary;
        if (reached == phase + 1) span.end = boundary;
    }
    return span;
}

// Where a row between two fixed points goes: in proportion between them, or at its old distance
// from the one there is.
struct FixedPoint {
    double old = 0, now = 0;
};

double Between(double old, const std::optional<FixedPoint>& left, const std::optional<FixedPoint>& right,
               double kept) {
    if (left && right && right->old > left->old)
        return left->now + (old - left->old) * (right->now - left->now) / (right->old - left->old);
    if (left) return left->now + (old - left->old);
    if (right) return right->now + (old - right->old);
    return kept;
}

// Rows of one phase keep their offsets while they stay in that phase and in the order they had. The
// rows that would cross another or leave the phase are spread in proportion between the nearest rows
// that keep theirs (or the phase's boundaries), and so are the rows they would then cross, until the
// phase is in order: each round places at least one more row, so this ends.
void KeepOrderInPhase(std::vector<MovedRow*>& rows, const PhaseSpan& old, const PhaseSpan& now) {
    std::sort(rows.begin(), rows.end(), [](const MovedRow* a, const MovedRow* b) {
        return a->old != b->old ? a->old < b->old : a->row < b->row;
    });
    const size_t n = rows.size();
    std::vector<double> latestBefore(n), earliestAfter(n);
    std::optional<FixedPoint> begin, end;
    if (old.begin && now.begin) begin = FixedPoint{*old.begin, *now.begin};
    if (old.end && now.end) end = FixedPoint{*old.end, *now.end};
    for (bool changed = true; changed;) {
        changed = false;
        for (size_t i = 0; i < n; ++i)
            latestBefore[i] = i == 0 ? -1e300 : std::max(latestBefore[i - 1], rows[i - 1]->jd);
        for (size_t i = n; i-- > 0;)
            earliestAfter[i] = i + 1 == n ? 1e300 : std::min(earliestAfter[i + 1], rows[i + 1]->jd);
        for (size_t i = 0; i < n; ++i) {
            MovedRow& m = *rows[i];
            if (m.proportional) continue;
            const bool outside =
                (now.begin && m.jd < *now.begin - kSameInstant) || (now.end && m.jd >= *now.end - kSameInstant);
            if (!outside && latestBefore[i] <= m.jd && earliestAfter[i] >= m.jd) continue;
            m.proportional = changed = true;
        }
        // Every placed row anew, between the rows that keep their offsets around it.
        std::optional<FixedPoint> left = begin;
        for (size_t i = 0; i < n; ++i) {
            if (!rows[i]->proportional) {
                left = FixedPoint{rows[i]->old, rows[i]->jd};
                continue;
            }
            std::optional<FixedPoint> right = end;
            for (size_t j = i + 1; j < n; ++j) {
                if (!rows[j]->proportional) {
                    right = FixedPoint{rows[j]->old, rows[j]->jd};
                    break;
                }
            }
            rows[i]->jd = RoundedToTenthSecond(Between(rows[i]->old, left, right, rows[i]->kept));
        }
    }
}

void KeepOrderInPhases(std::vector<MovedRow>& rows, const SiteContacts& from, const SiteContacts& to) {
    std::map<int, std::vector<MovedRow*>> phases;
    for (MovedRow& m : rows) phases[m.phase].push_back(&m);
    for (auto& [phase, members] : phases) KeepOrderInPhase(members, SpanOf(phase, from, to), SpanOf(phase, to, from));
}

// The moved instants into the fitted table; the rows placed in proportion are listed with what
// they were and what they became.
void WriteMovedRows(const std::vector<MovedRow>& moved, const SiteContacts& to, TableFit& fit) {
    for (const MovedRow& m : moved) {
        fit.table.SetCell(kColumnDateTime, m.row, JDText(m.jd, 1));
        if (!m.proportional || m.jd == m.kept) continue;
        const double anchor = *to.jd[static_cast<size_t>(m.anchor)];
        const double now = std::round((m.jd - anchor) * kSecondsPerDay * 10) / 10;
        fit.reviewRows.push_back(m.row);
        fit.notes.push_back("row " + std::to_string(m.row + 1) + ": " + kContactNames[m.anchor] + " " +
                            SignedSeconds(m.offset) + " no longer fits its phase here; now " +
                            kContactNames[m.anchor] + " " + SignedSeconds(now) + " (" + JDText(m.jd, 1).substr(11) +
                            ")");
    }
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
    std::vector<MovedRow> moved;
    for (int row = 0; row < table.RowCount(); ++row) {
        const std::string& text = table.Row(row)[kColumnDateTime];
        if (text.empty()) continue;
        const std::optional<double> instant = ReadDateStrJD(text);
        if (!instant) {
            fit.reviewRows.push_back(row);
            fit.notes.push_back("row " + std::to_string(row + 1) + ": no readable time, left as it was");
            continue;
        }
        const int anchor = NearestContact(*instant, from, to);
        if (anchor < 0) {
            fit.reviewRows.push_back(row);
            fit.notes.push_back("row " + std::to_string(row + 1) + ": no contact known at both sites, left as it was");
            continue;
        }
        moved.push_back(MoveRow(row, *instant, anchor, from, to));
    }
    KeepOrderInPhases(moved, from, to);
    WriteMovedRows(moved, to, fit);
    std::sort(fit.reviewRows.begin(), fit.reviewRows.end());
    fit.fitted = true;
    fit.message = "Table fitted to the current site";
    if (!fit.reviewRows.empty()) {
        fit.message += "; rows to check, whose offset no longer fits their phase or that have no readable time "
                       "(marked red):";
        for (const std::string& note : fit.notes) fit.message += "\n" + note;
        fit.message += "\n";
    } else {
        fit.message += ". ";
    }
    fit.message += "Nothing is saved until you save the table.";
    return fit;
}

}  // namespace zelto
