#pragma once

#include <optional>
#include <string>

#include "circumstances/map_sweep.h"
#include "circumstances/site.h"
#include "circumstances/site_place.h"

// Other ways to set the site than typing it: a point chosen on the site map, and the fix of a GPS
// receiver (read through a seam the platform implements with gpsd).

namespace zelto {

// The site inputs at a place: latitude and longitude with four decimals (about 10 m) and their
// hemispheres; the height, when given, in whole metres within what the height edit accepts (-500 to
// 25000 m); the ΔT text as it was.
SiteInputs SiteAt(GeoPoint place, std::optional<double> heightMetres, const SiteInputs& current);

// The solved place's position in the map's terms.
GeoPoint PositionOf(const SitePlace& place);

struct GpsFix {
    double latitude = 0;                       // degrees, north positive
    double eastLongitude = 0;                  // degrees, east positive, as receivers give it
    std::optional<double> heightMetres;        // above the ellipsoid, with a 3D fix
    std::optional<double> clockOffsetSeconds;  // system clock − GPS time, when the fix carried a time
};

enum class GpsState {
    NotBuilt,  // the program was built without libgps
    NoGpsd,    // gpsd does not answer
    NoFix,     // gpsd answers, but has no current fix
    Fix,
};

struct GpsStatus {
    GpsState state = GpsState::NotBuilt;
    GpsFix fix;  // with GpsState::Fix
};

class GpsSource {
  public:
    virtual ~GpsSource() = default;
    virtual GpsStatus Latest() = 0;
};

inline constexpr const char* kSiteFromGpsCaption = "Site from GPS";
inline constexpr const char* kNoGpsdCaption = "no GPS (gpsd not running)";

// Why a fix cannot be a site (latitude beyond ±90°, longitude beyond ±180°, height outside -500 to
// 25000 m, or not a number), or empty when it can.
std::string GpsFixProblem(const GpsFix& fix);

// The caption of the File menu's GPS item; it is enabled only with a usable fix, and says why not.
std::string GpsItemCaption(const GpsStatus& status);

// The site inputs from a usable fix, as SiteAt gives them; nullopt for a fix GpsFixProblem refuses.
std::optional<SiteInputs> SiteFromGps(const GpsFix& fix, const SiteInputs& current);

}  // namespace zelto
