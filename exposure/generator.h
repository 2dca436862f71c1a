#pragma once

#include <array>
#include <optional>
#include <string>

#include "circumstances/contact_display.h"
#include "eclipse_data/catalog.h"
#include "eclipse_data/eclipse_state.h"
#include "exposure/table.h"

// The exposure-table generator: builds the whole schedule of a partial, total or annular eclipse
// from the contact instants at the site and the options of the exposure window.

namespace zelto {

// 16·(C1≠0) + 8·(C2≠0) + 4·(Mx≠0) + 2·(C3≠0) + (C4≠0).
int VisibilityCode(const std::array<double, kContactSlots>& contactJD);

// A table can be built for a partial eclipse with maximum visible (5, 20, 21) or a central one with
// C2, maximum and C3 visible (15, 30, 31); first or last contact may lie below the horizon.
bool GeneratorAllowed(int visibilityCode);

// Why the contacts in view at a site (LocalType and visibility code) allow no table, in words for the
// exposure window and zelto-cli; empty when GeneratorAllowed.
std::string NoTableReason(char localType, int visibilityCode);

// The options of the exposure window. Each member starts as the window's start choice; the
// k...WhenNone constants are the values taken when no choice of a group is selected.
struct ExposureOptions {
    int PartialInterval = 5;   // minutes between partial-phase pictures, 1 to 9
    int BeadsSpan = 8;         // seconds around C2 and C3 of a total eclipse: 6, 8 or 10
    int BrokenRingSpan = 8;    // the same for an annular eclipse
    int AnnularInterval = 10;  // seconds between pictures during annularity: 5 to 30
    int MaxExposure = 4;       // seconds: 4, or 8 to add the 8 s column to the loop
};
inline constexpr int kPartialIntervalWhenNone = 5;
inline constexpr int kBeadsSpanWhenNone = 6;
inline constexpr int kBrokenRingSpanWhenNone = 8;
inline constexpr int kAnnularIntervalWhenNone = 10;

// The selected texts of the camera-default lists. An empty text (a list a connected camera left
// empty) leaves that cell of every photograph row empty: the run then writes no value for that
// setting and the camera keeps its own.
struct CameraDefaults {
    std::string ImageQuality = "JPGLarFin";
    std::string ISO = "100";
    std::string Aperture = "f/4";
};

struct GeneratorInput {
    std::array<double, kContactSlots> ContactJD{};  // UT, rounded to 0.1 s; 0 when not shown
    int VisibilityCode = 0;                         // as stored when the exposure window was prepared
    // The site's circumstances: LocalType, Longitude, Latitude and the ContactTime slots.
    SitePlace Place;
    EclipseRecord Eclipse{};  // for the sunrise and sunset searches
    double DeltaT = 0;        // seconds
    ExposureOptions Options;
    CameraDefaults Defaults;
};

struct GeneratorResult {
    // false: the visibility code allows no table (or a contact lies beyond the years 1 to 9999, which
    // no solver gives); the table was left untouched and the create button is to be disabled.
    bool Created = false;
    std::string StatusText;              // the kind of eclipse at the site and its contacts, in words
    std::optional<std::string> Heading;  // the totality or annularity heading, total and annular only
};

// The input for the site of the last recompute pass: its shown contacts (and the visibility code
// they give), its circumstances, the selected eclipse and ΔT, with the options and defaults chosen.
GeneratorInput GeneratorInputForSite(const ContactState& contacts, const EclipseState& eclipse,
                                     const ExposureOptions& options, const CameraDefaults& defaults);

// Replaces `table` with the schedule for the input (or leaves it untouched when the gate refuses).
GeneratorResult CreateExposureTable(const GeneratorInput& input, ExposureTable& table);

// The heading of a total ('t') or annular ('a') site, with D = C3 − C2 in seconds.
std::string TableHeaderText(char localType, double c2JD, double c3JD);

// Sunrise or sunset in hours t of the elements, stepping 2.5 s from `start` (backward when
// `forward` is false) until the Sun's geometric altitude at the site is negative. The result lies
// one step beyond the first instant of negative altitude. A search that finds no horizon within a
// day stops there.
double HorizonSearch(const EclipseRecord& eclipse, const SitePlace& place, double deltaT, double start,
                     bool forward);

}  // namespace zelto
