#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace zelto {

// The one thread that talks to a camera. Every call is a job on its queue, run in the order queued
// while the caller waits. Between jobs the thread waits on the queue: a job queued meanwhile starts at
// once, and a slice that passes without one runs the idle step (a short look for the camera's events),
// again and again while it finds something, but always behind any job that is waiting.
class CameraThread {
public:
    // idle: runs on the thread; true when it found something, so that it is run again at once.
    CameraThread(std::chrono::milliseconds slice, std::function<bool()> idle);
    ~CameraThread();  // finishes the queued jobs, then ends the thread
    CameraThread(const CameraThread&) = delete;
    CameraThread& operator=(const CameraThread&) = delete;

    // Runs job on the thread and returns when it is done; on the thread itself (from a job or the idle
    // step) it runs at once, as the queue would wait for itself.
    void Run(const std::function<void()>& job);

private:
    struct Job {
        const std::function<void()>* work;
        bool done = false;
    };
    void Loop();

    const std::chrono::milliseconds slice_;
    const std::function<bool()> idle_;
    std::mutex mutex_;
    std::condition_variable queued_;    // a job waits, or the thread is to end
    std::condition_variable finished_;  // a job is done
    std::deque<Job*> queue_;
    bool ending_ = false;
    std::thread thread_;  // last: starts once everything above is ready
};

}  // namespace zelto
