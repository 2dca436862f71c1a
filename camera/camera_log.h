#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "camera/camera.h"

// The camera log "Camera.ini": a header about the program, the computer and its time zone, then
// after the line "$$EOH" the camera's name and the codes of its five settings lists, which the
// exposure window reads back.

namespace zelto {

// A time-zone change date as the system gives it; all zero for a zone without daylight time.
struct ZoneChangeDate {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
    int dayOfWeek = 0;  // 0 Sunday to 6 Saturday
};

// The time zone in the system's terms: biases are minutes added to local time to give UTC.
struct ZoneInformation {
    std::string standardName;
    ZoneChangeDate standardDate;  // when standard time begins
    long standardBias = 0;        // added to the base bias during standard time
    long currentBias = 0;         // UTC minus local time now, minutes
    int state = 0;                // 0 unknown (no daylight time), 1 standard, 2 daylight
    std::string daylightName;
    ZoneChangeDate daylightDate;  // when daylight time begins
    long daylightBias = 0;        // added to the base bias during daylight time
};

// What the log says about the computer; the platform layer collects it.
struct ComputerInformation {
    std::string productName = "ERROR";
    std::string version = "ERROR";
    std::string buildLab = "ERROR";
    std::string computerName;
    std::string userName;
    std::string tempFolder;
    std::string programFolder;
    std::string documentsFolder;
    ZoneInformation zone;
};

// The lines after "$$EOH": the camera's name, then for image quality, AE mode, ISO, Av and Tv a count
// line and one code line per code. Lines end in CR LF.
std::string CameraListText(const std::string& cameraName, const SupportedCodesTable& codes);

// One code line: decimal and hexadecimal, each right-aligned in 12 characters, "0" and the name.
std::string CameraCodeLine(int kind, uint32_t code);

// The whole log. logJD is the instant written in its header (the computer's clock plus 0.5 s).
std::string CameraLogText(double logJD, const std::string& fileVersion, const ComputerInformation& computer,
                          const std::string& cameraName, const SupportedCodesTable& codes);

// What a reader of the camera log finds after "$$EOH": the camera's name and the codes of each list
// (image quality, AE mode, ISO, Av, Tv). A reader takes the first number of each line, as the
// exposure window does for its default lists. False when the text has no "$$EOH" line or a count or
// code line does not start with a number.
struct CameraListFile {
    std::string cameraName;
    std::array<std::vector<uint32_t>, 5> codes;
};
bool ReadCameraListText(std::string_view text, CameraListFile& list);

}  // namespace zelto
