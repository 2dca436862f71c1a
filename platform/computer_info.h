#pragma once

#include <QByteArray>
#include <QtGlobal>

#include "camera/camera_log.h"
#include "eclipse_data/program_values.h"

namespace zelto {

// The camera log's computer section from the system: OS name, version and build (QSysInfo), the
// computer and user name, the working folders and the system time zone (QTimeZone), taken now.
ComputerInformation QueryComputerInformation(const WorkingFolders& folders);

// The time-zone lines for a zone at an instant (milliseconds since 1970 UTC): the names, the next
// change to standard and to daylight time in the instant's year, and the biases in minutes.
ZoneInformation ZoneInformationAt(const QByteArray& zoneId, qint64 utcMilliseconds);

}  // namespace zelto
