#include "eclipse_data/julian.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace zelto {

namespace {

// Dates whose y·365.25 + m·30 + day exceeds this are Gregorian (1582-10-11 and later).
constexpr double kGregorianStart = 578135.5;
constexpr double kMillennium = 365250.0;

// ΔT by whole year, 1961 to 2029, in seconds. The values stand as published in the table the
// program has always used, including 1977 = 46.9678 and 2012 < 2011.
constexpr std::array<double, 69> kDeltaTTable = {
    33.59,   34,      34.47,   35.03,   35.73,   36.54,   37.43,   38.29,   39.2,    40.18,    // 1961
    41.17,   42.23,   43.8763, 44.9302, 45.9133, 46.9247, 46.9678, 49.0319, 50.0347, 50.9187,  // 1971
    51.7573, 52.518,  53.3747, 54.0536, 54.5977, 55.0912, 55.5524, 56.07,   56.5352, 57.1738,  // 1981
    57.9058, 58.6917, 59.5242, 60.353,  61.187,  61.9497, 62.6136, 63.2599, 63.6444, 63.9691,  // 1991
    64.2094, 64.4151, 64.5597, 64.6549, 64.8001, 64.9794, 65.3279, 65.64,   66.2,    66.8,     // 2001
    67,      66.7708, 67.1266, 67.4858, 67.8606, 68.3964, 68.8,    69.1,    69.35,   69.4,     // 2011
    69.35,   69.18,   69.2,    69.2,    69.2,    69.2,    69.2,    69.2,    69.2,              // 2021
};

double Polynomial(double u, std::initializer_list<double> coefficients) {
    double result = 0;
    double power = 1;
    for (double c : coefficients) {
        result += c * power;
        power *= u;
    }
    return result;
}

}  // namespace

double CalendarToJD(int year, int month, int day, double hours, double minutes, double seconds) {
    // The formula holds from the year 333 on; earlier years are shifted by whole millennia. The
    // shift is counted rather than stepped, and the sums are taken as doubles, so that no year,
    // month or day overflows.
    const long long k = year < 333 ? (333LL - year + 999) / 1000 : 0;
    double y = static_cast<double>(year + 1000 * k);
    double m = month;
    if (m < 3) {
        y -= 1;
        m += 12;
    }
    double b = 0;
    if (y * 365.25 + m * 30 + day > kGregorianStart) {
        const double a = std::trunc(y / 100);
        b = 2 - a + std::trunc(a / 4);
    }
    double jd = std::trunc(365.25 * (y + 4716)) + std::trunc(30.60001 * (m + 1)) + day + b - 1524.5;
    jd -= static_cast<double>(k) * kMillennium;
    return jd + hours / 24.0 + minutes / 1440.0 + seconds / 86400.0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    const bool leap = year % 4 == 0 && (year <= 1582 || year % 100 != 0 || year % 400 == 0);
    return kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

CalendarInstant JDToCalendar(double jd) {
    if (std::isnan(jd)) return {};
    jd = std::clamp(jd, -kCalendarJDLimit, kCalendarJDLimit);
    int k = 0;  // at most 2743 steps within the limits
    while (jd < 1800000.0) {
        ++k;
        jd += kMillennium;
    }
    double f = (jd - std::trunc(jd)) + 0.5;
    if (f == 1.0) f = 0.0;
    long long ms = static_cast<long long>(std::trunc(f * 86400000.0 + 0.5));
    double z = std::trunc(jd + 0.5);
    if (f < 1.0 && ms >= 86400000LL) {
        // Within half a millisecond before midnight: the rounding reached the next day.
        z += 1;
        ms = 0;
    }

    double a = z;
    if (z >= 2299161) {
        const double alpha = std::trunc((z - 1867216.25) / 36524.25);
        a = z + 1 + alpha - std::trunc(alpha / 4);
    }
    const double bb = a + 1524;
    const double c = std::trunc((bb - 122.1) / 365.25);
    const double d = std::trunc(365.25 * c);
    const double e = std::trunc((bb - d) / 30.60001);

    CalendarInstant out;
    out.day = static_cast<int>(bb - d - std::trunc(30.60001 * e));
    out.month = static_cast<int>(e - 1);
    if (e > 13) out.month -= 12;
    out.year = static_cast<int>(c - 4715);
    if (out.month > 2) out.year -= 1;
    out.year -= 1000 * k;

    const long long hours = ms / 3600000;
    ms -= hours * 3600000;
    const long long minutes = ms / 60000;
    ms -= minutes * 60000;
    out.hours = static_cast<double>(hours > 23 ? hours - 24 : hours);
    out.minutes = static_cast<double>(minutes);
    out.seconds = static_cast<double>(ms) / 1000.0;
    return out;
}

double DeltaTForDate(double year, double month) {
    const double y = year + (month - 0.5) / 12.0;
    const double whole = std::trunc(year);  // the branch follows the integer year
    const double correction = -0.000012932 * (y - 1955) * (y - 1955);

    double dt = 0;
    bool corrected = true;
    if (whole < -500) {
        const double u = (y - 1820) / 100;
        dt = -20 + 32 * u * u;
    } else if (whole < 500) {
        dt = Polynomial(y / 100, {10583.6, -1014.41, 33.78311, -5.952053, -0.1798452, 0.022174192,
                                  0.0090316521});
    } else if (whole < 1600) {
        dt = Polynomial((y - 1000) / 100, {1574.2, -556.01, 71.23472, 0.319781, -0.8503463, -0.005050998,
                                           0.0083572073});
    } else if (whole < 1700) {
        const double t = y - 1600;
        dt = 120 - 0.9808 * t - 0.01532 * t * t + t * t * t / 7129;
    } else if (whole < 1800) {
        const double t = y - 1700;
        dt = Polynomial(t, {8.83, 0.1603, -0.0059285, 0.00013336, -1.0 / 1174000});
    } else if (whole < 1860) {
        dt = Polynomial(y - 1800, {13.72, -0.332447, 0.0068612, 0.0041116, -0.00037436, 0.0000121272,
                                   -0.0000001699, 0.000000000875});
    } else if (whole < 1900) {
        dt = Polynomial(y - 1860, {7.62, 0.5737, -0.251754, 0.01680668, -0.0004473624, 1.0 / 233174});
    } else if (whole < 1920) {
        dt = Polynomial(y - 1900, {-2.79, 1.494119, -0.0598939, 0.0061966, -0.000198});
    } else if (whole < 1941) {
        dt = Polynomial(y - 1920, {21.2, 0.84493, -0.0761, 0.0020936});
    } else if (whole < 1961) {
        const double t = y - 1950;
        dt = 29.07 + 0.407 * t - t * t / 233 + t * t * t / 2547;
    } else if (whole < 2030) {
        dt = kDeltaTTable[static_cast<size_t>(whole - 1961)];
        corrected = false;
    } else {
        const double u = (y - 1820) / 100;
        dt = -71 + 32 * u * u;
        corrected = false;
    }
    if (corrected) dt += correction;
    // std::nearbyint rounds halves to the even neighbour in the default rounding mode.
    return std::nearbyint(dt * 10) / 10;
}

int Sign(double x) { return x > 0 ? 1 : (x < 0 ? -1 : 0); }

double ArcTan2(double y, double x) {
    if (x == 0 && y == 0) return 0;
    const double ax = std::fabs(x);
    const double ay = std::fabs(y);
    double a = ax > ay ? std::atan(ay / ax) : std::numbers::pi / 2 - std::atan(ax / ay);
    if (x < 0) a = std::numbers::pi - a;
    if (y < 0) a = -a;
    return a;
}

double ArcSin(double x) {
    if (x > 1) x = 1;
    if (x < -1) x = -1;
    if (std::fabs(x) != 1) return std::atan(x / std::sqrt(1 - x * x));
    return std::numbers::pi * x / 2;
}

double FMod(double value, double modulus) {
    const double q = value / modulus;
    double r = modulus * (q - std::trunc(q));
    if (r < 0) r += modulus;
    return r;
}

}  // namespace zelto
