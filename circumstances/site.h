#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "circumstances/contact_display.h"
#include "eclipse_data/eclipse_state.h"

// The observer-site inputs: cleaning of the edits, the reading of the inputs into the place at the
// start of every recompute pass (with the map marker and the status line), the eclipse selection and
// the ΔT handlers.

namespace zelto {

// The site inputs as the main window's edits and pick lists hold them, texts as typed (cleaned).
struct SiteInputs {
    std::string Lati = "25.0000";   // latitude magnitude, degrees or d:m or d:m:s
    std::string NS = "N";           // "N" or "S"
    std::string Long = "103.5000";  // longitude magnitude
    std::string EW = "W";           // "E" or "W"
    std::string Height = "800";     // metres; empty counts as 0
    std::string DeltaTText = "71";  // the typed ΔT, seconds
};

// Latitude and longitude edits: blanks trimmed, then every character other than a digit, "." or ":"
// removed.
std::string CleanAngleText(std::string_view text);
// True when the cleaned text reads as degrees, d:m or d:m:s (the handler then runs a pass).
bool AngleTextReadable(std::string_view text);

// Height edit: the trimmed text, or empty when it is not a number from -500 to 25000 m.
std::string CleanHeightText(std::string_view text);

// ΔT edit: blanks trimmed, every character other than a digit or "." removed.
std::string CleanDeltaTText(std::string_view text);

inline constexpr double kMinHeight = -500;
inline constexpr double kMaxHeight = 25000;
inline constexpr double kMaxManualDeltaT = 500;

enum class SiteField { Latitude, Longitude, Height };

// A change of the latitude, longitude or height edit, as its handler takes it. In the angle edits a
// leading "-" or "+" or a trailing hemisphere letter (N/S, E/W, either case) chooses the hemisphere
// and the edit keeps the magnitude, so "-96.80" means 96.80° W whatever the list showed. Angles are
// read with a decimal comma too, and as degrees, minutes and seconds with ° ' " marks or ":".
struct SiteEdit {
    std::string text;        // what the edit holds afterwards
    std::string hemisphere;  // "N"/"S" or "E"/"W" chosen by a sign or letter; empty: the list stays
    // The value put in use, in the notation the files keep ("25.6872", "32:38:23", "-430"); empty
    // when the text cannot be read or is out of range: the last valid value then stays in use.
    std::optional<std::string> used;
    // Not empty when the text is not used: the edit shows red with this text as its tooltip.
    std::string note;
};
// `hemisphere` is what the list shows now ("N", "S", "E", "W"; unused for the height); `inUse` is the
// site in use, which the note names when the edit is not used.
SiteEdit SiteEditChange(SiteField field, std::string_view typed, std::string_view hemisphere,
                        const SiteInputs& inUse);

// The status line's four panels, as their tooltips name them.
const std::array<std::string_view, 4>& StatusPanelHints();

// The map panel in pixels (343 × 171 at normal window size).
struct MapSize {
    int width = 343;
    int height = 171;
};

// Top edge of the latitude bar and left edge of the longitude bar (west-positive degrees), so that
// northern places lie above and eastern places right of the centre.
int LatitudeMarkerTop(double latitudeDegrees, int mapHeight);
int LongitudeMarkerLeft(double westLongitudeDegrees, int mapWidth);

// What the window shows of the site after ApplySite.
struct SiteView {
    std::array<std::string, 4>
        StatusPanels;  // latitude, longitude (west positive), height, ΔT before the pass
    int LatiMarkerTop = 0;
    int LongMarkerLeft = 0;
    double LatitudeDegrees = 0;       // signed, after the reduction
    double WestLongitudeDegrees = 0;  // west positive, after the reduction
};

// The place the inputs name: Latitude, Longitude and Height set as the first step of a pass sets them.
SitePlace PlaceOf(const SiteInputs& site);

// The first step of every recompute pass: the inputs into the place (radians, west positive; an
// unreadable angle or height counts as 0; latitudes reduce modulo 900 and longitudes modulo 1800),
// the selected record into CurrentEclipse and the ΔT in force into DeltaT.
SiteView ApplySite(const SiteInputs& site, MapSize map, EclipseState& eclipse, SitePlace& place);

// GreatestEclipseTime and its UT Julian day for the current eclipse and ΔT.
void UpdateGreatestEclipse(EclipseState& eclipse);

// The eclipse scroll bar moved to `position` (1 to 224): selects that record, chooses ΔT, computes
// greatest eclipse and returns the header.
EclipseHeader SelectEclipse(EclipseState& eclipse, int position, std::string_view captionPrefix);

// The ΔT edit changed to `text`. A number of seconds from 0 to 500 becomes ManualDeltaT and, for now,
// the ΔT in force, and greatest eclipse is recomputed (applied = true, the header then follows). Any
// other text keeps ManualDeltaT and marks it unusable: while manual ΔT is on, the automatic ΔT is then
// in force, and the note says so.
struct DeltaTEdit {
    std::string text;         // what the edit holds afterwards (digits and "." only)
    double manualDeltaT = 0;  // the value ManualDeltaT takes when applied
    bool applied = false;
    // Not empty when the text is not used as typed: why, and what is in use instead. The edit then
    // shows red with this tooltip.
    std::string note;
};
// The cleaning and reading alone, without touching any state.
DeltaTEdit ReadDeltaTEdit(std::string_view text);
DeltaTEdit DeltaTEditChange(std::string_view text, EclipseState& eclipse);

// The manual-ΔT check box was clicked (now `ticked`): runs the edit handler on `text`, then sets the
// ΔT in force (typed or automatic) and recomputes greatest eclipse. Returns the edit's result.
DeltaTEdit DeltaTCheckClick(bool ticked, std::string_view text, EclipseState& eclipse);

}  // namespace zelto
