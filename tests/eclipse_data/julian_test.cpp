#include "eclipse_data/julian.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace zelto {
namespace {

constexpr double kMs = 1.0 / 86400000.0;

void ExpectCalendar(double jd, int year, int month, int day, double hours, double minutes, double seconds) {
    SCOPED_TRACE(testing::Message() << "JD " << std::setprecision(15) << jd);
    const CalendarInstant c = JDToCalendar(jd);
    EXPECT_EQ(c.year, year);
    EXPECT_EQ(c.month, month);
    EXPECT_EQ(c.day, day);
    EXPECT_EQ(c.hours, hours);
    EXPECT_EQ(c.minutes, minutes);
    EXPECT_DOUBLE_EQ(c.seconds, seconds);
}

TEST(JulianDay, KnownInstantsBothWays) {
    EXPECT_EQ(CalendarToJD(2000, 1, 1, 12, 0, 0), 2451545.0);
    ExpectCalendar(2451545.0, 2000, 1, 1, 12, 0, 0);
    ExpectCalendar(2451545.7, 2000, 1, 2, 4, 48, 0);  // the day begins at x.5
    ExpectCalendar(2451544.5, 2000, 1, 1, 0, 0, 0);   // F = 1 becomes 0
    // Published: 1957-10-04.81 = JD 2436116.31; 333-01-27 12:00 = JD 1842713.0 (Meeus, ch. 7).
    EXPECT_NEAR(CalendarToJD(1957, 10, 4, 0.81 * 24, 0, 0), 2436116.31, 1e-9);
    EXPECT_EQ(CalendarToJD(333, 1, 27, 12, 0, 0), 1842713.0);
    // Times outside their ranges are plain fractions of a day, as the solver passes them.
    EXPECT_DOUBLE_EQ(CalendarToJD(2024, 4, 8, 18, 0, -69.2), CalendarToJD(2024, 4, 8, 17, 58, 50.8));
}

TEST(JulianDay, GregorianSwitchSkipsTenDays) {
    EXPECT_EQ(CalendarToJD(1582, 10, 15, 0, 0, 0) - CalendarToJD(1582, 10, 4, 0, 0, 0), 1.0);
    ExpectCalendar(CalendarToJD(1582, 10, 4, 0, 0, 0), 1582, 10, 4, 0, 0, 0);
    ExpectCalendar(CalendarToJD(1582, 10, 15, 0, 0, 0), 1582, 10, 15, 0, 0, 0);
}

TEST(JulianDay, RoundTripsAcrossEraAndMillenniumShift) {
    struct Case { int year, month, day; double h, m, s; };
    const Case cases[] = {{2024, 4, 8, 18, 17, 20.5},  {2100, 9, 4, 23, 59, 59.999}, {1, 1, 1, 0, 0, 0},
                          {-584, 5, 28, 6, 30, 0},     {332, 12, 31, 12, 0, 0},      {-4712, 1, 1, 12, 0, 0},
                          {1600, 2, 29, 1, 2, 3.004},  {2001, 6, 21, 12, 0, 0}};
    for (const Case& c : cases) {
        ExpectCalendar(CalendarToJD(c.year, c.month, c.day, c.h, c.m, c.s), c.year, c.month, c.day, c.h, c.m, c.s);
    }
}

TEST(JulianDay, HalfAMillisecondBeforeMidnightGivesTheNextDay) {
    const double midnight = CalendarToJD(2024, 4, 9, 0, 0, 0);
    ExpectCalendar(midnight - 0.3 * kMs, 2024, 4, 9, 0, 0, 0);
    ExpectCalendar(midnight - 0.7 * kMs, 2024, 4, 8, 23, 59, 59.999);
    ExpectCalendar(CalendarToJD(2023, 12, 31, 23, 59, 59.9998), 2024, 1, 1, 0, 0, 0);
}

TEST(DeltaT, PublishedValuesAndBranches) {
    struct Case { double year, month, expected; };
    const Case cases[] = {{2001, 6, 64.2},  {2029, 12, 69.2}, {2030, 1, 70.2},  {2050, 1, 98.3},
                          {2100, 9, 181.2}, {1950, 6, 29.3},  {1977, 3, 47.0},  {2012, 1, 66.8},
                          {2021, 7, 69.4},  {1961, 1, 33.6}};
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(DeltaTForDate(c.year, c.month), c.expected) << c.year << "-" << c.month;
    }
    for (int month = 1; month <= 12; ++month) EXPECT_DOUBLE_EQ(DeltaTForDate(1999, month), 63.6);
    // Far from the table the polynomials hold; the year -500 branch begins at the integer year.
    // 1000-07: u = 0.005417, 1574.2 − 3.0118 + 0.0021 − correction 11.7809 (worked by hand).
    EXPECT_DOUBLE_EQ(DeltaTForDate(1000, 7), 1559.4);
    EXPECT_GT(DeltaTForDate(-600, 1), DeltaTForDate(-400, 1));
}

TEST(NumericHelpers, SignArcTanArcSinFMod) {
    EXPECT_EQ(Sign(3.5), 1);
    EXPECT_EQ(Sign(-1e-300), -1);
    EXPECT_EQ(Sign(0.0), 0);
    const double pi = std::numbers::pi;
    EXPECT_EQ(ArcTan2(0, 0), 0);
    EXPECT_DOUBLE_EQ(ArcTan2(0, -1), pi);  // (−π, π]: the negative axis gives +π
    EXPECT_DOUBLE_EQ(ArcTan2(-1, -1), -3 * pi / 4);
    EXPECT_DOUBLE_EQ(ArcTan2(1, 0), pi / 2);
    for (double y : {-2.0, -0.3, 0.7, 5.0}) {
        for (double x : {-3.0, -0.1, 0.4, 2.0}) EXPECT_NEAR(ArcTan2(y, x), std::atan2(y, x), 1e-15);
    }
    EXPECT_DOUBLE_EQ(ArcSin(1.0000001), pi / 2);
    EXPECT_DOUBLE_EQ(ArcSin(-1), -pi / 2);
    EXPECT_NEAR(ArcSin(0.5), pi / 6, 1e-15);
    EXPECT_DOUBLE_EQ(FMod(-30, 360), 330);
    EXPECT_NEAR(FMod(725, 360), 5, 1e-12);
    EXPECT_GE(FMod(-1e-18, 2 * pi), 0.0);
}

}  // namespace
}  // namespace zelto
