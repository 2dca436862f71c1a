#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "camera/gphoto2_port.h"

namespace zelto {

// A Canon EOS body as libgphoto2's ptp2 driver presents it. Widget names and choice texts follow
// libgphoto2's ptp2 configuration tables as used in its own example scripts (capturetarget
// "Memory card", aperture "5"/"11", shutterspeed "1/100", iso "100", imageformat "RAW" and
// "Smaller JPEG (S2)"). The exact lists of a given body are unconfirmed: they were not read from
// a real camera.
class FakeEosPort final : public Gphoto2Port {
public:
    std::map<std::string, Gphoto2Widget> widgets = {
        {"imageformat", {"Large Fine JPEG", {"Large Fine JPEG", "Large Normal JPEG", "Medium Fine JPEG", "Small Fine JPEG",
                                             "Smaller JPEG (S2)", "RAW + Large Fine JPEG", "RAW", "mRAW"}}},
        {"autoexposuremode", {"Manual", {"P", "TV", "AV", "Manual", "Bulb", "A_DEP", "Green"}}},
        {"iso", {"100", {"Auto", "100", "200", "400", "800", "1600", "3200", "6400", "6400"}}},
        {"aperture", {"5.6", {"4", "4.5", "5", "5.6", "f/8", "11", "2", "99.9"}}},
        {"shutterspeed", {"1/100", {"bulb", "30", "2.5", "0.5", "1/8000", "1/100", "1/3"}}},
        {"capturetarget", {"Internal RAM", {"Internal RAM", "Memory card"}}},
    };
    std::mutex mutex;
    std::deque<Gphoto2Event> events;
    std::condition_variable drained;
    std::atomic<int> busyCaptures{0};
    std::atomic<int> failedTransfers{0};  // captures that fail with GP_ERROR_IO
    bool firedBeforeFailing = false;      // such a capture exposed a picture before it failed
    std::atomic<bool> present{true};      // found by a detection
    std::atomic<bool> linkDown{false};    // a look for events fails, as on a broken PTP/IP link
    std::atomic<int> captures{0};
    std::atomic<bool> gone{false};
    std::atomic<int> claimedOpens{0};  // opens that fail: another program holds the USB device
    // What libgphoto2 detects; the one opened last.
    std::vector<PortCamera> found = {{"Canon EOS 100D", "usb:001,005"}};
    PortCamera opened;
    std::string openText;  // what libgphoto2 says while a camera opens
    std::function<void(CameraTextKind, const std::string&)> say;

    int Detect(std::vector<PortCamera>* cameras) override {
        *cameras = present ? found : std::vector<PortCamera>{};
        return kGpOk;
    }
    int Open(const PortCamera& camera) override {
        if (gone) return kGpErrorIoUsbFind;
        if (claimedOpens > 0) {
            --claimedOpens;
            return kGpErrorIoUsbClaim;
        }
        opened = camera;
        if (!openText.empty()) say(CameraTextKind::Status, openText);
        return kGpOk;
    }
    void Close() override {}
    int ModelName(std::string* name) override {
        *name = "Canon EOS 6D";
        return kGpOk;
    }
    void SetTextHandler(std::function<void(CameraTextKind, const std::string&)> handler) override {
        say = std::move(handler);
    }
    int GetWidget(const std::string& name, Gphoto2Widget* out) override {
        if (gone) return kGpErrorIoUsbFind;
        const auto found = widgets.find(name);
        if (found == widgets.end()) return -2;  // GP_ERROR_BAD_PARAMETERS: no such widget
        *out = found->second;
        return kGpOk;
    }
    int SetWidget(const std::string& name, const std::string& value) override {
        if (gone) return kGpErrorIoUsbFind;
        widgets.at(name).value = value;
        return kGpOk;
    }
    int Capture() override {
        if (gone) return kGpErrorIoUsbFind;
        if (failedTransfers > 0) {
            --failedTransfers;
            if (firedBeforeFailing) {
                ++captures;
                std::lock_guard<std::mutex> lock(mutex);
                events.push_back({Gphoto2EventType::FileAdded, "/DCIM/100CANON/IMG_0001.JPG"});
            }
            return kGpErrorIo;
        }
        if (busyCaptures > 0) {
            --busyCaptures;
            return kGpErrorCameraBusy;
        }
        ++captures;
        return kGpOk;
    }
    int WaitForEvent(int, Gphoto2Event* out) override {
        if (gone || linkDown) return kGpErrorIo;
        std::lock_guard<std::mutex> lock(mutex);
        if (events.empty()) {
            *out = {};
        } else {
            *out = events.front();
            events.pop_front();
            if (events.empty()) drained.notify_all();
        }
        return kGpOk;
    }
    // Waits (bounded) until the worker has taken every queued event.
    bool WaitDrained() {
        std::unique_lock<std::mutex> lock(mutex);
        return drained.wait_for(lock, std::chrono::seconds(10), [&] { return events.empty(); });
    }
    void Push(Gphoto2Event event) {
        std::lock_guard<std::mutex> lock(mutex);
        events.push_back(std::move(event));
    }
};

}  // namespace zelto
