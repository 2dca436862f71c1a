#pragma once

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <string>

#include "camera/camera_port.h"

namespace zelto {

// The USB power setting from sysfs (Linux): the device whose busnum and devnum match a libgphoto2
// port "usb:BBB,DDD", and its power/control ("auto": autosuspend on, "on": always powered). Other
// systems, and ports that are not USB, say nothing.
class SysfsUsbPowerReader final : public UsbPowerReader {
  public:
    // devicesFolder: where the USB devices are listed (tests hand in a folder of their own).
    explicit SysfsUsbPowerReader(std::string devicesFolder = "/sys/bus/usb/devices");
    std::optional<UsbPortPower> Read(const std::string& port) override;

  private:
    std::string devicesFolder_;
};

// The desktop's camera mounter (GVfs): its processes are looked for by name in /proc (Linux), and
// `gio mount -s gphoto2` unmounts every gphoto2 mount it holds. gio runs beside the program; its
// answer comes through the event loop.
class GioMountReleaser final : public QObject, public MountReleaser {
  public:
    explicit GioMountReleaser(QObject* parent = nullptr);
    ~GioMountReleaser() override;

    std::string Holder() override;
    void Release(std::function<void(const std::string& error)> done) override;

  private:
    QPointer<QProcess> running_;
};

}  // namespace zelto
