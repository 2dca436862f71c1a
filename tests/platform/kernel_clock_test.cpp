#include "platform/kernel_clock.h"

#include <gtest/gtest.h>

#ifdef __linux__
#include <sys/timex.h>
#endif

namespace zelto {
namespace {

// The real call only reads the kernel's state, which this machine's clock decides: it must answer
// without failing, and its answer must read as the check expects.
TEST(KernelClock, TheRealCallAnswersAndFakeAnswersReadAsTheKernelMeansThem) {
    const KernelClockStatus real = KernelClockStatusSource().Read();
#ifdef __linux__
    EXPECT_TRUE(real.known);
    EXPECT_GE(real.estimatedErrorSeconds, 0);
    struct Case {
        int state, flags;
        long error;
        bool known, synchronised;
        double seconds;
    };
    const Case cases[] = {
        {TIME_OK, 0, 2500, true, true, 0.0025},
        {TIME_OK, STA_UNSYNC, 0, true, false, 0},      // the flag alone says not synchronised
        {TIME_ERROR, 0, 16000000, true, false, 16},    // the kernel's own "clock not synchronised"
        {TIME_INS, 0, 700000, true, true, 0.7},        // a leap second pending is still synchronised
        {-1, 0, 0, false, false, 0},                   // the call failed
    };
    for (const Case& c : cases) {
        const KernelClockStatus status = KernelClockStatusFrom(c.state, c.flags, c.error);
        EXPECT_EQ(status.known, c.known) << c.state;
        EXPECT_EQ(status.synchronised, c.synchronised) << c.state;
        if (c.known) {
            EXPECT_DOUBLE_EQ(status.estimatedErrorSeconds, c.seconds) << c.state;
        }
    }
#else
    EXPECT_FALSE(real.known);
#endif
}

}  // namespace
}  // namespace zelto
