#include "platform/camera_port_system.h"

#include <QDir>
#include <QFile>

#include "platform/qt_text.h"

namespace zelto {

namespace {

QString FirstLine(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readLine()).trimmed();
}

}  // namespace

SysfsUsbPowerReader::SysfsUsbPowerReader(std::string devicesFolder) : devicesFolder_(std::move(devicesFolder)) {}

std::optional<UsbPortPower> SysfsUsbPowerReader::Read(const std::string& port) {
    // libgphoto2 names a USB camera "usb:BUS,DEVICE", both decimal with leading zeros.
    const QString name = ToQString(port);
    if (!name.startsWith("usb:")) return std::nullopt;
    const QStringList numbers = name.mid(4).split(',');
    bool busRead = false, deviceRead = false;
    const int bus = numbers.value(0).toInt(&busRead);
    const int device = numbers.value(1).toInt(&deviceRead);
    if (numbers.size() != 2 || !busRead || !deviceRead) return std::nullopt;
    const QDir devices(ToQString(devicesFolder_));
    for (const QString& entry : devices.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString folder = devices.filePath(entry);
        if (FirstLine(folder + "/busnum").toInt() != bus || FirstLine(folder + "/devnum").toInt() != device) continue;
        const QString control = folder + "/power/control";
        const QString value = FirstLine(control);
        if (value.isEmpty()) return std::nullopt;
        return UsbPortPower{value == "auto", ToUtf8(control)};
    }
    return std::nullopt;
}

GioMountReleaser::GioMountReleaser(QObject* parent) : QObject(parent) {}

GioMountReleaser::~GioMountReleaser() {
    if (running_) {
        running_->disconnect();  // no answer after the program has gone
        running_->kill();
        running_->waitForFinished(1000);
    }
}

std::string GioMountReleaser::Holder() {
#ifdef __linux__
    // The names as the kernel keeps them, cut to 15 characters.
    const QDir processes("/proc");
    bool monitor = false;
    for (const QString& entry : processes.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString name = FirstLine(processes.filePath(entry) + "/comm");
        if (name == "gvfsd-gphoto2") return "gvfsd-gphoto2";
        monitor = monitor || name == "gvfs-gphoto2-vo";
    }
    if (monitor) return "gvfs-gphoto2-volume-monitor";
#endif
    return {};
}

void GioMountReleaser::Release(std::function<void(const std::string& error)> done) {
    if (running_) return;  // a release is under way: its answer comes
    auto* gio = new QProcess(this);
    running_ = gio;
    connect(gio, &QProcess::errorOccurred, this, [gio, done](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        gio->deleteLater();
        done("gio could not be started (Debian: libglib2.0-bin)");
    });
    connect(gio, &QProcess::finished, this, [gio, done](int exitCode, QProcess::ExitStatus status) {
        gio->deleteLater();
        const QString said = QString::fromUtf8(gio->readAllStandardError()).trimmed();
        if (status == QProcess::NormalExit && exitCode == 0) {
            done("");
        } else {
            done(said.isEmpty() ? "gio mount -s gphoto2 failed" : ToUtf8(said));
        }
    });
    gio->start("gio", {"mount", "-s", "gphoto2"});
}

}  // namespace zelto
