#pragma once

#include <array>
#include <optional>
#include <string>

#include "circumstances/site_place.h"

// The laptop through the eclipse: when the computer must not sleep, blank or lock its screen, what the
// main window says about that, and the battery beside the clock. The desktop's services are reached
// through the seams below (platform/ talks to logind, the screen saver and UPower over D-Bus), so a
// test drives every rule here without a bus.

namespace zelto {

// The eclipse keeps the computer awake from this long before its first contact to this long after its
// last, and the battery has to last until this long after the last contact.
inline constexpr double kAwakeMarginMinutes = 15;

// Why the computer is kept awake now; None: it may sleep.
enum class AwakeReason { None, Run, Eclipse };

// A run or test run always keeps it awake. With aroundEclipse (the option, on by default), so does
// the time from kAwakeMarginMinutes before the first contact shown to kAwakeMarginMinutes after the
// last one shown (C1 and C4 where the site sees them; nothing when no contact is shown). nowJD is
// the real UT clock: rehearsal time does not move the eclipse's hours.
AwakeReason AwakeNeeded(double nowJD, const std::array<double, kContactSlots>& contactJD, bool runGoingOn,
                        bool aroundEclipse);

// What one desktop service answered to a request to hold it off.
enum class HoldAnswer {
    Held,
    NoService,  // nobody owns the service's name on the bus
    Refused,    // the service answered with an error
    NoBus,      // the bus itself cannot be reached
};

struct AwakeHold {
    HoldAnswer sleep = HoldAnswer::NoBus;   // systemd-logind on the system bus: sleep, idle, lid switch
    HoldAnswer screen = HoldAnswer::NoBus;  // the desktop's screen saver on the session bus
    bool operator==(const AwakeHold&) const = default;
};

// The desktop services that keep the computer awake. Hold asks both and keeps what they grant until
// Release, which lets go of whatever is held (and does nothing when nothing is).
class AwakeService {
  public:
    virtual ~AwakeService() = default;
    virtual AwakeHold Hold(const std::string& why) = 0;
    virtual void Release() = 0;
};

struct AwakeText {
    std::string text;      // empty while the computer need not be kept awake
    bool warning = false;  // something could not be held off: shown in red
};

// "Sleep and screen lock held off", or for each part not held off, why not.
AwakeText AwakeHoldText(const AwakeHold& hold);

// Holds and releases the desktop services as the need comes and goes, on every clock tick. A hold
// that was not granted in full is asked for again every kAwakeRetryMinutes while the need lasts (a
// bus or a service may come up later); each request may wait on the bus, so it is not made more often.
inline constexpr double kAwakeRetryMinutes = 5;

class AwakeKeeper {
  public:
    explicit AwakeKeeper(AwakeService& service) : service_(service) {}
    ~AwakeKeeper();
    AwakeKeeper(const AwakeKeeper&) = delete;
    AwakeKeeper& operator=(const AwakeKeeper&) = delete;

    // The need at nowJD (AwakeNeeded's result): holds, retries or releases; returns what to show.
    AwakeText Tick(AwakeReason need, double nowJD);

  private:
    AwakeService& service_;
    std::optional<AwakeHold> hold_;  // while asked for
    double askedJD_ = 0;
};

// The battery as UPower's display device reports it; nullopt from a source: no battery (or no UPower).
struct BatteryReading {
    double percent = 0;
    double secondsToEmpty = 0;  // 0: not known (UPower is still estimating, or it is charging)
    bool onMains = false;       // charging, full, or waiting to charge: the charger is plugged in
};

class BatterySource {
  public:
    virtual ~BatterySource() = default;
    virtual std::optional<BatteryReading> Latest() = 0;
};

struct BatteryText {
    std::string text;      // empty without a battery
    bool warning = false;  // shown in red: it will not last the eclipse
};

// "Battery 47 %, 1:30 left", "Battery 47 %" while the time left is unknown, "Battery 98 %, on mains".
// Red when running on the battery and the time left is shorter than the time from now to
// kAwakeMarginMinutes after C4. That comparison is made only on the eclipse's day (the end less than
// a day ahead): earlier no battery could last, and a warning that is always on warns of nothing. A
// battery whose time left is unknown is not red: nothing says it will run out.
BatteryText BatteryLine(const std::optional<BatteryReading>& battery, double nowJD,
                        const std::array<double, kContactSlots>& contactJD);

}  // namespace zelto
