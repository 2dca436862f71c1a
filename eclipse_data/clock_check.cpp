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
    } else {
        check.text = "Clock synchronised, error " + FixedText(kernel.estimatedErrorSeconds, 3) + " s";
        check.warning = kernel.estimatedErrorSeconds > kClockErrorLimit;
    }
    if (gpsOffsetSeconds) {
        const double offset = *gpsOffsetSeconds;
        check.text += std::string("; GPS offset ") + (offset >= 0 ? "+" : "") + FixedText(offset, 2) + " s";
        check.warning = check.warning || std::fabs(offset) > kGpsOffsetLimit;
    }
    return check;
}

}  // namespace zelto
