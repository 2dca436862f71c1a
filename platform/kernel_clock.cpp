#include "platform/kernel_clock.h"

#ifdef __linux__
#include <sys/timex.h>
#endif

namespace zelto {

KernelClockStatus KernelClockStatusFrom(int state, int statusFlags, long estimatedErrorMicroseconds,
                                        long maximumErrorMicroseconds) {
    KernelClockStatus status;
#ifdef __linux__
    if (state == -1) return status;  // the call itself failed
    status.known = true;
    status.synchronised = state != TIME_ERROR && (statusFlags & STA_UNSYNC) == 0;
    status.estimatedErrorSeconds = static_cast<double>(estimatedErrorMicroseconds) / 1e6;
    status.maximumErrorSeconds = static_cast<double>(maximumErrorMicroseconds) / 1e6;
#else
    (void)state, (void)statusFlags, (void)estimatedErrorMicroseconds, (void)maximumErrorMicroseconds;
#endif
    return status;
}

KernelClockStatus KernelClockStatusSource::Read() {
#ifdef __linux__
    struct timex reading {};
    reading.modes = 0;  // read only
    const int state = ntp_adjtime(&reading);
    return KernelClockStatusFrom(state, reading.status, reading.esterror, reading.maxerror);
#else
    return {};
#endif
}

}  // namespace zelto
