#include "camera/virtual_camera.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "camera/proptables.h"

namespace zelto {

namespace {

// Third stops of the camera's codes: each full stop is a multiple of 8, its thirds are +3 and +5.
std::vector<uint32_t> ThirdStops(uint32_t first, uint32_t last) {
    std::vector<uint32_t> codes;
    for (uint32_t stop = first; stop <= last; stop += 8) {
        for (uint32_t third : {0u, 3u, 5u}) {
            if (stop + third <= last) codes.push_back(stop + third);
        }
    }
    return codes;
}

EdsPropertyDesc DescOf(const std::vector<uint32_t>& values) {
    EdsPropertyDesc desc{};
    desc.form = 1;
    desc.access = 1;
    desc.numElements = static_cast<EdsInt32>(values.size());
    const size_t kept = std::min<size_t>(values.size(), std::size(desc.propDesc));
    for (size_t i = 0; i < kept; ++i) desc.propDesc[i] = static_cast<EdsInt32>(values[i]);
    return desc;
}

std::string Hex(uint64_t value) {
    char digits[20];
    const auto end = std::to_chars(digits, digits + sizeof digits, value, 16).ptr;
    std::string text = "0x";
    for (const char* c = digits; c != end; ++c) text += (*c >= 'a' && *c <= 'f') ? static_cast<char>(*c - 'a' + 'A') : *c;
    return text;
}

}  // namespace

std::string VirtualCall::ToString() const {
    std::string text = function + "(";
    for (size_t i = 0; i < args.size(); ++i) text += (i ? ", " : "") + Hex(args[i]);
    if (!this->text.empty()) text += (args.empty() ? "\"" : ", \"") + this->text + "\"";
    return text + ") -> " + Hex(result);
}

VirtualCamera::VirtualCamera() {
    // A body in manual mode, its values and allowed lists as a Canon body reports them.
    std::vector<uint32_t> qualities;
    for (const char* name : {"RAW", "RAW+JPGLarFin", "RAW+JPGLarNor", "MRAW", "SRAW", "JPGLarFin", "JPGLarNor",
                             "JPGMidFin", "JPGMidNor", "JPGSma1Fin", "JPGSma1Nor", "JPGSma2Fin"}) {
        qualities.push_back(IQCodeByName(name));
    }
    const struct {
        EdsPropertyID property;
        std::vector<uint32_t> allowed;
        EdsUInt32 value;
    } body[] = {
        {kEdsPropImageQuality, qualities, IQCodeByName("RAW")},
        {kEdsPropAEMode, {0x00, 0x01, 0x02, 0x03, 0x04}, 0x03},  // P, TV, AV, M, Bulb; set to M
        {kEdsPropISOSpeed, ThirdStops(0x48, 0x78), ISOCodeByName("100")},    // ISO 100 to 6400
        {kEdsPropAv, ThirdStops(0x28, 0x50), AvCodeByName("f/8")},           // f/4 to f/22
        {kEdsPropTv, ThirdStops(0x10, 0xA0), TvCodeByName("1/125")},         // 30 s to 1/8000 s
    };
    for (const auto& entry : body) {
        Property& property = properties_[entry.property];
        property.desc = DescOf(entry.allowed);
        property.value = entry.value;
    }
    properties_[kEdsPropSaveTo].value = 1;  // images on the card; written only, no list
    eventThread_ = std::thread([this] { DeliverEvents(); });
}

VirtualCamera::~VirtualCamera() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    eventsChanged_.notify_all();
    eventThread_.join();
}

// --- the body -------------------------------------------------------------------------------------

void VirtualCamera::SetAttached(bool attached) {
    std::lock_guard<std::mutex> lock(mutex_);
    attached_ = attached;
    if (!attached) sessionOpen_ = uiLocked_ = false;
}

void VirtualCamera::SetLegacy(bool legacy) {
    std::lock_guard<std::mutex> lock(mutex_);
    legacy_ = legacy;
}

void VirtualCamera::SetDeviceDescription(const std::string& description) {
    std::lock_guard<std::mutex> lock(mutex_);
    description_ = description;
}

void VirtualCamera::SetSerial(const std::string& serial) {
    std::lock_guard<std::mutex> lock(mutex_);
    serial_ = serial;
}

void VirtualCamera::SetAllowedValues(EdsPropertyID property, const std::vector<uint32_t>& values) {
    SetPropertyDesc(property, DescOf(values));
}

void VirtualCamera::SetPropertyDesc(EdsPropertyID property, const EdsPropertyDesc& desc) {
    std::lock_guard<std::mutex> lock(mutex_);
    properties_[property].desc = desc;
}

void VirtualCamera::SetPropertyType(EdsPropertyID property, EdsDataType type, EdsUInt32 size) {
    std::lock_guard<std::mutex> lock(mutex_);
    properties_[property].type = type;
    properties_[property].size = size;
}

void VirtualCamera::SetValue(EdsPropertyID property, EdsUInt32 value) {
    std::lock_guard<std::mutex> lock(mutex_);
    properties_[property].value = value;
}

EdsUInt32 VirtualCamera::Value(EdsPropertyID property) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = properties_.find(property);
    return found == properties_.end() ? 0 : found->second.value;
}

std::vector<uint32_t> VirtualCamera::AllowedValues(EdsPropertyID property) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = properties_.find(property);
    if (found == properties_.end()) return {};
    const EdsPropertyDesc& desc = found->second.desc;
    const int count = std::clamp<int>(desc.numElements, 0, static_cast<int>(std::size(desc.propDesc)));
    return std::vector<uint32_t>(desc.propDesc, desc.propDesc + count);
}

void VirtualCamera::ChangeOnBody(EdsPropertyID property, EdsUInt32 value) {
    std::lock_guard<std::mutex> lock(mutex_);
    properties_[property].value = value;
    Queue({false, kEdsPropertyEventPropertyChanged, property, 0, kEdsNoRef});
}

void VirtualCamera::ChangeAllowedOnBody(EdsPropertyID property, const std::vector<uint32_t>& values) {
    std::lock_guard<std::mutex> lock(mutex_);
    properties_[property].desc = DescOf(values);
    Queue({false, kEdsPropertyEventPropertyDescChanged, property, 0, kEdsNoRef});
}

void VirtualCamera::RaisePropertyEvent(EdsPropertyEvent event, EdsPropertyID property, EdsUInt32 param) {
    std::lock_guard<std::mutex> lock(mutex_);
    Queue({false, event, property, param, kEdsNoRef});
}

void VirtualCamera::RaiseObjectEvent(EdsObjectEvent event, EdsBaseRef ref) {
    std::lock_guard<std::mutex> lock(mutex_);
    Queue({true, event, 0, 0, ref});
}

EdsDirectoryItemRef VirtualCamera::RequestTransfer(const std::string& fileName, EdsUInt64 size) {
    std::lock_guard<std::mutex> lock(mutex_);
    const EdsBaseRef item = NewRef(RefKind::Item);
    items_[item] = Item{fileName, size};
    Queue({true, kEdsObjectEventDirItemRequestTransfer, 0, 0, item});
    return item;
}

bool VirtualCamera::WaitUntilEventsDelivered(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return eventsChanged_.wait_for(lock, timeout, [this] { return events_.empty() && !delivering_; });
}

std::thread::id VirtualCamera::EventThreadId() const { return eventThread_.get_id(); }

void VirtualCamera::Queue(const PendingEvent& event) {
    events_.push_back(event);
    eventsChanged_.notify_all();
}

// The camera's own thread: hands each raised event to the handler registered for its kind. Handlers
// are called without the lock held, so they may call back into the camera.
void VirtualCamera::DeliverEvents() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        eventsChanged_.wait(lock, [this] { return stopping_ || !events_.empty(); });
        if (stopping_) return;
        const PendingEvent event = events_.front();
        events_.pop_front();
        const EdsPropertyEventHandler propertyHandler = initialized_ ? propertyHandler_ : nullptr;
        const EdsObjectEventHandler objectHandler = initialized_ ? objectHandler_ : nullptr;
        void* const context = event.objectEvent ? objectContext_ : propertyContext_;
        delivering_ = true;
        lock.unlock();
        if (event.objectEvent && objectHandler) objectHandler(event.event, event.ref, context);
        if (!event.objectEvent && propertyHandler) propertyHandler(event.event, event.property, event.param, context);
        lock.lock();
        delivering_ = false;
        eventsChanged_.notify_all();
    }
}

// --- failures and call times -------------------------------------------------------------------------

void VirtualCamera::FailCall(std::string_view function, EdsError code, int times) {
    std::lock_guard<std::mutex> lock(mutex_);
    failures_[std::string(function)] = Failure{code, times};
}

void VirtualCamera::FailNextCommands(EdsError code, int times) {
    std::lock_guard<std::mutex> lock(mutex_);
    commandFailure_ = Failure{code, times};
}

void VirtualCamera::ClearFailures() {
    std::lock_guard<std::mutex> lock(mutex_);
    failures_.clear();
    commandFailure_ = Failure{kEdsErrOk, 0};
}

void VirtualCamera::SetCallTimer(std::function<void(std::string_view function)> timer) {
    std::lock_guard<std::mutex> lock(mutex_);
    callTimer_ = std::move(timer);
}

void VirtualCamera::TimeCall(std::string_view function) const {
    std::function<void(std::string_view)> timer;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        timer = callTimer_;
    }
    if (timer) timer(function);  // outside the lock: the timer may ask the camera for its values
}

size_t VirtualCamera::Begin(std::string_view function, std::vector<uint64_t> args, std::string text) {
    if (!logging_) return SIZE_MAX;
    calls_.push_back(VirtualCall{std::string(function), std::move(args), std::move(text), kEdsErrOk});
    return calls_.size() - 1;
}

EdsError VirtualCamera::Injected(std::string_view function) {
    const auto take = [](Failure& failure) {
        if (failure.remaining == 0) return kEdsErrOk;
        if (failure.remaining > 0) --failure.remaining;
        return failure.code;
    };
    if (const auto found = failures_.find(function); found != failures_.end()) {
        if (const EdsError code = take(found->second)) return code;
    }
    const bool command = function == "EdsSetPropertyData" || function == "EdsSendStatusCommand" ||
                         function == "EdsSendCommand";
    return command ? take(commandFailure_) : kEdsErrOk;
}

EdsError VirtualCamera::Finish(size_t call, EdsError result) {
    if (call < calls_.size()) calls_[call].result = result;
    return result;
}

EdsError VirtualCamera::CheckInitialized() const { return initialized_ ? kEdsErrOk : kEdsErrNotInitialized; }

EdsError VirtualCamera::CheckCamera(EdsCameraRef camera, bool needsSession) const {
    if (!initialized_) return kEdsErrNotInitialized;
    if (camera != kCameraRef) return kEdsErrInvalidHandle;
    if (!attached_) return kEdsErrDeviceNotFound;
    if (needsSession && !sessionOpen_) return kEdsErrSessionNotOpen;
    return kEdsErrOk;
}

EdsBaseRef VirtualCamera::NewRef(RefKind kind) {
    const EdsBaseRef ref = nextRef_;
    nextRef_ += 0x10;
    live_[ref] = kind;
    return ref;
}

// --- what happened --------------------------------------------------------------------------------

std::vector<VirtualCall> VirtualCamera::Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

std::vector<std::string> VirtualCamera::CallNames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> names;
    for (const VirtualCall& call : calls_) names.push_back(call.function);
    return names;
}

int VirtualCamera::CallCount(std::string_view function) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(std::count_if(calls_.begin(), calls_.end(),
                                          [&](const VirtualCall& call) { return call.function == function; }));
}

void VirtualCamera::ClearCalls() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
}

void VirtualCamera::SetCallLog(bool enabled) {
    std::lock_guard<std::mutex> lock(mutex_);
    logging_ = enabled;
}

bool VirtualCamera::Initialized() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return initialized_;
}

bool VirtualCamera::SessionIsOpen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return sessionOpen_;
}

bool VirtualCamera::UiLocked() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return uiLocked_;
}

int VirtualCamera::PicturesTaken() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pictures_;
}

bool VirtualCamera::IsLive(EdsBaseRef ref) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return live_.count(ref) != 0;
}

std::map<std::string, EdsUInt64> VirtualCamera::DownloadedFiles() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return files_;
}

// --- the library ------------------------------------------------------------------------------------

EdsError VirtualCamera::EdsInitializeSDK() {
    TimeCall("EdsInitializeSDK");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsInitializeSDK", {});
    if (const EdsError err = Injected("EdsInitializeSDK")) return Finish(call, err);
    initialized_ = true;
    return Finish(call, kEdsErrOk);
}

EdsError VirtualCamera::EdsTerminateSDK() {
    TimeCall("EdsTerminateSDK");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsTerminateSDK", {});
    if (const EdsError err = Injected("EdsTerminateSDK")) return Finish(call, err);
    if (const EdsError err = CheckInitialized()) return Finish(call, err);
    // Terminating ends the session and forgets the handlers: no event is delivered after this.
    initialized_ = false;
    sessionOpen_ = false;
    uiLocked_ = false;
    propertyHandler_ = nullptr;
    objectHandler_ = nullptr;
    propertyContext_ = objectContext_ = nullptr;
    return Finish(call, kEdsErrOk);
}

EdsError VirtualCamera::EdsGetCameraList(EdsCameraListRef* outList) {
    TimeCall("EdsGetCameraList");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsGetCameraList", {});
    if (const EdsError err = Injected("EdsGetCameraList")) return Finish(call, err);
    if (const EdsError err = CheckInitialized()) return Finish(call, err);
    *outList = NewRef(RefKind::List);
    return Finish(call, kEdsErrOk);
}

EdsError VirtualCamera::EdsGetChildCount(EdsBaseRef ref, EdsUInt32* outCount) {
    TimeCall("EdsGetChildCount");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsGetChildCount", {ref});
    if (const EdsError err = Injected("EdsGetChildCount")) return Finish(call, err);
    if (const EdsError err = CheckInitialized()) return Finish(call, err);
    const auto found = live_.find(ref);
    if (found == live_.end() || found->second != RefKind::List) return Finish(call, kEdsErrInvalidHandle);
    *outCount = attached_ ? 1 : 0;
    return Finish(call, kEdsErrOk);
}

EdsError VirtualCamera::EdsGetChildAtIndex(EdsBaseRef ref, EdsInt32 index, EdsBaseRef* outRef) {
    TimeCall("EdsGetChildAtIndex");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsGetChildAtIndex", {ref, static_cast<uint64_t>(index)});
    if (const EdsError err = Injected("EdsGetChildAtIndex")) return Finish(call, err);
    if (const EdsError err = CheckInitialized()) return Finish(call, err);
    const auto found = live_.find(ref);
    if (found == live_.end() || found->second != RefKind::List) return Finish(call, kEdsErrInvalidHandle);
    if (!attached_ || index != 0) return Finish(call, kEdsErrInvalidIndex);
    *outRef = kCameraRef;
    return Finish(call, kEdsErrOk);
}

EdsUInt32 VirtualCamera::EdsRelease(EdsBaseRef ref) {
    TimeCall("EdsRelease");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsRelease", {ref});
    if (ref == kCameraRef) return Finish(call, 1);  // the camera list keeps the camera
    if (live_.erase(ref) == 0) return Finish(call, 0xFFFFFFFF);
    items_.erase(ref);
    streams_.erase(ref);
    return Finish(call, 0);
}

EdsError VirtualCamera::EdsGetDeviceInfo(EdsCameraRef camera, EdsDeviceInfo* outInfo) {
    TimeCall("EdsGetDeviceInfo");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsGetDeviceInfo", {camera});
    if (const EdsError err = Injected("EdsGetDeviceInfo")) return Finish(call, err);
    if (const EdsError err = CheckCamera(camera, false)) return Finish(call, err);
    EdsDeviceInfo info{};
    std::snprintf(info.szPortName, sizeof info.szPortName, "%s", "virtual:001");
    std::snprintf(info.szDeviceDescription, sizeof info.szDeviceDescription, "%s", description_.c_str());
    info.deviceSubType = legacy_ ? 0 : 1;
    *outInfo = info;
    return Finish(call, kEdsErrOk);
}

EdsError VirtualCamera::EdsSetPropertyEventHandler(EdsCameraRef camera, EdsPropertyEvent event,
                                                   EdsPropertyEventHandler handler, void* context) {
    TimeCall("EdsSetPropertyEventHandler");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsSetPropertyEventHandler", {camera, event});
    if (const EdsError err = Injected("EdsSetPropertyEventHandler")) return Finish(call, err);
    if (const EdsError err = CheckCamera(camera, false)) return Finish(call, err);
    propertyHandler_ = handler;
    propertyContext_ = context;
    return Finish(call, kEdsErrOk);
}

EdsError VirtualCamera::EdsSetObjectEventHandler(EdsCameraRef camera, EdsObjectEvent event,
                                                 EdsObjectEventHandler handler, void* context) {
    TimeCall("EdsSetObjectEventHandler");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsSetObjectEventHandler", {camera, event});
    if (const EdsError err = Injected("EdsSetObjectEventHandler")) return Finish(call, err);
    if (const EdsError err = CheckCamera(camera, false)) return Finish(call, err);
    objectHandler_ = handler;
    objectContext_ = context;
    return Finish(call, kEdsErrOk);
}

EdsError VirtualCamera::EdsOpenSession(EdsCameraRef camera) {
    TimeCall("EdsOpenSession");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsOpenSession", {camera});
    if (const EdsError err = Injected("EdsOpenSession")) return Finish(call, err);
    if (const EdsError err = CheckCamera(camera, false)) return Finish(call, err);
    sessionOpen_ = true;
    return Finish(call, kEdsErrOk);
}

EdsError VirtualCamera::EdsCloseSession(EdsCameraRef camera) {
    TimeCall("EdsCloseSession");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsCloseSession", {camera});
    if (const EdsError err = Injected("EdsCloseSession")) return Finish(call, err);
    if (const EdsError err = CheckCamera(camera, true)) return Finish(call, err);
    sessionOpen_ = false;
    uiLocked_ = false;
    return Finish(call, kEdsErrOk);
}

EdsError VirtualCamera::EdsGetPropertySize(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param,
                                           EdsDataType* outType, EdsUInt32* outSize) {
    TimeCall("EdsGetPropertySize");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsGetPropertySize", {ref, property, static_cast<uint64_t>(param)});
    if (const EdsError err = Injected("EdsGetPropertySize")) return Finish(call, err);
    if (const EdsError err = CheckCamera(ref, true)) return Finish(call, err);
    if (property == kEdsPropBodyIDEx) {
        *outType = kEdsDataTypeString;
        *outSize = static_cast<EdsUInt32>(serial_.size() + 1);
        return Finish(call, kEdsErrOk);
    }
    const auto found = properties_.find(property);
    if (found == properties_.end()) return Finish(call, kEdsErrPropertiesUnavailable);
    *outType = found->second.type;
    *outSize = found->second.size;
    return Finish(call, kEdsErrOk);
}

EdsError VirtualCamera::EdsGetPropertyData(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param, EdsUInt32 size,
                                           void* outData) {
    TimeCall("EdsGetPropertyData");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsGetPropertyData", {ref, property, static_cast<uint64_t>(param), size});
    if (const EdsError err = Injected("EdsGetPropertyData")) return Finish(call, err);
    if (const EdsError err = CheckCamera(ref, true)) return Finish(call, err);
    if (property == kEdsPropBodyIDEx) {
        if (size < serial_.size() + 1) return Finish(call, kEdsErrInvalidParameter);
        std::memcpy(outData, serial_.c_str(), serial_.size() + 1);
        return Finish(call, kEdsErrOk);
    }
    const auto found = properties_.find(property);
    if (found == properties_.end()) return Finish(call, kEdsErrPropertiesUnavailable);
    if (found->second.type != kEdsDataTypeUInt32 || size < sizeof(EdsUInt32)) {
        return Finish(call, kEdsErrInvalidParameter);
    }
    std::memcpy(outData, &found->second.value, sizeof(EdsUInt32));
    return Finish(call, kEdsErrOk);
}

EdsError VirtualCamera::EdsSetPropertyData(EdsBaseRef ref, EdsPropertyID property, EdsInt32 param, EdsUInt32 size,
                                           const void* data) {
    TimeCall("EdsSetPropertyData");
    EdsUInt32 value = 0;
    if (size == sizeof value && data != nullptr) std::memcpy(&value, data, sizeof value);
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsSetPropertyData", {ref, property, static_cast<uint64_t>(param), size, value});
    if (const EdsError err = Injected("EdsSetPropertyData")) return Finish(call, err);
    if (const EdsError err = CheckCamera(ref, true)) return Finish(call, err);
    const auto found = properties_.find(property);
    if (found == properties_.end()) return Finish(call, kEdsErrPropertiesUnavailable);
    if (size != sizeof value || data == nullptr) return Finish(call, kEdsErrInvalidParameter);
    // A body refuses a value its list does not offer; properties without a list take any value.
    const std::vector<uint32_t> allowed = [&] {
        const EdsPropertyDesc& desc = found->second.desc;
        const int count = std::clamp<int>(desc.numElements, 0, static_cast<int>(std::size(desc.propDesc)));
        return std::vector<uint32_t>(desc.propDesc, desc.propDesc + count);
    }();
    if (!allowed.empty() && std::find(allowed.begin(), allowed.end(), value) == allowed.end()) {
        return Finish(call, kEdsErrInvalidParameter);
    }
    found->second.value = value;
    Queue({false, kEdsPropertyEventPropertyChanged, property, 0, kEdsNoRef});
    return Finish(call, kEdsErrOk);
}

EdsError VirtualCamera::EdsGetPropertyDesc(EdsBaseRef ref, EdsPropertyID property, EdsPropertyDesc* outDesc) {
    TimeCall("EdsGetPropertyDesc");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsGetPropertyDesc", {ref, property});
    if (const EdsError err = Injected("EdsGetPropertyDesc")) return Finish(call, err);
    if (const EdsError err = CheckCamera(ref, true)) return Finish(call, err);
    const auto found = properties_.find(property);
    if (found == properties_.end()) return Finish(call, kEdsErrPropertiesUnavailable);
    *outDesc = found->second.desc;
    return Finish(call, kEdsErrOk);
}

EdsError VirtualCamera::EdsSendStatusCommand(EdsCameraRef camera, EdsUInt32 command, EdsInt32 param) {
    TimeCall("EdsSendStatusCommand");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsSendStatusCommand", {camera, command, static_cast<uint64_t>(param)});
    if (const EdsError err = Injected("EdsSendStatusCommand")) return Finish(call, err);
    if (const EdsError err = CheckCamera(camera, true)) return Finish(call, err);
    if (command == kEdsCameraStatusUILock) uiLocked_ = true;
    else if (command == kEdsCameraStatusUIUnLock) uiLocked_ = false;
    else return Finish(call, kEdsErrNotSupported);
    return Finish(call, kEdsErrOk);
}

EdsError VirtualCamera::EdsSendCommand(EdsCameraRef camera, EdsUInt32 command, EdsInt32 param) {
    TimeCall("EdsSendCommand");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsSendCommand", {camera, command, static_cast<uint64_t>(param)});
    if (const EdsError err = Injected("EdsSendCommand")) return Finish(call, err);
    if (const EdsError err = CheckCamera(camera, true)) return Finish(call, err);
    if (command != kEdsCameraCommandTakePicture) return Finish(call, kEdsErrNotSupported);
    ++pictures_;
    return Finish(call, kEdsErrOk);
}

EdsError VirtualCamera::EdsSetCapacity(EdsCameraRef camera, EdsCapacity capacity) {
    TimeCall("EdsSetCapacity");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsSetCapacity", {camera, static_cast<uint64_t>(capacity.numberOfFreeClusters),
                                                 static_cast<uint64_t>(capacity.bytesPerSector),
                                                 static_cast<uint64_t>(capacity.reset)});
    if (const EdsError err = Injected("EdsSetCapacity")) return Finish(call, err);
    if (const EdsError err = CheckCamera(camera, true)) return Finish(call, err);
    capacity_ = capacity;
    return Finish(call, kEdsErrOk);
}

EdsError VirtualCamera::EdsGetDirectoryItemInfo(EdsDirectoryItemRef item, EdsDirectoryItemInfo* outInfo) {
    TimeCall("EdsGetDirectoryItemInfo");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsGetDirectoryItemInfo", {item});
    if (const EdsError err = Injected("EdsGetDirectoryItemInfo")) return Finish(call, err);
    if (const EdsError err = CheckInitialized()) return Finish(call, err);
    const auto found = items_.find(item);
    if (found == items_.end()) return Finish(call, kEdsErrInvalidHandle);
    EdsDirectoryItemInfo info{};
    info.size = found->second.size;
    // The name fills the record's 256 characters without a terminating zero when it is that long.
    std::memcpy(info.szFileName, found->second.fileName.data(),
                std::min(found->second.fileName.size(), sizeof info.szFileName));
    *outInfo = info;
    return Finish(call, kEdsErrOk);
}

EdsError VirtualCamera::EdsCreateFileStream(const char* path, EdsUInt32 disposition, EdsUInt32 access,
                                            EdsStreamRef* outStream) {
    TimeCall("EdsCreateFileStream");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsCreateFileStream", {disposition, access}, path ? path : "");
    if (const EdsError err = Injected("EdsCreateFileStream")) return Finish(call, err);
    if (const EdsError err = CheckInitialized()) return Finish(call, err);
    if (path == nullptr || *path == '\0') return Finish(call, kEdsErrFileIO);
    const EdsBaseRef stream = NewRef(RefKind::Stream);
    streams_[stream] = Stream{path, nullptr, nullptr};
    *outStream = stream;
    return Finish(call, kEdsErrOk);
}

EdsError VirtualCamera::EdsSetProgressCallback(EdsBaseRef ref, EdsProgressCallback callback, EdsUInt32 option,
                                               void* context) {
    TimeCall("EdsSetProgressCallback");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsSetProgressCallback", {ref, option});
    if (const EdsError err = Injected("EdsSetProgressCallback")) return Finish(call, err);
    if (const EdsError err = CheckInitialized()) return Finish(call, err);
    const auto found = streams_.find(ref);
    if (found == streams_.end()) return Finish(call, kEdsErrInvalidHandle);
    found->second.callback = callback;
    found->second.context = context;
    return Finish(call, kEdsErrOk);
}

EdsError VirtualCamera::EdsDownload(EdsDirectoryItemRef item, EdsUInt64 size, EdsStreamRef stream) {
    TimeCall("EdsDownload");
    EdsProgressCallback callback = nullptr;
    void* context = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const size_t call = Begin("EdsDownload", {item, size, stream});
        if (const EdsError err = Injected("EdsDownload")) return Finish(call, err);
        if (const EdsError err = CheckInitialized()) return Finish(call, err);
        const auto foundItem = items_.find(item);
        const auto foundStream = streams_.find(stream);
        if (foundItem == items_.end() || foundStream == streams_.end()) return Finish(call, kEdsErrInvalidHandle);
        files_[foundStream->second.path] = size;
        callback = foundStream->second.callback;
        context = foundStream->second.context;
        Finish(call, kEdsErrOk);
    }
    // Progress is reported from the downloading thread, without the lock, as the transfer goes.
    if (callback != nullptr) {
        for (EdsUInt32 percent : {0u, 50u, 100u}) {
            EdsBool cancel = 0;
            callback(percent, context, &cancel);
        }
    }
    return kEdsErrOk;
}

EdsError VirtualCamera::EdsDownloadComplete(EdsDirectoryItemRef item) {
    TimeCall("EdsDownloadComplete");
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t call = Begin("EdsDownloadComplete", {item});
    if (const EdsError err = Injected("EdsDownloadComplete")) return Finish(call, err);
    if (const EdsError err = CheckInitialized()) return Finish(call, err);
    if (items_.count(item) == 0) return Finish(call, kEdsErrInvalidHandle);
    return Finish(call, kEdsErrOk);
}

void UseSimulatedBodyTimes(VirtualCamera& camera, std::function<void(double ms)> spend, double slowerMs) {
    constexpr double kPictureOverheadMs = 200;
    constexpr double kSettingMs = 30;
    camera.SetCallTimer([&camera, spend = std::move(spend), slowerMs](std::string_view function) {
        double ms = 0;
        if (function == "EdsSendCommand") {
            ms = ExposureSecondsOfTvName(NameByCode(kKindTv, camera.Value(kEdsPropTv))) * 1000 +
                 kPictureOverheadMs + slowerMs;
        } else if (function == "EdsSetPropertyData") {
            ms = kSettingMs + slowerMs;
        }
        if (ms > 0) spend(ms);
    });
}

}  // namespace zelto
