#include "eclipse_data/clock_check.h"

#include <cmath>

#include "eclipse_data/number_text.h"

namespace zelto {

ClockCheck CheckClock(const KernelClockStatus& kernel, std::optional<double> gpsOffsetSeconds) {
    ClockCheck check;
    if (!kernel.known) {
        check.text = "Clock sync: unknown";
    } else if (!kernel.synchronised) {
        check.text = "Clock not synchronised";
        check.warning = true;
        // Unsynchronised the bound grows 500 µs a second up to 16 s: it dates the last synchronisation.
        constexpr double kDriftBoundPerSecond = 500e-6;
        constexpr double kMaximumBound = 16;
        const double bound = kernel.maximumErrorSeconds;
        if (bound >= kMaximumBound) {
            check.text += " for over " + FixedText(kMaximumBound / kDriftBoundPerSecond / 3600, 0) + " h";
        } else if (bound > 0) {
            check.text += " for " + FixedText(bound / kDriftBoundPerSecond / 60, 0) + " min, error up to " +
                          FixedText(bound, 3) + " s";
        }
    } else {
        check.text = "Clock synchronised, error " + FixedText(kernel.estimatedErrorSeconds, 3) + " s";
        check.warning = kernel.estimatedErrorSeconds > kClockErrorLimit;
    }
    check.hint = "The kernel's time synchronisation status (ntp_adjtime). To keep the clock synchronised, "
                 "turn time synchronisation on: timedatectl set-ntp true (systemd-timesyncd), or install chrony.";
    if (gpsOffsetSeconds) {
        const double offset = *gpsOffsetSeconds;
        check.text += std::string("; GPS offset ") + (offset >= 0 ? "+" : "") + FixedText(offset, 2) + " s";
        check.warning = check.warning || std::fabs(offset) > kGpsOffsetLimit;
    }
    return check;
}

}  // namespace zelto
