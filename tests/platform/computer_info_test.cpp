#include "platform/computer_info.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QTimeZone>

namespace zelto {
namespace {

qint64 Utc(int year, int month, int day, int hour) {
    return QDateTime(QDate(year, month, day), QTime(hour, 0), QTimeZone::utc()).toMSecsSinceEpoch();
}

TEST(ComputerInformation, TimeZoneLinesOfCentralEuropeAndUtc) {
    if (!QTimeZone::isTimeZoneIdAvailable("Europe/Berlin")) GTEST_SKIP() << "no time-zone data";
    // 2024-04-08, summer time: UTC is local time minus 120 minutes.
    const ZoneInformation summer = ZoneInformationAt("Europe/Berlin", Utc(2024, 4, 8, 18));
    EXPECT_EQ(summer.state, 2);
    EXPECT_EQ(summer.currentBias, -120);
    EXPECT_EQ(summer.standardBias, 0);
    EXPECT_EQ(summer.daylightBias, -60);
    // Summer time began on Sunday 31 March at 02:00 and ends on Sunday 27 October at 03:00.
    const ZoneChangeDate d = summer.daylightDate;
    EXPECT_EQ(
        (std::vector<int>{d.year, d.month, d.day, d.hour, d.minute, d.second, d.millisecond, d.dayOfWeek}),
        (std::vector<int>{2024, 3, 31, 2, 0, 0, 0, 0}));
    const ZoneChangeDate s = summer.standardDate;
    EXPECT_EQ((std::vector<int>{s.year, s.month, s.day, s.hour, s.dayOfWeek}),
              (std::vector<int>{2024, 10, 27, 3, 0}));

    const ZoneInformation winter = ZoneInformationAt("Europe/Berlin", Utc(2024, 1, 8, 12));
    EXPECT_EQ(winter.state, 1);
    EXPECT_EQ(winter.currentBias, -60);

    const ZoneInformation utc = ZoneInformationAt("UTC", Utc(2024, 4, 8, 18));
    EXPECT_EQ(utc.state, 0);
    EXPECT_EQ(utc.currentBias, 0);
    EXPECT_EQ(utc.daylightDate.year, 0);
}

}  // namespace
}  // namespace zelto
