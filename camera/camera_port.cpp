#include "camera/camera_port.h"

namespace zelto {

std::string HeldCameraText(const std::string& holder, bool releasable) {
    const std::string who =
        holder.empty() ? std::string("another program") : holder + " (the desktop's camera mounter)";
    return "The camera is held by " + who + ": no other program can open it (\"Could not claim the USB device\"). " +
           (releasable ? "\"Release it\" unmounts the desktop's camera mount and connects again."
                       : "Unmount it with: gio mount -s gphoto2");
}

std::string AutosuspendText(const std::string& port, const UsbPortPower& power) {
    return "USB autosuspend is on for the camera's port " + port +
           ": the computer may power the camera down between pictures. Zelto's package installs a udev rule "
           "that keeps cameras powered (reconnect the camera after installing it); for this session: "
           "echo on | sudo tee " + power.controlFile;
}

}  // namespace zelto
