#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace zelto::cli {

// Ctrl+C asks the run to stop as "Abort" does (the pump passes it on), and the command then ends
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

// Ctrl+C was pressed (from any thread).
bool Interrupted();

}  // namespace zelto::cli
