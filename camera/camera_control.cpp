#include "camera/camera_control.h"

#include "camera/camera_failure.h"
#include "camera/camera_set.h"
#include "camera/deadline_sdk.h"
#include "camera/proptables.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/julian.h"
#include "eclipse_data/number_text.h"

namespace zelto {

namespace {

// The camera log keeps this many of the library's texts; a library that keeps repeating itself does
// not grow the log without end.
constexpr size_t kLoggedLibraryTexts = 200;
constexpr std::array<EdsPropertyID, 4> kListProperties = {kEdsPropImageQuality, kEdsPropISOSpeed, kEdsPropAv,
                                                          kEdsPropTv};

const char* HandlerName(EdsPropertyID property) {
    switch (property) {
        case kEdsPropImageQuality:
            return "IQChange()";
        case kEdsPropAEMode:
            return "AEmodeChange()";
        case kEdsPropISOSpeed:
            return "ISOChange()";
        case kEdsPropAv:
            return "AVChange()";
        case kEdsPropTv:
            return "TVChange()";
        default:
            return "";
    }
}

}  // namespace

std::string WriteErrorText(EdsPropertyID property, int index, uint32_t code, const std::string& name,
                           uint32_t status) {
    return std::string("Cannot set new value...\rError in ComboBox.") + HandlerName(property) +
           "\rSelect_____=" + std::to_string(index) + "\r" + "Prop.Propid_=" + HexText(code, 4) + "\r" +
           "Prop.PropStr=" + name + "\r" + "Err_______=" + std::to_string(status);
}

CameraControl::CameraControl(Services services) : s_(std::move(services)) {}

CameraControl::~CameraControl() {
    if (master_) master_->Destroy();
    if (choice_) choice_->SetTextSink(nullptr);
}

TAppMaster* CameraControl::Master() const {
    return s_.camera.CameraName.empty() ? nullptr : master_.get();
}

void CameraControl::Connect() {
    if (connecting_) {
        CancelConnect();
        return;
    }
    if (s_.flags.Activity == CameraActivity::Run || s_.flags.Activity == CameraActivity::TestRun) {
        s_.view.SetStatus("A photography run is going on: it reconnects the camera by itself.");
        return;
    }
    // Connected already; a camera a run could not reconnect (no session left) may be connected anew.
    if (Master() != nullptr) return;
    connecting_ = true;
    cancelled_ = false;
    manualModeLost_ = false;
    s_.view.SetConnecting(true);
    ConnectSession();
    connecting_ = false;
    s_.view.SetConnecting(false);
    if (manualModeLost_) Disconnect();
}

// A connect the user cancels, or whose call gets no answer in time, gives up its call at once (the
// window keeps working meanwhile) and ends disconnected.
void CameraControl::CancelConnect() {
    cancelled_ = true;
    if (auto* timed = dynamic_cast<DeadlineSdk*>(&s_.sdk())) timed->CancelCall();
}

void CameraControl::ConnectSession() {
    CameraState& camera = s_.camera;
    CameraWindowView& view = s_.view;
    EdsSdk& sdk = s_.sdk();
    const auto* timed = dynamic_cast<const DeadlineSdk*>(&sdk);
    // Given up (cancelled or no answer): the session closes and the window says which.
    const auto gaveUp = [&] {
        if (!cancelled_ && (timed == nullptr || !timed->GaveUp())) return false;
        const char* text = cancelled_ ? kConnectCancelledText : kConnectNoAnswerText;
        if (master_) master_->Destroy();
        master_.reset();
        camera.CameraName.clear();
        view.SetReleaseEnabled(false);
        view.SetSeriesEnabled(false);
        view.SetConnectionLabel("Camera : ", CameraLabelColour::Grey);
        view.SetMessageLines(text, CameraLabelColour::Red, "", "");
        view.SetStatus(text);
        return true;
    };

    view.SetSaveFolder(s_.folders.ProgramFolder);
    if (const std::string failed = DeleteCameraLog(s_.folders); !failed.empty()) {
        view.ShowMessage(failed);
        return;
    }

    view.SetConnectionLabel("Camera : Enabling connection, wait please ...", CameraLabelColour::Grey);
    view.ShowPortNote("", false);
    view.ProcessMessages();

    camera.SaveTo = 1;
    if (master_) master_->Destroy();
    choice_ = CameraChoiceOf(sdk);
    if (choice_) choice_->SetTextSink(s_.sink);
    master_ = TAppMaster::Create(sdk, s_.sink, camera);
    camera.CameraName = Trimmed(master_->DeviceName());
    ShowCameraChoice();
    view.SetStatus("Camera: " + camera.CameraName);
    master_->SetEventHandlers();
    if (master_->OpenSession() == kEdsErrCommPortIsInUse) {
        ShowHeldCamera();
        return;
    }
    master_->ApplySaveTo();
    view.SetSeriesAbortEnabled(false);
    if (gaveUp()) return;

    if (camera.CameraName.empty()) {
        // Nothing to talk to: the library is released at once, so that the next connect starts afresh.
        master_->Destroy();
        master_.reset();
        view.SetReleaseEnabled(false);
        view.SetSeriesEnabled(false);
        view.SetConnectionLabel("Camera : Camera is not detected", CameraLabelColour::Grey);
        view.SetMessageLines("Sorry: Camera is not detected!", CameraLabelColour::Red,
                             "Check Power and connection.", "Then restart the application.");
        return;
    }

    camera.SupportedCodes = SupportedCodesTable{};
    for (EdsPropertyID property : kShootingProperties) {
        try {
            view.SetSaveFolder(std::to_string(master_->ReadPropertyList(property)));
        } catch (const CameraRangeError& e) {
            view.ShowMessage(std::string("Range error: ") + e.what());
            return;
        }
        if (gaveUp()) return;
    }

    CameraLogContent log;
    log.logJD = s_.clock.NowJD() + 0.5 / kSecondsPerDay;
    s_.time.CurrentJD = log.logJD;
    log.fileVersion = s_.program.ProgramVersion.FileVersion;
    log.computer = s_.computer ? s_.computer() : ComputerInformation{};
    log.cameraName = camera.CameraName;
    log.codes = camera.SupportedCodes;
    if (const std::string failed = WriteCameraLog(s_.folders, CameraLogText(log)); !failed.empty()) {
        view.ShowMessage(failed);
        return;
    }
    log_ = std::move(log);

    for (EdsPropertyID property : kListProperties) {
        std::vector<SettingItem>& items = items_[static_cast<size_t>(SupportedListIndex(property))];
        items.clear();
        for (uint32_t code : camera.SupportedCodes.Codes(property))
            items.push_back({SettingName(property, code, sdk.ChoiceText(property, code)), code});
        view.FillList(property, items);
        const int count = static_cast<int>(items.size());
        view.SelectItem(property, count == 0 ? -1 : property == kEdsPropTv ? count - 1 : 0);
    }

    for (EdsPropertyID property : kListProperties) {
        ListChanged(property);
        if (manualModeLost_ || gaveUp()) return;
    }

    view.SetReleaseEnabled(true);
    view.SetSeriesEnabled(true);
    view.SetConnectionLabel("Camera : " + camera.CameraName, CameraLabelColour::Black);
    view.SetMessageLines("Change the camera settings", CameraLabelColour::Black,
                         "and press the Release button.", "(Or operate the camera itself)");
    ShowPortPower();
}

void CameraControl::ShowHeldCamera() {
    CameraWindowView& view = s_.view;
    master_->Destroy();
    master_.reset();
    s_.camera.CameraName.clear();
    view.SetReleaseEnabled(false);
    view.SetSeriesEnabled(false);
    view.SetConnectionLabel("Camera : held by another program", CameraLabelColour::Red);
    view.SetMessageLines("Sorry: another program holds the camera!", CameraLabelColour::Red,
                         "Release it (below) or close that program,", "then connect again.");
    view.ShowPortNote(HeldCameraText(s_.mounter ? s_.mounter->Holder() : std::string(), s_.mounter != nullptr),
                      s_.mounter != nullptr);
}

void CameraControl::ReleaseHeldCamera() {
    if (s_.mounter == nullptr || Master() != nullptr) return;
    s_.view.ShowPortNote("Releasing the camera ...", false);
    s_.mounter->Release([this, alive = std::weak_ptr<int>(alive_)](const std::string& error) {
        if (alive.expired()) return;
        if (!error.empty()) {
            s_.view.ShowPortNote("The camera could not be released: " + error, true);
            return;
        }
        Connect();
    });
}

void CameraControl::ShowPortPower() {
    if (s_.usbPower == nullptr || chosen_ < 0 || chosen_ >= static_cast<int>(offered_.size())) return;
    const std::string& port = offered_[static_cast<size_t>(chosen_)].port;
    if (const std::optional<UsbPortPower> power = s_.usbPower->Read(port); power && power->autosuspend) {
        s_.view.ShowPortNote(AutosuspendText(port, *power), false);
    }
}

void CameraControl::ListChanged(EdsPropertyID property) {
    const int list = SupportedListIndex(property);
    if (list < 0) return;
    const int index = s_.view.SelectedItem(property);
    const std::vector<SettingItem>& items = items_[static_cast<size_t>(list)];
    if (index < 0 || index >= static_cast<int>(items.size())) {
        if (property == kEdsPropTv) {
            // No shutter speed to set: the camera is not in manual mode, and a run could not work.
            // The camera is disconnected; a connect under way does it when it ends.
            s_.view.ShowManualModeMessage(kManualModeCaption, kManualModeText);
            manualModeLost_ = true;
            if (!connecting_) Disconnect();
        }
        // The other lists with nothing selected (the AE mode list is never filled): nothing to write.
        return;
    }
    TAppMaster* master = Master();
    if (master == nullptr) return;
    const SettingItem& item = items[static_cast<size_t>(index)];
    const EdsError status = master->WriteProperty(property, item.code);
    if (status != 0) {
        s_.view.ShowMessage(WriteErrorText(property, index, item.code, item.name, status));
        SelectByValue(property);
    }
}

void CameraControl::SelectByValue(EdsPropertyID property) {
    const int list = SupportedListIndex(property);
    if (list < 0) return;
    TAppMaster* master = Master();
    const int64_t value = master && master->Camera() ? master->Camera()->GetPropertyValue(property) : -1;
    const std::vector<SettingItem>& items = items_[static_cast<size_t>(list)];
    int index = 0;
    while (index < static_cast<int>(items.size()) &&
           static_cast<int64_t>(items[static_cast<size_t>(index)].code) != value) {
        ++index;
    }
    s_.view.SelectItem(property, index < static_cast<int>(items.size()) ? index : -1);
}

void CameraControl::ShowCameraChoice() {
    offered_ = choice_ ? choice_->Cameras() : std::vector<PortCamera>{};
    chosen_ = choice_ ? choice_->Chosen() : -1;
    std::vector<std::string> names;
    if (offered_.size() > 1) {
        for (const PortCamera& camera : offered_) names.push_back(camera.model + " (" + camera.port + ")");
    }
    s_.view.SetCameraChoice(names, names.empty() ? -1 : chosen_);
}

std::string CameraControl::Port() const {
    return chosen_ >= 0 && chosen_ < static_cast<int>(offered_.size())
               ? offered_[static_cast<size_t>(chosen_)].port
               : std::string();
}

std::string CameraControl::BodySerial() {
    TAppMaster* master = Master();
    return master ? ReadBodySerial(s_.sdk(), master->CameraRef()) : std::string();
}

void CameraControl::ChooseCamera(int index) {
    if (choice_ == nullptr || index < 0 || index >= static_cast<int>(offered_.size())) return;
    if (index == chosen_ && !s_.camera.CameraName.empty()) return;  // the camera connected already
    choice_->Choose(offered_[static_cast<size_t>(index)].port);
    Disconnect();
    Connect();
}

void CameraControl::LibraryText(CameraTextKind kind, const std::string& text) {
    const std::string line = CameraTextLine(kind, text);
    s_.view.SetStatus(line);
    if (!log_ || log_->libraryMessages.size() >= kLoggedLibraryTexts) return;
    log_->libraryMessages.push_back(JDText(s_.clock.NowJD(), 1) + "  " + line);
    if (const std::string failed = WriteCameraLog(s_.folders, CameraLogText(*log_)); !failed.empty())
        s_.view.SetStatus(failed);
}

bool CameraControl::HandleMessage(const CameraMessage& message) {
    if (message.message == kCameraMessageText) {
        LibraryText(static_cast<CameraTextKind>(message.wParam), message.text);
        return true;
    }
    if (message.message < kCameraMessageProperty || message.message > kCameraMessageProgress) return false;
    // Queued for a session that has been disconnected meanwhile: dropped.
    if (!master_ || !master_->OwnsMessage(message)) return true;
    switch (message.message) {
        case kCameraMessageProperty: {
            const auto property = static_cast<EdsPropertyID>(message.lParam);
            if (message.wParam == kEdsPropertyEventPropertyChanged) {
                master_->ReadProperty(property);
                SelectByValue(property);
            } else if (message.wParam == kEdsPropertyEventPropertyDescChanged) {
                try {
                    master_->ReadPropertyList(property);
                } catch (const CameraRangeError& e) {
                    s_.view.SetStatus(std::string("Range error: ") + e.what());
                }
            }
            return true;
        }
        case kCameraMessageTransfer:
            if (master_->Download(static_cast<EdsDirectoryItemRef>(message.lParam), s_.view.SaveFolder()) !=
                0) {
                s_.view.SetStatus("Download error occurred!");
            }
            return true;
        case kCameraMessageProgress: {
            // The bar runs from 0 to 100 and stops at its end: a larger figure leaves it full.
            const int percent = message.wParam >= 100 ? 100 : static_cast<int>(message.wParam);
            s_.view.SetProgress(percent);
            if (percent == 100) {
                Delay(s_.clock, 500);
                s_.view.SetProgress(0);
            }
            return true;
        }
    }
    return false;
}

void CameraControl::Disconnect() {
    if (connecting_) {
        CancelConnect();
        return;
    }
    CameraWindowView& view = s_.view;
    if (!s_.camera.CameraName.empty() && master_) {
        master_->Destroy();
        master_.reset();
    }
    view.ProcessMessages();
    s_.camera.CameraName.clear();
    log_.reset();
    view.SetSaveButtonEnabled(false);
    view.SetReleaseEnabled(false);
    view.SetSeriesEnabled(false);
    view.SetConnectionLabel("Camera : ", CameraLabelColour::Grey);
    view.SetMessageLines("Camera is now disconnected.", CameraLabelColour::Red, "", "");
    view.SetStatus("Camera : ");
    view.ProcessMessages();

    if (const std::string failed = KeepCameraLogAsPrevious(s_.folders); !failed.empty()) view.ShowMessage(failed);
}

void CameraControl::Close() {
    s_.flags.AbortRunRequested = true;
    Disconnect();
    Delay(s_.clock, 100);
}

void CameraControl::Reconnect(std::function<bool()> deadline) {
    if (s_.camera.CameraName.empty()) return;
    if (master_) master_->Destroy();
    master_.reset();
    EdsSdk& sdk = s_.sdk();
    auto* timed = dynamic_cast<DeadlineSdk*>(&sdk);
    if (timed) timed->SetCallDeadline(std::move(deadline));
    try {
        master_ = OpenCameraSession(sdk, s_.sink, s_.camera);
    } catch (const CameraRangeError& e) {
        s_.view.SetStatus(std::string("Range error: ") + e.what());
    }
    if (timed) timed->SetCallDeadline({});
    if (!master_) return;
    const bool answered = timed == nullptr || !timed->GaveUp();
    const bool manual = s_.camera.SupportedCodes.For(kEdsPropTv).count > 0;
    if (answered && manual) return;
    // Half a session, or a camera whose mode dial left M: still lost for the run, which tries again.
    if (answered) s_.view.SetStatus(std::string(kManualModeCaption) + " The run takes no picture until it is.");
    master_->Destroy();
    master_.reset();
}

void CameraControl::Release() {
    TAppMaster* master = Master();
    if (master == nullptr) return;
    const EdsError status = master->TakePicture();
    s_.view.SetStatus(status == kEdsErrOk ? "Picture taken" : "Release failed: " + CameraFailureText(status));
}

}  // namespace zelto
