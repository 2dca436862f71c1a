#include "circumstances/site.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "circumstances/solver.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/julian.h"
#include "eclipse_data/number_text.h"

namespace zelto {

namespace {

bool Keeps(char c, bool colon) { return (c >= '0' && c <= '9') || c == '.' || (colon && c == ':'); }

std::string KeepOnly(std::string_view text, bool colon) {
    std::string cleaned;
    for (char c : Trimmed(text)) {
        if (Keeps(c, colon)) cleaned += c;
    }
    return cleaned;
}

// The reading of an angle edit: unreadable texts count as 0.
double AngleValue(std::string_view text) {
    const SexagesimalReading reading = SexagesimalValue(text);
    return reading.code == 0 ? reading.value : 0.0;
}

constexpr double kLatitudeModulus = 900;
constexpr double kLongitudeModulus = 1800;

// ManualDeltaT from a cleaned ΔT text. A text with a second "." is read up to it, so "70.5.3"
// counts as 70.5 rather than silently as 0.
DecimalReading DeltaTReading(std::string_view text) {
    DecimalReading reading = ReadDecimal(text);
    if (reading.code == 0 || text.empty()) return reading;
    const size_t first = text.find('.');
    const size_t second = first == std::string_view::npos ? first : text.find('.', first + 1);
    if (second != std::string_view::npos) {
        const DecimalReading leading = ReadDecimal(text.substr(0, second));
        if (leading.code == 0) reading.value = leading.value;
    }
    return reading;
}

// value reduced into [0, modulus); std::fmod is exact, so 950 gives exactly 50.
double Reduced(double value, double modulus) {
    const double r = std::fmod(value, modulus);
    return r < 0 ? r + modulus : r;
}

// The magnitude an angle edit stands for: its reading (0 when unreadable) reduced into [0, modulus).
double AngleUsed(std::string_view text, double modulus) { return Reduced(AngleValue(text), modulus); }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// "Used: 45.5000° S (reason; reason)", or empty without reasons.
std::string UsedNote(const std::string& used, const std::vector<std::string>& reasons) {
    if (reasons.empty()) return {};
    std::string note = "Used: " + used + " (";
    for (size_t i = 0; i < reasons.size(); ++i) note += (i > 0 ? "; " : "") + reasons[i];
    return note + ")";
}

// The first part of a d:m:s text that is not a number (the reading counts it as 0), or empty.
std::string UnreadablePart(std::string_view text) {
    size_t start = 0;
    while (start <= text.size()) {
        const size_t colon = std::min(text.find(':', start), text.size());
        const std::string_view part = text.substr(start, colon - start);
        if (!part.empty() && ReadDecimal(part).code != 0) return std::string(part);
        start = colon + 1;
    }
    return {};
}

SiteEdit HeightEditChange(std::string_view typed) {
    SiteEdit edit;
    const std::string trimmed = Trimmed(typed);
    edit.text = CleanHeightText(trimmed);
    edit.readable = true;  // an empty height counts as 0 m
    if (edit.text.empty()) {
        edit.note = UsedNote("0 m", {trimmed.empty() ? std::string("no height given")
                                                     : "\"" + trimmed + "\" is not a height from 0 to 25000 m"});
    }
    return edit;
}

SiteEdit AngleEditChange(bool latitude, std::string_view typed, std::string_view listHemisphere) {
    const char positive = latitude ? 'N' : 'E';
    const char negative = latitude ? 'S' : 'W';
    std::vector<std::string> reasons;
    std::string body = Trimmed(typed);
    char letter = 0;
    if (!body.empty() && (Upper(body.back()) == positive || Upper(body.back()) == negative)) {
        letter = Upper(body.back());
        body.pop_back();
    }
    if (!body.empty() && (body.front() == '-' || body.front() == '+')) {
        if (letter != 0) {
            reasons.emplace_back("the sign is ignored beside the letter");
        } else {
            letter = body.front() == '-' ? negative : positive;
        }
        body.erase(0, 1);
    }

    SiteEdit edit;
    if (letter != 0) edit.hemisphere.assign(1, letter);
    edit.text = CleanAngleText(body);
    if (edit.text != Trimmed(body)) reasons.emplace_back("only digits, \".\" and \":\" are kept");
    edit.readable = AngleTextReadable(edit.text);
    const double modulus = latitude ? kLatitudeModulus : kLongitudeModulus;
    const double used = AngleUsed(edit.text, modulus);
    if (!edit.readable) {
        reasons.emplace_back(edit.text.empty() ? "no angle given" : "not degrees, d:m or d:m:s");
    } else {
        if (const std::string part = UnreadablePart(edit.text); !part.empty())
            reasons.push_back("\"" + part + "\" is not a number and counts as 0");
        if (used != SexagesimalValue(edit.text).value)
            reasons.push_back("counted modulo " + FixedText(modulus, 0) + "\u00b0");
    }
    const double limit = latitude ? 90 : 180;
    if (used > limit) reasons.push_back("beyond " + FixedText(limit, 0) + "\u00b0");
    const std::string shownHemisphere = letter != 0 ? edit.hemisphere : std::string(listHemisphere);
    edit.note = UsedNote(FixedText(used, 4) + "\u00b0 " + shownHemisphere, reasons);
    return edit;
}

}  // namespace

SiteEdit SiteEditChange(SiteField field, std::string_view typed, std::string_view hemisphere) {
    if (field == SiteField::Height) return HeightEditChange(typed);
    return AngleEditChange(field == SiteField::Latitude, typed, hemisphere);
}

const std::array<std::string_view, 4>& StatusPanelHints() {
    static constexpr std::array<std::string_view, 4> hints = {
        "Latitude in degrees, north positive",
        "Longitude in degrees, west positive (east negative)",
        "Height in metres",
        "DeltaT in seconds (TT - UT)",
    };
    return hints;
}

std::string CleanAngleText(std::string_view text) { return KeepOnly(text, true); }

bool AngleTextReadable(std::string_view text) { return SexagesimalValue(text).code == 0; }

std::string CleanHeightText(std::string_view text) {
    std::string trimmed = Trimmed(text);
    if (trimmed.empty()) return trimmed;
    const std::optional<double> metres = ParseDecimal(trimmed);  // a plain number: "1e3" is a slip
    if (!metres || *metres < 0 || *metres > kMaxHeight) return {};
    return trimmed;
}

std::string CleanDeltaTText(std::string_view text) { return KeepOnly(text, false); }

int LatitudeMarkerTop(double latitudeDegrees, int mapHeight) {
    return static_cast<int>(std::nearbyint(mapHeight / 2 - latitudeDegrees * mapHeight / 180.0));
}

int LongitudeMarkerLeft(double westLongitudeDegrees, int mapWidth) {
    return static_cast<int>(std::nearbyint(mapWidth / 2 - westLongitudeDegrees * mapWidth / 360.0));
}

namespace {

constexpr double kRadians = std::numbers::pi / 180.0;

// The signed latitude and west-positive longitude the inputs name, in degrees.
double SignedLatitude(const SiteInputs& site) {
    const double latitude = AngleUsed(site.Lati, kLatitudeModulus);
    return site.NS == "S" ? -latitude : latitude;
}
double WestLongitude(const SiteInputs& site) {
    const double longitude = AngleUsed(site.Long, kLongitudeModulus);
    return site.EW == "E" ? -longitude : longitude;
}

}  // namespace

StadtType PlaceOf(const SiteInputs& site) {
    StadtType place;
    place.Latitude = SignedLatitude(site) * kRadians;
    place.Longitude = WestLongitude(site) * kRadians;
    place.Height = ParseDecimal(site.Height).value_or(0.0);
    return place;
}

SiteView ApplySite(const SiteInputs& site, MapSize map, EclipseState& eclipse, StadtType& place) {
    SiteView view;
    const StadtType named = PlaceOf(site);

    const double latitude = SignedLatitude(site);
    place.Latitude = named.Latitude;
    view.LatitudeDegrees = latitude;
    view.LatiMarkerTop = LatitudeMarkerTop(latitude, map.height);
    view.StatusPanels[0] = FixedText(latitude, 4);

    const double longitude = WestLongitude(site);
    place.Longitude = named.Longitude;
    view.WestLongitudeDegrees = longitude;
    view.LongMarkerLeft = LongitudeMarkerLeft(longitude, map.width);
    view.StatusPanels[1] = FixedText(longitude, 4);

    place.Height = named.Height;
    view.StatusPanels[2] = FixedText(place.Height, 0);

    view.StatusPanels[3] = FixedText(eclipse.DeltaT, 1);  // the ΔT of the previous pass
    const int number = std::clamp(eclipse.SelectedEclipse, 1, kEclipseCount);
    eclipse.CurrentEclipse = CatalogRecord(eclipse.EclipseCatalog, number);
    eclipse.DeltaT = ChooseDeltaT(eclipse);
    return view;
}

void UpdateGreatestEclipse(EclipseState& eclipse) {
    eclipse.GreatestEclipseTime = ComputeGreatestEclipseTime(eclipse.CurrentEclipse);
    eclipse.GreatestEclipseJD = SolverTimeToJD(eclipse.CurrentEclipse, eclipse.GreatestEclipseTime, eclipse.DeltaT);
}

EclipseHeader SelectEclipse(EclipseState& eclipse, int position, std::string_view captionPrefix) {
    SelectCatalogEclipse(eclipse, std::clamp(position, 1, kEclipseCount));
    UpdateGreatestEclipse(eclipse);
    return ShowEclipseHeader(eclipse.CurrentEclipse, eclipse.GreatestEclipseJD, eclipse.DeltaT, captionPrefix);
}

DeltaTEdit ReadDeltaTEdit(std::string_view text) {
    DeltaTEdit edit;
    edit.text = CleanDeltaTText(text);
    std::vector<std::string> reasons;
    if (edit.text != Trimmed(text)) reasons.emplace_back("only digits and \".\" are kept");
    const DecimalReading reading = DeltaTReading(edit.text);
    // The limit holds for every value the text gives, also one read only up to a second "."
    // ("99999.1.1" would otherwise put 99 999 s in force).
    if (reading.value < 0 || reading.value > kMaxManualDeltaT) {
        reasons.push_back("\"" + edit.text + "\" is not a DeltaT from 0 to 500 s");
        edit.text.clear();  // the emptied edit reads as 0 and stops there
    } else {
        edit.manualDeltaT = reading.value;
        if (reading.code != 0) {
            reasons.emplace_back(edit.text.empty() ? "no DeltaT given" : "not a number of seconds");
        } else {
            edit.applied = true;
        }
    }
    edit.note = UsedNote("DeltaT " + FixedText(edit.manualDeltaT, 1) + " sec", reasons);
    return edit;
}

DeltaTEdit DeltaTEditChange(std::string_view text, EclipseState& eclipse) {
    const DeltaTEdit edit = ReadDeltaTEdit(text);
    eclipse.ManualDeltaT = edit.manualDeltaT;
    if (!edit.applied) return edit;
    // In force even while the check box is off: the next pass restores the automatic value then.
    eclipse.DeltaT = eclipse.ManualDeltaT;
    UpdateGreatestEclipse(eclipse);
    return edit;
}

DeltaTEdit DeltaTCheckClick(bool ticked, std::string_view text, EclipseState& eclipse) {
    const DeltaTEdit edit = DeltaTEditChange(text, eclipse);
    eclipse.ManualDeltaTOn = ticked;
    eclipse.DeltaT = ChooseDeltaT(eclipse);
    UpdateGreatestEclipse(eclipse);
    return edit;
}

}  // namespace zelto
