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

// A degree, minute or second mark (ASCII or Unicode). Returns its length in bytes, 0 when `text`
// does not start with one.
size_t MarkLength(std::string_view text) {
    static constexpr std::string_view kMarks[] = {"\u00b0", "\u00ba", "\u2032", "\u2033", "'", "\""};
    for (std::string_view mark : kMarks) {
        if (text.substr(0, mark.size()) == mark) return mark.size();
    }
    return 0;
}

}  // namespace

std::optional<std::string> PlainAngleText(std::string_view text) {
    std::string plain;
    bool afterMark = false;  // a mark was read: the next number starts a new part
    for (size_t i = 0; i < text.size();) {
        if (const size_t length = MarkLength(text.substr(i)); length > 0) {
            afterMark = true;
            i += length;
        } else if (text[i] == ' ') {
            // Blanks may stand beside marks ("32° 38'"), never between two digits of a number.
            const size_t next = text.find_first_not_of(' ', i);
            if (!afterMark && !plain.empty() && next != std::string_view::npos &&
                MarkLength(text.substr(next)) == 0)
                return std::nullopt;
            i = next == std::string_view::npos ? text.size() : next;
        } else {
            if (afterMark && !plain.empty() && text[i] != ':') plain += ':';
            afterMark = false;
            plain += text[i] == ',' ? '.' : text[i];
            ++i;
        }
    }
    if (!UnsignedDegrees(plain)) return std::nullopt;
    return plain;
}

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
    const std::optional<std::string> plain = PlainAngleText(body);
    if (!plain) return std::nullopt;
    return hemisphere * *UnsignedDegrees(*plain);
}

}  // namespace zelto
