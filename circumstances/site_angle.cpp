#include "circumstances/site_angle.h"

#include <cctype>

#include "eclipse_data/datetext.h"
#include "eclipse_data/number_text.h"

namespace zelto {

namespace {

// An unsigned decimal number: digits with at most one ".", at least one digit.
bool IsUnsignedDecimal(std::string_view text) {
    int digits = 0;
    int points = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (c == '.') {
            ++points;
        } else {
            return false;
        }
    }
    return digits > 0 && points <= 1;
}

// "d", "d:m" or "d:m:s", each part an unsigned decimal, minutes and seconds below 60.
std::optional<double> UnsignedDegrees(std::string_view text) {
    std::string_view rest = text;
    int count = 0;
    for (;;) {
        if (++count > 3) return std::nullopt;
        const size_t colon = rest.find(':');
        const std::string_view part = rest.substr(0, colon);
        if (!IsUnsignedDecimal(part)) return std::nullopt;
        if (count > 1 && !(*ParseDecimal(part) < 60)) return std::nullopt;
        if (colon == std::string_view::npos) break;
        rest.remove_prefix(colon + 1);
    }
    // Every part is a plain unsigned number, so the reading cannot fail and no sign is involved.
    const SexagesimalReading reading = SexagesimalValue(text);
    if (reading.code != 0) return std::nullopt;
    return reading.value;
}

}  // namespace

std::optional<double> ParseSiteAngle(std::string_view text, SiteAngleKind kind) {
    const std::string trimmed = Trimmed(text);
    std::string_view body = trimmed;
    if (body.empty()) return std::nullopt;

    double hemisphere = 1;
    bool lettered = false;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(body.back())));
    const char positive = kind == SiteAngleKind::kLatitude ? 'N' : 'E';
    const char negative = kind == SiteAngleKind::kLatitude ? 'S' : 'W';
    if (letter == positive || letter == negative) {
        lettered = true;
        hemisphere = letter == negative ? -1 : 1;
        body.remove_suffix(1);
        while (!body.empty() && body.back() == ' ') body.remove_suffix(1);
    }
    if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
        if (lettered) return std::nullopt;
        if (body.front() == '-') hemisphere = -1;
        body.remove_prefix(1);
    }
    const std::optional<double> degrees = UnsignedDegrees(body);
    if (!degrees) return std::nullopt;
    return hemisphere * *degrees;
}

}  // namespace zelto
