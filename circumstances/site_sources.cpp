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
    if (heightMetres) site.Height = FixedText(std::clamp(*heightMetres, 0.0, kMaxHeight), 0);
    return site;
}

GeoPoint PositionOf(const StadtType& place) {
    constexpr double kDegrees = 180 / std::numbers::pi;
    return {place.Latitude * kDegrees, place.Longitude * kDegrees};
}

std::string GpsItemCaption(GpsState state) {
    switch (state) {
        case GpsState::NotBuilt: return "no GPS (built without libgps)";
        case GpsState::NoGpsd: return kNoGpsdCaption;
        case GpsState::NoFix: return "Site from GPS (waiting for a fix)";
        case GpsState::Fix: return kSiteFromGpsCaption;
    }
    return kNoGpsdCaption;
}

SiteInputs SiteFromGps(const GpsFix& fix, const SiteInputs& current) {
    return SiteAt({fix.latitude, -fix.eastLongitude}, fix.heightMetres, current);
}

}  // namespace zelto
