#pragma once

#include <optional>
#include <string_view>

// Latitudes and longitudes typed as text, for the command-line tool and any other caller that reads
// a site from words rather than from the site panel's edits.

namespace zelto {

enum class SiteAngleKind { kLatitude, kLongitude };

// Reads decimal degrees ("25", "-103.5", "+7.25"), decimal degrees with a trailing hemisphere letter
// ("25N", "103.5w"), or degrees:minutes[:seconds] with a letter or a leading sign ("45:30S",
// "-45:30:15"). Latitudes take N/S, longitudes E/W. The result is in degrees, north and east
// positive; nullopt when the text is none of these. A sign and a letter together are refused as
// ambiguous, and minutes or seconds of 60 or more as a typing error. The range is not checked.
std::optional<double> ParseSiteAngle(std::string_view text, SiteAngleKind kind);

}  // namespace zelto
