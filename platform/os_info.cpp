#include "platform/os_info.h"

#include <QString>
#include <QSysInfo>

#include "platform/qt_text.h"

namespace zelto {

namespace {
void Take(std::string& field, const QString& value) {
    if (!value.isEmpty()) field = ToUtf8(value.left(255));  // the log held at most 255 characters
}
}  // namespace

OsInformation QueryOsInformation() {
    OsInformation info;
    Take(info.ProductName, QSysInfo::prettyProductName());
    Take(info.Version, QSysInfo::kernelVersion());
    Take(info.BuildLab, QSysInfo::buildAbi());
    return info;
}

}  // namespace zelto
