#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

#include "camera/message_sink.h"

namespace zelto {

// A camera window stand-in: keeps every posted message with the thread that posted it.
class RecordingSink final : public CameraMessageSink {
public:
    struct Received {
        CameraMessage message;
        std::thread::id thread;
    };

    void Post(const CameraMessage& message) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            received_.push_back({message, std::this_thread::get_id()});
        }
        posted_.notify_all();
    }

    // Waits (bounded) until at least count messages have arrived.
    bool WaitFor(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        std::unique_lock<std::mutex> lock(mutex_);
        return posted_.wait_for(lock, timeout, [&] { return received_.size() >= count; });
    }

    std::vector<Received> All() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }

    std::vector<CameraMessage> Messages() const {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<CameraMessage> messages;
        for (const Received& r : received_) messages.push_back(r.message);
        return messages;
    }

    // The messages posted so far, taken out of the sink (a message posted meanwhile stays for later).
    std::vector<CameraMessage> Take() {
        std::vector<CameraMessage> messages = Messages();
        std::lock_guard<std::mutex> lock(mutex_);
        received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(messages.size()));
        return messages;
    }

    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        received_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::vector<Received> received_;
};

}  // namespace zelto
