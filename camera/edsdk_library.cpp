#include "camera/edsdk_library.h"

#include <atomic>
#include <cstring>

#include "camera/edsdk_functions.h"
#include "camera/shared_library.h"

namespace zelto {

// The library's functions, found by name in the loaded file.
struct EdsdkFunctions {
#define ZELTO_EDSDK_MEMBER(name, result, parameters) edsdk_c::name##_t name = nullptr;
    ZELTO_EDSDK_FUNCTIONS(ZELTO_EDSDK_MEMBER)
#undef ZELTO_EDSDK_MEMBER
};

namespace {

// The SDK is one per process: a library object given up while stuck in a call is replaced by a
// fresh one on the same file, and when the old one ends at last it must not terminate the SDK that
// its successor initialised since. Each initialisation takes the next number; only the latest
// terminates on its way out.
std::atomic<uint64_t> latestInitialization{0};

// The library's records may be longer than the part the program reads (the device information has
// reserved bytes after the first 516): it writes into room to spare, and the known part is copied.
template <typename Record>
struct WithRoomToSpare {
    Record record{};
    unsigned char spare[256]{};
};

}  // namespace

// The handlers given to the library, in its calling convention; each calls the session's handler.
// The library calls them from EdsGetEvent, on the camera thread.
struct EdsdkLibrary::Handlers {
    static EdsError ZELTO_EDSAPI Property(EdsPropertyEvent event, EdsPropertyID property, EdsUInt32 param,
                                          void* context) {
        auto* self = static_cast<EdsdkLibrary*>(context);
        self->handlerRan_ = true;
        if (self->propertyHandler_ == nullptr) return kEdsErrOk;
        return self->propertyHandler_(event, property, param, self->propertyContext_);
    }
    static EdsError ZELTO_EDSAPI Object(EdsObjectEvent event, EdsBaseRef ref, void* context) {
        auto* self = static_cast<EdsdkLibrary*>(context);
        self->handlerRan_ = true;
        if (self->objectHandler_ == nullptr) return kEdsErrOk;
        return self->objectHandler_(event, ref, self->objectContext_);
    }
    static EdsError ZELTO_EDSAPI State(EdsStateEvent event, EdsUInt32 /*param*/, void* context) {
        auto* self = static_cast<EdsdkLibrary*>(context);
        self->handlerRan_ = true;
        if (event == kEdsStateEventShutdown) self->cameraGone_ = true;
        return kEdsErrOk;
    }
    static EdsError ZELTO_EDSAPI Progress(EdsUInt32 percent, void* context, EdsBool* cancel) {
        auto* self = static_cast<EdsdkLibrary*>(context);
        if (self->progressCallback_ == nullptr) return kEdsErrOk;
        return self->progressCallback_(percent, self->progressContext_, cancel);
    }
};

std::string EdsdkLibrary::DefaultFile() {
#if defined(_WIN32)
    return "EDSDK.dll";
#elif defined(__APPLE__)
    return "EDSDK.framework/EDSDK";
#else
    return "libEDSDK.so";
#endif
}

std::unique_ptr<EdsdkLibrary> EdsdkLibrary::Load(const std::string& file, std::string* error) {
    const std::string name = file.empty() ? DefaultFile() : file;
    std::string why;
    std::unique_ptr<SharedLibrary> library = SharedLibrary::Open(name, &why);
    if (!library) {
        if (error != nullptr) *error = "Canon's EDSDK was not found: " + name + ": " + why;
        return nullptr;
    }
    auto functions = std::make_unique<EdsdkFunctions>();
#define ZELTO_EDSDK_FIND(function, result, parameters)                                                      \
    functions->function = reinterpret_cast<edsdk_c::function##_t>(library->Symbol(#function));              \
    if (functions->function == nullptr) {                                                                   \
        if (error != nullptr) *error = "Canon's EDSDK was not found: " + name + " has no " #function;       \
        return nullptr;                                                                                     \
    }
    ZELTO_EDSDK_FUNCTIONS(ZELTO_EDSDK_FIND)
#undef ZELTO_EDSDK_FIND
    return std::unique_ptr<EdsdkLibrary>(new EdsdkLibrary(std::move(library), std::move(functions)));
}

EdsdkLibrary::EdsdkLibrary(std::unique_ptr<SharedLibrary> file, std::unique_ptr<EdsdkFunctions> functions)
    : file_(std::move(file)), functions_(std::move(functions)), thread_(kEventSlice, [this] { return FetchEvents(); }) {}

EdsdkLibrary::~EdsdkLibrary() {
    thread_.Run([this] {
        if (initialized_ && initialization_ == latestInitialization.load()) functions_->EdsTerminateSDK();
        initialized_ = false;
    });
}

bool EdsdkLibrary::FetchEvents() {
    if (!initialized_) return false;
    handlerRan_ = false;
    functions_->EdsGetEvent();
    return handlerRan_;
}

EdsError EdsdkLibrary::EdsInitializeSDK() {
    return OnCameraThread([&] {
        const EdsError result = functions_->EdsInitializeSDK();
        if (result == kEdsErrOk) {
            initialized_ = true;
            initialization_ = ++latestInitialization;
        }
        return result;
    });
}

EdsError EdsdkLibrary::EdsTerminateSDK() {
    return OnCameraThread([&] {
        initialized_ = false;
        propertyHandler_ = nullptr;
        objectHandler_ = nullptr;
        progressCallback_ = nullptr;
        return functions_->EdsTerminateSDK();
    });
}

EdsError EdsdkLibrary::EdsGetCameraList(EdsCameraListRef* outList) {
    return OnCameraThread([&] { return functions_->EdsGetCameraList(outList); });
}

EdsError EdsdkLibrary::EdsGetChildCount(EdsBaseRef ref, EdsUInt32* outCount) {
    return OnCameraThread([&] { return functions_->EdsGetChildCount(ref, outCount); });
}

EdsError EdsdkLibrary::EdsGetChildAtIndex(EdsBaseRef ref, EdsInt32 index, EdsBaseRef* outRef) {
    return OnCameraThread([&] { return functions_->EdsGetChildAtIndex(ref, index, outRef); });
}

EdsUInt32 EdsdkLibrary::EdsRelease(EdsBaseRef ref) {
    return OnCameraThread([&] { return functions_->EdsRelease(ref); });
}

EdsError EdsdkLibrary::EdsGetDeviceInfo(EdsCameraRef camera, EdsDeviceInfo* outInfo) {
    return OnCameraThread([&] {
        WithRoomToSpare<EdsDeviceInfo> info;
        const EdsError result = functions_->EdsGetDeviceInfo(camera, &info.record);
        if (result == kEdsErrOk && outInfo != nullptr) *outInfo = info.record;
        return result;
    });
}

EdsError EdsdkLibrary::EdsSetPropertyEventHandler(EdsCameraRef camera, EdsPropertyEvent event,
                                                  EdsPropertyEventHandler handler, void* context) {
    return WhilePresent([&] {
        propertyHandler_ = handler;
        propertyContext_ = context;
        return functions_->EdsSetPropertyEventHandler(camera, event, handler ? &Handlers::Property : nullptr, this);
    });
}

EdsError EdsdkLibrary::EdsSetObjectEventHandler(EdsCameraRef camera, EdsObjectEvent event,
                                                EdsObjectEventHandler handler, void* context) {
    return WhilePresent([&] {
        objectHandler_ = handler;
        objectContext_ = context;
        return functions_->EdsSetObjectEventHandler(camera, event, handler ? &Handlers::Object : nullptr, this);
    });
}

EdsError EdsdkLibrary::EdsOpenSession(EdsCameraRef camera) {
    return OnCameraThread([&] {
        // A new session is a new start: the camera reference is the one just found.
        cameraGone_ = false;
        const EdsError watched =
            functions_->EdsSetCameraStateEventHandler(camera, kEdsStateEventAll, &Handlers::State, this);
        if (watched != kEdsErrOk) return watched;
        const EdsError result = functions_->EdsOpenSession(camera);
        if (result == kEdsErrOk) sessionCamera_ = camera;
        return result;
    });
}

EdsError EdsdkLibrary::EdsCloseSession(EdsCameraRef camera) {
    return OnCameraThread([&] {
        if (camera == sessionCamera_) sessionCamera_ = kEdsNoRef;
        // A camera that is gone has no session left to close.
        return cameraGone_ ? kEdsErrOk : functions_->EdsCloseSession(camera);
    });
}

EdsError EdsdkLibrary::EdsGetPropertySize(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param,
                                          EdsDataType* outType, EdsUInt32* outSize) {
    return WhilePresent([&] { return functions_->EdsGetPropertySize(ref, property, param, outType, outSize); });
}

EdsError EdsdkLibrary::EdsGetPropertyData(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param, EdsUInt32 size,
                                          void* outData) {
    return WhilePresent([&] { return functions_->EdsGetPropertyData(ref, property, param, size, outData); });
}

EdsError EdsdkLibrary::EdsSetPropertyData(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param, EdsUInt32 size,
                                          const void* data) {
    return WhilePresent([&] { return functions_->EdsSetPropertyData(ref, property, param, size, data); });
}

EdsError EdsdkLibrary::EdsGetPropertyDesc(EdsBaseRef ref, EdsPropertyID property, EdsPropertyDesc* outDesc) {
    return WhilePresent([&] {
        WithRoomToSpare<EdsPropertyDesc> desc;
        const EdsError result = functions_->EdsGetPropertyDesc(ref, property, &desc.record);
        if (result == kEdsErrOk && outDesc != nullptr) *outDesc = desc.record;
        return result;
    });
}

EdsError EdsdkLibrary::EdsSendStatusCommand(EdsCameraRef camera, EdsUInt32 command, EdsInt32 param) {
    return WhilePresent([&] { return functions_->EdsSendStatusCommand(camera, command, param); });
}

EdsError EdsdkLibrary::EdsSendCommand(EdsCameraRef camera, EdsUInt32 command, EdsInt32 param) {
    return WhilePresent([&] { return functions_->EdsSendCommand(camera, command, param); });
}

EdsError EdsdkLibrary::EdsSetCapacity(EdsCameraRef camera, EdsCapacity capacity) {
    return WhilePresent([&] { return functions_->EdsSetCapacity(camera, capacity); });
}

EdsError EdsdkLibrary::EdsGetDirectoryItemInfo(EdsDirectoryItemRef item, EdsDirectoryItemInfo* outInfo) {
    return WhilePresent([&] {
        WithRoomToSpare<EdsDirectoryItemInfo> info;
        const EdsError result = functions_->EdsGetDirectoryItemInfo(item, &info.record);
        if (result == kEdsErrOk && outInfo != nullptr) *outInfo = info.record;
        return result;
    });
}

EdsError EdsdkLibrary::EdsCreateFileStream(const char* path, EdsUInt32 disposition, EdsUInt32 access,
                                           EdsStreamRef* outStream) {
    return OnCameraThread([&] { return functions_->EdsCreateFileStream(path, disposition, access, outStream); });
}

EdsError EdsdkLibrary::EdsSetProgressCallback(EdsBaseRef ref, EdsProgressCallback callback, EdsUInt32 option,
                                              void* context) {
    return OnCameraThread([&] {
        progressCallback_ = callback;
        progressContext_ = context;
        return functions_->EdsSetProgressCallback(ref, callback ? &Handlers::Progress : nullptr, option, this);
    });
}

EdsError EdsdkLibrary::EdsDownload(EdsDirectoryItemRef item, EdsUInt64 size, EdsStreamRef stream) {
    return WhilePresent([&] { return functions_->EdsDownload(item, size, stream); });
}

EdsError EdsdkLibrary::EdsDownloadComplete(EdsDirectoryItemRef item) {
    return WhilePresent([&] { return functions_->EdsDownloadComplete(item); });
}

}  // namespace zelto
