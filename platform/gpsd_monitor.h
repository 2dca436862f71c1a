#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "circumstances/site_sources.h"

namespace zelto {

// The GPS receiver through gpsd (libgps). A thread of its own keeps a connection to gpsd, reconnects
// every two seconds while gpsd does not answer, and holds the latest fix; the window asks for it on
// every clock tick without waiting. A fix not renewed for five seconds counts as none; a report
// without a height or a time keeps those of the one before.
class GpsdMonitor final : public GpsSource {
  public:
    // gpsd's own port is 2947 on localhost.
    explicit GpsdMonitor(std::string host = "localhost", std::string port = "2947");
    ~GpsdMonitor() override;
    GpsdMonitor(const GpsdMonitor&) = delete;
    GpsdMonitor& operator=(const GpsdMonitor&) = delete;

    GpsStatus Latest() override;

    // Waits until the status satisfies `until` or `timeout` has passed; returns the status then.
    GpsStatus WaitFor(const std::function<bool(const GpsStatus&)>& until, std::chrono::milliseconds timeout);

  private:
    void Run();
    void Publish(const GpsStatus& status);
    bool Pause(std::chrono::milliseconds time);  // false when stopping

    std::string host_, port_;
    std::mutex mutex_;
    std::condition_variable changed_;
    GpsStatus status_{GpsState::NoGpsd, {}};
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace zelto
