#include "camera/camera_thread.h"

namespace zelto {

CameraThread::CameraThread(std::chrono::milliseconds slice, std::function<bool()> idle)
    : slice_(slice), idle_(std::move(idle)), thread_([this] { Loop(); }) {}

CameraThread::~CameraThread() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    queued_.notify_one();
    thread_.join();
}

void CameraThread::Run(const std::function<void()>& job) {
    if (std::this_thread::get_id() == thread_.get_id()) {
        job();
        return;
    }
    Job entry{&job};
    std::unique_lock<std::mutex> lock(mutex_);
    queue_.push_back(&entry);
    lock.unlock();
    queued_.notify_one();
    lock.lock();
    finished_.wait(lock, [&entry] { return entry.done; });
}

void CameraThread::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    bool foundSomething = false;
    for (;;) {
        // After a job the thread waits a whole slice before it looks at the camera again, so that the
        // next job of a sequence (a write, then the release) does not queue behind a look.
        if (!foundSomething && queue_.empty() && !ending_) {
            queued_.wait_for(lock, slice_, [this] { return ending_ || !queue_.empty(); });
        }
        if (!queue_.empty()) {
            Job* job = queue_.front();
            queue_.pop_front();
            lock.unlock();
            (*job->work)();
            lock.lock();
            job->done = true;
            finished_.notify_all();
            foundSomething = false;
            continue;
        }
        if (ending_) return;
        lock.unlock();
        foundSomething = idle_ && idle_();
        lock.lock();
    }
}

}  // namespace zelto
