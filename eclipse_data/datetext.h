#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The text forms of dates, times, countdowns and sexagesimal angles. They are also file formats:
// exposure tables store their instants as date-time text and runs read them back with ReadDateStrJD.

namespace zelto {

// "YYYY-MM-DD HH:MM:SS.s" (tenths 1) or "YYYY-MM-DD HH:MM:SS" (tenths 0). Without tenths the seconds
// are rounded (halves to even); seconds that round to 60 (60.0) carry into minutes and hours, never
// into the date.
std::string DateTimeText(int year, int month, int day, int tenths, double hours, double minutes,
                         double seconds);

// The date-time text of a UT Julian day.
std::string JDText(double jd, int tenths);

// " SHH:MM:SS" with p (0 to 4) decimals of the seconds; S is "-" or a blank.
std::string HoursText(int p, double x);
// "SMM:SS" with p decimals; whole hours are dropped.
std::string MinSecText(int p, double x);
// Countdown text: sign, whole days with their unit, blank, "HH:MM:SS.s" or "HH:MM:SS" ("+236 d 12:25:55").
std::string DayDiffText(int tenths, double days);

// Reads date-time text back from fixed positions (year 1–4, month 6–7, day 9–10, hours 12–13,
// minutes 15–16, seconds 18–26); the characters between them are not looked at. Every field is a
// plain number (no exponent) within its range: year 1 to 9999, month 1 to 12, a day of that month,
// hours below 24 (or 24:00:00, which DateTimeText writes for a time rounded up to midnight), minutes
// and seconds below 60; anything else is unreadable.
struct DateStrError {
    std::string message;  // e.g. "Couldn't decode Seconds in DateStrJD"
    std::string detail;   // "Argument:" followed by the whole text
};
std::optional<double> ReadDateStrJD(std::string_view text, DateStrError* error = nullptr);

// True when `jd` lies within the years 1 to 9999 (to their last midnight), whose date-time text reads
// back.
bool FitsDateTimeText(double jd);

// d, d:m or d:m:s to a decimal value. code is that of the last conversion made (0 = success,
// otherwise the position of the first character it could not use). The sign of d is not carried
// to m and s: "-12:30" gives −11.5.
struct SexagesimalReading {
    double value = 0;
    int code = 0;
};
SexagesimalReading SexagesimalValue(std::string_view text);

// The last 2·size digits of the 8-digit upper-case hexadecimal form; empty unless size is 1, 2 or 4.
std::string HexText(uint32_t value, int size);

}  // namespace zelto
