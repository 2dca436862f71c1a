#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "camera/camera_choice.h"
#include "camera/edsdk.h"

namespace zelto {

// A camera library whose every call has a deadline, so that a camera that stops answering holds
// nobody. The calls run on a thread of their own while the caller waits; a wait longer than a few
// milliseconds runs the caller's wait turn (the window's messages: the clock, the countdown, Abort)
// until the answer comes. A call not answered by its deadline, or cancelled, is given up: the camera
// then counts as gone (every call answers kEdsErrCommDisconnected at once, as an unplugged camera
// does) until the next session starts. That session runs on a fresh thread with a fresh library from
// the factory; the stuck thread is never given another call, ends when its call does, and whatever
// it answers then is dropped. Without a factory the next session waits until the old library's call
// has returned and goes on with it.
//
// The deadline is the one the caller set (a run: the instant it must keep, on the run's clock) or
// else the call's own limit: 10 s for what opens or closes a session, the exposure plus 5 s for a release, 60 s for a
// download, 5 s for anything else. At most two stuck threads are left waiting at once: while both
// still wait, a new session fails as gone instead of leaving a third.
class DeadlineSdk final : public EdsSdk, public CameraChoice {
public:
    // True once an answer would come too late.
    using Deadline = std::function<bool()>;
    using Factory = std::function<std::unique_ptr<EdsSdk>()>;
    static constexpr std::chrono::seconds kSessionLimit{10};
    static constexpr std::chrono::seconds kSettingLimit{5};
    static constexpr std::chrono::seconds kReleaseMargin{5};
    static constexpr std::chrono::seconds kDownloadLimit{60};
    static constexpr size_t kMostStuck = 2;

    DeadlineSdk(std::unique_ptr<EdsSdk> first, Factory fresh = {});
    ~DeadlineSdk() override;
    DeadlineSdk(const DeadlineSdk&) = delete;
    DeadlineSdk& operator=(const DeadlineSdk&) = delete;

    // Runs on the caller's thread, about every 10 ms, while a call waits for its answer.
    void SetWaitTurn(std::function<void()> turn) { waitTurn_ = std::move(turn); }
    // The deadline of the calls that follow; empty: each call's own limit.
    void SetCallDeadline(Deadline deadline) { deadline_ = std::move(deadline); }
    // Gives up the call that is waiting (a connect the user cancelled); no effect between calls.
    void CancelCall();
    // A call was given up and no new session has started since.
    bool GaveUp() const { return gaveUp_; }
    // A call waits for its answer (the caller is in a wait turn).
    bool Waiting() const { return waiting_ > 0; }

    std::string ChoiceText(EdsPropertyID property, EdsUInt32 code) const override;
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

    // --- CameraChoice: forwarded to the library when it offers one ---
    std::vector<PortCamera> Cameras() const override;
    int Chosen() const override;
    void Choose(const std::string& port) override;
    void SetTextSink(CameraMessageSink* sink) override;

private:
    class Worker;

    // Runs work(library) on the worker and waits for it until the deadline; false when it was given up
    // (or no library answers), and then nothing of the work's results may be used.
    bool Call(std::chrono::steady_clock::duration ownLimit, const std::function<void(EdsSdk&)>& work) const;
    template <typename Work>
    EdsError Answer(std::chrono::steady_clock::duration ownLimit, Work work) const;
    void StartSession();  // a fresh worker when the last one gave up
    std::chrono::steady_clock::duration ReleaseLimit() const;

    Factory fresh_;
    mutable std::shared_ptr<Worker> worker_;
    mutable std::vector<std::shared_ptr<Worker>> stuck_;  // given up, maybe still in their call
    std::function<void()> waitTurn_;
    Deadline deadline_;
    mutable bool gaveUp_ = false;
    mutable bool cancelRequested_ = false;
    mutable int waiting_ = 0;  // calls waiting on this thread (a wait turn may make another)
    EdsUInt32 lastTvCode_ = 0xFFFFFFFF;  // the shutter speed last written or read, for the release limit
    CameraMessageSink* textSink_ = nullptr;
    std::optional<std::string> chosenPort_;
};

}  // namespace zelto
