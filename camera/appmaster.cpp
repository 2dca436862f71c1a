#include "camera/appmaster.h"

#include <atomic>
#include <map>
#include <mutex>

#include "camera/deadline_sdk.h"
#include "eclipse_data/number_text.h"
#include "eclipse_data/program_values.h"

namespace zelto {

namespace {

// The sinks of the living sessions, by session token. The library may call a handler on any thread
// at any time, even while or after a session is destroyed; the handler finds its sink here under the
// lock, so once Destroy has removed the entry no message of that session is posted any more.
struct SessionRegistry {
    std::mutex mutex;
    std::map<uint64_t, CameraMessageSink*> sinks;
    std::atomic<uint64_t> nextSession{1};
};

SessionRegistry& Registry() {
    static SessionRegistry* registry = new SessionRegistry();  // outlives late library threads at exit
    return *registry;
}

void PostForSession(void* context, CameraMessage message) {
    const auto session = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(context));
    SessionRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    const auto found = registry.sinks.find(session);
    if (found == registry.sinks.end() || found->second == nullptr) return;
    message.session = session;
    found->second->Post(message);
}

bool IsShootingProperty(EdsPropertyID property) { return SupportedListIndex(property) >= 0; }

}  // namespace

TAppMaster::TAppMaster(EdsSdk& sdk, CameraMessageSink* window, CameraState& state)
    : sdk_(sdk), state_(state), window_(window) {
    SessionRegistry& registry = Registry();
    session_ = registry.nextSession.fetch_add(1);
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.sinks[session_] = window_;
}

std::unique_ptr<TAppMaster> TAppMaster::Create(EdsSdk& sdk, CameraMessageSink* window, CameraState& state) {
    std::unique_ptr<TAppMaster> master(new TAppMaster(sdk, window, state));
    if (sdk.EdsInitializeSDK() != kEdsErrOk) return master;
    master->sdkReady_ = true;

    EdsCameraListRef list = kEdsNoRef;
    EdsError err = sdk.EdsGetCameraList(&list);
    if (err == kEdsErrOk) {
        EdsUInt32 count = 0;  // not otherwise used: with no camera the next call fails
        err = sdk.EdsGetChildCount(list, &count);
        if (err == kEdsErrOk) {
            EdsBaseRef camera = kEdsNoRef;
            if (sdk.EdsGetChildAtIndex(list, 0, &camera) == kEdsErrOk) master->cameraRef_ = camera;
        }
    }
    if (master->cameraRef_ != kEdsNoRef) {
        EdsDeviceInfo info{};
        if (sdk.EdsGetDeviceInfo(master->cameraRef_, &info) == kEdsErrOk) master->legacy_ = info.deviceSubType == 0;
        master->camera_ = std::make_unique<TCamera>(info);
    }
    if (list != kEdsNoRef) sdk.EdsRelease(list);
    return master;
}

TAppMaster::~TAppMaster() { Destroy(); }

void* TAppMaster::Context() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(session_)); }

EdsError TAppMaster::SetEventHandlers() {
    if (cameraRef_ == kEdsNoRef) return kEdsErrOk;
    const EdsError err = sdk_.EdsSetPropertyEventHandler(cameraRef_, kEdsPropertyEventAll, &PropertyHandler, Context());
    if (err != kEdsErrOk) return err;
    return sdk_.EdsSetObjectEventHandler(cameraRef_, kEdsObjectEventAll, &ObjectHandler, Context());
}

EdsError TAppMaster::OpenSession() {
    sessionOpen_ = false;
    EdsError err = sdk_.EdsOpenSession(cameraRef_);
    if (err != kEdsErrOk) return err;
    sessionOpen_ = true;
    const EdsUInt32 saveTo = state_.SaveTo;
    err = sdk_.EdsSetPropertyData(cameraRef_, kEdsPropSaveTo, 0, sizeof saveTo, &saveTo);
    if (legacy_ || err != kEdsErrOk) return err;
    err = sdk_.EdsSendStatusCommand(cameraRef_, kEdsCameraStatusUILock, 0);
    if (err != kEdsErrOk) return err;
    const EdsCapacity capacity{0x7FFFFFFF, 0x1000, 1};
    err = sdk_.EdsSetCapacity(cameraRef_, capacity);
    sdk_.EdsSendStatusCommand(cameraRef_, kEdsCameraStatusUIUnLock, 0);  // whatever the capacity gave; not reported
    return err;
}

std::string TAppMaster::DeviceName() const { return camera_ ? camera_->DeviceDescription() : std::string(); }

EdsError TAppMaster::ApplySaveTo() {
    if (cameraRef_ == kEdsNoRef) return kEdsErrOk;
    bool locked = false;
    if (!legacy_) {
        const EdsError err = sdk_.EdsSendStatusCommand(cameraRef_, kEdsCameraStatusUILock, 0);
        if (err != kEdsErrOk) return err;
        locked = true;
    }
    const EdsUInt32 saveTo = state_.SaveTo;
    const EdsError err = sdk_.EdsSetPropertyData(cameraRef_, kEdsPropSaveTo, 0, sizeof saveTo, &saveTo);
    if (!locked) return err;
    // The controls are unlocked after a failed write too: a camera left locked cannot be operated by
    // hand. The write's failure is what is reported then.
    const EdsError unlock = sdk_.EdsSendStatusCommand(cameraRef_, kEdsCameraStatusUIUnLock, 0);
    return err != kEdsErrOk ? err : unlock;
}

EdsError TAppMaster::ReadProperty(EdsPropertyID property) {
    if (property != kEdsPropAll) return ReadOneProperty(property);
    EdsError err = kEdsErrOk;
    for (EdsPropertyID each : kShootingProperties) {
        err = ReadOneProperty(each);
        if (err != kEdsErrOk) break;
    }
    return err;
}

EdsError TAppMaster::ReadOneProperty(EdsPropertyID property) {
    EdsDataType type = 0;
    EdsUInt32 size = 0;
    EdsError err = sdk_.EdsGetPropertySize(cameraRef_, property, 0, &type, &size);
    if (err != kEdsErrOk || type != kEdsDataTypeUInt32) return err;  // other types are not ours to read
    EdsUInt32 value = 0;
    // The buffer is one 32-bit value whatever size the library reported.
    err = sdk_.EdsGetPropertyData(cameraRef_, property, 0, sizeof value, &value);
    if (err == kEdsErrOk && camera_) camera_->SetPropertyValue(property, value);
    return err;
}

EdsError TAppMaster::ReadPropertyList(EdsPropertyID property) {
    if (property != kEdsPropAll) return ReadOnePropertyList(property);
    EdsError err = kEdsErrOk;
    for (EdsPropertyID each : kShootingProperties) {
        err = ReadOnePropertyList(each);
        if (err != kEdsErrOk) break;
    }
    return err;
}

EdsError TAppMaster::ReadOnePropertyList(EdsPropertyID property) {
    EdsPropertyDesc desc{};
    const EdsError err = sdk_.EdsGetPropertyDesc(cameraRef_, property, &desc);
    if (err != kEdsErrOk) return err;
    if (camera_) camera_->SetPropertyDesc(property, desc);
    if (IsShootingProperty(property)) CopySupportedCodes(state_.SupportedCodes, property, desc);
    return err;
}

EdsError TAppMaster::WriteProperty(EdsPropertyID property, EdsUInt32 value) {
    return sdk_.EdsSetPropertyData(cameraRef_, property, 0, sizeof value, &value);
}

EdsError TAppMaster::TakePicture() {
    if (cameraRef_ == kEdsNoRef) return kEdsErrOk;
    bool locked = false;
    if (!legacy_) {
        const EdsError err = sdk_.EdsSendStatusCommand(cameraRef_, kEdsCameraStatusUILock, 0);
        if (err != kEdsErrOk) return err;
        locked = true;
    }
    EdsError err = sdk_.EdsSendCommand(cameraRef_, kEdsCameraCommandTakePicture, 0);
    if (locked) {
        const EdsError unlock = sdk_.EdsSendStatusCommand(cameraRef_, kEdsCameraStatusUIUnLock, 0);
        if (err == kEdsErrOk) err = unlock;
    }
    return err;  // callers retry while this is not 0, so a failed shot must show here
}

EdsError TAppMaster::Download(EdsDirectoryItemRef item, const std::string& folder) {
    EdsDirectoryItemInfo info{};
    EdsError err = sdk_.EdsGetDirectoryItemInfo(item, &info);
    if (err != kEdsErrOk) return err;  // the item is not released

    size_t nameLength = 0;
    while (nameLength < sizeof info.szFileName && info.szFileName[nameLength] != '\0') ++nameLength;
    const std::string path = WithTrailingSeparator(folder, kFolderSeparator) + std::string(info.szFileName, nameLength);

    EdsStreamRef stream = kEdsNoRef;
    err = sdk_.EdsCreateFileStream(path.c_str(), kEdsFileCreateDispositionCreateAlways, kEdsAccessReadWrite, &stream);
    if (err == kEdsErrOk) {
        err = sdk_.EdsSetProgressCallback(stream, &ProgressHandler, kEdsProgressOptionPeriodically, Context());
    }
    if (err == kEdsErrOk) err = sdk_.EdsDownload(item, info.size, stream);
    if (err == kEdsErrOk) err = sdk_.EdsDownloadComplete(item);
    if (stream != kEdsNoRef) sdk_.EdsRelease(stream);
    sdk_.EdsRelease(item);
    return err;
}

void TAppMaster::SetCallDeadline(std::function<bool()> deadline) {
    if (auto* timed = dynamic_cast<DeadlineSdk*>(&sdk_)) timed->SetCallDeadline(std::move(deadline));
}

void TAppMaster::Destroy() {
    if (destroyed_) return;
    destroyed_ = true;
    {
        // From here on the handlers of this session post nothing, even if the library still calls them.
        SessionRegistry& registry = Registry();
        std::lock_guard<std::mutex> lock(registry.mutex);
        registry.sinks.erase(session_);
    }
    if (!sdkReady_) return;
    if (sessionOpen_) sdk_.EdsCloseSession(cameraRef_);
    sessionOpen_ = false;
    camera_.reset();
    sdk_.EdsTerminateSDK();
    sdkReady_ = false;
}

std::unique_ptr<TAppMaster> OpenCameraSession(EdsSdk& sdk, CameraMessageSink* window, CameraState& state) {
    std::unique_ptr<TAppMaster> master = TAppMaster::Create(sdk, window, state);
    const std::string name = Trimmed(master->DeviceName());
    if (name.empty()) {
        master->Destroy();
        return nullptr;
    }
    state.CameraName = name;
    master->SetEventHandlers();
    master->OpenSession();
    master->ApplySaveTo();
    state.SupportedCodes = SupportedCodesTable{};
    for (EdsPropertyID property : kShootingProperties) master->ReadPropertyList(property);
    master->ReadProperty(kEdsPropAll);
    return master;
}

EdsError TAppMaster::PropertyHandler(EdsPropertyEvent event, EdsPropertyID property, EdsUInt32 /*param*/,
                                     void* context) {
    if ((event == kEdsPropertyEventPropertyChanged || event == kEdsPropertyEventPropertyDescChanged) &&
        IsShootingProperty(property)) {
        PostForSession(context, {kCameraMessageProperty, event, static_cast<intptr_t>(property), 0});
    }
    return kEdsErrOk;
}

EdsError TAppMaster::ObjectHandler(EdsObjectEvent event, EdsBaseRef ref, void* context) {
    if (event == kEdsObjectEventDirItemRequestTransfer) {
        PostForSession(context, {kCameraMessageTransfer, event, static_cast<intptr_t>(ref), 0});
    }
    return kEdsErrOk;
}

EdsError TAppMaster::ProgressHandler(EdsUInt32 percent, void* context, EdsBool* cancel) {
    const EdsBool cancelValue = cancel != nullptr ? *cancel : 0;
    PostForSession(context, {kCameraMessageProgress, percent, static_cast<intptr_t>(cancelValue), 0});
    return kEdsErrOk;
}

}  // namespace zelto
