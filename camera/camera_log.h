#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "camera/camera.h"
#include "eclipse_data/program_values.h"

// The camera log "Camera.ini" in the documents folder: a header about the program, the computer and
// its time zone, then after the line "$$EOH" the camera's name and the codes of its five settings
// lists, which the exposure window reads back. It exists while a camera is connected; when the camera
// is disconnected or the program ends it is kept as "Camera.txt", replacing the one before.

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

// What the log holds, kept while the camera is connected so that it can be written again when the
// camera library reports something: its texts (errors, status) make a header section "Camera library
// messages", one line each in the order they came, which is left out while there are none.
struct CameraLogContent {
    double logJD = 0;
    std::string fileVersion;
    ComputerInformation computer;
    std::string cameraName;
    SupportedCodesTable codes;
    std::vector<std::string> libraryMessages;
};
std::string CameraLogText(const CameraLogContent& content);

// What a reader of the camera log finds after "$$EOH": the camera's name and the codes of each list
// (image quality, AE mode, ISO, Av, Tv). A reader takes the first number of each line, as the
// exposure window does for its default lists. False when the text has no "$$EOH" line or a count or
// code line does not start with a number.
struct CameraListFile {
    std::string cameraName;
    std::array<std::vector<uint32_t>, 5> codes;
};
bool ReadCameraListText(std::string_view text, CameraListFile& list);

std::string CameraLogPath(const WorkingFolders& folders);          // DocumentsFolder + "Camera.ini"
std::string PreviousCameraLogPath(const WorkingFolders& folders);  // DocumentsFolder + "Camera.txt"

// The steps on the log's files. Each answers an empty text when it worked, else the message to show
// ("I/O error: cannot delete "…": reason").
std::string DeleteCameraLog(const WorkingFolders& folders);  // no log is no error
std::string WriteCameraLog(const WorkingFolders& folders, std::string_view text);
// Renames "Camera.ini" over "Camera.txt"; without a log nothing happens.
std::string KeepCameraLogAsPrevious(const WorkingFolders& folders);
// The log's text (lines ending in LF) while "Camera.ini" exists and reads.
std::optional<std::string> ReadCameraLog(const WorkingFolders& folders);

// The image-quality, ISO and aperture names the exposure window's camera-default lists offer, first
// item selected.
struct CameraDefaultLists {
    std::vector<std::string> ImageQuality;
    std::vector<std::string> ISO;
    std::vector<std::string> Aperture;
};

// Without a camera (empty cameraName): "JPGLarFin", "100" and "f/4", whatever camera log exists.
// With one: the names of the codes the camera log lists after "$$EOH" (cameraLogText, the text of
// "Camera.ini" when the file exists), each list cut at its capacity; when there is no log or it
// cannot be read, the names of the codes the session holds (`codes`). A list the camera left empty
// stays empty.
CameraDefaultLists CameraDefaultListsFor(const std::string& cameraName, const std::optional<std::string>& cameraLogText,
                                         const SupportedCodesTable& codes);
// The same for the camera as the program knows it, reading "Camera.ini" while one is connected.
CameraDefaultLists CameraDefaultListsFor(const CameraState& camera, const WorkingFolders& folders);

}  // namespace zelto
