// The GPS receiver read through gpsd: gpsfake (Debian gpsd-clients) plays an NMEA log written here
// on a free loopback port, and the monitor reads the site and the clock's offset from it.
#include "platform/gpsd_monitor.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <fcntl.h>
#include <chrono>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>

#include "platform/qt_text.h"

namespace zelto {
namespace {

using namespace std::chrono_literals;

// A TCP port on 127.0.0.1 that nothing holds right now.
int FreeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    close(fd);
    return bound ? ntohs(address.sin_port) : 0;
}

std::string Checksummed(const std::string& sentence) {
    unsigned char sum = 0;
    for (char c : sentence) sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return "$" + sentence + tail;
}

// One RMC and one GGA sentence a second from `start` (Unix seconds) on: Dallas, 32°46.8' N
// 96°48.0' W, 166.0 m above sea level where the geoid lies 26.0 m below the ellipsoid, so 140.0 m
// above the ellipsoid.
std::string DallasLog(std::time_t start, int seconds) {
    std::string log;
    for (int i = 0; i < seconds; ++i) {
        const std::time_t t = start + i;
        std::tm utc{};
        gmtime_r(&t, &utc);
        char hms[16], dmy[16];
        std::strftime(hms, sizeof hms, "%H%M%S.00", &utc);
        std::strftime(dmy, sizeof dmy, "%d%m%y", &utc);
        log +=
            Checksummed(std::string("GPRMC,") + hms + ",A,3246.8000,N,09648.0000,W,0.0,0.0," + dmy + ",,,A");
        log +=
            Checksummed(std::string("GPGGA,") + hms + ",3246.8000,N,09648.0000,W,1,08,0.9,166.0,M,-26.0,M,,");
    }
    return log;
}

// gpsfake in a process group of its own, so that its gpsd goes with it.
class GpsFake {
  public:
    GpsFake(const std::string& program, const std::string& log, int port) {
        pid_ = fork();
        if (pid_ == 0) {
            setsid();
            const int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, 1);
            dup2(quiet, 2);
            const std::string portText = std::to_string(port);
            // One sentence every half second: the log's clock runs at the real clock's pace.
            execl(program.c_str(), "gpsfake", "-q", "-P", portText.c_str(), "-c", "0.5", log.c_str(),
                  nullptr);
            _exit(127);
        }
    }
    ~GpsFake() { Stop(); }
    void Stop() {
        if (pid_ <= 0) return;
        kill(-pid_, SIGINT);  // gpsfake stops its gpsd on an interrupt
        for (int i = 0; i < 100 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(50ms);
        kill(-pid_, SIGKILL);
        waitpid(pid_, nullptr, WNOHANG);
        pid_ = -1;
    }
    bool Running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

  private:
    pid_t pid_ = -1;
};

TEST(GpsdMonitor, SiteAndClockOffsetFromGpsfakeThenNoGpsdWhenItStops) {
    const std::string program = ToUtf8(QStandardPaths::findExecutable("gpsfake"));
    if (program.empty()) GTEST_SKIP() << "gpsfake is not installed (Debian gpsd and gpsd-clients)";
    const int port = FreeLoopbackPort();
    ASSERT_NE(port, 0);
    QTemporaryDir folder;
    const std::string log = ToUtf8(folder.filePath("dallas.nmea"));
    // The log's time runs an hour behind the system clock: the offset is that hour plus the moments
    // gpsfake needs to start.
    const std::time_t now = std::time(nullptr);
    std::ofstream(log, std::ios::binary) << DallasLog(now - 3600, 120);

    GpsFake fake(program, log, port);
    GpsdMonitor monitor("127.0.0.1", std::to_string(port));
    const GpsStatus status = monitor.WaitFor(
        [](const GpsStatus& s) {
            return s.state == GpsState::Fix && s.fix.clockOffsetSeconds && s.fix.heightMetres;
        },
        20s);
    if (status.state != GpsState::Fix && !fake.Running()) GTEST_SKIP() << "gpsfake could not start here";
    ASSERT_EQ(status.state, GpsState::Fix);
    EXPECT_NEAR(status.fix.latitude, 32.78, 1e-7);
    EXPECT_NEAR(status.fix.eastLongitude, -96.80, 1e-7);
    ASSERT_TRUE(status.fix.heightMetres);
    EXPECT_NEAR(*status.fix.heightMetres, 140.0, 0.01);
    ASSERT_TRUE(status.fix.clockOffsetSeconds);
    EXPECT_GT(*status.fix.clockOffsetSeconds, 3600 - 1);
    EXPECT_LT(*status.fix.clockOffsetSeconds, 3600 + 15);

    const SiteInputs site = SiteFromGps(status.fix, SiteInputs{}).value();
    EXPECT_EQ(site.Lati + site.NS + " " + site.Long + site.EW + " " + site.Height, "32.7800N 96.8000W 140");

    // gpsfake ends: the monitor finds gpsd gone.
    fake.Stop();
    const auto gone = [](const GpsStatus& s) { return s.state == GpsState::NoGpsd; };
    EXPECT_EQ(monitor.WaitFor(gone, 10s).state, GpsState::NoGpsd);
}

}  // namespace
}  // namespace zelto
