#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "camera/appmaster.h"
#include "camera/camera.h"
#include "camera/deadline_sdk.h"
#include "camera/message_sink.h"
#include "camera/virtual_faults.h"

// Several cameras in one run: each body has the name the user gave it ("Tele", "Wide") and is
// recognised by its serial number, since two bodies of one model look alike and their ports change
// between plug-ins. Each body has its own library, session and camera thread, so that one lost, busy
// or stuck body never holds another.

namespace zelto {

// The body's serial number as its library reports it (kEdsPropBodyIDEx); empty when it has none.
std::string ReadBodySerial(EdsSdk& sdk, EdsCameraRef camera);

// Which of the bodies found each named body is, by index into `found` (-1: not found).
// `knownSerials[i]` is the serial kept for name i ("" when none is kept yet), `found[j]` the serial
// read from the body on port j (nullopt: no body answered there), and name i's own port, when one
// was given, is port i. A kept serial
// takes the body that reports it, wherever it is now, and nothing else: a known body that is missing
// is missing, not replaced by a stranger. A name without a kept serial takes its own port's body
// when no kept serial claims it, else a body left on the port of a name that took another body;
// never the body on the port of a name still without one (that name's body may only be slow).
std::vector<int> MatchBodies(const std::vector<std::string>& knownSerials,
                             const std::vector<std::optional<std::string>>& found);

// A fault rehearsal for several bodies: each item of the list (ReadVirtualFaults) may name its body
// after the "@" ("unplug@Tele:19+3"); an item without a name, and "slow=MS", are for every body.
// The plan of each name, or an error for an item that names a body not in `names`.
struct BodyFaultReading {
    std::map<std::string, VirtualFaultPlan> plans;  // only names with faults
    std::string error;
};
BodyFaultReading ReadBodyFaults(std::string_view spec, const std::vector<std::string>& names);

// A camera library's messages, queued from its threads and taken on the run's own thread.
class CameraMessageQueue final : public CameraMessageSink {
  public:
    void Post(const CameraMessage& message) override;
    std::deque<CameraMessage> Take();

  private:
    std::mutex mutex_;
    std::deque<CameraMessage> queue_;
};

// Where a body known by its serial number may be now: a USB body plugged back in comes back on
// another port. `ports`: the ports to look at (none held by another body); `libraryOn`: a library
// on one of them; `moved`: the body was found on that port.
struct BodyFinder {
    std::function<std::vector<std::string>()> ports;
    std::function<std::unique_ptr<DeadlineSdk>(const std::string& port)> libraryOn;
    std::function<void(const std::string& port)> moved;
};

// One body: its library with deadlines on every call, its session and its camera state. All
// of it is used from one thread at a time: the body's run thread while a run goes on.
class CameraBody {
  public:
    explicit CameraBody(std::unique_ptr<DeadlineSdk> library);
    ~CameraBody();
    CameraBody(const CameraBody&) = delete;
    CameraBody& operator=(const CameraBody&) = delete;

    // Opens the session (again), its calls answered by `deadline` where given; Camera() stays null
    // when none answers in time. False, with the reason in `error`, when an allowed-value list does
    // not fit. The serial is read on every connect.
    bool Connect(std::function<bool()> deadline, std::string* error);
    // From now on the body is the one with `serial`: a connect that finds another body on its port
    // refuses it, and one that finds none there looks for it on the finder's ports.
    void KnowBySerial(std::string serial, BodyFinder finder);
    // Runs on the caller's thread while a call waits (DeadlineSdk::SetWaitTurn), kept across libraries.
    void SetWaitTurn(std::function<void()> turn);
    // The connected session, or null.
    TAppMaster* Camera() { return state_.CameraName.empty() ? nullptr : master_.get(); }
    const std::string& Serial() const { return serial_; }
    CameraState& State() { return state_; }
    DeadlineSdk& Library() { return *library_; }
    CameraMessageQueue& Messages() { return messages_; }
    // Hands the queued messages on: a value changed on the body is read back; library texts go to
    // `text`.
    void HandleMessages(const std::function<void(const CameraMessage&)>& text);
    void Disconnect();

  private:
    bool ConnectHere(const std::function<bool()>& deadline, std::string* error);
    bool IsTheKnownBody() { return Camera() != nullptr && (knownSerial_.empty() || serial_ == knownSerial_); }
    void UseLibrary(std::unique_ptr<DeadlineSdk> library);

    CameraMessageQueue messages_;  // before the library, which may still post while it closes
    std::unique_ptr<DeadlineSdk> library_;
    CameraState state_;
    std::unique_ptr<TAppMaster> master_;
    std::string serial_;
    std::string knownSerial_;
    BodyFinder finder_;
    std::function<void()> waitTurn_;
};

// Runs each body's work on a thread of its own and returns when all of them have ended.
void RunTogether(const std::vector<std::function<void()>>& work);

}  // namespace zelto
