#include "platform/desktop_awake.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariantMap>

#include "platform/qt_text.h"

namespace zelto {

namespace {

constexpr int kTimeoutMs = static_cast<int>(DesktopAwakeService::kCallTimeout.count());

// What a failed call says about the service: nobody owns its name, or it answered no.
HoldAnswer FailureOf(const QDBusMessage& reply) {
    const QDBusError::ErrorType error = QDBusError(reply).type();
    return error == QDBusError::ServiceUnknown || error == QDBusError::NoServer || error == QDBusError::Disconnected
               ? HoldAnswer::NoService
               : HoldAnswer::Refused;
}

}  // namespace

DesktopAwakeService::DesktopAwakeService()
    : DesktopAwakeService(QDBusConnection::systemBus(), QDBusConnection::sessionBus()) {}

DesktopAwakeService::DesktopAwakeService(QDBusConnection systemBus, QDBusConnection sessionBus)
    : system_(std::move(systemBus)), session_(std::move(sessionBus)) {}

DesktopAwakeService::~DesktopAwakeService() { Release(); }

AwakeHold DesktopAwakeService::Hold(const std::string& why) {
    AwakeHold hold;
    if (system_.isConnected() && !sleepLock_.isValid()) {
        QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                                           "org.freedesktop.login1.Manager", "Inhibit");
        call << QString("sleep:idle:handle-lid-switch") << QString("Zelto") << ToQString(why) << QString("block");
        const QDBusMessage reply = system_.call(call, QDBus::Block, kTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            sleepLock_ = reply.arguments().constFirst().value<QDBusUnixFileDescriptor>();
            hold.sleep = sleepLock_.isValid() ? HoldAnswer::Held : HoldAnswer::Refused;
        } else {
            hold.sleep = FailureOf(reply);
        }
    } else if (sleepLock_.isValid()) {
        hold.sleep = HoldAnswer::Held;
    }
    if (session_.isConnected() && !screenCookie_) {
        QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                                           "org.freedesktop.ScreenSaver", "Inhibit");
        call << QString("Zelto") << ToQString(why);
        const QDBusMessage reply = session_.call(call, QDBus::Block, kTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            screenCookie_ = reply.arguments().constFirst().toUInt();
            hold.screen = HoldAnswer::Held;
        } else {
            hold.screen = FailureOf(reply);
        }
    } else if (screenCookie_) {
        hold.screen = HoldAnswer::Held;
    }
    return hold;
}

void DesktopAwakeService::Release() {
    sleepLock_ = QDBusUnixFileDescriptor();  // closing our copy of the descriptor ends logind's lock
    if (screenCookie_ && session_.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                                           "org.freedesktop.ScreenSaver", "UnInhibit");
        call << *screenCookie_;
        session_.call(call, QDBus::Block, kTimeoutMs);
    }
    screenCookie_.reset();
}

UPowerBatterySource::UPowerBatterySource() : UPowerBatterySource(QDBusConnection::systemBus()) {}

UPowerBatterySource::UPowerBatterySource(QDBusConnection systemBus) : system_(std::move(systemBus)) {}

std::optional<BatteryReading> UPowerBatterySource::Latest() {
    const auto now = std::chrono::steady_clock::now();
    if (!askedAt_ || now - *askedAt_ >= kRefresh) {
        last_ = Ask();
        askedAt_ = now;
    }
    return last_;
}

std::optional<BatteryReading> UPowerBatterySource::Ask() {
    if (!system_.isConnected()) return std::nullopt;
    QDBusMessage call =
        QDBusMessage::createMethodCall("org.freedesktop.UPower", "/org/freedesktop/UPower/devices/DisplayDevice",
                                       "org.freedesktop.DBus.Properties", "GetAll");
    call << QString("org.freedesktop.UPower.Device");
    const QDBusMessage reply = system_.call(call, QDBus::Block, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
    QVariantMap properties;
    reply.arguments().constFirst().value<QDBusArgument>() >> properties;
    // UPower's device types and states: type 2 is a battery; states 1 charging, 4 fully charged and
    // 5 pending charge mean the charger is plugged in.
    constexpr uint kBattery = 2;
    if (properties.value("Type").toUInt() != kBattery || !properties.value("IsPresent").toBool()) return std::nullopt;
    const uint state = properties.value("State").toUInt();
    BatteryReading battery;
    battery.percent = properties.value("Percentage").toDouble();
    battery.secondsToEmpty = static_cast<double>(properties.value("TimeToEmpty").toLongLong());
    battery.onMains = state == 1 || state == 4 || state == 5;
    return battery;
}

}  // namespace zelto
