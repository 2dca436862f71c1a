#pragma once

#include <string>

namespace zelto {

// What the camera log records about the operating system: its name, version and build.
struct OsInformation {
    std::string ProductName = "ERROR";
    std::string Version = "ERROR";
    std::string BuildLab = "ERROR";
};

// From QSysInfo: the pretty product name, the kernel version and the build ABI; a value the system
// does not give stays "ERROR".
OsInformation QueryOsInformation();

}  // namespace zelto
