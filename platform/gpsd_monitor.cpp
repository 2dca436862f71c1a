#include "platform/gpsd_monitor.h"

#include <gps.h>
#include <pthread.h>
#include <signal.h>

#include <cmath>

namespace zelto {

namespace {

constexpr auto kReconnectPause = std::chrono::seconds(2);
constexpr auto kFixLifetime = std::chrono::seconds(5);
constexpr int kPollMicroseconds = 250000;

double SecondsOf(const timespec& time) { return static_cast<double>(time.tv_sec) + time.tv_nsec / 1e9; }

// The fix of one TPV report, or nothing when the report holds no position.
bool ReadFix(const gps_data_t& data, double receivedSeconds, GpsFix& fix) {
    const gps_fix_t& reported = data.fix;
    if (!(data.set & MODE_SET) || reported.mode < MODE_2D || !std::isfinite(reported.latitude) ||
        !std::isfinite(reported.longitude))
        return false;
    fix = {};
    fix.latitude = reported.latitude;
    fix.eastLongitude = reported.longitude;
    if (reported.mode >= MODE_3D) {
        // The solver wants the height above the ellipsoid; a receiver without a geoid model gives
        // only the height above sea level.
        if (std::isfinite(reported.altHAE))
            fix.heightMetres = reported.altHAE;
        else if (std::isfinite(reported.altMSL))
            fix.heightMetres = reported.altMSL;
    }
    if ((data.set & TIME_SET) && reported.time.tv_sec > 0) fix.clockOffsetSeconds = receivedSeconds - SecondsOf(reported.time);
    return true;
}

}  // namespace

GpsdMonitor::GpsdMonitor(std::string host, std::string port)
    : host_(std::move(host)), port_(std::move(port)), thread_([this] { Run(); }) {}

GpsdMonitor::~GpsdMonitor() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

GpsStatus GpsdMonitor::Latest() {
    const std::lock_guard lock(mutex_);
    return status_;
}

GpsStatus GpsdMonitor::WaitFor(const std::function<bool(const GpsStatus&)>& until, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return until(status_); });
    return status_;
}

void GpsdMonitor::Publish(const GpsStatus& status) {
    {
        const std::lock_guard lock(mutex_);
        status_ = status;
    }
    changed_.notify_all();
}

bool GpsdMonitor::Pause(std::chrono::milliseconds time) {
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(lock, time, [this] { return stopping_; });
}

void GpsdMonitor::Run() {
    // A write to a gpsd that has just gone would raise SIGPIPE and end the program; blocked in this
    // thread, the write fails with EPIPE instead and the connection is dropped.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);

    const auto stopping = [this] {
        const std::lock_guard lock(mutex_);
        return stopping_;
    };
    while (!stopping()) {
        gps_data_t data{};
        if (gps_open(host_.c_str(), port_.c_str(), &data) != 0) {
            Publish({GpsState::NoGpsd, {}});
            if (!Pause(kReconnectPause)) return;
            continue;
        }
        gps_stream(&data, WATCH_ENABLE | WATCH_JSON, nullptr);
        Publish({GpsState::NoFix, {}});
        auto lastFix = std::chrono::steady_clock::time_point{};
        bool holdingFix = false;
        bool connected = true;
        while (connected && !stopping()) {
            if (gps_waiting(&data, kPollMicroseconds)) {
                if (gps_read(&data, nullptr, 0) == -1) {  // gpsd went away
                    connected = false;
                    continue;
                }
                GpsFix fix;
                const double received =
                    std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
                if (ReadFix(data, received, fix)) {
                    if (holdingFix) {
                        // A report may carry the position alone: the rest stays from the one before.
                        const GpsFix before = Latest().fix;
                        if (!fix.heightMetres) fix.heightMetres = before.heightMetres;
                        if (!fix.clockOffsetSeconds) fix.clockOffsetSeconds = before.clockOffsetSeconds;
                    }
                    Publish({GpsState::Fix, fix});
                    lastFix = std::chrono::steady_clock::now();
                    holdingFix = true;
                }
            }
            if (holdingFix && std::chrono::steady_clock::now() - lastFix > kFixLifetime) {
                Publish({GpsState::NoFix, {}});
                holdingFix = false;
            }
        }
        if (connected) gps_stream(&data, WATCH_DISABLE, nullptr);
        gps_close(&data);
        if (!stopping()) Publish({GpsState::NoGpsd, {}});
    }
}

}  // namespace zelto
