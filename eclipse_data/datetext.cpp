#include "eclipse_data/datetext.h"

#include <cmath>
#include <cstdlib>

#include "eclipse_data/julian.h"
#include "eclipse_data/number_text.h"

namespace zelto {

namespace {

constexpr long long kScale[] = {1, 10, 100, 1000, 10000};
constexpr int kSecondsWidth[] = {2, 4, 5, 6, 7};

// The last `width` characters of `zeros` followed by the text.
std::string LastChars(const std::string& zeros, const std::string& text, size_t width) {
    const std::string joined = zeros + text;
    return joined.substr(joined.size() - width);
}

std::string IntText(long long value) {
    return std::to_string(value);
}

std::string RightAligned(const std::string& text, size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// Every blank from the third character to the end becomes "0".
void ZeroFillFromThird(std::string& text) {
    for (size_t i = 2; i < text.size(); ++i) {
        if (text[i] == ' ') text[i] = '0';
    }
}

struct SplitTime {
    std::string sign;
    long long hours;
    long long minutes;
    double seconds;
};

SplitTime Split(int p, double x) {
    SplitTime split;
    split.sign = x < 0 ? "-" : " ";
    x = std::fabs(x);
    const long long scale = kScale[p];
    const long long n = SaturatedInteger(x * 3600.0 * scale + 0.5);
    const long long r = n % (60 * scale);
    split.seconds = static_cast<double>(r) / static_cast<double>(scale);
    const long long w = (n - r) / (60 * scale);
    split.minutes = w % 60;
    split.hours = w / 60;
    return split;
}

int ClampPrecision(int p) {
    return p < 0 ? 0 : (p > 4 ? 4 : p);
}

}  // namespace

std::string DateTimeText(int year, int month, int day, int tenths, double hours, double minutes,
                         double seconds) {
    // A year of more than four characters is written whole: cut, 10007 would read as 0007.
    const std::string yearText =
        IntText(year).size() > 4 ? IntText(year) : LastChars("0000", IntText(year), 4);
    const std::string monthText = LastChars("00", IntText(month), 2);
    const std::string dayText = LastChars("00", IntText(day), 2);
    if (tenths == 1) {
        long long h = SaturatedInteger(std::nearbyint(hours));
        long long m = SaturatedInteger(std::nearbyint(minutes));
        std::string secondsText = FixedText(seconds, 1);
        // Seconds from 59.95 on round to a whole minute: carried like the whole seconds below, so
        // that no time reads ":60.0".
        if (secondsText == "60.0") {
            secondsText = "0.0";
            if (++m == 60) m = 0, ++h;
        }
        return yearText + "-" + monthText + "-" + dayText + " " + LastChars("00", IntText(h), 2) + ":" +
               LastChars("00", IntText(m), 2) + ":" + LastChars("0000", secondsText, 4);
    }
    const long long s = SaturatedInteger(std::nearbyint(hours * 3600 + minutes * 60 + seconds));
    return yearText + "-" + monthText + "-" + dayText + " " + LastChars("00", IntText(s / 3600), 2) + ":" +
           LastChars("00", IntText((s % 3600) / 60), 2) + ":" + LastChars("00", IntText(s % 60), 2);
}

std::string JDText(double jd, int tenths) {
    const CalendarInstant c = JDToCalendar(jd);
    return DateTimeText(c.year, c.month, c.day, tenths, c.hours, c.minutes, c.seconds);
}

std::string HoursText(int p, double x) {
    p = ClampPrecision(p);
    const SplitTime t = Split(p, x);
    std::string hourText = IntText(t.hours);
    if (t.hours < 10) hourText = "0" + hourText;
    std::string text = "    " + t.sign + hourText + ":";
    while (text.size() > 5) text.erase(0, 1);
    text += RightAligned(IntText(t.minutes), 2) + ":";
    text += RightAligned(FixedText(t.seconds, p), kSecondsWidth[p]);
    ZeroFillFromThird(text);
    return text;
}

std::string MinSecText(int p, double x) {
    p = ClampPrecision(p);
    const SplitTime t = Split(p, x);
    std::string text = t.sign + RightAligned(IntText(t.minutes), 2) + ":";
    text += RightAligned(FixedText(t.seconds, p), kSecondsWidth[p]);
    ZeroFillFromThird(text);
    return text;
}

std::string DayDiffText(int tenths, double days) {
    const std::string sign = days >= 0 ? "+" : "-";
    const double a = std::fabs(days);
    const double whole = std::trunc(a);
    const std::string time = HoursText(tenths, (a - whole) * 24).substr(1);
    return sign + IntText(SaturatedInteger(whole)) + " d" + time;
}

std::optional<double> ReadDateStrJD(std::string_view text, DateStrError* error) {
    // Fixed 1-based positions; a field past the end of the text is empty.
    const auto field = [&](size_t first, size_t count) {
        return first - 1 < text.size() ? text.substr(first - 1, count) : std::string_view();
    };
    const auto fail = [&](const char* name) -> std::optional<double> {
        if (error) {
            error->message = std::string("Couldn't decode ") + name + " in DateStrJD";
            error->detail = "Argument:" + std::string(text);
        }
        return std::nullopt;
    };
    // Each field is a plain number within its calendar range; a field beyond it is as unreadable as
    // one that is no number, so no date-time text ever stands for an instant it does not name.
    const auto inRange = [](const auto& value, double low, double high) {
        return value && *value >= low && *value <= high;
    };
    const auto below = [](const std::optional<double>& value, double limit) {
        return value && *value >= 0 && *value < limit;
    };
    const auto year = ParseInteger(field(1, 4));
    if (!inRange(year, 1, 9999)) return fail("Year");
    const auto month = ParseInteger(field(6, 2));
    if (!inRange(month, 1, 12)) return fail("Month");
    const auto day = ParseInteger(field(9, 2));
    if (!inRange(day, 1, DaysInMonth(static_cast<int>(*year), static_cast<int>(*month)))) return fail("Day");
    const auto hours = ParseDecimal(field(12, 2));
    if (!inRange(hours, 0, 24)) return fail("Hours");
    const auto minutes = ParseDecimal(field(15, 2));
    if (!below(minutes, 60)) return fail("Minutes");
    const auto seconds = ParseDecimal(field(18, 9));
    if (!below(seconds, 60)) return fail("Seconds");
    // DateTimeText carries a rounding into the hours, never into the date: "24:00:00.0" is the
    // midnight that ends the day, and the only time of hour 24.
    if (*hours == 24 && (*minutes != 0 || *seconds != 0)) return fail("Hours");
    return CalendarToJD(static_cast<int>(*year), static_cast<int>(*month), static_cast<int>(*day), *hours,
                        *minutes, *seconds);
}

bool FitsDateTimeText(double jd) {
    static const double first = CalendarToJD(1, 1, 1, 0, 0, 0);
    static const double end = CalendarToJD(9999, 12, 31, 24, 0, 0);
    return jd >= first && jd <= end;
}

SexagesimalReading SexagesimalValue(std::string_view text) {
    double d = 0, m = 0, s = 0;
    int code = 0;
    const auto convert = [&code](std::string_view part, double& target) {
        const DecimalReading reading = ReadDecimal(part);
        code = reading.code;
        if (reading.code == 0) target = reading.value;
    };
    size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        convert(text, d);
    } else {
        if (colon > 0) convert(text.substr(0, colon), d);  // an empty part counts as 0
        text.remove_prefix(colon + 1);
        if (!text.empty()) {
            colon = text.find(':');
            if (colon == std::string_view::npos) {
                convert(text, m);
                text = {};
            } else {
                if (colon > 0) convert(text.substr(0, colon), m);  // an empty part counts as 0
                text.remove_prefix(colon + 1);
            }
        }
        if (!text.empty()) convert(text, s);
    }
    return {d + m / 60.0 + s / 3600.0, code};
}

std::string HexText(uint32_t value, int size) {
    if (size != 1 && size != 2 && size != 4) return {};
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(8, '0');
    for (int i = 7; i >= 0; --i, value >>= 4) text[static_cast<size_t>(i)] = kDigits[value & 0xF];
    return text.substr(static_cast<size_t>(8 - 2 * size));
}

}  // namespace zelto
