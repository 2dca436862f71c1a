#pragma once

#include <optional>
#include <string>

// Whether the system clock can be trusted on the day: what the kernel says of its synchronisation
// and, with a GPS receiver, how far it stands from GPS time. The kernel is asked through a seam, so
// systems that cannot say, and tests, hand in their own answer.

namespace zelto {

struct KernelClockStatus {
    bool known = false;  // false: this system cannot say
    bool synchronised = false;
    double estimatedErrorSeconds = 0;  // the kernel's estimate, while synchronised
    // The kernel's bound on the error. Unsynchronised it grows by 500 µs a second until it reaches
    // 16 s, so it tells how long the clock has run free. 0: not known.
    double maximumErrorSeconds = 0;
};

class ClockStatusSource {
  public:
    virtual ~ClockStatusSource() = default;
    virtual KernelClockStatus Read() = 0;
};

// An estimated error above this, or no synchronisation, shows the check in red.
inline constexpr double kClockErrorLimit = 0.5;
// The GPS offset counts from the time a fix arrives, which trails the receiver's second by a few
// tenths: only an offset beyond a second is a clock that is off.
inline constexpr double kGpsOffsetLimit = 1.0;

struct ClockCheck {
    std::string text;
    bool warning = false;  // shown in red
    std::string hint;      // the tooltip: what the check reads, and how to turn synchronisation on
};

// The text of the main window's clock check; gpsOffsetSeconds is system clock − GPS time.
ClockCheck CheckClock(const KernelClockStatus& kernel, std::optional<double> gpsOffsetSeconds);

}  // namespace zelto
