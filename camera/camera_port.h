#pragma once

#include <functional>
#include <optional>
#include <string>

// The camera's USB port as the computer treats it: whether the kernel may power it down when idle
// (USB autosuspend), and the desktop's camera mounter, which holds a camera as soon as it appears so
// that no other program can open it. The system is asked through these seams (platform/ reads sysfs
// and runs GIO's unmount); tests hand in fakes.

namespace zelto {

struct UsbPortPower {
    bool autosuspend = false;  // power/control reads "auto": the kernel may suspend the idle port
    std::string controlFile;   // the power/control file, for the fix
};

class UsbPowerReader {
  public:
    virtual ~UsbPowerReader() = default;
    // The power setting of the USB device on a libgphoto2 port ("usb:001,005"); nullopt when the port
    // is no USB port or the system does not say.
    virtual std::optional<UsbPortPower> Read(const std::string& port) = 0;
};

class MountReleaser {
  public:
    virtual ~MountReleaser() = default;
    // The program that holds cameras now ("gvfsd-gphoto2"); empty when none is seen.
    virtual std::string Holder() = 0;
    // Unmounts the desktop's camera mounts; `done` is called once, later, with an empty text when
    // that worked and else what went wrong.
    virtual void Release(std::function<void(const std::string& error)> done) = 0;
};

// What the camera window says when another program holds the camera (holder empty: not known);
// releasable: "Release it" is offered, else the unmount command is named.
std::string HeldCameraText(const std::string& holder, bool releasable);
// What it says when the camera's port may be suspended.
std::string AutosuspendText(const std::string& port, const UsbPortPower& power);

}  // namespace zelto
