#pragma once

#include <memory>
#include <string>
#include <vector>

// The few libgphoto2 calls the gphoto2 backend makes, behind an interface so that the backend can
// run against a fake camera in tests. Results are libgphoto2's own numbers: 0 is success, negative
// numbers are failures. One object drives at most one camera; callers serialise all calls.

namespace zelto {

inline constexpr int kGpOk = 0;
inline constexpr int kGpErrorBadParameters = -2;   // GP_ERROR_BAD_PARAMETERS
inline constexpr int kGpErrorNotSupported = -6;    // GP_ERROR_NOT_SUPPORTED
inline constexpr int kGpErrorIo = -7;              // GP_ERROR_IO
inline constexpr int kGpErrorTimeout = -10;        // GP_ERROR_TIMEOUT
inline constexpr int kGpErrorIoRead = -34;         // GP_ERROR_IO_READ
inline constexpr int kGpErrorIoWrite = -35;        // GP_ERROR_IO_WRITE
inline constexpr int kGpErrorIoUsbFind = -52;      // GP_ERROR_IO_USB_FIND: the camera left the bus
inline constexpr int kGpErrorModelNotFound = -105; // GP_ERROR_MODEL_NOT_FOUND
inline constexpr int kGpErrorCameraBusy = -110;    // GP_ERROR_CAMERA_BUSY

// A radio or menu configuration widget: its current value and its choices in the camera's order.
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
    // The model name of the first camera on the bus; kGpErrorModelNotFound when there is none.
    virtual int Detect(std::string* model) = 0;
    virtual int Open() = 0;  // the camera Detect found
    virtual void Close() = 0;
    virtual int GetWidget(const std::string& name, Gphoto2Widget* out) = 0;
    virtual int SetWidget(const std::string& name, const std::string& value) = 0;  // set and apply
    virtual int Capture() = 0;  // the image stays where the capture target says
    virtual int WaitForEvent(int timeoutMs, Gphoto2Event* out) = 0;
};

// The port on the installed libgphoto2; null where the program is built without it.
std::unique_ptr<Gphoto2Port> MakeLibGphoto2Port();

}  // namespace zelto
