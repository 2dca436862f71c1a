#include "eclipse_data/datetext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "eclipse_data/clock.h"
#include "eclipse_data/julian.h"

namespace zelto {
namespace {

TEST(DateTimeText, TenthsAndRoundingCarries) {
    EXPECT_EQ(DateTimeText(2008, 8, 1, 1, 10, 21, 7.5), "2008-08-01 10:21:07.5");
    EXPECT_EQ(DateTimeText(2008, 8, 1, 0, 10, 21, 7.5), "2008-08-01 10:21:08");  // halves to even
    EXPECT_EQ(DateTimeText(2008, 8, 1, 0, 10, 21, 6.5), "2008-08-01 10:21:06");
    EXPECT_EQ(DateTimeText(2008, 8, 1, 0, 23, 59, 59.6), "2008-08-01 24:00:00");  // never into the date
    EXPECT_EQ(DateTimeText(2008, 8, 1, 0, 9, 59, 59.5), "2008-08-01 10:00:00");
    EXPECT_EQ(DateTimeText(2008, 8, 1, 1, 17, 0, 59.96), "2008-08-01 17:01:00.0");  // never ":60.0"
    EXPECT_EQ(DateTimeText(2008, 8, 1, 1, 9, 59, 59.95), "2008-08-01 10:00:00.0");
    EXPECT_EQ(DateTimeText(2008, 8, 1, 1, 9, 59, 59.94), "2008-08-01 09:59:59.9");
    EXPECT_EQ(DateTimeText(987, 1, 2, 1, 3, 4, 0), "0987-01-02 03:04:00.0");
    EXPECT_EQ(JDText(CalendarToJD(2024, 4, 8, 18, 17, 20), 1), "2024-04-08 18:17:20.0");
}

TEST(HoursText, SignWidthAndPrecision) {
    EXPECT_EQ(HoursText(1, 5.0520833), "  05:03:07.5");
    EXPECT_EQ(HoursText(1, -5.0520833), " -05:03:07.5");
    EXPECT_EQ(HoursText(0, 5.0520833), "  05:03:07");  // 7.49988 s
    EXPECT_EQ(HoursText(4, 0.5), "  00:30:00.0000");
    EXPECT_EQ(HoursText(0, 123.5), " 123:30:00");  // three-digit hours take the blank
    EXPECT_EQ(HoursText(0, -123.5), "-123:30:00");
    EXPECT_EQ(HoursText(0, 1234.0), "1234:00:00");        // four digits lose the sign position
    EXPECT_EQ(HoursText(1, 0.99999999), "  01:00:00.0");  // rounding carries into minutes and hours
}

TEST(MinSecText, DropsWholeHours) {
    EXPECT_EQ(MinSecText(1, 0.0625), "  3:45.0");
    EXPECT_EQ(MinSecText(1, 0.0181944), "  1:05.5");
    EXPECT_EQ(MinSecText(1, 1.0625), "  3:45.0");
    EXPECT_EQ(MinSecText(1, -0.0625), "- 3:45.0");  // the zero fill starts at the third character
    EXPECT_EQ(MinSecText(0, 0.25), " 15:00");
}

TEST(DayDiffText, CountdownForms) {
    EXPECT_EQ(DayDiffText(1, 1.5), "+1 d 12:00:00.0");
    EXPECT_EQ(DayDiffText(1, 0), "+0 d 00:00:00.0");
    EXPECT_EQ(DayDiffText(0, -0.00347222), "-0 d 00:05:00");
    EXPECT_EQ(DayDiffText(0, 123.25), "+123 d 06:00:00");
}

TEST(DateStrJD, ReadsFixedPositionsWhateverTheSeparators) {
    const double expected = CalendarToJD(2008, 8, 1, 10, 21, 7.5);
    EXPECT_EQ(*ReadDateStrJD("2008-08-01 10:21:07.5"), expected);
    EXPECT_EQ(*ReadDateStrJD("2008/08/01T10:21:07.5"), expected);
    EXPECT_EQ(*ReadDateStrJD("2008-08-01 10:21: 7.5"), expected);             // leading blanks allowed
    EXPECT_EQ(*ReadDateStrJD("2008-08-01 10:21:07.500000000000"), expected);  // seconds: at most 9 characters
    // The edges of the ranges read: leap days of either calendar, the last tenth of a day and year.
    EXPECT_EQ(*ReadDateStrJD("2024-02-29 23:59:59.9"), CalendarToJD(2024, 2, 29, 23, 59, 59.9));
    EXPECT_EQ(*ReadDateStrJD("1500-02-29 00:00:00.0"), CalendarToJD(1500, 2, 29, 0, 0, 0));
    EXPECT_EQ(*ReadDateStrJD("0001-01-01 00:00:00.0"), CalendarToJD(1, 1, 1, 0, 0, 0));
    EXPECT_EQ(*ReadDateStrJD("9999-12-31 23:59:59.9"), CalendarToJD(9999, 12, 31, 23, 59, 59.9));
    // The midnight DateTimeText writes for a time rounded up to it.
    EXPECT_EQ(*ReadDateStrJD(DateTimeText(2024, 4, 8, 1, 23, 59, 59.97)), CalendarToJD(2024, 4, 9, 0, 0, 0));
}

// Every double has a text: none overflows an integer or loops for ever.
TEST(JDText, EveryDoubleHasOne) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(JDText(std::nan(""), 1), "0000-00-00 00:00:00.0");  // no date-time text reads it back
    EXPECT_EQ(JDText(-1e300, 1), JDText(-kCalendarJDLimit, 1));   // beyond the limits: the nearer one
    EXPECT_EQ(JDText(kInf, 1), JDText(kCalendarJDLimit, 1));
    EXPECT_EQ(JDText(kCalendarJDLimit, 1), "2733194-11-27 12:00:00.0");
    EXPECT_EQ(JDText(CalendarToJD(10007, 1, 2, 3, 4, 5), 1), "10007-01-02 03:04:05.0");  // not "0007-..."
    EXPECT_EQ(DayDiffText(1, 1e300), "+9000000000000000000 d 00:00:00.0");
    EXPECT_EQ(HoursText(1, std::nan("")), "  00:00:00.0");
    EXPECT_FALSE(FitsDateTimeText(std::nan("")));
    EXPECT_FALSE(FitsDateTimeText(CalendarToJD(10000, 1, 1, 0, 0, 0.1)));
    EXPECT_TRUE(FitsDateTimeText(CalendarToJD(9999, 12, 31, 23, 59, 59)));
}

TEST(DateStrJD, EachFieldHasItsMessage) {
    struct Case {
        const char* text;
        const char* field;
    };
    const Case cases[] = {{"20x8-08-01 10:21:07.5", "Year"},
                          {"2008-0x-01 10:21:07.5", "Month"},
                          {"2008-08-x1 10:21:07.5", "Day"},
                          {"2008-08-01 1x:21:07.5", "Hours"},
                          {"2008-08-01 10:2x:07.5", "Minutes"},
                          {"2008-08-01 10:21", "Seconds"},
                          {"", "Year"},
                          {"2008-08-01 10:21:07,5", "Seconds"},
                          // Out of range or in another notation: unreadable, not an instant far away.
                          {"2024-04-08 16:56:-1e300", "Seconds"},
                          {"2024-04-08 16:56:1e300", "Seconds"},
                          {"2024-04-08 16:56:1e1", "Seconds"},
                          {"9999-99-99 99:99:99.9", "Month"},
                          {"0000-01-01 00:00:00.0", "Year"},
                          {"2024-13-01 00:00:00.0", "Month"},
                          {"2023-02-29 00:00:00.0", "Day"},
                          {"1700-02-29 00:00:00.0", "Day"},
                          {"2024-04-31 00:00:00.0", "Day"},
                          {"2024-04-00 00:00:00.0", "Day"},
                          {"2024-04-08 24:00:00.1", "Hours"},
                          {"2024-04-08 -1:00:00.0", "Hours"},
                          {"2024-04-08 23:60:00.0", "Minutes"},
                          {"2024-04-08 23:59:60.0", "Seconds"}};
    for (const Case& c : cases) {
        DateStrError error;
        EXPECT_FALSE(ReadDateStrJD(c.text, &error).has_value()) << c.text;
        EXPECT_EQ(error.message, std::string("Couldn't decode ") + c.field + " in DateStrJD") << c.text;
        EXPECT_EQ(error.detail, std::string("Argument:") + c.text);
    }
}

TEST(SexagesimalValue, PartsAndCodes) {
    struct Case {
        const char* text;
        double value;
        int code;
    };
    const Case cases[] = {{"47:30", 47.5, 0},
                          {":30", 0.5, 0},
                          {"8", 8, 0},
                          {"-12:30", -11.5, 0},
                          {"45:30:36", 45.51, 0},
                          {"10::36", 10.01, 0},
                          {"8:", 8, 0},
                          {"4a5", 0, 2},
                          {"", 0, 1},
                          {"1x:30", 30.0 / 60, 0},  // only the last conversion is reported
                          {"12:3y", 12, 2}};
    for (const Case& c : cases) {
        const SexagesimalReading r = SexagesimalValue(c.text);
        EXPECT_NEAR(r.value, c.value, 1e-12) << c.text;
        EXPECT_EQ(r.code, c.code) << c.text;
    }
}

TEST(HexText, Sizes) {
    EXPECT_EQ(HexText(255, 1), "FF");
    EXPECT_EQ(HexText(255, 4), "000000FF");
    EXPECT_EQ(HexText(255, 3), "");
    EXPECT_EQ(HexText(0x0013FF0F, 4), "0013FF0F");
    EXPECT_EQ(HexText(0xABCD1234, 2), "1234");
}

TEST(Delay, WaitsOnTheTickAcrossItsWrap) {
    FakeClock clock(2451545.0, 250);  // a quarter millisecond per poll
    EXPECT_GE(Delay(clock, 15), 15);
    EXPECT_LT(Delay(clock, 15), 17);
    FakeClock wrapping(2451545.0, 1000);
    wrapping.AdvanceMs(4294967295.0 - 5);  // five milliseconds before the 32-bit tick wraps
    const int64_t waited = Delay(wrapping, 20);
    EXPECT_GE(waited, 20);
    EXPECT_LE(waited, 22);
}

TEST(Delay, SleepsThroughAllButItsLastMillisecond) {
    // A quarter millisecond per poll: spinning through 222 ms would poll the clock about 900 times.
    FakeClock clock(2451545.0, 250);
    const uint32_t start = clock.TickMs();
    const int64_t waited = Delay(clock, 222);
    EXPECT_GE(waited, 222);
    EXPECT_LE(waited, 223);
    EXPECT_LE(static_cast<uint32_t>(clock.TickMs() - start), 224u);
    EXPECT_LT(clock.polls(), 12);
}

}  // namespace
}  // namespace zelto
