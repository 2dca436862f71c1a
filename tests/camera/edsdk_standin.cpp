// A stand-in for Canon's EDSDK library: the same C functions, exported by name in the library's
// calling convention, answered by a virtual camera. As the real library does, it keeps the body's
// events until the program fetches them with EdsGetEvent, and reports a body that went away as the
// camera's shutdown state event. A few ZeltoStandIn* functions let a test play with the body.

#include <cstdint>
#include <deque>
#include <mutex>
#include <type_traits>

#include "camera/edsdk_functions.h"
#include "camera/virtual_camera.h"

#ifdef _WIN32
#include <windows.h>
#define ZELTO_STANDIN_EXPORT extern "C" __declspec(dllexport)
#else
#define ZELTO_STANDIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using namespace zelto;

namespace {

struct Event {
    enum class Kind { Property, Object, State } kind;
    EdsUInt32 event = 0;
    EdsUInt32 number = 0;  // property, or the state's parameter
    EdsBaseRef ref = kEdsNoRef;
};

VirtualCamera* NewVirtualBody() {
    auto* body = new VirtualCamera;
    body->SetCallLog(false);  // a whole run through the stand-in would keep every call
    return body;
}

struct StandIn {
    std::mutex mutex;  // guards everything but the body, which guards itself
    VirtualCamera* body = NewVirtualBody();
    std::deque<Event> events;
    edsdk_c::PropertyEventHandler propertyHandler = nullptr;
    void* propertyContext = nullptr;
    edsdk_c::ObjectEventHandler objectHandler = nullptr;
    void* objectContext = nullptr;
    edsdk_c::StateEventHandler stateHandler = nullptr;
    void* stateContext = nullptr;
    edsdk_c::ProgressCallback progress = nullptr;
    void* progressContext = nullptr;
    bool sessionOpen = false;  // opened by the program and not closed by it
};

// Never unloaded and never destroyed: the body's event thread must not outlive the code it runs,
// and a library's static objects must not join threads while the system unloads it.
StandIn& The() {
    static StandIn* standIn = [] {
#ifdef _WIN32
        HMODULE self = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(&The), &self);
#endif
        return new StandIn;
    }();
    return *standIn;
}

VirtualCamera& Body() { return *The().body; }

// The body raises its events on its own thread; they wait here for EdsGetEvent.
EdsError QueueProperty(EdsPropertyEvent event, EdsPropertyID property, EdsUInt32 /*param*/, void* /*context*/) {
    std::lock_guard<std::mutex> lock(The().mutex);
    The().events.push_back({Event::Kind::Property, event, property, kEdsNoRef});
    return kEdsErrOk;
}

EdsError QueueObject(EdsObjectEvent event, EdsBaseRef ref, void* /*context*/) {
    std::lock_guard<std::mutex> lock(The().mutex);
    The().events.push_back({Event::Kind::Object, event, 0, ref});
    return kEdsErrOk;
}

EdsError ForwardProgress(EdsUInt32 percent, void* /*context*/, EdsBool* cancel) {
    edsdk_c::ProgressCallback callback;
    void* context;
    {
        std::lock_guard<std::mutex> lock(The().mutex);
        callback = The().progress;
        context = The().progressContext;
    }
    return callback != nullptr ? callback(percent, context, cancel) : kEdsErrOk;
}

}  // namespace

ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsInitializeSDK() { return Body().EdsInitializeSDK(); }
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsTerminateSDK() { return Body().EdsTerminateSDK(); }
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsGetCameraList(EdsCameraListRef* outList) {
    return Body().EdsGetCameraList(outList);
}
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsGetChildCount(EdsBaseRef ref, EdsUInt32* outCount) {
    return Body().EdsGetChildCount(ref, outCount);
}
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsGetChildAtIndex(EdsBaseRef ref, EdsInt32 index, EdsBaseRef* outRef) {
    return Body().EdsGetChildAtIndex(ref, index, outRef);
}
ZELTO_STANDIN_EXPORT EdsUInt32 ZELTO_EDSAPI EdsRelease(EdsBaseRef ref) { return Body().EdsRelease(ref); }
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsGetDeviceInfo(EdsCameraRef camera, EdsDeviceInfo* outInfo) {
    return Body().EdsGetDeviceInfo(camera, outInfo);
}
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsSetPropertyEventHandler(EdsCameraRef camera, EdsPropertyEvent event,
                                                                      edsdk_c::PropertyEventHandler handler,
                                                                      void* context) {
    {
        std::lock_guard<std::mutex> lock(The().mutex);
        The().propertyHandler = handler;
        The().propertyContext = context;
    }
    return Body().EdsSetPropertyEventHandler(camera, event, handler ? &QueueProperty : nullptr, nullptr);
}
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsSetObjectEventHandler(EdsCameraRef camera, EdsObjectEvent event,
                                                                    edsdk_c::ObjectEventHandler handler,
                                                                    void* context) {
    {
        std::lock_guard<std::mutex> lock(The().mutex);
        The().objectHandler = handler;
        The().objectContext = context;
    }
    return Body().EdsSetObjectEventHandler(camera, event, handler ? &QueueObject : nullptr, nullptr);
}
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsSetCameraStateEventHandler(EdsCameraRef camera, EdsStateEvent /*event*/,
                                                                         edsdk_c::StateEventHandler handler,
                                                                         void* context) {
    if (camera != Body().CameraReference()) return kEdsErrInvalidHandle;
    std::lock_guard<std::mutex> lock(The().mutex);
    The().stateHandler = handler;
    The().stateContext = context;
    return kEdsErrOk;
}
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsOpenSession(EdsCameraRef camera) {
    const EdsError result = Body().EdsOpenSession(camera);
    std::lock_guard<std::mutex> lock(The().mutex);
    The().sessionOpen = result == kEdsErrOk;
    return result;
}
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsCloseSession(EdsCameraRef camera) {
    {
        std::lock_guard<std::mutex> lock(The().mutex);
        The().sessionOpen = false;
    }
    return Body().EdsCloseSession(camera);
}
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsGetPropertySize(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param,
                                                              EdsDataType* outType, EdsUInt32* outSize) {
    return Body().EdsGetPropertySize(ref, property, param, outType, outSize);
}
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsGetPropertyData(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param,
                                                              EdsUInt32 size, void* outData) {
    return Body().EdsGetPropertyData(ref, property, param, size, outData);
}
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsSetPropertyData(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param,
                                                              EdsUInt32 size, const void* data) {
    return Body().EdsSetPropertyData(ref, property, param, size, data);
}
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsGetPropertyDesc(EdsBaseRef ref, EdsPropertyID property,
                                                              EdsPropertyDesc* outDesc) {
    return Body().EdsGetPropertyDesc(ref, property, outDesc);
}
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsSendStatusCommand(EdsCameraRef camera, EdsUInt32 command,
                                                                EdsInt32 param) {
    return Body().EdsSendStatusCommand(camera, command, param);
}
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsSendCommand(EdsCameraRef camera, EdsUInt32 command, EdsInt32 param) {
    return Body().EdsSendCommand(camera, command, param);
}
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsSetCapacity(EdsCameraRef camera, EdsCapacity capacity) {
    return Body().EdsSetCapacity(camera, capacity);
}
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsGetDirectoryItemInfo(EdsDirectoryItemRef item,
                                                                   EdsDirectoryItemInfo* outInfo) {
    return Body().EdsGetDirectoryItemInfo(item, outInfo);
}
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsCreateFileStream(const char* path, EdsUInt32 disposition,
                                                               EdsUInt32 access, EdsStreamRef* outStream) {
    return Body().EdsCreateFileStream(path, disposition, access, outStream);
}
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsSetProgressCallback(EdsBaseRef ref, edsdk_c::ProgressCallback callback,
                                                                  EdsUInt32 option, void* context) {
    {
        std::lock_guard<std::mutex> lock(The().mutex);
        The().progress = callback;
        The().progressContext = context;
    }
    return Body().EdsSetProgressCallback(ref, callback ? &ForwardProgress : nullptr, option, nullptr);
}
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsDownload(EdsDirectoryItemRef item, EdsUInt64 size,
                                                       EdsStreamRef stream) {
    return Body().EdsDownload(item, size, stream);
}
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsDownloadComplete(EdsDirectoryItemRef item) {
    return Body().EdsDownloadComplete(item);
}

// Hands the events that came since the last call to the program's handlers, on the caller's thread.
ZELTO_STANDIN_EXPORT EdsError ZELTO_EDSAPI EdsGetEvent() {
    std::unique_lock<std::mutex> lock(The().mutex);
    if (The().sessionOpen && !Body().SessionIsOpen()) {
        The().sessionOpen = false;
        The().events.push_back({Event::Kind::State, kEdsStateEventShutdown, 0, kEdsNoRef});
    }
    while (!The().events.empty()) {
        const Event event = The().events.front();
        The().events.pop_front();
        auto property = The().propertyHandler;
        auto propertyContext = The().propertyContext;
        auto object = The().objectHandler;
        auto objectContext = The().objectContext;
        auto state = The().stateHandler;
        auto stateContext = The().stateContext;
        lock.unlock();
        if (event.kind == Event::Kind::Property && property) property(event.event, event.number, 0, propertyContext);
        if (event.kind == Event::Kind::Object && object) object(event.event, event.ref, objectContext);
        if (event.kind == Event::Kind::State && state) state(event.event, event.number, stateContext);
        lock.lock();
    }
    return kEdsErrOk;
}

// Every function has the type the program looks it up with.
#define ZELTO_STANDIN_SAME_TYPE(name, result, parameters) \
    static_assert(std::is_same_v<decltype(&::name), edsdk_c::name##_t>, #name " has the library's type");
ZELTO_EDSDK_FUNCTIONS(ZELTO_STANDIN_SAME_TYPE)

// --- the body, for tests ----------------------------------------------------------------------------

// A new body in its first state (attached, default lists, no failures, no events waiting).
ZELTO_STANDIN_EXPORT void ZeltoStandInNewBody() {
    std::lock_guard<std::mutex> lock(The().mutex);
    delete The().body;
    The().body = NewVirtualBody();
    The().events.clear();
    The().sessionOpen = false;
}
ZELTO_STANDIN_EXPORT void ZeltoStandInSetAttached(int attached) { Body().SetAttached(attached != 0); }
ZELTO_STANDIN_EXPORT void ZeltoStandInChangeOnBody(EdsUInt32 property, EdsUInt32 value) {
    Body().ChangeOnBody(property, value);
}
ZELTO_STANDIN_EXPORT void ZeltoStandInFailNextCommands(EdsError code, int times) {
    Body().FailNextCommands(code, times);
}
ZELTO_STANDIN_EXPORT EdsUInt32 ZeltoStandInValue(EdsUInt32 property) { return Body().Value(property); }
ZELTO_STANDIN_EXPORT int ZeltoStandInPicturesTaken() { return Body().PicturesTaken(); }
// Waits until the body has raised every event it queued (they then wait for EdsGetEvent).
ZELTO_STANDIN_EXPORT int ZeltoStandInEventsRaised(int timeoutMs) {
    return Body().WaitUntilEventsDelivered(std::chrono::milliseconds(timeoutMs)) ? 1 : 0;
}
