#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "camera/camera_thread.h"
#include "camera/edsdk.h"

namespace zelto {

struct EdsdkFunctions;
class SharedLibrary;

// Canon's EDSDK library, loaded while the program runs and never linked. The library expects every
// call on the thread that initialised it, so one camera thread makes them all: each call below is a
// job on its queue, and between jobs the thread fetches the library's events (EdsGetEvent) every
// kEventSlice. The library's property, object and progress handlers call the session's handlers on
// that thread; its state handler's shutdown (the camera unplugged or switched off) makes every later
// call on the camera answer kEdsErrCommDisconnected until the next session opens.
class EdsdkLibrary final : public EdsSdk {
public:
    static constexpr std::chrono::milliseconds kEventSlice{50};

    // The library file looked for when none is named: EDSDK.dll, EDSDK.framework's EDSDK, libEDSDK.so.
    static std::string DefaultFile();
    // Loads `file` (empty: DefaultFile()) and finds every function the program calls. Null when the
    // file cannot be loaded or lacks a function; error then says which, in words for the user.
    static std::unique_ptr<EdsdkLibrary> Load(const std::string& file, std::string* error);
    ~EdsdkLibrary() override;
    EdsdkLibrary(const EdsdkLibrary&) = delete;
    EdsdkLibrary& operator=(const EdsdkLibrary&) = delete;

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
    struct Handlers;  // the library's side of the handlers: they run on the camera thread

    EdsdkLibrary(std::unique_ptr<SharedLibrary> file, std::unique_ptr<EdsdkFunctions> functions);

    // Runs work on the camera thread and returns its result.
    template <typename Work>
    auto OnCameraThread(Work work) {
        decltype(work()) result{};
        thread_.Run([&] { result = work(); });
        return result;
    }
    // The rest runs on the camera thread.
    // The camera's answer, or kEdsErrCommDisconnected without asking once the library said it is gone.
    template <typename Call>
    EdsError WhilePresent(Call call) {
        return OnCameraThread([&]() -> EdsError { return cameraGone_ ? kEdsErrCommDisconnected : call(); });
    }
    bool FetchEvents();  // the idle step: true when a handler ran

    std::unique_ptr<SharedLibrary> file_;
    std::unique_ptr<EdsdkFunctions> functions_;
    // Everything below belongs to the camera thread: only jobs and the idle step touch it.
    bool initialized_ = false;
    uint64_t initialization_ = 0;  // this object's turn among the program's initialisations
    bool handlerRan_ = false;
    EdsCameraRef sessionCamera_ = kEdsNoRef;
    bool cameraGone_ = false;
    EdsPropertyEventHandler propertyHandler_ = nullptr;
    void* propertyContext_ = nullptr;
    EdsObjectEventHandler objectHandler_ = nullptr;
    void* objectContext_ = nullptr;
    EdsProgressCallback progressCallback_ = nullptr;
    void* progressContext_ = nullptr;
    CameraThread thread_;  // last: it ends, and stops using the members above, first
};

}  // namespace zelto
