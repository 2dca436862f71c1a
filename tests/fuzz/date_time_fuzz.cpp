// Date-time text and Julian days: what reads is an instant of the years 1 to 9999 whose own text
// reads back to it, and every double has a calendar date and a text.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "camera/run_engine.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/julian.h"
#include "fuzz_support.h"

using namespace zelto;
using zelto::fuzz::Require;

namespace {

constexpr double kSecond = 1.0 / 86400.0;

void EveryDoubleHasACalendar(double jd) {
    const CalendarInstant c = JDToCalendar(jd);
    Require(c.month >= 0 && c.month <= 12 && c.day >= 0 && c.day <= 31, "a month and a day");
    Require(c.hours >= 0 && c.hours <= 23 && c.minutes >= 0 && c.minutes <= 59 && c.seconds >= 0 &&
                c.seconds < 60,
            "a time of day");
    if (std::isfinite(jd) && std::fabs(jd) < 1e7) {
        // Half a millisecond of rounding, and the few units in the last place the sums can lose (of
        // the JD itself, or of the JD shifted by millennia to 1.8e6 and more).
        const double magnitude = std::max(std::fabs(jd), 4e6);
        const double ulp = std::nextafter(magnitude, 2e7) - magnitude;
        const double back = CalendarToJD(c.year, c.month, c.day, c.hours, c.minutes, c.seconds);
        Require(std::fabs(back - jd) <= 0.0005 * kSecond + 4 * ulp,
                "the calendar date names the instant to the millisecond");
    }
    JDText(jd, 0);
    JDText(jd, 1);
    DayDiffText(1, jd);
    HoursText(4, jd);
    MinSecText(1, jd);
    DeltaTForDate(jd, jd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = fuzz::Text(data, size);
    if (const auto jd = ReadDateStrJD(text)) {
        Require(FitsDateTimeText(*jd), "an instant of the years 1 to 9999");
        // (The last twentieth of a second of the year 9999 rounds to a text beyond it.)
        if (FitsDateTimeText(*jd + 0.05 * kSecond)) {
            // The calendar rounds to the millisecond and the text then to the tenth, so "00.0499"
            // writes as "00.1": half a tenth, half a millisecond and the last places of both JDs.
            const double ulp = std::nextafter(*jd, 1e7) - *jd;
            const auto again = ReadDateStrJD(JDText(*jd, 1));
            Require(again && std::fabs(*again - *jd) <= 0.0505 * kSecond + 4 * ulp, "its text reads back to it");
        }
    } else {
        DateStrError error;
        ReadDateStrJD(text, &error);
        Require(error.message.rfind("Couldn't decode ", 0) == 0, "an unreadable text names its field");
    }
    Require(std::isfinite(AdvanceTimeOffset(text, 2460409.25)), "a finite rehearsal offset");

    if (size >= sizeof(double)) {
        double jd = 0;
        std::memcpy(&jd, data, sizeof jd);
        EveryDoubleHasACalendar(jd);
    }
    return 0;
}
