#include "camera/gphoto2_sdk.h"

#include <cstdlib>
#include <cstring>

#include "camera/camera_failure.h"
#include "camera/proptables.h"
#include "eclipse_data/number_text.h"

namespace zelto {

namespace {

// The widget names of each shooting property (in kind order), tried in turn: Canon EOS bodies
// first, then the names Nikon and other PTP bodies use.
const std::array<std::array<const char*, 3>, 5> kWidgetNames = {{
    {"imageformat", "imagequality", nullptr},
    {"autoexposuremode", "autoexposuremodedial", "expprogram"},
    {"iso", nullptr, nullptr},
    {"aperture", "f-number", nullptr},
    {"shutterspeed", "shutterspeed2", nullptr},
}};

// The PTP property numbers in "PTP Property xxxx changed" events, per kind: Canon EOS numbers
// and the standard PTP ones other bodies report.
struct PtpProperty {
    unsigned number;
    int kind;
};
constexpr std::array<PtpProperty, 11> kPtpProperties = {{
    {0xD120, kKindImageQuality}, {0xD105, kKindAEMode}, {0xD103, kKindISO}, {0xD101, kKindAv}, {0xD102, kKindTv},
    {0x5004, kKindImageQuality}, {0x500E, kKindAEMode}, {0x500F, kKindISO}, {0x5007, kKindAv}, {0x500D, kKindTv},
    {0xD138, kKindAEMode},  // the mode dial of newer EOS bodies (unconfirmed)
}};

constexpr std::array<EdsPropertyID, 5> kPropertyOfKind = {kEdsPropImageQuality, kEdsPropAEMode, kEdsPropISOSpeed,
                                                          kEdsPropAv, kEdsPropTv};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

bool Contains(std::string_view text, std::string_view part) {
    if (part.size() > text.size()) return false;
    for (size_t i = 0; i + part.size() <= text.size(); ++i) {
        if (SameText(text.substr(i, part.size()), part)) return true;
    }
    return false;
}

// The first row of the kind's table (never "Unknown") whose name matches; nullptr when none does.
const TPropList* TableRow(int kind, std::string_view name) {
    const auto table = PropTable(kind);
    for (size_t i = 0; i + 1 < table.size(); ++i) {
        if (SameText(table[i].name, name)) return &table[i];
    }
    return nullptr;
}

bool IsDecimal(std::string_view text) {
    if (text.empty()) return false;
    bool digit = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c != '.') {
            return false;
        }
    }
    return digit;
}

std::string ImageFormatName(std::string_view text) {
    const bool raw = Contains(text, "RAW");
    const bool jpeg = Contains(text, "JPEG");
    if (raw && !jpeg) return SameText(text, "RAW") ? "RAWa" : "";  // mRAW, sRAW: no table row
    if (!jpeg) return "";
    std::string size;
    if (Contains(text, "Large")) size = "Lar";
    else if (Contains(text, "Medium")) size = "Mid";
    else if (Contains(text, "Small")) size = "Sma";
    std::string quality;
    if (Contains(text, "Fine")) quality = "Fin";
    else if (Contains(text, "Normal")) quality = "Nor";
    if (size.empty() || quality.empty() || Contains(text, "Smaller") || Contains(text, "Medium 1") ||
        Contains(text, "Medium 2")) {
        return "";  // S1/S2/S3, M1/M2 and the like have no row
    }
    return std::string(raw ? "RAW+" : "") + "JPGa" + size + quality;
}

std::string AEModeName(std::string_view text) {
    static constexpr std::array<std::array<std::string_view, 2>, 6> kAliases = {{
        {"Manual", "M"}, {"A_DEP", "Auto D.-of-F. AE"}, {"DEP", "D.-of-F. AE"}, {"Custom", "C"},
        {"Aperture Priority", "AV"}, {"Shutter Priority", "TV"},
    }};
    for (const auto& alias : kAliases) {
        if (SameText(text, alias[0])) return std::string(alias[1]);
    }
    if (SameText(text, "Program")) return "P";
    return std::string(text);
}

std::string TvName(std::string_view text) {
    if (SameText(text, "bulb")) return "Bulb";
    const size_t slash = text.find('/');
    if (slash != std::string_view::npos) {
        // "1/8000" as is; 1/2 and 1/3 s are the rows 0"5 and 0"3, tenths of a second.
        if (TableRow(kKindTv, text) != nullptr || text.substr(0, slash) != "1") return std::string(text);
        const std::string_view denominator = text.substr(slash + 1);
        if (denominator.size() != 1 || denominator[0] < '2' || denominator[0] > '9') return std::string(text);
        const int tenths = (20 / (denominator[0] - '0') + 1) / 2;  // 10/N rounded to the nearest
        return "0\"" + std::string(1, static_cast<char>('0' + tenths));
    }
    if (!IsDecimal(text)) return "";
    // Whole and decimal seconds: "30" -> 30", "0.5" -> 0"5, "2.5" -> 2"5.
    const size_t dot = text.find('.');
    if (dot == std::string_view::npos) return std::string(text) + "\"";
    std::string whole(text.substr(0, dot));
    std::string fraction(text.substr(dot + 1));
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    if (whole.empty()) whole = "0";
    return whole + "\"" + fraction;
}

std::string AvName(std::string_view text) {
    if (text.size() > 2 && SameText(text.substr(0, 2), "f/")) text.remove_prefix(2);
    if (!IsDecimal(text)) return "";
    const std::string plain = "f/" + std::string(text);
    if (TableRow(kKindAv, plain) != nullptr) return plain;
    if (text.find('.') == std::string_view::npos) {
        const std::string withZero = plain + ".0";  // "2" is the row "f/2.0"
        if (TableRow(kKindAv, withZero) != nullptr) return withZero;
    } else if (text.size() > 2 && text.substr(text.size() - 2) == ".0") {
        return "f/" + std::string(text.substr(0, text.size() - 2));  // "4.0" is the row "f/4"
    }
    return plain;
}

}  // namespace

std::string Gphoto2TableName(int kind, std::string_view text) {
    const std::string trimmed = Trimmed(text);
    std::string name;
    switch (kind) {
        case kKindImageQuality: name = ImageFormatName(trimmed); break;
        case kKindAEMode: name = AEModeName(trimmed); break;
        case kKindISO: name = SameText(trimmed, "Auto") ? "AUTO" : trimmed; break;
        case kKindAv: name = AvName(trimmed); break;
        case kKindTv: name = TvName(trimmed); break;
        default: return "";
    }
    const TPropList* row = name.empty() ? nullptr : TableRow(kind, name);
    return row != nullptr ? std::string(row->name) : std::string();
}

Gphoto2Sdk::Gphoto2Sdk(std::unique_ptr<Gphoto2Port> port, std::string portSetting)
    : port_(std::move(port)), portSetting_(std::move(portSetting)), thread_(kEventSlice, [this] {
          return LookForEvent();
      }) {
    if (port_) port_->SetTextHandler([this](CameraTextKind kind, const std::string& text) { Say(kind, text); });
}

Gphoto2Sdk::~Gphoto2Sdk() {
    thread_.Run([this] {
        if (open_) port_->Close();
        open_ = false;
        textSink_ = nullptr;
    });
}

// --- on the camera thread ------------------------------------------------------------------------

void Gphoto2Sdk::Say(CameraTextKind kind, const std::string& text) {
    if (textSink_ != nullptr) textSink_->Post({kCameraMessageText, static_cast<uintptr_t>(kind), 0, 0, text});
}

void Gphoto2Sdk::Detect() {
    cameras_.clear();
    const std::string port = PortPath(portSetting_);
    if (IsNetworkPort(port)) {
        // Nothing detects a camera on the network: the port named is the camera.
        cameras_.push_back({kGphoto2NetworkModel, port});
    } else {
        std::vector<PortCamera> found;
        if (port_->Detect(&found) == kGpOk) cameras_ = OfferedCameras(found);
    }
    chosen_ = ChosenCamera(cameras_, port);
    if (chosen_ < 0 && !port.empty()) Say(CameraTextKind::Error, "No camera found on " + port + ".");
    model_ = chosen_ >= 0 ? cameras_[static_cast<size_t>(chosen_)].model : std::string();
    // A camera on the network is found by connecting to it, and then names its model itself.
    if (chosen_ >= 0 && IsNetworkPort(cameras_[static_cast<size_t>(chosen_)].port)) {
        if (OpenChosen() != kGpOk) {
            Say(CameraTextKind::Error, "No camera answers on " + port + ".");
            chosen_ = -1;
        } else {
            port_->ModelName(&model_);
        }
    }
    detected_ = chosen_ >= 0;
}

int Gphoto2Sdk::OpenChosen() {
    if (open_) return kGpOk;
    const int result = port_->Open(cameras_.at(static_cast<size_t>(chosen_)));
    if (result != kGpOk) return result;
    open_ = true;
    gone_ = false;
    eventsSupported_ = true;
    for (ChoiceMap& map : choices_) map = ChoiceMap{};
    return kGpOk;
}

EdsError Gphoto2Sdk::Fail(int gpResult) {
    // "Could not claim the USB device": the desktop's camera mounter (or another program) has it.
    if (gpResult == kGpErrorIoUsbClaim) return kEdsErrCommPortIsInUse;
    switch (ClassifyGphoto2Result(gpResult)) {
        case CameraFailure::None:
            return kEdsErrOk;
        case CameraFailure::Busy:
            return kEdsErrDeviceBusy;
        case CameraFailure::Refused:
            return gpResult == kGpErrorBadParameters ? kEdsErrInvalidParameter : kEdsErrNotSupported;
        case CameraFailure::Gone:
            // The camera left the bus or stopped answering: from now on every call fails at once.
            if (open_) gone_ = true;
            return kEdsErrDeviceNotFound;
        case CameraFailure::Other:
            break;
    }
    return kEdsErrInternal;
}

int Gphoto2Sdk::OnPort(const std::function<int()>& call) {
    const int result = call();
    if (!IsGphoto2TransferError(result) || !open_) return result;
    // One failed transfer may be a hiccup: when the camera is still there, the session is kept and the
    // call made once more. Only an error that persists counts as gone.
    return StillThere() ? call() : result;
}

bool Gphoto2Sdk::NewPictureArrived() {
    // The body announces the file within a moment of the exposure; a few short looks suffice.
    constexpr int kLooks = 5;
    constexpr int kLookMs = 100;
    for (int look = 0; look < kLooks; ++look) {
        Gphoto2Event event;
        if (port_->WaitForEvent(kLookMs, &event) != kGpOk) return false;
        if (event.type == Gphoto2EventType::FileAdded) return true;
        if (event.type == Gphoto2EventType::Timeout) return false;
        HandleEvent(event);
    }
    return false;
}

bool Gphoto2Sdk::StillThere() {
    const std::string& port = cameras_.at(static_cast<size_t>(chosen_)).port;
    if (IsNetworkPort(port)) {
        // Nothing detects a body on the network (a PTP/IP link the body closed answers GP_ERROR, then
        // GP_ERROR_IO): it is there when it answers a look for events. An event that comes with the
        // answer is not handled here, where a failing read would ask again.
        Gphoto2Event event;
        const int result = port_->WaitForEvent(0, &event);
        return result == kGpOk || result == kGpErrorCameraBusy || result == kGpErrorNotSupported;
    }
    std::vector<PortCamera> found;
    if (port_->Detect(&found) != kGpOk) return false;
    for (const PortCamera& camera : found) {
        if (camera.port == port) return true;
    }
    return false;
}

EdsError Gphoto2Sdk::CheckCamera(EdsBaseRef ref) const {
    if (!initialized_) return kEdsErrNotInitialized;
    if (ref != kCameraRef || !detected_) return kEdsErrInvalidHandle;
    if (gone_) return kEdsErrDeviceNotFound;
    return kEdsErrOk;
}

// The ptp2 driver shows the serial number of the body's device information as a text widget.
EdsError Gphoto2Sdk::ReadSerial(std::string* serial) {
    if (!open_) return kEdsErrSessionNotOpen;
    Gphoto2Widget widget;
    const int result = OnPort([&] { return port_->GetWidget("serialnumber", &widget); });
    if (result != kGpOk) return Fail(result);
    *serial = widget.value;
    return kEdsErrOk;
}

EdsError Gphoto2Sdk::ReadChoices(int slot, Gphoto2Widget* widget) {
    ChoiceMap& map = choices_[slot];
    int result = kGpErrorNotSupported;
    if (!map.widget.empty()) {
        result = OnPort([&] { return port_->GetWidget(map.widget, widget); });
    } else {
        for (const char* name : kWidgetNames[slot]) {
            if (name == nullptr) break;
            result = OnPort([&] { return port_->GetWidget(name, widget); });
            if (result == kGpOk) {
                map.widget = name;
                break;
            }
            const CameraFailure failure = ClassifyGphoto2Result(result);
            if (failure == CameraFailure::Gone || failure == CameraFailure::Busy) break;
        }
    }
    if (result != kGpOk) return Fail(result);
    map.seen = *widget;
    // Each choice gets its table code; one without a row, or whose code an earlier choice took,
    // keeps a code of its own so that it is listed and can be written back.
    map.textByCode.clear();
    map.codes.clear();
    for (size_t i = 0; i < widget->choices.size(); ++i) {
        const std::string name = Gphoto2TableName(slot, widget->choices[i]);
        const TPropList* row = name.empty() ? nullptr : TableRow(slot, name);
        EdsUInt32 code = row != nullptr ? row->code : kGphoto2OwnCodeBase + static_cast<EdsUInt32>(i);
        if (map.textByCode.count(code) != 0) code = kGphoto2OwnCodeBase + static_cast<EdsUInt32>(i);
        map.textByCode.emplace(code, widget->choices[i]);
        map.codes.push_back(code);
    }
    return kEdsErrOk;
}

EdsUInt32 Gphoto2Sdk::CodeOfText(int slot, const std::string& text) const {
    // A text the camera lists twice reads as its first choice.
    const ChoiceMap& map = choices_[slot];
    for (const EdsUInt32 code : map.codes) {
        if (map.textByCode.at(code) == text) return code;
    }
    const std::string name = Gphoto2TableName(slot, text);
    const TPropList* row = name.empty() ? nullptr : TableRow(slot, name);
    return row != nullptr ? row->code : kGphoto2OwnCodeBase + 0xFFFF;
}

bool Gphoto2Sdk::LookForEvent() {
    if (!open_ || gone_ || !eventsSupported_) return false;
    Gphoto2Event event;
    const int result = OnPort([&] { return port_->WaitForEvent(0, &event); });
    if (result != kGpOk) {
        if (result == kGpErrorNotSupported) {
            eventsSupported_ = false;  // a driver without events: nothing to look for
        } else {
            Fail(result);
        }
        return false;
    }
    if (event.type == Gphoto2EventType::Timeout) return false;
    HandleEvent(event);
    return true;
}

void Gphoto2Sdk::HandleEvent(const Gphoto2Event& event) {
    // New files are ignored: with images kept on the card there is nothing to fetch.
    if (event.type != Gphoto2EventType::Unknown || propertyHandler_ == nullptr) return;
    const size_t at = event.text.find("PTP Property ");
    if (at == std::string::npos) return;
    const unsigned number = static_cast<unsigned>(std::strtoul(event.text.c_str() + at + 13, nullptr, 16));
    int kind = -1;
    for (const PtpProperty& each : kPtpProperties) {
        if (each.number == number) kind = each.kind;
    }
    // A setting nobody has read yet has nothing to bring up to date.
    if (kind < 0 || choices_[kind].widget.empty()) return;
    // Bodies also report a property after a mere read: only a different value or list counts.
    const Gphoto2Widget before = choices_[kind].seen;
    Gphoto2Widget now;
    if (ReadChoices(kind, &now) != kEdsErrOk) return;
    // The handler only posts a message to the window; it never calls back into this library.
    if (now.choices != before.choices)
        propertyHandler_(kEdsPropertyEventPropertyDescChanged, kPropertyOfKind[kind], 0, propertyContext_);
    if (now.value != before.value)
        propertyHandler_(kEdsPropertyEventPropertyChanged, kPropertyOfKind[kind], 0, propertyContext_);
}

// --- the library's calls: each one job ------------------------------------------------------------

std::string Gphoto2Sdk::ChoiceText(EdsPropertyID property, EdsUInt32 code) const {
    const int kind = PropKind(property);
    if (kind < 0) return "";
    return OnCameraThread([&] {
        const auto found = choices_[kind].textByCode.find(code);
        return found != choices_[kind].textByCode.end() ? found->second : std::string();
    });
}

EdsError Gphoto2Sdk::EdsInitializeSDK() {
    return OnCameraThread([&] {
        if (!port_) return kEdsErrNotInitialized;
        initialized_ = true;
        return kEdsErrOk;
    });
}

EdsError Gphoto2Sdk::EdsTerminateSDK() {
    return OnCameraThread([&] {
        if (open_) port_->Close();
        open_ = false;
        initialized_ = false;
        detected_ = false;
        propertyHandler_ = nullptr;
        return kEdsErrOk;
    });
}

EdsError Gphoto2Sdk::EdsGetCameraList(EdsCameraListRef* outList) {
    return OnCameraThread([&] {
        if (!initialized_) return kEdsErrNotInitialized;
        if (outList == nullptr) return kEdsErrInvalidParameter;
        if (open_ && gone_) {
            port_->Close();  // what is left of the vanished camera's session
            open_ = false;
        }
        // While a session is open its camera stays the one detected.
        if (!open_) Detect();
        *outList = kListRef;
        return kEdsErrOk;
    });
}

EdsError Gphoto2Sdk::EdsGetChildCount(EdsBaseRef ref, EdsUInt32* outCount) {
    return OnCameraThread([&] {
        if (ref != kListRef || outCount == nullptr) return kEdsErrInvalidParameter;
        *outCount = detected_ ? 1 : 0;
        return kEdsErrOk;
    });
}

EdsError Gphoto2Sdk::EdsGetChildAtIndex(EdsBaseRef ref, EdsInt32 index, EdsBaseRef* outRef) {
    return OnCameraThread([&] {
        if (ref != kListRef || outRef == nullptr) return kEdsErrInvalidParameter;
        if (!detected_) return kEdsErrDeviceNotFound;
        if (index != 0) return kEdsErrInvalidIndex;
        *outRef = kCameraRef;
        return kEdsErrOk;
    });
}

EdsUInt32 Gphoto2Sdk::EdsRelease(EdsBaseRef /*ref*/) { return 0; }

EdsError Gphoto2Sdk::EdsGetDeviceInfo(EdsCameraRef camera, EdsDeviceInfo* outInfo) {
    return OnCameraThread([&] {
        const EdsError err = CheckCamera(camera);
        if (err != kEdsErrOk) return err;
        if (outInfo == nullptr) return kEdsErrInvalidParameter;
        *outInfo = EdsDeviceInfo{};
        const std::string& port = cameras_.at(static_cast<size_t>(chosen_)).port;
        std::strncpy(outInfo->szPortName, port.c_str(), sizeof outInfo->szPortName - 1);
        std::strncpy(outInfo->szDeviceDescription, model_.c_str(), sizeof outInfo->szDeviceDescription - 1);
        outInfo->deviceSubType = 1;  // never the older protocol: the session locks the camera's controls
        return kEdsErrOk;
    });
}

EdsError Gphoto2Sdk::EdsSetPropertyEventHandler(EdsCameraRef camera, EdsPropertyEvent /*event*/,
                                                EdsPropertyEventHandler handler, void* context) {
    return OnCameraThread([&] {
        const EdsError err = CheckCamera(camera);
        if (err != kEdsErrOk) return err;
        propertyHandler_ = handler;
        propertyContext_ = context;
        return kEdsErrOk;
    });
}

EdsError Gphoto2Sdk::EdsSetObjectEventHandler(EdsCameraRef camera, EdsObjectEvent /*event*/,
                                              EdsObjectEventHandler /*handler*/, void* /*context*/) {
    // Images stay on the card, so no transfer is ever requested; the handler is accepted and not called.
    return OnCameraThread([&] { return CheckCamera(camera); });
}

EdsError Gphoto2Sdk::EdsOpenSession(EdsCameraRef camera) {
    return OnCameraThread([&] {
        const EdsError err = CheckCamera(camera);
        if (err != kEdsErrOk) return err;
        const int result = OpenChosen();
        return result == kGpOk ? kEdsErrOk : Fail(result);
    });
}

EdsError Gphoto2Sdk::EdsCloseSession(EdsCameraRef camera) {
    return OnCameraThread([&] {
        if (camera != kCameraRef) return kEdsErrInvalidHandle;
        if (!open_) return kEdsErrSessionNotOpen;
        port_->Close();
        open_ = false;
        return gone_ ? kEdsErrDeviceNotFound : kEdsErrOk;
    });
}

EdsError Gphoto2Sdk::EdsGetPropertySize(EdsBaseRef ref, EdsPropertyID property, EdsInt32 /*param*/,
                                        EdsDataType* outType, EdsUInt32* outSize) {
    return OnCameraThread([&] {
        const EdsError err = CheckCamera(ref);
        if (err != kEdsErrOk) return err;
        if (outType == nullptr || outSize == nullptr) return kEdsErrInvalidParameter;
        if (property == kEdsPropBodyIDEx) {
            std::string serial;
            if (const EdsError read = ReadSerial(&serial); read != kEdsErrOk) return read;
            *outType = kEdsDataTypeString;
            *outSize = static_cast<EdsUInt32>(serial.size() + 1);
            return kEdsErrOk;
        }
        if (property != kEdsPropSaveTo && PropKind(property) < 0) return kEdsErrPropertiesUnavailable;
        *outType = kEdsDataTypeUInt32;
        *outSize = sizeof(EdsUInt32);
        return kEdsErrOk;
    });
}

EdsError Gphoto2Sdk::EdsGetPropertyData(EdsBaseRef ref, EdsPropertyID property, EdsInt32 /*param*/, EdsUInt32 size,
                                        void* outData) {
    return OnCameraThread([&] {
        EdsError err = CheckCamera(ref);
        if (err != kEdsErrOk) return err;
        if (!open_) return kEdsErrSessionNotOpen;
        if (property == kEdsPropBodyIDEx) {
            std::string serial;
            if (const EdsError read = ReadSerial(&serial); read != kEdsErrOk) return read;
            if (outData == nullptr || size < serial.size() + 1) return kEdsErrInvalidParameter;
            std::memcpy(outData, serial.c_str(), serial.size() + 1);
            return kEdsErrOk;
        }
        if (outData == nullptr || size < sizeof(EdsUInt32)) return kEdsErrInvalidParameter;
        EdsUInt32 value = 0;
        if (property == kEdsPropSaveTo) {
            value = saveTo_;
        } else {
            const int kind = PropKind(property);
            if (kind < 0) return kEdsErrPropertiesUnavailable;
            Gphoto2Widget widget;
            err = ReadChoices(kind, &widget);
            if (err != kEdsErrOk) return err;
            value = CodeOfText(kind, widget.value);
            if (choices_[kind].textByCode.count(value) == 0) choices_[kind].textByCode.emplace(value, widget.value);
        }
        std::memcpy(outData, &value, sizeof value);
        return kEdsErrOk;
    });
}

EdsError Gphoto2Sdk::EdsSetPropertyData(EdsBaseRef ref, EdsPropertyID property, EdsInt32 /*param*/, EdsUInt32 size,
                                        const void* data) {
    return OnCameraThread([&] {
        EdsError err = CheckCamera(ref);
        if (err != kEdsErrOk) return err;
        if (!open_) return kEdsErrSessionNotOpen;
        if (data == nullptr || size < sizeof(EdsUInt32)) return kEdsErrInvalidParameter;
        EdsUInt32 value = 0;
        std::memcpy(&value, data, sizeof value);
        if (property == kEdsPropSaveTo) {
            // Only the card is offered: downloading each image would cost seconds per shot.
            if (value != 1) return kEdsErrNotSupported;
            Gphoto2Widget target;
            int result = OnPort([&] { return port_->GetWidget("capturetarget", &target); });
            if (result != kGpOk) return Fail(result);
            const std::string* card = nullptr;
            for (const std::string& choice : target.choices) {
                if (Contains(choice, "card")) card = &choice;
            }
            if (card == nullptr) return kEdsErrNotSupported;
            result = OnPort([&] { return port_->SetWidget("capturetarget", *card); });
            if (result != kGpOk) return Fail(result);
            saveTo_ = value;
            return kEdsErrOk;
        }
        const int kind = PropKind(property);
        if (kind < 0) return kEdsErrPropertiesUnavailable;
        if (choices_[kind].widget.empty()) {
            Gphoto2Widget widget;
            err = ReadChoices(kind, &widget);
            if (err != kEdsErrOk) return err;
        }
        ChoiceMap& map = choices_[kind];
        const auto found = map.textByCode.find(value);
        if (found == map.textByCode.end()) return kEdsErrInvalidParameter;
        const int result = OnPort([&] { return port_->SetWidget(map.widget, found->second); });
        if (result != kGpOk) return Fail(result);
        map.seen.value = found->second;  // the body's report of this write is no change made on it
        return kEdsErrOk;
    });
}

EdsError Gphoto2Sdk::EdsGetPropertyDesc(EdsBaseRef ref, EdsPropertyID property, EdsPropertyDesc* outDesc) {
    return OnCameraThread([&] {
        EdsError err = CheckCamera(ref);
        if (err != kEdsErrOk) return err;
        if (!open_) return kEdsErrSessionNotOpen;
        if (outDesc == nullptr) return kEdsErrInvalidParameter;
        const int kind = PropKind(property);
        if (kind < 0) return kEdsErrPropertiesUnavailable;
        Gphoto2Widget widget;
        err = ReadChoices(kind, &widget);
        if (err != kEdsErrOk) return err;
        *outDesc = EdsPropertyDesc{};
        // The list keeps the camera's order, whatever codes the choices received.
        for (const EdsUInt32 code : choices_[kind].codes) {
            if (outDesc->numElements == static_cast<EdsInt32>(std::size(outDesc->propDesc))) break;
            outDesc->propDesc[outDesc->numElements++] = static_cast<EdsInt32>(code);
        }
        return kEdsErrOk;
    });
}

EdsError Gphoto2Sdk::EdsSendStatusCommand(EdsCameraRef camera, EdsUInt32 /*command*/, EdsInt32 /*param*/) {
    // libgphoto2 has no lock of the camera's own controls; the commands succeed without effect.
    return OnCameraThread([&] { return CheckCamera(camera); });
}

EdsError Gphoto2Sdk::EdsSendCommand(EdsCameraRef camera, EdsUInt32 command, EdsInt32 /*param*/) {
    return OnCameraThread([&] {
        const EdsError err = CheckCamera(camera);
        if (err != kEdsErrOk) return err;
        if (!open_) return kEdsErrSessionNotOpen;
        if (command != kEdsCameraCommandTakePicture) return kEdsErrNotSupported;
        int result = port_->Capture();
        // The shutter may have fired before the transfer failed: a new file on the card is a picture
        // taken, and pressing again would expose a second one.
        if (IsGphoto2TransferError(result) && NewPictureArrived()) return kEdsErrOk;
        if (IsGphoto2TransferError(result) && StillThere()) result = port_->Capture();
        return result == kGpOk ? kEdsErrOk : Fail(result);
    });
}

EdsError Gphoto2Sdk::EdsSetCapacity(EdsCameraRef camera, EdsCapacity /*capacity*/) {
    return OnCameraThread([&] { return CheckCamera(camera); });
}

// Images stay on the card: nothing is ever downloaded through this library.
EdsError Gphoto2Sdk::EdsGetDirectoryItemInfo(EdsDirectoryItemRef, EdsDirectoryItemInfo*) { return kEdsErrNotSupported; }
EdsError Gphoto2Sdk::EdsCreateFileStream(const char*, EdsUInt32, EdsUInt32, EdsStreamRef*) { return kEdsErrNotSupported; }
EdsError Gphoto2Sdk::EdsSetProgressCallback(EdsBaseRef, EdsProgressCallback, EdsUInt32, void*) { return kEdsErrNotSupported; }
EdsError Gphoto2Sdk::EdsDownload(EdsDirectoryItemRef, EdsUInt64, EdsStreamRef) { return kEdsErrNotSupported; }
EdsError Gphoto2Sdk::EdsDownloadComplete(EdsDirectoryItemRef) { return kEdsErrNotSupported; }

// --- the camera choice ----------------------------------------------------------------------------

std::vector<PortCamera> Gphoto2Sdk::Cameras() const {
    return OnCameraThread([&] { return cameras_; });
}

int Gphoto2Sdk::Chosen() const {
    return OnCameraThread([&] { return chosen_; });
}

void Gphoto2Sdk::Choose(const std::string& port) {
    thread_.Run([&] { portSetting_ = port; });
}

void Gphoto2Sdk::SetTextSink(CameraMessageSink* sink) {
    thread_.Run([&] { textSink_ = sink; });
}

}  // namespace zelto
