#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <chrono>
#include <optional>

#include "circumstances/laptop_day.h"

namespace zelto {

// Keeps the computer awake through the desktop's services on D-Bus: a systemd-logind inhibitor lock
// (sleep, idle and the lid switch, mode "block"; the lock is the file descriptor logind hands back,
// held until closed) and org.freedesktop.ScreenSaver's Inhibit on the session bus (the screen neither
// blanks nor locks; UnInhibit with its cookie lets go). Every call waits at most kCallTimeout, since
// the window's thread makes it.
class DesktopAwakeService final : public AwakeService {
  public:
    static constexpr std::chrono::milliseconds kCallTimeout{2000};

    // The machine's system and session buses.
    DesktopAwakeService();
    // The buses given (tests use a private one).
    DesktopAwakeService(QDBusConnection systemBus, QDBusConnection sessionBus);
    ~DesktopAwakeService() override;

    AwakeHold Hold(const std::string& why) override;
    void Release() override;

  private:
    QDBusConnection system_, session_;
    QDBusUnixFileDescriptor sleepLock_;
    std::optional<uint> screenCookie_;
};

// The battery as UPower's display device reports it on the system bus. The bus is asked at most
// every kRefresh (the window asks on every clock tick); in between the last answer stands.
class UPowerBatterySource final : public BatterySource {
  public:
    static constexpr std::chrono::seconds kRefresh{20};

    UPowerBatterySource();                            // the machine's system bus
    explicit UPowerBatterySource(QDBusConnection systemBus);

    std::optional<BatteryReading> Latest() override;

  private:
    std::optional<BatteryReading> Ask();

    QDBusConnection system_;
    std::optional<BatteryReading> last_;
    std::optional<std::chrono::steady_clock::time_point> askedAt_;
};

}  // namespace zelto
