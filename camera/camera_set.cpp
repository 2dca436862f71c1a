#include "camera/camera_set.h"

#include <thread>

#include "camera/camera_failure.h"
#include "eclipse_data/number_text.h"

namespace zelto {

std::string ReadBodySerial(EdsSdk& sdk, EdsCameraRef camera) {
    EdsDataType type = 0;
    EdsUInt32 size = 0;
    if (sdk.EdsGetPropertySize(camera, kEdsPropBodyIDEx, 0, &type, &size) != kEdsErrOk ||
        type != kEdsDataTypeString || size == 0 || size > 4096) {
        return {};
    }
    std::string serial(size, '\0');
    if (sdk.EdsGetPropertyData(camera, kEdsPropBodyIDEx, 0, size, serial.data()) != kEdsErrOk) return {};
    serial.resize(serial.find('\0') == std::string::npos ? serial.size() : serial.find('\0'));
    return Trimmed(serial);
}

std::vector<int> MatchBodies(const std::vector<std::string>& knownSerials,
                             const std::vector<std::optional<std::string>>& found) {
    std::vector<int> match(knownSerials.size(), -1);
    std::vector<bool> taken(found.size(), false);
    std::vector<bool> claimed(found.size(), false);  // its serial is kept for some name
    for (size_t name = 0; name < knownSerials.size(); ++name) {
        if (knownSerials[name].empty()) continue;
        for (size_t body = 0; body < found.size(); ++body) {
            if (found[body] != knownSerials[name]) continue;  // nullopt never equals a serial
            claimed[body] = true;
            if (match[name] < 0 && !taken[body]) match[name] = static_cast<int>(body), taken[body] = true;
        }
    }
    const auto free = [&](size_t body) {
        return body < found.size() && found[body] && !taken[body] && !claimed[body];
    };
    const auto take = [&](size_t name, size_t body) {
        match[name] = static_cast<int>(body);
        taken[body] = true;
    };
    for (size_t name = 0; name < knownSerials.size(); ++name) {
        if (knownSerials[name].empty() && free(name)) take(name, name);
    }
    // A body left on a port whose own name took another body (the bodies were swapped) is free for
    // a name still without one; a port whose own name is still without a body is that name's.
    for (size_t name = 0; name < knownSerials.size(); ++name) {
        if (!knownSerials[name].empty() || match[name] >= 0) continue;
        for (size_t body = 0; body < found.size(); ++body) {
            const bool orphan =
                body >= match.size() || (match[body] >= 0 && match[body] != static_cast<int>(body));
            if (free(body) && orphan) {
                take(name, body);
                break;
            }
        }
    }
    return match;
}

BodyFaultReading ReadBodyFaults(std::string_view spec, const std::vector<std::string>& names) {
    BodyFaultReading reading;
    std::map<std::string, std::string> specs;  // the items of each name, without the name
    size_t start = 0;
    for (;;) {
        const size_t comma = spec.find(',', start);
        std::string item =
            Trimmed(spec.substr(start, comma == std::string_view::npos ? comma : comma - start));
        const size_t at = item.find('@');
        const size_t colon = item.find(':');
        std::vector<std::string> targets = names;
        if (at != std::string::npos && colon != std::string::npos && colon > at) {
            const std::string name = Trimmed(item.substr(at + 1, colon - at - 1));
            bool known = false;
            for (const std::string& each : names) known = known || each == name;
            if (!known) {
                reading.error = "the fault \"" + item + "\" names no camera of this run (" + name + ")";
                return reading;
            }
            targets = {name};
            item = item.substr(0, at + 1) + item.substr(colon + 1);
        }
        for (const std::string& name : targets) specs[name] += (specs[name].empty() ? "" : ",") + item;
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    for (const auto& [name, items] : specs) {
        VirtualFaultReading plan = ReadVirtualFaults(items);
        if (!plan.plan) {
            reading.error = plan.error;
            return reading;
        }
        reading.plans[name] = *plan.plan;
    }
    return reading;
}

void CameraMessageQueue::Post(const CameraMessage& message) {
    const std::lock_guard lock(mutex_);
    queue_.push_back(message);
}

std::deque<CameraMessage> CameraMessageQueue::Take() {
    const std::lock_guard lock(mutex_);
    std::deque<CameraMessage> taken;
    taken.swap(queue_);
    return taken;
}

CameraBody::CameraBody(std::unique_ptr<DeadlineSdk> library) : library_(std::move(library)) {
    library_->SetTextSink(&messages_);
}

CameraBody::~CameraBody() {
    Disconnect();
}

bool CameraBody::Connect(std::function<bool()> deadline, std::string* error) {
    if (!ConnectHere(deadline, error)) return false;
    if (IsTheKnownBody()) return true;
    Disconnect();  // another body is on this port now
    if (!finder_.ports || !finder_.libraryOn) return true;
    for (const std::string& port : finder_.ports()) {
        if (deadline && deadline()) break;
        std::unique_ptr<DeadlineSdk> library = finder_.libraryOn(port);
        if (!library) continue;
        std::unique_ptr<DeadlineSdk> before = std::move(library_);
        UseLibrary(std::move(library));
        if (!ConnectHere(deadline, error)) return false;
        if (IsTheKnownBody()) {
            if (finder_.moved) finder_.moved(port);
            return true;
        }
        Disconnect();
        UseLibrary(std::move(before));  // the body's own port stays where it is looked for first
    }
    return true;
}

bool CameraBody::ConnectHere(const std::function<bool()>& deadline, std::string* error) {
    Disconnect();
    state_.SaveTo = 1;
    library_->SetCallDeadline(deadline);
    try {
        master_ = OpenCameraSession(*library_, &messages_, state_);
    } catch (const CameraRangeError& e) {
        library_->SetCallDeadline({});
        if (error) *error = e.what();
        return false;
    }
    serial_.clear();
    if (master_ && !library_->GaveUp()) serial_ = ReadBodySerial(*library_, master_->CameraRef());
    library_->SetCallDeadline({});
    if (master_ && library_->GaveUp()) Disconnect();
    return true;
}

void CameraBody::KnowBySerial(std::string serial, BodyFinder finder) {
    knownSerial_ = std::move(serial);
    finder_ = std::move(finder);
}

void CameraBody::SetWaitTurn(std::function<void()> turn) {
    waitTurn_ = std::move(turn);
    library_->SetWaitTurn(waitTurn_);
}

void CameraBody::UseLibrary(std::unique_ptr<DeadlineSdk> library) {
    library_ = std::move(library);
    library_->SetTextSink(&messages_);
    library_->SetWaitTurn(waitTurn_);
}

void CameraBody::HandleMessages(const std::function<void(const CameraMessage&)>& text) {
    for (const CameraMessage& message : messages_.Take()) {
        if (message.message == kCameraMessageText) {
            if (text) text(message);
            continue;
        }
        if (!master_ || !master_->OwnsMessage(message)) continue;
        if (message.message == kCameraMessageProperty && message.wParam == kEdsPropertyEventPropertyChanged) {
            master_->ReadProperty(static_cast<EdsPropertyID>(message.lParam));
        }
    }
}

void CameraBody::Disconnect() {
    if (master_) master_->Destroy();
    master_.reset();
    state_.CameraName.clear();
}

void RunTogether(const std::vector<std::function<void()>>& work) {
    std::vector<std::thread> threads;
    threads.reserve(work.size());
    for (const auto& each : work) threads.emplace_back(each);
    for (std::thread& thread : threads) thread.join();
}

}  // namespace zelto
