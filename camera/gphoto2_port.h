#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "camera/camera_choice.h"
#include "camera/message_sink.h"

// The few libgphoto2 calls the gphoto2 backend makes, behind an interface so that the backend can
// run against a fake camera in tests. Results are libgphoto2's own numbers: 0 is success, negative
// numbers are failures. One object drives at most one camera, and all its calls come from one thread
// (the session's camera thread).

namespace zelto {

inline constexpr int kGpOk = 0;
inline constexpr int kGpErrorBadParameters = -2;   // GP_ERROR_BAD_PARAMETERS
inline constexpr int kGpErrorNotSupported = -6;    // GP_ERROR_NOT_SUPPORTED
inline constexpr int kGpErrorIo = -7;              // GP_ERROR_IO
inline constexpr int kGpErrorTimeout = -10;        // GP_ERROR_TIMEOUT
inline constexpr int kGpErrorIoRead = -34;         // GP_ERROR_IO_READ
inline constexpr int kGpErrorIoWrite = -35;        // GP_ERROR_IO_WRITE
inline constexpr int kGpErrorIoUsbFind = -52;      // GP_ERROR_IO_USB_FIND: the camera left the bus
inline constexpr int kGpErrorIoUsbClaim = -53;     // GP_ERROR_IO_USB_CLAIM: another program holds the device
inline constexpr int kGpErrorModelNotFound = -105; // GP_ERROR_MODEL_NOT_FOUND
inline constexpr int kGpErrorCameraBusy = -110;    // GP_ERROR_CAMERA_BUSY

// libgphoto2's abilities entry for any body on a PTP/IP port: its ptp2 driver then reads the vendor
// from the body's device information (a Canon body takes the driver's Canon EOS paths).
inline constexpr const char* kGphoto2NetworkModel = "PTP/IP Camera";

// A radio or menu configuration widget: its current value and its choices in the camera's order; a
// text widget (the serial number) has its value and no choices.
struct Gphoto2Widget {
    std::string value;
    std::vector<std::string> choices;
};

enum class Gphoto2EventType { Timeout, Unknown, FileAdded, FolderAdded, CaptureComplete, Other };

struct Gphoto2Event {
    Gphoto2EventType type = Gphoto2EventType::Timeout;
    std::string text;  // Unknown: the library's text ("PTP Property d102 changed"); FileAdded: folder/name
};

class Gphoto2Port {
public:
    virtual ~Gphoto2Port() = default;
    // Every camera libgphoto2 detects on its ports (disk: folders included), in its order.
    virtual int Detect(std::vector<PortCamera>* found) = 0;
    // Opens `camera` with the abilities of its model and the port info of its port, set explicitly.
    virtual int Open(const PortCamera& camera) = 0;
    virtual void Close() = 0;
    virtual int ModelName(std::string* name) = 0;  // the model the open camera reports of itself
    virtual int GetWidget(const std::string& name, Gphoto2Widget* out) = 0;
    virtual int SetWidget(const std::string& name, const std::string& value) = 0;  // set and apply
    virtual int Capture() = 0;  // the image stays where the capture target says
    // timeoutMs 0: one look, no waiting.
    virtual int WaitForEvent(int timeoutMs, Gphoto2Event* out) = 0;
    // Where libgphoto2's own error, status and message texts go; called from within the calls above.
    virtual void SetTextHandler(std::function<void(CameraTextKind, const std::string&)> handler) = 0;
};

// The port on the installed libgphoto2; null where the program is built without it.
std::unique_ptr<Gphoto2Port> MakeLibGphoto2Port();

}  // namespace zelto
