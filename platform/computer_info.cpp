#include "platform/computer_info.h"

#include <QDateTime>
#include <QSysInfo>
#include <QTimeZone>
#include <QtGlobal>

#include "platform/os_info.h"
#include "platform/qt_text.h"

namespace zelto {

namespace {

ZoneChangeDate ChangeDate(const QDateTime& local) {
    ZoneChangeDate d;
    const QDate date = local.date();
    const QTime time = local.time();
    d.year = date.year();
    d.month = date.month();
    d.day = date.day();
    d.hour = time.hour();
    d.minute = time.minute();
    d.second = time.second();
    d.millisecond = time.msec();
    d.dayOfWeek = date.dayOfWeek() % 7;  // Qt: Monday 1 … Sunday 7; the log: Sunday 0
    return d;
}

}  // namespace

ZoneInformation ZoneInformationAt(const QByteArray& zoneId, qint64 utcMilliseconds) {
    const QTimeZone zone = zoneId.isEmpty() ? QTimeZone::systemTimeZone() : QTimeZone(zoneId);
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(utcMilliseconds, QTimeZone::utc());
    ZoneInformation info;
    info.standardName = ToUtf8(zone.displayName(QTimeZone::StandardTime, QTimeZone::LongName));
    info.daylightName = ToUtf8(zone.displayName(QTimeZone::DaylightTime, QTimeZone::LongName));
    const int standardOffset = zone.standardTimeOffset(now);  // seconds east of UTC
    const long baseBias = -standardOffset / 60;
    info.currentBias = -zone.offsetFromUtc(now) / 60;
    info.standardBias = 0;
    if (!zone.hasDaylightTime()) {
        info.state = 0;
        info.daylightBias = 0;
        return info;
    }
    info.state = zone.isDaylightTime(now) ? 2 : 1;
    // The changes within the instant's year, as local wall-clock times.
    const int year = now.toTimeZone(zone).date().year();
    const QDateTime from(QDate(year, 1, 1), QTime(0, 0), QTimeZone::utc());
    const QDateTime to(QDate(year + 1, 1, 1), QTime(0, 0), QTimeZone::utc());
    // Each change as the clock on the wall reads it just before it happens (02:00 when summer time
    // begins in central Europe, 03:00 when it ends), as the system's time-zone information gives it.
    for (const QTimeZone::OffsetData& change : zone.transitions(from, to)) {
        const int offsetBefore = zone.offsetFromUtc(change.atUtc.addMSecs(-1));
        const QDateTime wall = change.atUtc.addSecs(offsetBefore).toTimeZone(QTimeZone::utc());
        if (change.daylightTimeOffset != 0) {
            info.daylightDate = ChangeDate(wall);
            info.daylightBias = -(change.offsetFromUtc / 60) - baseBias;
        } else {
            info.standardDate = ChangeDate(wall);
        }
    }
    return info;
}

ComputerInformation QueryComputerInformation(const WorkingFolders& folders) {
    ComputerInformation info;
    const OsInformation os = QueryOsInformation();
    info.productName = os.ProductName;
    info.version = os.Version;
    info.buildLab = os.BuildLab;
    // The Windows variable names first, then what other systems call them.
    info.computerName = ToUtf8(qEnvironmentVariable("COMPUTERNAME", QSysInfo::machineHostName()));
    info.userName = ToUtf8(qEnvironmentVariable("USERNAME", qEnvironmentVariable("USER")));
    info.tempFolder = folders.TempFolder;
    info.programFolder = folders.ProgramFolder;
    info.documentsFolder = folders.DocumentsFolder;
    info.zone = ZoneInformationAt(QByteArray(), QDateTime::currentMSecsSinceEpoch());
    return info;
}

}  // namespace zelto
