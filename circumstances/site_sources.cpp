#include "circumstances/site_sources.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "eclipse_data/number_text.h"

namespace zelto {

SiteInputs SiteAt(GeoPoint place, std::optional<double> heightMetres, const SiteInputs& current) {
    SiteInputs site = current;
    const double west = std::remainder(place.westLongitude, 360.0);
    site.Lati = FixedText(std::fabs(place.latitude), 4);
    site.NS = place.latitude < 0 ? "S" : "N";
    site.Long = FixedText(std::fabs(west), 4);
    site.EW = west < 0 ? "E" : "W";
    if (heightMetres) site.Height = FixedText(std::clamp(*heightMetres, kMinHeight, kMaxHeight), 0);
    return site;
}

GeoPoint PositionOf(const SitePlace& place) {
    constexpr double kDegrees = 180 / std::numbers::pi;
    return {place.Latitude * kDegrees, place.Longitude * kDegrees};
}

std::string GpsFixProblem(const GpsFix& fix) {
    const auto outside = [](double value, double low, double high) {
        return !(value >= low && value <= high);
    };
    if (outside(fix.latitude, -90, 90))
        return "latitude " + PlainText(fix.latitude) + "\u00b0 is beyond \u00b190\u00b0";
    if (outside(fix.eastLongitude, -180, 180))
        return "longitude " + PlainText(fix.eastLongitude) + "\u00b0 is beyond \u00b1180\u00b0";
    if (fix.heightMetres && outside(*fix.heightMetres, kMinHeight, kMaxHeight))
        return "height " + PlainText(*fix.heightMetres) + " m is outside -500 to 25000 m";
    return {};
}

std::string GpsItemCaption(const GpsStatus& status) {
    switch (status.state) {
        case GpsState::NotBuilt:
            return "no GPS (built without libgps)";
        case GpsState::NoGpsd:
            return kNoGpsdCaption;
        case GpsState::NoFix:
            return "Site from GPS (waiting for a fix)";
        case GpsState::Fix: {
            const std::string problem = GpsFixProblem(status.fix);
            return problem.empty() ? kSiteFromGpsCaption : "Site from GPS (fix not used: " + problem + ")";
        }
    }
    return kNoGpsdCaption;
}

std::optional<SiteInputs> SiteFromGps(const GpsFix& fix, const SiteInputs& current) {
    if (!GpsFixProblem(fix).empty()) return std::nullopt;
    return SiteAt({fix.latitude, -fix.eastLongitude}, fix.heightMetres, current);
}

}  // namespace zelto
