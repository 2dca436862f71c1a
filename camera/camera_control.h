#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "camera/appmaster.h"
#include "camera/camera_choice.h"
#include "camera/camera_log.h"
#include "camera/camera_port.h"
#include "camera/edsdk.h"
#include "camera/message_sink.h"
#include "camera/proptables.h"
#include "camera/run_flags.h"
#include "eclipse_data/clock.h"
#include "eclipse_data/program_values.h"

// The camera window's behaviour without the toolkit: connect and disconnect, the camera log, the
// four settings lists and their change handlers, the manual-mode check and the camera's messages.
// The window implements CameraWindowView and only copies what it is told into its controls.

namespace zelto {

enum class CameraLabelColour { Grey, Black, Red };

// One item of a settings list: the name shown and the code written to the camera.
struct SettingItem {
    std::string name;
    uint32_t code = 0;
};

class CameraWindowView {
  public:
    virtual ~CameraWindowView() = default;
    virtual void SetSaveFolder(const std::string& text) = 0;  // Edit1
    virtual std::string SaveFolder() const = 0;
    virtual void SetConnectionLabel(const std::string& text, CameraLabelColour colour) = 0;  // the camera line
    // The three lines under it: the first with its colour.
    virtual void SetMessageLines(const std::string& line6, CameraLabelColour colour6,
                                 const std::string& line7, const std::string& line8) = 0;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void ProcessMessages() = 0;
    virtual void SetReleaseEnabled(bool enabled) = 0;      // "Release"
    virtual void SetSeriesEnabled(bool enabled) = 0;       // the five- and nine-picture series
    virtual void SetSeriesAbortEnabled(bool enabled) = 0;  // the series' Abort
    virtual void SetSaveButtonEnabled(bool enabled) = 0;   // saving the save folder
    // The list of a property (0x100, 0x400, 0x402, 0x405, 0x406) refilled with items.
    virtual void FillList(EdsPropertyID property, const std::vector<SettingItem>& items) = 0;
    // Selects item index (−1: none) without running the list's change handler.
    virtual void SelectItem(EdsPropertyID property, int index) = 0;
    virtual int SelectedItem(EdsPropertyID property) const = 0;  // −1 when none
    virtual void ShowMessage(const std::string& text) = 0;       // a message box; returns when closed
    virtual void ShowManualModeMessage(const std::string& caption, const std::string& text) = 0;
    virtual void SetProgress(int percent) = 0;  // ProgressBar1
    // The cameras to choose from in the connection panel, "model (port)" each, with the connected one
    // (or −1); an empty list hides the choice, which is offered only when several cameras were found.
    virtual void SetCameraChoice(const std::vector<std::string>& cameras, int chosen) = 0;
    // A connect is under way: "Connect Camera" cancels it, "Disconnect Camera" and the camera choice
    // wait for its end.
    virtual void SetConnecting(bool connecting) = 0;
    // A note about the camera's port under the connection panel (empty: none), with the "Release it"
    // button while offerRelease.
    virtual void ShowPortNote(const std::string& text, bool offerRelease) = 0;
};

// The text of a change handler's message box for a write that failed with status.
std::string WriteErrorText(EdsPropertyID property, int index, uint32_t code, const std::string& name,
                           uint32_t status);

inline constexpr const char* kManualModeCaption = "Camera is not in manual mode \"M\" !";
// The camera is disconnected, never the program ended: a run or an unsaved table may be going on.
inline constexpr const char* kManualModeText =
    "Set Camera to manual mode \"M\" and connect it again.\r\nThe camera is disconnected now.";
// A connect the user cancelled, and one that got no answer within its time limit.
inline constexpr const char* kConnectCancelledText = "Connect cancelled.";
inline constexpr const char* kConnectNoAnswerText =
    "The camera did not answer. Switch it off and on, check the cable, then connect again.";

class CameraControl {
  public:
    struct Services {
        const WorkingFolders& folders;
        const ProgramState& program;  // the version the camera log names
        RunFlags& flags;
        TimeSource& time;
        CameraState& camera;
        Clock& clock;
        CameraWindowView& view;
        std::function<EdsSdk&()> sdk;                   // the camera library, made on first use
        CameraMessageSink* sink = nullptr;              // where the library's messages go
        std::function<ComputerInformation()> computer;  // the camera log's computer section
        UsbPowerReader* usbPower = nullptr;             // the camera port's autosuspend; null: not checked
        MountReleaser* mounter = nullptr;               // the desktop's camera mounter; null: no "Release it"
    };

    explicit CameraControl(Services services);
    ~CameraControl();

    // "Connect Camera"; during a connect it cancels that connect. Refused while a run goes on:
    // the run reconnects by itself.
    void Connect();
    void Disconnect();  // "Disconnect Camera", also with no camera; during a connect it cancels it
    void Close();       // the window closes: abort a run, disconnect, 100 ms pause
    bool Connecting() const { return connecting_; }
    void Release();     // "Release": one picture now
    // A camera chosen in the connection panel (an index of the list SetCameraChoice gave): connects to
    // it, disconnecting the camera connected before.
    void ChooseCamera(int index);
    // A run lost the camera to a fault: the dead session is closed and a new one opened, quietly (no
    // camera log, the lists stay), its calls answered by `deadline` where given. Nothing when the user
    // disconnected meanwhile. A camera that offers no shutter speed (not in M) stays lost.
    void Reconnect(std::function<bool()> deadline = {});
    // "Release it": the desktop's mounter lets go of the camera, then the camera is connected again.
    // Offered after a connect found the camera held by another program.
    void ReleaseHeldCamera();

    // The change handler of a list: writes the selected code, or reports and selects the camera's value.
    void ListChanged(EdsPropertyID property);
    void SelectByValue(EdsPropertyID property);

    // A camera message taken from the window's queue; false when it is not one this session handles
    // (other numbers, or messages queued for a session that is gone). A camera library's own text
    // (0x404) goes to the status bar and, while a camera is connected, into the camera log.
    bool HandleMessage(const CameraMessage& message);

    // The session of the connected camera; null when none is connected (CameraName empty).
    TAppMaster* Master() const;
    // The port the connected camera was chosen on in the connection panel; empty when the library
    // offers no choice.
    std::string Port() const;
    // The connected body's serial number; empty when none is connected or it reports none.
    std::string BodySerial();

  private:
    void ConnectSession();
    void ShowCameraChoice();
    void CancelConnect();
    void ShowHeldCamera();  // a connect found the camera held by another program
    void ShowPortPower();   // a connected camera on a port the kernel may suspend
    void LibraryText(CameraTextKind kind, const std::string& text);

    Services s_;
    std::unique_ptr<TAppMaster> master_;
    CameraChoice* choice_ = nullptr;      // the library's camera choice, where it offers one
    std::vector<PortCamera> offered_;     // as the connection panel lists them
    int chosen_ = -1;
    std::optional<CameraLogContent> log_;  // while "Camera.ini" is this connection's log
    std::array<std::vector<SettingItem>, 5> items_;  // image quality, AE mode, ISO, Av, Tv
    bool connecting_ = false;
    bool cancelled_ = false;     // the user cancelled the connect under way
    bool manualModeLost_ = false;  // the manual-mode check disconnected the camera during this connect
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // a release's answer finds the control still there
};

}  // namespace zelto
