#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace zelto::cli {

// Ctrl+C (or SIGTERM, a service manager's stop) asks the run to stop as "Abort" does (the pump passes it on), and the command then ends
// within a second whatever it is doing: when it has not ended 0.8 s after the request (a camera call
// that blocks, a release retried for a minute, a connect), the watcher ends the process.
class InterruptWatch {
  public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

  private:
    void Watch();

    std::mutex mutex_;
    std::condition_variable commandEnded_;
    bool ended_ = false;
    std::thread watcher_;
};

// Ctrl+C was pressed or SIGTERM came (from any thread).
bool Interrupted();

// The cloud plan's key for a run started from a script: SIGUSR1, where the system has it. Returns
// how to press it ("kill -USR1 1234 switches to it"), or why there is none.
std::string ListenForCloudPlanKey();
// True once after each press.
bool TakeCloudPlanKey();

}  // namespace zelto::cli
