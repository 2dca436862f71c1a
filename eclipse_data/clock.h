#pragma once

#include <chrono>
#include <cstdint>

namespace zelto {

// The shared time source.
struct TimeSource {
    double CurrentJD = 0;   // system clock as UT Julian day + TimeOffset, set on every clock tick
    double TimeOffset = 0;  // days added to the system clock for rehearsal
    uint8_t TenthsFlag = 1;  // 1: times show tenths of seconds
};

// The program's time source: the system clock as a UT Julian day, the millisecond tick, and ways to
// give up the processor while waiting. The run engine and the short pauses use it, so tests can
// replace it with a clock that advances on every poll.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double NowJD() = 0;      // UT Julian day of the system clock (rehearsal offset not added)
    virtual uint32_t TickMs() = 0;   // millisecond tick counter; wraps modulo 2^32
    virtual void Yield() = 0;        // let other threads run (a Sleep(0))
    // Sleeps for about `duration`, measured on the monotonic clock (a step of the UT clock neither
    // prolongs nor cuts it). It may end a little late, never early.
    virtual void SleepFor(std::chrono::microseconds duration) = 0;
    // A wait for the instant jd (system time) begins. A simulated clock may jump straight to it;
    // the system clock ignores this.
    virtual void WaitingFor(double jd) { (void)jd; }
};

// The computer's clock in UTC.
class SystemClock final : public Clock {
public:
    double NowJD() override;
    uint32_t TickMs() override;
    void Yield() override;
    void SleepFor(std::chrono::microseconds duration) override;
};

// A clock for tests and simulated runs: every poll (NowJD, TickMs, Yield) advances it by a fixed step
// and a sleep advances it by its duration at once, so waits finish at once in real time while their
// simulated duration stays right.
class FakeClock final : public Clock {
public:
    explicit FakeClock(double startJD = 2451545.0, int64_t stepMicroseconds = 1000);
    double NowJD() override;
    uint32_t TickMs() override;
    void Yield() override;
    void SleepFor(std::chrono::microseconds duration) override;

    void WaitingFor(double jd) override;

    void SetJD(double jd);
    void AdvanceMs(double ms);
    // When on, a wait for an instant jumps the clock (and its tick) straight to that instant.
    void SetJumpToWaits(bool jump) { jumpToWaits_ = jump; }
    double CurrentJD() const;  // without advancing
    int64_t polls() const { return polls_; }

private:
    void Poll();
    int64_t startMicroseconds_;  // the tick origin, microseconds
    int64_t microseconds_;       // microseconds since the start JD
    double startJD_;
    int64_t step_;
    int64_t polls_ = 0;
    bool jumpToWaits_ = false;
};

// Waits at least ms milliseconds on the tick counter (with a wrap-safe difference): sleeps through
// all but the last millisecond, then polls the tick, yielding between readings. Window messages are
// not handled meanwhile. Returns the milliseconds that passed.
int64_t Delay(Clock& clock, int64_t ms);

}  // namespace zelto
