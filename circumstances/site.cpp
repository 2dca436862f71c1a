#include "circumstances/site.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "circumstances/site_angle.h"
#include "circumstances/solver.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/julian.h"
#include "eclipse_data/number_text.h"

namespace zelto {

namespace {

bool Keeps(char c, bool colon) {
    return (c >= '0' && c <= '9') || c == '.' || (colon && c == ':');
}

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
double AngleUsed(std::string_view text, double modulus) {
    return Reduced(AngleValue(text), modulus);
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The magnitude of an angle text in use, as the note names it.
std::string AngleInUse(const std::string& text, const std::string& hemisphere) {
    return FixedText(AngleValue(text), 4) + " " + hemisphere;
}

std::string NotUsedNote(const std::string& reason, const std::string& stillInUse) {
    return reason + "\nnot used: still " + stillInUse;
}

SiteEdit HeightEditChange(std::string_view typed, const SiteInputs& inUse) {
    SiteEdit edit;
    edit.text = std::string(typed);
    const std::string trimmed = Trimmed(typed);
    const std::string height = CleanHeightText(trimmed);
    if (!height.empty()) {
        edit.used = height;
    } else {
        const std::string reason = trimmed.empty()
                                       ? std::string("no height given")
                                       : "\"" + trimmed + "\" is not a height from -500 to 25000 m";
        edit.note = NotUsedNote(reason, PlainText(ParseDecimal(inUse.Height).value_or(0)) + " m");
    }
    return edit;
}

SiteEdit AngleEditChange(bool latitude, std::string_view typed, std::string_view listHemisphere,
                         const SiteInputs& inUse) {
    const char positive = latitude ? 'N' : 'E';
    const char negative = latitude ? 'S' : 'W';
    const std::string trimmed = Trimmed(typed);
    std::string body = trimmed;
    char letter = 0;
    if (!body.empty() && (Upper(body.back()) == positive || Upper(body.back()) == negative)) {
        letter = Upper(body.back());
        body = Trimmed(body.substr(0, body.size() - 1));
    }
    bool signAndLetter = false;
    if (!body.empty() && (body.front() == '-' || body.front() == '+')) {
        signAndLetter = letter != 0;
        if (letter == 0) letter = body.front() == '-' ? negative : positive;
        body.erase(0, 1);
    }

    SiteEdit edit;
    // The edit keeps the magnitude once a sign or letter has chosen the hemisphere.
    edit.text = letter != 0 ? body : std::string(typed);
    if (letter != 0) edit.hemisphere.assign(1, letter);
    const std::string hemisphere = letter != 0 ? edit.hemisphere : std::string(listHemisphere);
    const std::optional<std::string> plain = PlainAngleText(body);
    const double limit = latitude ? 90 : 180;
    std::string reason;
    if (signAndLetter) {
        reason = "a sign and a hemisphere letter together";
    } else if (!plain) {
        reason = body.empty() ? "no angle given" : "\"" + body + "\" is not degrees, d:m or d\u00b0m'";
    } else if (SexagesimalValue(*plain).value > limit) {
        reason = (latitude ? "a latitude goes up to 90\u00b0" : "a longitude goes up to 180\u00b0");
    } else {
        edit.used = plain;
        return edit;
    }
    edit.note = NotUsedNote(reason, AngleInUse(latitude ? inUse.Lati : inUse.Long, hemisphere));
    return edit;
}

}  // namespace

SiteEdit SiteEditChange(SiteField field, std::string_view typed, std::string_view hemisphere,
                        const SiteInputs& inUse) {
    if (field == SiteField::Height) return HeightEditChange(typed, inUse);
    return AngleEditChange(field == SiteField::Latitude, typed, hemisphere, inUse);
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

std::string CleanAngleText(std::string_view text) {
    return KeepOnly(text, true);
}

bool AngleTextReadable(std::string_view text) {
    return SexagesimalValue(text).code == 0;
}

std::string CleanHeightText(std::string_view text) {
    std::string trimmed = Trimmed(text);
    if (trimmed.empty()) return trimmed;
    const std::optional<double> metres = ParseDecimal(trimmed);  // a plain number: "1e3" is a slip
    if (!metres || *metres < kMinHeight || *metres > kMaxHeight) return {};
    return trimmed;
}

std::string CleanDeltaTText(std::string_view text) {
    return KeepOnly(text, false);
}

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

SitePlace PlaceOf(const SiteInputs& site) {
    SitePlace place;
    place.Latitude = SignedLatitude(site) * kRadians;
    place.Longitude = WestLongitude(site) * kRadians;
    place.Height = ParseDecimal(site.Height).value_or(0.0);
    return place;
}

SiteView ApplySite(const SiteInputs& site, MapSize map, EclipseState& eclipse, SitePlace& place) {
    SiteView view;
    const SitePlace named = PlaceOf(site);

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
    eclipse.GreatestEclipseJD =
        SolverTimeToJD(eclipse.CurrentEclipse, eclipse.GreatestEclipseTime, eclipse.DeltaT);
}

EclipseHeader SelectEclipse(EclipseState& eclipse, int position, std::string_view captionPrefix) {
    SelectCatalogEclipse(eclipse, std::clamp(position, 1, kEclipseCount));
    UpdateGreatestEclipse(eclipse);
    return ShowEclipseHeader(eclipse.CurrentEclipse, eclipse.GreatestEclipseJD, eclipse.DeltaT,
                             captionPrefix);
}

DeltaTEdit ReadDeltaTEdit(std::string_view text) {
    DeltaTEdit edit;
    edit.text = CleanDeltaTText(text);
    const DecimalReading reading = DeltaTReading(edit.text);
    std::string reason;
    if (edit.text.empty()) {
        reason = "no DeltaT given";
    } else if (reading.code != 0) {
        reason = "\"" + edit.text + "\" is not a number of seconds";
    } else if (reading.value < 0 || reading.value > kMaxManualDeltaT) {
        reason = "\"" + edit.text + "\" is not a DeltaT from 0 to 500 s";
    } else {
        edit.manualDeltaT = reading.value;
        edit.applied = true;
        if (edit.text != Trimmed(text))
            edit.note = "Used: DeltaT " + edit.text + " s (only digits and \".\" are kept)";
        return edit;
    }
    edit.note = reason + "\nnot used: the automatic DeltaT is in use";
    return edit;
}

DeltaTEdit DeltaTEditChange(std::string_view text, EclipseState& eclipse) {
    DeltaTEdit edit = ReadDeltaTEdit(text);
    eclipse.ManualDeltaTUsable = edit.applied;
    if (!edit.applied) {
        eclipse.DeltaT = ChooseDeltaT(eclipse);
        UpdateGreatestEclipse(eclipse);
        edit.note += " (" +
                     FixedText(DeltaTForDate(eclipse.CurrentEclipse.Year, eclipse.CurrentEclipse.Month), 1) +
                     " s)";
        return edit;
    }
    eclipse.ManualDeltaT = edit.manualDeltaT;
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
