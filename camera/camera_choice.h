#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "camera/edsdk.h"
#include "camera/message_sink.h"

// Which camera a connect takes when a camera library reaches several: cameras are named by the port
// they are on ("usb:001,005", "ptpip:192.168.1.20"). The default is the first camera found on USB;
// the environment variable ZELTO_CAMERA_PORT or the user's choice in the camera window names another.

namespace zelto {

struct PortCamera {
    std::string model;  // as the library names the body ("Canon EOS 100D")
    std::string port;   // where it is
};

// The cameras a detection offers: every one found except those on disk: ports, which are folders
// the library presents as cameras.
std::vector<PortCamera> OfferedCameras(const std::vector<PortCamera>& found);

// The index in `offered` of the camera on `port`, or with no port named the first camera on USB;
// -1 when there is none.
int ChosenCamera(const std::vector<PortCamera>& offered, std::string_view port);

// A port as the user wrote it, in the form the library reads: blanks trimmed, and a PTP/IP port
// given as "ptpip:HOST:PORT" gets the same port for its event channel ("ptpip:HOST:PORT:PORT"), since
// a PTP/IP body takes both connections on one port (libgphoto2 would send the event channel to 15740).
std::string PortPath(std::string_view setting);

bool IsNetworkPort(std::string_view port);  // a camera reached over the network (ptpip:)

// The line a camera library's own error, status or message text is shown and logged as
// ("Camera error: ..."), its line breaks turned into blanks.
std::string CameraTextLine(CameraTextKind kind, const std::string& text);

// What a library that reaches cameras on several ports offers beyond the session's calls: the cameras
// its last detection found, the choice among them and a place for its own texts. The gphoto2 backend
// implements it; every call may come from the window's thread.
class CameraChoice {
public:
    virtual ~CameraChoice() = default;
    virtual std::vector<PortCamera> Cameras() const = 0;   // offered by the last detection
    virtual int Chosen() const = 0;                         // index into Cameras(); -1 when none
    virtual void Choose(const std::string& port) = 0;       // the camera the next detection takes
    // Where the library posts its texts (kCameraMessageText), from its own thread; null: nowhere.
    virtual void SetTextSink(CameraMessageSink* sink) = 0;
};

// The choice side of a camera library; null for a library with one camera at most.
CameraChoice* CameraChoiceOf(EdsSdk& sdk);

}  // namespace zelto
