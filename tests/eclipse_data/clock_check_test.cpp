#include "eclipse_data/clock_check.h"

#include <gtest/gtest.h>

namespace zelto {
namespace {

TEST(ClockCheck, KernelStatusAndGpsOffsetInWordsAndColour) {
    struct Case {
        KernelClockStatus kernel;
        std::optional<double> gps;
        const char* text;
        bool red;
    };
    const Case cases[] = {
        {{false, false, 0}, std::nullopt, "Clock sync: unknown", false},
        {{true, false, 0}, std::nullopt, "Clock not synchronised", true},
        // The kernel's bound dates the last synchronisation: 0.36 s is 12 min, 16 s is its ceiling.
        {{true, false, 0, 0.36}, std::nullopt, "Clock not synchronised for 12 min, error up to 0.360 s", true},
        {{true, false, 0, 16}, std::nullopt, "Clock not synchronised for over 9 h", true},
        {{true, true, 0.002}, std::nullopt, "Clock synchronised, error 0.002 s", false},
        {{true, true, 0.5}, std::nullopt, "Clock synchronised, error 0.500 s", false},
        {{true, true, 0.7}, std::nullopt, "Clock synchronised, error 0.700 s", true},
        {{true, true, 0.002}, 0.31, "Clock synchronised, error 0.002 s; GPS offset +0.31 s", false},
        {{true, true, 0.002}, -1.25, "Clock synchronised, error 0.002 s; GPS offset -1.25 s", true},
        // A clock an hour off on a system that cannot say: GPS tells.
        {{false, false, 0}, 3600.4, "Clock sync: unknown; GPS offset +3600.40 s", true},
    };
    for (const Case& c : cases) {
        const ClockCheck check = CheckClock(c.kernel, c.gps);
        EXPECT_EQ(check.text, c.text);
        EXPECT_EQ(check.warning, c.red) << c.text;
        EXPECT_NE(check.hint.find("timedatectl set-ntp true"), std::string::npos);
    }
}

}  // namespace
}  // namespace zelto
