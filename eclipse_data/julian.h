#pragma once

// Julian days, the calendar, ΔT and the small numeric helpers of the solver.
// All instants are UT Julian days held as doubles; the day begins at JD x.5.

namespace zelto {

inline constexpr double kSecondsPerDay = 86400.0;

// Days between the system date-time origin (1899-12-30 00:00) and JD 0.
inline constexpr double kDateTimeToJD = 2415018.5;

// Hours, minutes and seconds may lie outside their usual ranges and may be negative:
// they are simply added as fractions of a day.
double CalendarToJD(int year, int month, int day, double hours, double minutes, double seconds);

struct CalendarInstant {
    int year = 0;
    int month = 0;
    int day = 0;
    double hours = 0;    // whole number
    double minutes = 0;  // whole number
    double seconds = 0;  // whole milliseconds
};

// The days of a month (1 to 12) in the calendar CalendarToJD follows: Julian leap years up to 1582,
// Gregorian ones after it.
int DaysInMonth(int year, int month);

// JDToCalendar is exact for JDs within ±kCalendarJDLimit (years within about ±2.7 million); a JD
// beyond takes the nearer limit, and NaN gives the all-zero instant, which no date-time text reads
// back. So every double has an answer and no conversion to int overflows.
inline constexpr double kCalendarJDLimit = 1e9;

// A JD within half a millisecond before midnight rounds up to the next day at 00:00:00.000.
CalendarInstant JDToCalendar(double jd);

// ΔT in seconds for the middle of the given month, rounded to 0.1 s (halves to even).
double DeltaTForDate(double year, double month);

int Sign(double x);
double ArcTan2(double y, double x);  // in (−π, π]; 0 when both are 0
double ArcSin(double x);             // argument clamped to [−1, 1]
double FMod(double value, double modulus);

}  // namespace zelto
