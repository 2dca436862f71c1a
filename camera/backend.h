#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "camera/deadline_sdk.h"
#include "camera/edsdk.h"

namespace zelto {

// The camera library the program drives, chosen by name:
//   "virtual"  the simulated body (VirtualCamera)
//   "gphoto2"  a real camera through libgphoto2, where that backend is built
//   "edsdk"    a real Canon camera through Canon's EDSDK library, loaded while the program runs from
//              ZELTO_EDSDK_PATH or else by its usual file name (EdsdkLibrary::DefaultFile)
//   "none"     a library that finds no camera, so connecting reports that none is detected
// An empty name means the default: gphoto2 where built, else none.
struct CameraBackend {
    std::unique_ptr<EdsSdk> sdk;  // null when the named backend cannot be made; error says why
    std::string name;             // the backend chosen
    std::string error;
    std::string port;             // gphoto2: the port it takes (empty: the first camera on USB)
};

// The backend a setting names: lower case, the default (gphoto2 where it is built in, else none) for
// an empty one.
std::string CameraBackendName(std::string_view setting);
CameraBackend MakeCameraBackend(std::string_view name);
// The same with the gphoto2 camera on `port` instead of ZELTO_CAMERA_PORT's (a camera of several).
CameraBackend MakeCameraBackend(std::string_view name, const std::string& port);

// The program's backend: the named one, or when that cannot be made one that finds no camera, with
// `error` kept so the program can say why in the words zelto-cli uses.
CameraBackend MakeCameraBackendOrNone(std::string_view name);

// The backend named by the environment variable ZELTO_CAMERA (case and surrounding blanks ignored);
// the gphoto2 backend takes the camera on the port named by ZELTO_CAMERA_PORT ("usb:001,005",
// "ptpip:192.168.1.20"), by default the first camera detected on USB.
std::string CameraBackendSetting();
std::string CameraPortSetting();
// The EDSDK library file in ZELTO_EDSDK_PATH; empty when unset.
std::string EdsdkPathSetting();
// The virtual camera's fault rehearsal in ZELTO_VIRTUAL_FAULTS (ReadVirtualFaults); empty when unset.
std::string VirtualFaultsSetting();
// The program's backend: MakeCameraBackendOrNone of ZELTO_CAMERA.
CameraBackend MakeCameraBackendFromEnvironment();

// The backend's library with a deadline on every call. A gphoto2 or EDSDK camera given up gets a
// fresh library (a new port on the same setting, the EDSDK file loaded anew) for its next session; the virtual camera, whose calls
// always return, keeps its body and the faults rehearsed on it.
std::unique_ptr<DeadlineSdk> WithCallDeadlines(CameraBackend backend);

}  // namespace zelto
