// Site texts as they are typed: the angle readers of the command line and the site panel, the height
// and DeltaT edits, and the reading of all of them into the place.
#include <cmath>

#include "circumstances/site.h"
#include "circumstances/site_angle.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/number_text.h"
#include "fuzz_support.h"

using namespace zelto;
using zelto::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(fuzz::Text(data, size));
    for (const SiteAngleKind kind : {SiteAngleKind::kLatitude, SiteAngleKind::kLongitude}) {
        if (const auto degrees = ParseSiteAngle(text, kind))
            Require(std::isfinite(*degrees), "a finite angle");
    }
    Require(std::isfinite(SexagesimalValue(text).value), "a finite sexagesimal value");

    // Each edit's cleaning gives a text it keeps as it is.
    const std::string angle = CleanAngleText(text);
    Require(CleanAngleText(angle) == angle, "the angle edit keeps a cleaned text");
    const std::string height = CleanHeightText(text);
    Require(CleanHeightText(height) == height, "the height edit keeps a cleaned text");
    if (!height.empty()) {
        const auto metres = ParseDecimal(height);
        Require(metres && *metres >= kMinHeight && *metres <= kMaxHeight, "a height from -500 to 25000 m");
    }
    // What an edit puts in use is a site value in range that reads back as itself.
    for (const SiteField field : {SiteField::Latitude, SiteField::Longitude}) {
        const SiteEdit edit = SiteEditChange(field, text, "N", SiteInputs{});
        if (!edit.used) continue;
        const double limit = field == SiteField::Latitude ? 90 : 180;
        Require(PlainAngleText(*edit.used) == *edit.used && SexagesimalValue(*edit.used).value <= limit,
                "a used angle in range, in the files' notation");
    }
    const DeltaTEdit deltaT = ReadDeltaTEdit(text);
    Require(deltaT.manualDeltaT >= 0 && deltaT.manualDeltaT <= kMaxManualDeltaT, "DeltaT 0 to 500 s");
    const DeltaTEdit again = ReadDeltaTEdit(deltaT.text);
    Require(again.text == deltaT.text && again.manualDeltaT == deltaT.manualDeltaT,
            "the DeltaT edit is stable");

    EclipseState eclipse;
    eclipse.EclipseCatalog = BuiltInCatalog();
    SitePlace place;
    const SiteView view = ApplySite({angle, "S", angle, "E", height, deltaT.text}, MapSize{}, eclipse, place);
    Require(std::fabs(view.LatitudeDegrees) < 900 && std::fabs(view.WestLongitudeDegrees) < 1800,
            "angles reduced into their ranges");
    Require(std::isfinite(place.Latitude) && std::isfinite(place.Longitude) && std::isfinite(place.Height),
            "a finite place");
    return 0;
}
