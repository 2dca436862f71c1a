#include "eclipse_data/clock.h"

#include <chrono>
#include <cmath>
#include <thread>


namespace zelto {

namespace {
constexpr double kUnixEpochJD = 2440587.5;
constexpr double kMicrosecondsPerDay = 86400.0e6;
}  // namespace

double SystemClock::NowJD() {
    // system_clock counts Unix time, which is UTC without leap seconds.
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    const double microseconds =
        static_cast<double>(std::chrono::duration_cast<std::chrono::microseconds>(since).count());
    return kUnixEpochJD + microseconds / kMicrosecondsPerDay;
}

uint32_t SystemClock::TickMs() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void SystemClock::Yield() { std::this_thread::yield(); }

// sleep_for measures on the steady clock.
void SystemClock::SleepFor(std::chrono::microseconds duration) { std::this_thread::sleep_for(duration); }

FakeClock::FakeClock(double startJD, int64_t stepMicroseconds)
    : startMicroseconds_(0), microseconds_(0), startJD_(startJD), step_(stepMicroseconds) {}

void FakeClock::Poll() {
    ++polls_;
    microseconds_ += step_;
}

double FakeClock::NowJD() {
    Poll();
    return CurrentJD();
}

uint32_t FakeClock::TickMs() {
    Poll();
    return static_cast<uint32_t>((startMicroseconds_ + microseconds_) / 1000);
}

void FakeClock::Yield() { Poll(); }

void FakeClock::SleepFor(std::chrono::microseconds duration) {
    if (duration.count() > 0) microseconds_ += duration.count();
}

void FakeClock::WaitingFor(double jd) {
    const double ahead = jd - CurrentJD();
    if (jumpToWaits_ && ahead > 0) microseconds_ += static_cast<int64_t>(std::ceil(ahead * kMicrosecondsPerDay));
}

void FakeClock::SetJD(double jd) {
    // The tick keeps running on: only the calendar instant jumps.
    startMicroseconds_ += microseconds_;
    microseconds_ = 0;
    startJD_ = jd;
}

void FakeClock::AdvanceMs(double ms) { microseconds_ += static_cast<int64_t>(ms * 1000.0); }

double FakeClock::CurrentJD() const { return startJD_ + static_cast<double>(microseconds_) / kMicrosecondsPerDay; }

int64_t Delay(Clock& clock, int64_t ms) {
    // Sleeps while more than a millisecond is missing, then polls the tick for the last one, so the
    // pause keeps its length (the tick counts whole milliseconds) without keeping a core busy.
    constexpr int64_t kPolledMs = 1;
    const uint32_t start = clock.TickMs();
    for (;;) {
        const uint32_t elapsed = clock.TickMs() - start;  // modulo 2^32: a wrap does not prolong the wait
        const int64_t missing = ms - static_cast<int64_t>(elapsed);
        if (missing <= 0) return elapsed;
        if (missing > kPolledMs) {
            clock.SleepFor(std::chrono::milliseconds(missing - kPolledMs));
        } else {
            clock.Yield();
        }
    }
}

}  // namespace zelto
