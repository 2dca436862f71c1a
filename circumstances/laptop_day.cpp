#include "circumstances/laptop_day.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "eclipse_data/julian.h"

namespace zelto {

namespace {

constexpr double kMinutesPerDay = 1440;

const char* WhyNot(HoldAnswer answer, const char* service, const char* bus) {
    switch (answer) {
        case HoldAnswer::Held: return "";
        case HoldAnswer::NoService: return service;
        case HoldAnswer::Refused: return "refused";
        case HoldAnswer::NoBus: return bus;
    }
    return "";
}

// The first and last contact shown; nullopt when none is.
std::optional<std::pair<double, double>> ShownSpan(const std::array<double, kContactSlots>& contactJD) {
    std::optional<std::pair<double, double>> span;
    for (double jd : contactJD) {
        if (jd == 0) continue;
        if (!span) span = std::pair{jd, jd};
        span->first = std::min(span->first, jd);
        span->second = std::max(span->second, jd);
    }
    return span;
}

}  // namespace

AwakeReason AwakeNeeded(double nowJD, const std::array<double, kContactSlots>& contactJD, bool runGoingOn,
                        bool aroundEclipse) {
    if (runGoingOn) return AwakeReason::Run;
    if (!aroundEclipse) return AwakeReason::None;
    const auto span = ShownSpan(contactJD);
    if (!span) return AwakeReason::None;
    const double margin = kAwakeMarginMinutes / kMinutesPerDay;
    return nowJD >= span->first - margin && nowJD <= span->second + margin ? AwakeReason::Eclipse : AwakeReason::None;
}

AwakeText AwakeHoldText(const AwakeHold& hold) {
    if (hold.sleep == HoldAnswer::Held && hold.screen == HoldAnswer::Held) return {"Sleep and screen lock held off", false};
    std::string text;
    if (hold.sleep == HoldAnswer::Held) {
        text = "Sleep held off";
    } else {
        text = std::string("Sleep not held off: ") + WhyNot(hold.sleep, "no logind", "no system bus");
    }
    text += "; ";
    if (hold.screen == HoldAnswer::Held) {
        text += "screen lock held off";
    } else {
        text += std::string("screen lock not held off: ") + WhyNot(hold.screen, "no screen saver", "no session bus");
    }
    return {text, true};
}

AwakeKeeper::~AwakeKeeper() {
    if (hold_) service_.Release();
}

AwakeText AwakeKeeper::Tick(AwakeReason need, double nowJD) {
    if (need == AwakeReason::None) {
        if (hold_) service_.Release();
        hold_.reset();
        return {};
    }
    const bool whole = hold_ && hold_->sleep == HoldAnswer::Held && hold_->screen == HoldAnswer::Held;
    if (!hold_ || (!whole && nowJD - askedJD_ >= kAwakeRetryMinutes / kMinutesPerDay)) {
        // A partial hold is let go first, so that a granted part is never held twice.
        if (hold_) service_.Release();
        hold_ = service_.Hold(need == AwakeReason::Run ? "A photography run is going on"
                                                       : "The eclipse is being photographed");
        askedJD_ = nowJD;
    }
    return AwakeHoldText(*hold_);
}

BatteryText BatteryLine(const std::optional<BatteryReading>& battery, double nowJD,
                        const std::array<double, kContactSlots>& contactJD) {
    if (!battery) return {};
    BatteryText line;
    line.text = "Battery " + std::to_string(static_cast<int>(std::lround(battery->percent))) + " %";
    if (battery->onMains) {
        line.text += ", on mains";
        return line;
    }
    if (battery->secondsToEmpty <= 0) return line;
    const long minutes = std::lround(battery->secondsToEmpty / 60);
    const long rest = minutes % 60;
    line.text += ", " + std::to_string(minutes / 60) + ":" + (rest < 10 ? "0" : "") + std::to_string(rest) + " left";
    if (contactJD[kC4] != 0) {
        const double needSeconds = (contactJD[kC4] - nowJD) * kSecondsPerDay + kAwakeMarginMinutes * 60;
        line.warning = needSeconds < kSecondsPerDay && battery->secondsToEmpty < needSeconds;
    }
    return line;
}

}  // namespace zelto
