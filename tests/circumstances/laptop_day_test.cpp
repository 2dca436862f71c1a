// The laptop through the eclipse: when it is kept awake, what is said about it, and the battery line.
#include "circumstances/laptop_day.h"

#include <gtest/gtest.h>

#include <vector>

namespace zelto {
namespace {

constexpr double kMinute = 1.0 / 1440.0;
// A partial eclipse seen from 12:00 to 14:24 UT (C1 and C4 only, 0.1 day apart).
constexpr double kC1 = 2461000.0;
constexpr double kC4 = 2461000.1;
const std::array<double, kContactSlots> kPartial{kC1, 0, 2461000.05, 0, kC4};
const std::array<double, kContactSlots> kNotSeen{};

TEST(LaptopDay, AwakeFromFifteenMinutesBeforeC1ToFifteenAfterC4OrWhileARunGoesOn) {
    struct Case {
        double now;
        std::array<double, kContactSlots> contacts;
        bool run, option;
        AwakeReason expected;
    } cases[] = {
        {kC1 - 15.01 * kMinute, kPartial, false, true, AwakeReason::None},
        {kC1 - 14.99 * kMinute, kPartial, false, true, AwakeReason::Eclipse},
        {kC4 + 14.99 * kMinute, kPartial, false, true, AwakeReason::Eclipse},
        {kC4 + 15.01 * kMinute, kPartial, false, true, AwakeReason::None},
        {kC1 + 60 * kMinute, kPartial, false, false, AwakeReason::None},   // option off
        {kC1 + 60 * kMinute, kNotSeen, false, true, AwakeReason::None},    // nothing seen here
        {kC1 - 600 * kMinute, kPartial, true, false, AwakeReason::Run},    // a run, whatever the time
        {kC1 + 60 * kMinute, kPartial, true, true, AwakeReason::Run},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AwakeNeeded(c.now, c.contacts, c.run, c.option), c.expected) << (c.now - kC1) / kMinute;
    }
}

class RecordingService final : public AwakeService {
  public:
    AwakeHold Hold(const std::string& why) override {
        calls.push_back("hold: " + why);
        return answer;
    }
    void Release() override { calls.push_back("release"); }
    AwakeHold answer{HoldAnswer::Held, HoldAnswer::Held};
    std::vector<std::string> calls;
};

TEST(LaptopDay, KeeperHoldsOnceReleasesWhenNoLongerNeededAndRetriesAPartialHold) {
    struct Step {
        AwakeReason need;
        double minutes;  // after C1
        AwakeHold answer;
        const char* text;
        bool warning;
        std::vector<std::string> calls;  // made in this step
    };
    const AwakeHold whole{HoldAnswer::Held, HoldAnswer::Held};
    const AwakeHold noScreen{HoldAnswer::Held, HoldAnswer::NoService};
    const std::vector<std::vector<Step>> scenarios = {
        {
            {AwakeReason::Eclipse, 0, whole, "Sleep and screen lock held off", false, {"hold: The eclipse is being photographed"}},
            {AwakeReason::Eclipse, 30, whole, "Sleep and screen lock held off", false, {}},
            {AwakeReason::None, 200, whole, "", false, {"release"}},
            {AwakeReason::None, 201, whole, "", false, {}},
        },
        {
            {AwakeReason::Run, 0, noScreen, "Sleep held off; screen lock not held off: no screen saver", true,
             {"hold: A photography run is going on"}},
            {AwakeReason::Run, 4.9, noScreen, "Sleep held off; screen lock not held off: no screen saver", true, {}},
            {AwakeReason::Run, 5.1, whole, "Sleep and screen lock held off", false,
             {"release", "hold: A photography run is going on"}},
            {AwakeReason::Run, 20, whole, "Sleep and screen lock held off", false, {}},
        },
        {
            {AwakeReason::Run, 0, {HoldAnswer::NoService, HoldAnswer::NoBus},
             "Sleep not held off: no logind; screen lock not held off: no session bus", true,
             {"hold: A photography run is going on"}},
        },
        {
            {AwakeReason::Run, 0, {HoldAnswer::Refused, HoldAnswer::Refused},
             "Sleep not held off: refused; screen lock not held off: refused", true,
             {"hold: A photography run is going on"}},
            {AwakeReason::None, 1, whole, "", false, {"release"}},
        },
        {
            {AwakeReason::Run, 0, {HoldAnswer::NoBus, HoldAnswer::Held},
             "Sleep not held off: no system bus; screen lock held off", true, {"hold: A photography run is going on"}},
        },
    };
    for (const std::vector<Step>& steps : scenarios) {
        RecordingService service;
        AwakeKeeper keeper(service);
        for (const Step& step : steps) {
            service.answer = step.answer;
            service.calls.clear();
            const AwakeText shown = keeper.Tick(step.need, kC1 + step.minutes * kMinute);
            EXPECT_EQ(shown.text, step.text) << step.minutes;
            EXPECT_EQ(shown.warning, step.warning) << step.minutes;
            EXPECT_EQ(service.calls, step.calls) << step.minutes;
        }
    }
}

TEST(LaptopDay, BatteryLineSaysChargeAndTimeLeftAndTurnsRedWhenItWillNotLastPastC4) {
    struct Case {
        std::optional<BatteryReading> battery;
        double now;
        const char* text;
        bool warning;
    } cases[] = {
        {std::nullopt, kC1, "", false},
        {BatteryReading{98.4, 0, true}, kC1, "Battery 98 %, on mains", false},
        {BatteryReading{47, 0, false}, kC1, "Battery 47 %", false},
        // At C1 the battery must last 144 + 15 = 159 minutes.
        {BatteryReading{47, 160 * 60, false}, kC1, "Battery 47 %, 2:40 left", false},
        {BatteryReading{47, 158 * 60, false}, kC1, "Battery 47 %, 2:38 left", true},
        // Fifteen minutes after C4 it no longer has to last.
        {BatteryReading{3, 5 * 60, false}, kC4 + 16 * kMinute, "Battery 3 %, 0:05 left", false},
        // Two days before the eclipse no battery lasts until then: not red.
        {BatteryReading{80, 5 * 3600, false}, kC1 - 2, "Battery 80 %, 5:00 left", false},
        // Ten hours before C1: 10 h + 2 h 24 min + 15 min = 12:39 needed.
        {BatteryReading{80, 12 * 3600, false}, kC1 - 600 * kMinute, "Battery 80 %, 12:00 left", true},
    };
    for (const Case& c : cases) {
        const BatteryText line = BatteryLine(c.battery, c.now, kPartial);
        EXPECT_EQ(line.text, c.text);
        EXPECT_EQ(line.warning, c.warning) << c.text;
    }
}

}  // namespace
}  // namespace zelto
