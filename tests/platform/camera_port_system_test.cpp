// The camera port's USB power read from a sysfs tree laid out here as the kernel lays out
// /sys/bus/usb/devices: one folder per device with busnum, devnum and power/control.
#include "platform/camera_port_system.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>

#include "platform/qt_text.h"

namespace zelto {
namespace {

void Write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

TEST(SysfsUsbPowerReader, FindsTheDeviceOfALibgphoto2PortAndReadsItsAutosuspend) {
    QTemporaryDir sysfs;
    ASSERT_TRUE(sysfs.isValid());
    const QString root = sysfs.path();
    Write(root + "/1-2/busnum", "1\n");
    Write(root + "/1-2/devnum", "5\n");
    Write(root + "/1-2/power/control", "auto\n");
    Write(root + "/2-1/busnum", "2\n");
    Write(root + "/2-1/devnum", "9\n");
    Write(root + "/2-1/power/control", "on\n");
    Write(root + "/usb1/busnum", "1\n");  // a hub without a power setting
    Write(root + "/usb1/devnum", "1\n");
    Write(root + "/1-2:1.0/bInterfaceClass", "06\n");  // an interface: no busnum

    struct Case {
        const char* port;
        std::optional<UsbPortPower> expected;
    } cases[] = {
        {"usb:001,005", UsbPortPower{true, ToUtf8(root + "/1-2/power/control")}},
        {"usb:002,009", UsbPortPower{false, ToUtf8(root + "/2-1/power/control")}},
        {"usb:001,001", std::nullopt},
        {"usb:003,001", std::nullopt},
        {"usb:", std::nullopt},
        {"ptpip:192.168.1.20", std::nullopt},
    };
    SysfsUsbPowerReader reader(ToUtf8(root));
    for (const Case& c : cases) {
        const std::optional<UsbPortPower> read = reader.Read(c.port);
        ASSERT_EQ(read.has_value(), c.expected.has_value()) << c.port;
        if (!read) continue;
        EXPECT_EQ(read->autosuspend, c.expected->autosuspend) << c.port;
        EXPECT_EQ(read->controlFile, c.expected->controlFile) << c.port;
    }
}

}  // namespace
}  // namespace zelto
