// The desktop's services on D-Bus: tests/platform/desktop_bus.py starts a private bus with
// python-dbusmock's stand-ins for systemd-logind, the screen saver and UPower (one bus stands for the
// system and the session bus); the machine's own buses are never used.
#include "platform/desktop_awake.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>
#include <string>
#include <vector>

namespace zelto {
namespace {

// QtDBus wants an application object; the core tests' main makes none.
void NeedApplication() {
    static int argc = 1;
    static char name[] = "zelto_tests";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) static QCoreApplication application(argc, argv);
}

// desktop_bus.py with the services named, on the python3 that has dbusmock (found by the build).
class DesktopBus {
  public:
    // Empty when the bus runs; else why it cannot.
    std::string Start(const QStringList& services) {
        NeedApplication();
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) return "dbus-daemon is not installed (Debian dbus-daemon)";
        const QString python = ZELTO_DBUSMOCK_PYTHON;
        if (python.isEmpty()) return "no python3 with dbusmock was found at configure time (Debian python3-dbusmock)";
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start(python, QStringList{ZELTO_DESKTOP_BUS_SCRIPT} + services);
        if (!process_.waitForStarted(10000)) return "desktop_bus.py did not start";
        while (!process_.canReadLine() && process_.waitForReadyRead(30000)) {
        }
        const QString address = QString::fromUtf8(process_.readLine()).trimmed();
        if (address.isEmpty()) return "desktop_bus.py gave no bus address";
        name_ = "zelto-test-" + QString::number(++count_);
        bus_ = QDBusConnection::connectToBus(address, name_);
        return bus_->isConnected() ? "" : "the private bus does not answer";
    }
    ~DesktopBus() {
        if (bus_) QDBusConnection::disconnectFromBus(name_);
        process_.closeWriteChannel();
        if (!process_.waitForFinished(15000)) process_.kill();
    }
    QDBusConnection bus() const { return *bus_; }

    QDBusMessage Call(const char* service, const char* path, const char* interface, const char* method) const {
        return bus_->call(QDBusMessage::createMethodCall(service, path, interface, method), QDBus::Block, 5000);
    }
    // logind's inhibitor locks as "what who why mode".
    std::vector<std::string> Inhibitors() const {
        const QDBusMessage reply =
            Call("org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "ListInhibitors");
        std::vector<std::string> found;
        if (reply.arguments().isEmpty()) return found;
        const QDBusArgument list = reply.arguments().constFirst().value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            QString what, who, why, mode;
            uint uid = 0, pid = 0;
            list.beginStructure();
            list >> what >> who >> why >> mode >> uid >> pid;
            list.endStructure();
            found.push_back((what + " " + who + " " + why + " " + mode).toStdString());
        }
        list.endArray();
        return found;
    }
    // The applications that hold the screen saver off.
    QStringList ScreenHeldBy() const {
        const QDBusMessage reply = Call("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                        "org.freedesktop.ScreenSaver", "Held");
        return reply.arguments().isEmpty() ? QStringList{} : reply.arguments().constFirst().toStringList();
    }

  private:
    static inline int count_ = 0;
    QProcess process_;
    QString name_;
    std::optional<QDBusConnection> bus_;
};

TEST(DesktopAwake, HoldsLogindAndTheScreenSaverUntilReleasedOrSaysWhyNot) {
    struct Case {
        QStringList services;
        bool sessionBus;  // false: the session bus cannot be reached
        AwakeHold expected;
    } cases[] = {
        {{"logind", "screensaver"}, true, {HoldAnswer::Held, HoldAnswer::Held}},
        {{}, true, {HoldAnswer::NoService, HoldAnswer::NoService}},
        {{"logind-refusing"}, false, {HoldAnswer::Refused, HoldAnswer::NoBus}},
    };
    for (const Case& c : cases) {
        DesktopBus desktop;
        if (const std::string why = desktop.Start(c.services); !why.empty()) GTEST_SKIP() << why;
        QTemporaryDir empty;
        const QDBusConnection noBus = QDBusConnection::connectToBus("unix:path=" + empty.filePath("no-bus"), "zelto-none");
        std::optional<DesktopAwakeService> service;
        service.emplace(desktop.bus(), c.sessionBus ? desktop.bus() : noBus);
        EXPECT_EQ(service->Hold("A photography run is going on"), c.expected) << c.services.join(" ").toStdString();
        if (c.expected.sleep == HoldAnswer::Held) {
            EXPECT_EQ(desktop.Inhibitors(),
                      std::vector<std::string>{"sleep:idle:handle-lid-switch Zelto A photography run is going on block"});
            EXPECT_EQ(desktop.ScreenHeldBy(), QStringList{"Zelto"});
            // Asked again while held: nothing new is taken.
            EXPECT_EQ(service->Hold("again"), c.expected);
            EXPECT_EQ(desktop.Inhibitors().size(), 1u);
            service->Release();
            EXPECT_EQ(desktop.ScreenHeldBy(), QStringList{});
            // logind drops the lock when it sees the descriptor closed, between two of its answers.
            std::vector<std::string> left = desktop.Inhibitors();
            for (int i = 0; i < 200 && !left.empty(); ++i) left = desktop.Inhibitors();
            EXPECT_TRUE(left.empty());
        }
        service.reset();
        QDBusConnection::disconnectFromBus("zelto-none");
    }
}

TEST(DesktopAwake, BatteryFromUPowerDisplayDevice) {
    struct Case {
        QStringList services;  // upower:TYPE:STATE:PERCENT:SECONDS_TO_EMPTY:PRESENT
        std::optional<BatteryReading> expected;
    } cases[] = {
        {{"upower:2:2:47:5400:1"}, BatteryReading{47, 5400, false}},  // a battery, discharging
        {{"upower:2:1:80:0:1"}, BatteryReading{80, 0, true}},         // charging
        {{"upower:2:4:100:0:1"}, BatteryReading{100, 0, true}},       // full, on the charger
        {{"upower:1:0:0:0:0"}, std::nullopt},                         // a desktop: line power only
        {{}, std::nullopt},                                           // no UPower
    };
    for (const Case& c : cases) {
        DesktopBus desktop;
        if (const std::string why = desktop.Start(c.services); !why.empty()) GTEST_SKIP() << why;
        UPowerBatterySource battery(desktop.bus());
        const std::optional<BatteryReading> read = battery.Latest();
        ASSERT_EQ(read.has_value(), c.expected.has_value()) << c.services.join(" ").toStdString();
        if (!read) continue;
        EXPECT_DOUBLE_EQ(read->percent, c.expected->percent);
        EXPECT_DOUBLE_EQ(read->secondsToEmpty, c.expected->secondsToEmpty);
        EXPECT_EQ(read->onMains, c.expected->onMains);
    }
}

}  // namespace
}  // namespace zelto
