#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "camera/edsdk.h"

namespace zelto {

// One call the session made, with its arguments in call order (references, property numbers,
// sizes, the 32-bit value written) and, for EdsCreateFileStream, the path.
struct VirtualCall {
    std::string function;
    std::vector<uint64_t> args;
    std::string text;
    EdsError result = kEdsErrOk;

    std::string ToString() const;  // e.g. "EdsSendCommand(0x1000, 0x0, 0x0) -> 0x0"
};

// A simulated Canon body behind the library interface, for tests, the simulation demo and the
// headless run. By default: a body in manual mode ("M") with a dozen image qualities, ISO 100 to 6400,
// f/4 to f/22 and 30 s to 1/8000 s in third stops. Everything is configurable from any thread while
// the session uses it; events are raised on the camera's own thread, as the real library does.
// Downloads are kept in memory (DownloadedFiles): nothing is written to disk.
class VirtualCamera final : public EdsSdk {
public:
    static constexpr int kAlways = -1;

    VirtualCamera();
    ~VirtualCamera() override;
    VirtualCamera(const VirtualCamera&) = delete;
    VirtualCamera& operator=(const VirtualCamera&) = delete;

    // --- the body ---------------------------------------------------------------------------------
    // false: the camera is unplugged. Its session ends, calls on it fail with kEdsErrDeviceNotFound
    // and the library finds no camera until it is attached again (which needs a new session).
    void SetAttached(bool attached);
    void SetLegacy(bool legacy);      // true: device sub-type 0, the older protocol
    void SetDeviceDescription(const std::string& description);
    // The serial number the body reports (kEdsPropBodyIDEx); two virtual bodies in one run differ by it.
    void SetSerial(const std::string& serial);
    // Allowed values of a property (the elements of its description record; at most 128 are kept,
    // the count is the list's size). SetPropertyDesc sets the raw record, for lists a real body could send.
    void SetAllowedValues(EdsPropertyID property, const std::vector<uint32_t>& values);
    void SetPropertyDesc(EdsPropertyID property, const EdsPropertyDesc& desc);
    void SetPropertyType(EdsPropertyID property, EdsDataType type, EdsUInt32 size);
    void SetValue(EdsPropertyID property, EdsUInt32 value);  // quietly, no event
    EdsUInt32 Value(EdsPropertyID property) const;
    std::vector<uint32_t> AllowedValues(EdsPropertyID property) const;

    // A change "on the camera body": the value or the allowed list changes and the matching property
    // event (0x101, 0x102) is raised on the camera's thread.
    void ChangeOnBody(EdsPropertyID property, EdsUInt32 value);
    void ChangeAllowedOnBody(EdsPropertyID property, const std::vector<uint32_t>& values);
    // Raw events, delivered on the camera's thread to the registered handler (dropped when none is).
    void RaisePropertyEvent(EdsPropertyEvent event, EdsPropertyID property, EdsUInt32 param = 0);
    void RaiseObjectEvent(EdsObjectEvent event, EdsBaseRef ref);
    // A new image the body asks the computer to take over: a directory item and its 0x208 event.
    EdsDirectoryItemRef RequestTransfer(const std::string& fileName, EdsUInt64 size);
    // Waits until every raised event has been handed to its handler; false when timeout passed first.
    bool WaitUntilEventsDelivered(std::chrono::milliseconds timeout);
    std::thread::id EventThreadId() const;

    // --- failures and call times -----------------------------------------------------------------------
    // The named library function (e.g. "EdsSendCommand") fails with code, times times or kAlways.
    void FailCall(std::string_view function, EdsError code, int times = kAlways);
    // The next `times` setting writes and commands (EdsSetPropertyData, EdsSendStatusCommand,
    // EdsSendCommand: the calls a photography run makes), whichever come, fail with code. A failure
    // set for the function itself by FailCall comes first.
    void FailNextCommands(EdsError code, int times);
    void ClearFailures();
    // Called at the start of every library call with its name: a simulated clock
    // can make the call take the time a real body would (a picture its exposure). Empty: none.
    void SetCallTimer(std::function<void(std::string_view function)> timer);

    // --- what happened ------------------------------------------------------------------------------
    std::vector<VirtualCall> Calls() const;
    std::vector<std::string> CallNames() const;
    int CallCount(std::string_view function) const;
    void ClearCalls();
    // The log is on by default; a long-running program turns it off so that it does not grow.
    void SetCallLog(bool enabled);
    bool Initialized() const;
    bool SessionIsOpen() const;
    bool UiLocked() const;
    int PicturesTaken() const;
    bool IsLive(EdsBaseRef ref) const;  // a list, item or stream reference not yet released
    std::map<std::string, EdsUInt64> DownloadedFiles() const;  // path -> bytes
    EdsCameraRef CameraReference() const { return kCameraRef; }

    // --- the library ----------------------------------------------------------------------------------
    EdsError EdsInitializeSDK() override;
    EdsError EdsTerminateSDK() override;
    EdsError EdsGetCameraList(EdsCameraListRef* outList) override;
    EdsError EdsGetChildCount(EdsBaseRef ref, EdsUInt32* outCount) override;
    EdsError EdsGetChildAtIndex(EdsBaseRef ref, EdsInt32 index, EdsBaseRef* outRef) override;
    EdsUInt32 EdsRelease(EdsBaseRef ref) override;
    EdsError EdsGetDeviceInfo(EdsCameraRef camera, EdsDeviceInfo* outInfo) override;
    EdsError EdsSetPropertyEventHandler(EdsCameraRef camera, EdsPropertyEvent event, EdsPropertyEventHandler handler,
                                        void* context) override;
    EdsError EdsSetObjectEventHandler(EdsCameraRef camera, EdsObjectEvent event, EdsObjectEventHandler handler,
                                      void* context) override;
    EdsError EdsOpenSession(EdsCameraRef camera) override;
    EdsError EdsCloseSession(EdsCameraRef camera) override;
    EdsError EdsGetPropertySize(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param, EdsDataType* outType,
                                EdsUInt32* outSize) override;
    EdsError EdsGetPropertyData(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param, EdsUInt32 size,
                                void* outData) override;
    EdsError EdsSetPropertyData(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param, EdsUInt32 size,
                                const void* data) override;
    EdsError EdsGetPropertyDesc(EdsBaseRef ref, EdsPropertyID property, EdsPropertyDesc* outDesc) override;
    EdsError EdsSendStatusCommand(EdsCameraRef camera, EdsUInt32 command, EdsInt32 param) override;
    EdsError EdsSendCommand(EdsCameraRef camera, EdsUInt32 command, EdsInt32 param) override;
    EdsError EdsSetCapacity(EdsCameraRef camera, EdsCapacity capacity) override;
    EdsError EdsGetDirectoryItemInfo(EdsDirectoryItemRef item, EdsDirectoryItemInfo* outInfo) override;
    EdsError EdsCreateFileStream(const char* path, EdsUInt32 disposition, EdsUInt32 access,
                                 EdsStreamRef* outStream) override;
    EdsError EdsSetProgressCallback(EdsBaseRef ref, EdsProgressCallback callback, EdsUInt32 option,
                                    void* context) override;
    EdsError EdsDownload(EdsDirectoryItemRef item, EdsUInt64 size, EdsStreamRef stream) override;
    EdsError EdsDownloadComplete(EdsDirectoryItemRef item) override;

private:
    static constexpr EdsCameraRef kCameraRef = 0x1000;

    struct Property {
        EdsDataType type = kEdsDataTypeUInt32;
        EdsUInt32 size = 4;
        EdsUInt32 value = 0;
        EdsPropertyDesc desc{};
    };
    struct Failure {
        EdsError code = kEdsErrOk;
        int remaining = kAlways;
    };
    struct Item {
        std::string fileName;
        EdsUInt64 size = 0;
    };
    struct Stream {
        std::string path;
        EdsProgressCallback callback = nullptr;
        void* context = nullptr;
    };
    enum class RefKind { List, Item, Stream };
    struct PendingEvent {
        bool objectEvent = false;
        EdsUInt32 event = 0;
        EdsPropertyID property = 0;
        EdsUInt32 param = 0;
        EdsBaseRef ref = kEdsNoRef;
    };

    // Each library function: let the call timer take its time, log it, then answer an injected failure if one is due.
    // Begin returns the log index; Injected the failure code or 0. Both run under the lock.
    void TimeCall(std::string_view function) const;  // runs the call timer, if any
    size_t Begin(std::string_view function, std::vector<uint64_t> args, std::string text = {});
    EdsError Injected(std::string_view function);
    EdsError Finish(size_t call, EdsError result);
    EdsError CheckInitialized() const;
    EdsError CheckCamera(EdsCameraRef camera, bool needsSession) const;
    EdsBaseRef NewRef(RefKind kind);
    void Queue(const PendingEvent& event);
    void DeliverEvents();

    mutable std::mutex mutex_;
    std::condition_variable eventsChanged_;
    bool attached_ = true;
    bool legacy_ = false;
    std::string description_ = "Canon EOS (virtual)";
    std::string serial_ = "VIRTUAL0001";
    std::map<EdsPropertyID, Property> properties_;
    std::map<std::string, Failure, std::less<>> failures_;
    Failure commandFailure_{kEdsErrOk, 0};
    std::function<void(std::string_view)> callTimer_;
    std::vector<VirtualCall> calls_;
    bool logging_ = true;

    bool initialized_ = false;
    bool sessionOpen_ = false;
    bool uiLocked_ = false;
    int pictures_ = 0;
    EdsCapacity capacity_{};
    EdsBaseRef nextRef_ = kCameraRef + 0x10;
    std::map<EdsBaseRef, RefKind> live_;
    std::map<EdsBaseRef, Item> items_;
    std::map<EdsBaseRef, Stream> streams_;
    std::map<std::string, EdsUInt64> files_;

    EdsPropertyEventHandler propertyHandler_ = nullptr;
    void* propertyContext_ = nullptr;
    EdsObjectEventHandler objectHandler_ = nullptr;
    void* objectContext_ = nullptr;

    std::deque<PendingEvent> events_;
    bool delivering_ = false;
    bool stopping_ = false;
    std::thread eventThread_;  // last: starts once everything above exists
};

// Makes the body's calls take the time a real camera would, told to `spend` in milliseconds: a
// picture its exposure (the current shutter speed) plus 200 ms to store it, a setting 30 ms; a slow
// body (a fault rehearsal) takes slowerMs more for each. A simulated clock advances by it; a
// real-time caller sleeps.
void UseSimulatedBodyTimes(VirtualCamera& camera, std::function<void(double ms)> spend, double slowerMs = 0);

}  // namespace zelto
