#pragma once

#include "eclipse_data/clock_check.h"

namespace zelto {

// The kernel's view of the system clock. On Linux ntp_adjtime (only reading, so no privileges
// needed): not synchronised when the kernel says TIME_ERROR or STA_UNSYNC, else its estimated error.
// Other systems answer "unknown".
class KernelClockStatusSource final : public ClockStatusSource {
  public:
    KernelClockStatus Read() override;
};

// The reading of one ntp_adjtime answer: its return state, status flags and estimated error in
// microseconds (Linux only; elsewhere the status is unknown).
KernelClockStatus KernelClockStatusFrom(int state, int statusFlags, long estimatedErrorMicroseconds,
                                        long maximumErrorMicroseconds = 0);

}  // namespace zelto
