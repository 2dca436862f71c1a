#include "circumstances/site.h"

#include <algorithm>
#include <cmath>
#include <numbers>

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

}  // namespace

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
    const double latitude = Reduced(AngleValue(site.Lati), 900.0);
    return site.NS == "S" ? -latitude : latitude;
}
double WestLongitude(const SiteInputs& site) {
    const double longitude = Reduced(AngleValue(site.Long), 1800.0);
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
    const DecimalReading reading = DeltaTReading(edit.text);
    // The limit holds for every value the text gives, also one read only up to a second "."
    // ("99999.1.1" would otherwise put 99 999 s in force).
    if (reading.value < 0 || reading.value > kMaxManualDeltaT) {
        edit.text.clear();  // the emptied edit reads as 0 and stops there
        return edit;
    }
    edit.manualDeltaT = reading.value;
    edit.applied = reading.code == 0;
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

std::string DeltaTCheckClick(bool ticked, std::string_view text, EclipseState& eclipse) {
    const DeltaTEdit edit = DeltaTEditChange(text, eclipse);
    eclipse.ManualDeltaTOn = ticked;
    eclipse.DeltaT = ChooseDeltaT(eclipse);
    UpdateGreatestEclipse(eclipse);
    return edit.text;
}

}  // namespace zelto
