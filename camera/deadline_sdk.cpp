#include "camera/deadline_sdk.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <thread>

#include "camera/proptables.h"

namespace zelto {

namespace {

using SteadyClock = std::chrono::steady_clock;
// A wait shorter than this runs no wait turn: most calls answer well within it.
constexpr std::chrono::milliseconds kTurnInterval{10};
constexpr EdsError kGivenUp = kEdsErrCommDisconnected;

}  // namespace

// One thread and the library it calls. A worker given up finishes the call it is in, drops the
// calls queued behind it and ends; the library goes with it, or stays for Reclaim.
class DeadlineSdk::Worker {
public:
    struct Job {
        std::function<void(EdsSdk&)> work;
        bool done = false;
        bool dropped = false;
    };

    static std::shared_ptr<Worker> Start(std::unique_ptr<EdsSdk> library, bool keepLibrary) {
        auto worker = std::make_shared<Worker>(std::move(library), keepLibrary);
        worker->thread_ = std::thread([worker] { worker->Loop(); });
        return worker;
    }

    Worker(std::unique_ptr<EdsSdk> library, bool keepLibrary)
        : library_(std::move(library)), keepLibrary_(keepLibrary) {}

    std::shared_ptr<Job> Queue(std::function<void(EdsSdk&)> work) {
        auto job = std::make_shared<Job>();
        job->work = std::move(work);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queue_.push_back(job);
        }
        queued_.notify_one();
        return job;
    }

    // True when the job is done within `slice`.
    bool WaitFor(const Job& job, SteadyClock::duration slice) {
        std::unique_lock<std::mutex> lock(mutex_);
        finished_.wait_for(lock, slice, [&job] { return job.done; });
        return job.done;
    }

    // Ends the thread after the call it is in, without waiting for it.
    void GiveUp() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            givenUp_ = true;
        }
        queued_.notify_one();
        thread_.detach();
    }

    // Ends the thread after the calls queued, and waits for it.
    void Finish() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ending_ = true;
        }
        queued_.notify_one();
        if (thread_.joinable()) thread_.join();
    }

    // The library of a worker given up whose last call has returned; null while it has not.
    std::unique_ptr<EdsSdk> Reclaim() {
        std::lock_guard<std::mutex> lock(mutex_);
        return ended_ ? std::move(library_) : nullptr;
    }

    bool Ended() {
        std::lock_guard<std::mutex> lock(mutex_);
        return ended_;
    }

private:
    void Loop() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            queued_.wait(lock, [this] { return ending_ || givenUp_ || !queue_.empty(); });
            if (givenUp_ || queue_.empty()) break;
            std::shared_ptr<Job> job = queue_.front();
            queue_.pop_front();
            lock.unlock();
            job->work(*library_);
            lock.lock();
            job->done = true;
            finished_.notify_all();
        }
        // Given up (detached) or finished: nobody waits for what is still queued.
        for (const std::shared_ptr<Job>& job : queue_) job->done = job->dropped = true;
        queue_.clear();
        finished_.notify_all();
        std::unique_ptr<EdsSdk> library = keepLibrary_ ? nullptr : std::move(library_);
        ended_ = true;
        lock.unlock();
        library.reset();  // a library made afresh for the next session goes with its thread
    }

    std::mutex mutex_;
    std::condition_variable queued_;
    std::condition_variable finished_;
    std::deque<std::shared_ptr<Job>> queue_;
    std::unique_ptr<EdsSdk> library_;
    const bool keepLibrary_;
    bool ending_ = false;   // finish what is queued, then end
    bool givenUp_ = false;  // end after the call in progress
    bool ended_ = false;
    std::thread thread_;
};

DeadlineSdk::DeadlineSdk(std::unique_ptr<EdsSdk> first, Factory fresh)
    : fresh_(std::move(fresh)), worker_(Worker::Start(std::move(first), !fresh_)) {}

DeadlineSdk::~DeadlineSdk() {
    if (worker_ && !gaveUp_) worker_->Finish();
}

void DeadlineSdk::CancelCall() {
    if (waiting_ > 0) cancelRequested_ = true;
}

bool DeadlineSdk::Call(SteadyClock::duration ownLimit, const std::function<void(EdsSdk&)>& work) const {
    if (gaveUp_ || !worker_) return false;
    const SteadyClock::time_point limit = SteadyClock::now() + ownLimit;
    const Deadline deadline = deadline_;  // a wait turn may set another for a call of its own
    const auto passed = [&] { return deadline ? deadline() : SteadyClock::now() >= limit; };
    // Held here: a wait turn may start another session, which replaces worker_.
    const std::shared_ptr<Worker> worker = worker_;
    const std::shared_ptr<Worker::Job> job = worker->Queue(work);
    ++waiting_;
    bool done = worker->WaitFor(*job, kTurnInterval);
    while (!done) {
        if (cancelRequested_ || gaveUp_ || worker != worker_ || passed()) {
            if (!gaveUp_ && worker == worker_) {
                gaveUp_ = true;
                worker->GiveUp();
                stuck_.push_back(worker);
            }
            break;
        }
        if (waitTurn_) waitTurn_();
        done = worker->WaitFor(*job, kTurnInterval);
    }
    if (--waiting_ == 0) cancelRequested_ = false;
    return done && !job->dropped;
}

template <typename Work>
EdsError DeadlineSdk::Answer(SteadyClock::duration ownLimit, Work work) const {
    auto result = std::make_shared<EdsError>(kGivenUp);
    // The work holds what it writes: a call given up may still write it when it returns.
    if (!Call(ownLimit, [result, work](EdsSdk& sdk) { *result = work(sdk); })) return kGivenUp;
    return *result;
}

void DeadlineSdk::StartSession() {
    if (!gaveUp_) return;
    std::erase_if(stuck_, [](const std::shared_ptr<Worker>& worker) { return worker->Ended(); });
    if (fresh_ && stuck_.size() >= kMostStuck) return;
    std::unique_ptr<EdsSdk> library = fresh_ ? fresh_() : worker_->Reclaim();
    if (!library) return;  // still stuck in its call: this session fails as gone
    if (auto* choice = dynamic_cast<CameraChoice*>(library.get())) {
        if (chosenPort_) choice->Choose(*chosenPort_);
        choice->SetTextSink(textSink_);
    }
    worker_ = Worker::Start(std::move(library), !fresh_);
    gaveUp_ = false;
}

SteadyClock::duration DeadlineSdk::ReleaseLimit() const {
    const double exposure = ExposureSecondsOfTvName(NameByCode(kKindTv, lastTvCode_));
    return kReleaseMargin + std::chrono::duration_cast<SteadyClock::duration>(
                                std::chrono::duration<double>(std::max(0.0, exposure)));
}

std::string DeadlineSdk::ChoiceText(EdsPropertyID property, EdsUInt32 code) const {
    auto text = std::make_shared<std::string>();
    if (!Call(kSettingLimit, [text, property, code](EdsSdk& sdk) { *text = sdk.ChoiceText(property, code); }))
        return {};
    return *text;
}

EdsError DeadlineSdk::EdsInitializeSDK() {
    StartSession();
    return Answer(kSessionLimit, [](EdsSdk& sdk) { return sdk.EdsInitializeSDK(); });
}

EdsError DeadlineSdk::EdsTerminateSDK() {
    return Answer(kSessionLimit, [](EdsSdk& sdk) { return sdk.EdsTerminateSDK(); });
}

EdsError DeadlineSdk::EdsGetCameraList(EdsCameraListRef* outList) {
    auto list = std::make_shared<EdsCameraListRef>(kEdsNoRef);
    const EdsError err = Answer(kSessionLimit, [list](EdsSdk& sdk) { return sdk.EdsGetCameraList(list.get()); });
    if (err != kGivenUp && outList) *outList = *list;
    return err;
}

EdsError DeadlineSdk::EdsGetChildCount(EdsBaseRef ref, EdsUInt32* outCount) {
    auto count = std::make_shared<EdsUInt32>(0);
    const EdsError err =
        Answer(kSessionLimit, [ref, count](EdsSdk& sdk) { return sdk.EdsGetChildCount(ref, count.get()); });
    if (err != kGivenUp && outCount) *outCount = *count;
    return err;
}

EdsError DeadlineSdk::EdsGetChildAtIndex(EdsBaseRef ref, EdsInt32 index, EdsBaseRef* outRef) {
    auto child = std::make_shared<EdsBaseRef>(kEdsNoRef);
    const EdsError err = Answer(
        kSessionLimit, [ref, index, child](EdsSdk& sdk) { return sdk.EdsGetChildAtIndex(ref, index, child.get()); });
    if (err != kGivenUp && outRef) *outRef = *child;
    return err;
}

EdsUInt32 DeadlineSdk::EdsRelease(EdsBaseRef ref) {
    auto count = std::make_shared<EdsUInt32>(0);
    Call(kSettingLimit, [ref, count](EdsSdk& sdk) { *count = sdk.EdsRelease(ref); });
    return *count;
}

EdsError DeadlineSdk::EdsGetDeviceInfo(EdsCameraRef camera, EdsDeviceInfo* outInfo) {
    auto info = std::make_shared<EdsDeviceInfo>();
    const EdsError err =
        Answer(kSessionLimit, [camera, info](EdsSdk& sdk) { return sdk.EdsGetDeviceInfo(camera, info.get()); });
    if (err != kGivenUp && outInfo) *outInfo = *info;
    return err;
}

EdsError DeadlineSdk::EdsSetPropertyEventHandler(EdsCameraRef camera, EdsPropertyEvent event,
                                                 EdsPropertyEventHandler handler, void* context) {
    return Answer(kSessionLimit, [=](EdsSdk& sdk) { return sdk.EdsSetPropertyEventHandler(camera, event, handler, context); });
}

EdsError DeadlineSdk::EdsSetObjectEventHandler(EdsCameraRef camera, EdsObjectEvent event,
                                               EdsObjectEventHandler handler, void* context) {
    return Answer(kSessionLimit, [=](EdsSdk& sdk) { return sdk.EdsSetObjectEventHandler(camera, event, handler, context); });
}

EdsError DeadlineSdk::EdsOpenSession(EdsCameraRef camera) {
    return Answer(kSessionLimit, [camera](EdsSdk& sdk) { return sdk.EdsOpenSession(camera); });
}

EdsError DeadlineSdk::EdsCloseSession(EdsCameraRef camera) {
    return Answer(kSessionLimit, [camera](EdsSdk& sdk) { return sdk.EdsCloseSession(camera); });
}

EdsError DeadlineSdk::EdsGetPropertySize(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param,
                                         EdsDataType* outType, EdsUInt32* outSize) {
    auto type = std::make_shared<EdsDataType>(0);
    auto size = std::make_shared<EdsUInt32>(0);
    const EdsError err = Answer(kSettingLimit, [=](EdsSdk& sdk) {
        return sdk.EdsGetPropertySize(ref, property, param, type.get(), size.get());
    });
    if (err == kGivenUp) return err;
    if (outType) *outType = *type;
    if (outSize) *outSize = *size;
    return err;
}

EdsError DeadlineSdk::EdsGetPropertyData(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param, EdsUInt32 size,
                                         void* outData) {
    auto data = std::make_shared<std::vector<unsigned char>>(size);
    const EdsError err = Answer(kSettingLimit, [=](EdsSdk& sdk) {
        return sdk.EdsGetPropertyData(ref, property, param, size, data->data());
    });
    if (err == kGivenUp) return err;
    if (outData && size > 0) std::memcpy(outData, data->data(), size);
    if (err == kEdsErrOk && property == kEdsPropTv && size >= sizeof lastTvCode_)
        std::memcpy(&lastTvCode_, data->data(), sizeof lastTvCode_);
    return err;
}

EdsError DeadlineSdk::EdsSetPropertyData(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param, EdsUInt32 size,
                                         const void* data) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    auto copy = std::make_shared<std::vector<unsigned char>>(bytes, bytes + (bytes ? size : 0));
    const EdsError err = Answer(kSettingLimit, [=](EdsSdk& sdk) {
        return sdk.EdsSetPropertyData(ref, property, param, size, copy->empty() ? nullptr : copy->data());
    });
    if (err == kEdsErrOk && property == kEdsPropTv && copy->size() >= sizeof lastTvCode_)
        std::memcpy(&lastTvCode_, copy->data(), sizeof lastTvCode_);
    return err;
}

EdsError DeadlineSdk::EdsGetPropertyDesc(EdsBaseRef ref, EdsPropertyID property, EdsPropertyDesc* outDesc) {
    auto desc = std::make_shared<EdsPropertyDesc>();
    const EdsError err =
        Answer(kSettingLimit, [=](EdsSdk& sdk) { return sdk.EdsGetPropertyDesc(ref, property, desc.get()); });
    if (err != kGivenUp && outDesc) *outDesc = *desc;
    return err;
}

EdsError DeadlineSdk::EdsSendStatusCommand(EdsCameraRef camera, EdsUInt32 command, EdsInt32 param) {
    return Answer(kSettingLimit, [=](EdsSdk& sdk) { return sdk.EdsSendStatusCommand(camera, command, param); });
}

EdsError DeadlineSdk::EdsSendCommand(EdsCameraRef camera, EdsUInt32 command, EdsInt32 param) {
    const auto limit = command == kEdsCameraCommandTakePicture ? ReleaseLimit() : SteadyClock::duration(kSettingLimit);
    return Answer(limit, [=](EdsSdk& sdk) { return sdk.EdsSendCommand(camera, command, param); });
}

EdsError DeadlineSdk::EdsSetCapacity(EdsCameraRef camera, EdsCapacity capacity) {
    return Answer(kSettingLimit, [=](EdsSdk& sdk) { return sdk.EdsSetCapacity(camera, capacity); });
}

EdsError DeadlineSdk::EdsGetDirectoryItemInfo(EdsDirectoryItemRef item, EdsDirectoryItemInfo* outInfo) {
    auto info = std::make_shared<EdsDirectoryItemInfo>();
    const EdsError err =
        Answer(kSettingLimit, [=](EdsSdk& sdk) { return sdk.EdsGetDirectoryItemInfo(item, info.get()); });
    if (err != kGivenUp && outInfo) *outInfo = *info;
    return err;
}

EdsError DeadlineSdk::EdsCreateFileStream(const char* path, EdsUInt32 disposition, EdsUInt32 access,
                                          EdsStreamRef* outStream) {
    const std::string file = path ? path : "";
    auto stream = std::make_shared<EdsStreamRef>(kEdsNoRef);
    const EdsError err = Answer(kSettingLimit, [=](EdsSdk& sdk) {
        return sdk.EdsCreateFileStream(file.c_str(), disposition, access, stream.get());
    });
    if (err != kGivenUp && outStream) *outStream = *stream;
    return err;
}

EdsError DeadlineSdk::EdsSetProgressCallback(EdsBaseRef ref, EdsProgressCallback callback, EdsUInt32 option,
                                             void* context) {
    return Answer(kSettingLimit, [=](EdsSdk& sdk) { return sdk.EdsSetProgressCallback(ref, callback, option, context); });
}

EdsError DeadlineSdk::EdsDownload(EdsDirectoryItemRef item, EdsUInt64 size, EdsStreamRef stream) {
    return Answer(kDownloadLimit, [=](EdsSdk& sdk) { return sdk.EdsDownload(item, size, stream); });
}

EdsError DeadlineSdk::EdsDownloadComplete(EdsDirectoryItemRef item) {
    return Answer(kSettingLimit, [=](EdsSdk& sdk) { return sdk.EdsDownloadComplete(item); });
}

std::vector<PortCamera> DeadlineSdk::Cameras() const {
    auto cameras = std::make_shared<std::vector<PortCamera>>();
    if (!Call(kSessionLimit, [cameras](EdsSdk& sdk) {
            if (const auto* choice = dynamic_cast<const CameraChoice*>(&sdk)) *cameras = choice->Cameras();
        }))
        return {};
    return *cameras;
}

int DeadlineSdk::Chosen() const {
    auto chosen = std::make_shared<int>(-1);
    if (!Call(kSessionLimit, [chosen](EdsSdk& sdk) {
            if (const auto* choice = dynamic_cast<const CameraChoice*>(&sdk)) *chosen = choice->Chosen();
        }))
        return -1;
    return *chosen;
}

void DeadlineSdk::Choose(const std::string& port) {
    chosenPort_ = port;
    Call(kSessionLimit, [port](EdsSdk& sdk) {
        if (auto* choice = dynamic_cast<CameraChoice*>(&sdk)) choice->Choose(port);
    });
}

void DeadlineSdk::SetTextSink(CameraMessageSink* sink) {
    textSink_ = sink;
    Call(kSessionLimit, [sink](EdsSdk& sdk) {
        if (auto* choice = dynamic_cast<CameraChoice*>(&sdk)) choice->SetTextSink(sink);
    });
}

}  // namespace zelto
