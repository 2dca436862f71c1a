#pragma once

#include <optional>
#include <string>
#include <string_view>

// Latitudes and longitudes typed as text, for the command-line tool and any other caller that reads
// a site from words rather than from the site panel's edits.

namespace zelto {

enum class SiteAngleKind { kLatitude, kLongitude };

// Reads decimal degrees ("25", "-103.5", "+7.25", "25,6872"), decimal degrees with a trailing hemisphere
// letter ("25N", "103.5w"), or degrees, minutes and seconds with a letter or a leading sign ("45:30S",
// "-45:30:15", "32°38'23\"", "32° 38.5' W"). Latitudes take N/S, longitudes E/W. The result is in degrees,
// north and east positive; nullopt when the text is none of these. A sign and a letter together are refused
// as ambiguous, and minutes or seconds of 60 or more as a typing error. The range is not checked.
std::optional<double> ParseSiteAngle(std::string_view text, SiteAngleKind kind);

// An unsigned angle in the notation the parameter and table files keep ("." decimals, ":" between
// degrees, minutes and seconds): "25,5" gives "25.5", "32°38'23\"" gives "32:38:23". nullopt when
// the text is not degrees, d:m or d:m:s in any of the accepted notations.
std::optional<std::string> PlainAngleText(std::string_view text);

}  // namespace zelto
