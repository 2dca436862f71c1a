#include "camera/camera_log.h"

#include <charconv>
#include <filesystem>
#include <system_error>

#include "camera/proptables.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/file_text.h"

namespace zelto {

namespace {

constexpr const char* kCrLf = "\r\n";

std::vector<std::string> Names(EdsPropertyID property, const std::vector<uint32_t>& codes) {
    const int list = SupportedListIndex(property);
    const size_t capacity = static_cast<size_t>(kSupportedCapacity[static_cast<size_t>(list)]);
    std::vector<std::string> names;
    for (size_t i = 0; i < codes.size() && i < capacity; ++i) names.push_back(SettingName(property, codes[i]));
    return names;
}

std::string RightAligned(const std::string& text, size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string DateLine(const ZoneChangeDate& d) {
    return std::to_string(d.year) + ' ' + std::to_string(d.month) + ' ' + std::to_string(d.day) + ' ' +
           std::to_string(d.hour) + ' ' + std::to_string(d.minute) + ' ' + std::to_string(d.second) + ' ' +
           std::to_string(d.millisecond) + ' ' + std::to_string(d.dayOfWeek);
}

const char* const kCountLabels[] = {
    "number of Image quality settings",   "number of AEmode settings",
    "number of ISO speed settings",       "number of Av (Aperture value) settings",
    "number of Tv (Time value) settings",
};

}  // namespace

std::string CameraCodeLine(int kind, uint32_t code) {
    return RightAligned(std::to_string(code), 12) + ' ' + RightAligned(HexText(code, 4), 12) + " 0 " +
           NameByCode(kind, code);
}

std::string CameraListText(const std::string& cameraName, const SupportedCodesTable& codes) {
    std::string text = cameraName + kCrLf;
    for (int list = 0; list < 5; ++list) {
        const SupportedCodeList& codeList = codes.lists[static_cast<size_t>(list)];
        text += RightAligned(std::to_string(codeList.count), 12) + ' ' + kCountLabels[list] + kCrLf;
        for (int i = 1; i <= codeList.count && i < static_cast<int>(codeList.codes.size()); ++i) {
            text += CameraCodeLine(list, codeList.codes[static_cast<size_t>(i)]) + kCrLf;
        }
    }
    return text;
}

std::string CameraLogText(double logJD, const std::string& fileVersion, const ComputerInformation& computer,
                          const std::string& cameraName, const SupportedCodesTable& codes) {
    return CameraLogText(CameraLogContent{logJD, fileVersion, computer, cameraName, codes, {}});
}

std::string CameraLogText(const CameraLogContent& content) {
    const ComputerInformation& computer = content.computer;
    const ZoneInformation& zone = computer.zone;
    std::string text;
    const auto line = [&text](const std::string& each) { text += each + kCrLf; };
    line("$$BOH");
    line("Logfile creation date and time");
    line("------------------------------");
    line(JDText(content.logJD, 1));
    line("");
    line("Program information");
    line("-------------------");
    line("Zelto Version: " + content.fileVersion);
    line("");
    line("Computer information");
    line("--------------------");
    line("Reg_ProductName         : " + computer.productName);
    line("Reg_CurrentVersion      : " + computer.version);
    line("Reg_BuildLab            : " + computer.buildLab);
    line("Computer name           : " + computer.computerName);
    line("User name               : " + computer.userName);
    line("");
    line("Standard directories");
    line("--------------------");
    line("Windows temporary path  : " + computer.tempFolder);
    line("Windows application path: " + computer.programFolder);
    line("Windows documents path  : " + computer.documentsFolder);
    line("");
    line("Computer time zone settings");
    line("---------------------------");
    line("Computer standard name  : " + zone.standardName);
    line("Computer standard date  : " + DateLine(zone.standardDate));
    line("Standard bias           : " + std::to_string(zone.standardBias));
    line("Current  bias           : " + std::to_string(zone.currentBias));
    static const char* const kStates[] = {"Unknown", "Standard", "Daylight"};
    if (zone.state >= 0 && zone.state <= 2)
        line(std::string("Current  bias name      : ") + kStates[zone.state]);
    line("Computer daylight name  : " + zone.daylightName);
    line("Computer daylight date  : " + DateLine(zone.daylightDate));
    line("DayLight bias           : " + std::to_string(zone.daylightBias));
    line("");
    if (!content.libraryMessages.empty()) {
        line("Camera library messages");
        line("-----------------------");
        for (const std::string& message : content.libraryMessages) line(message);
        line("");
    }
    line("Camera and connected optics information");
    line("---------------------------------------");
    line("$$EOH");
    return text + CameraListText(content.cameraName, content.codes);
}

bool ReadCameraListText(std::string_view text, CameraListFile& list) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    size_t at = 0;
    while (at < lines.size() && lines[at] != "$$EOH") ++at;
    if (at + 1 >= lines.size()) return false;
    list = CameraListFile{};
    list.cameraName = std::string(lines[++at]);
    const auto firstNumber = [&](size_t line, uint64_t& value) {
        if (line >= lines.size()) return false;
        std::string_view l = lines[line];
        while (!l.empty() && l.front() == ' ') l.remove_prefix(1);
        const auto result = std::from_chars(l.data(), l.data() + l.size(), value);
        return result.ec == std::errc() && value <= 0xFFFFFFFFu;
    };
    for (std::vector<uint32_t>& codes : list.codes) {
        uint64_t count = 0;
        if (!firstNumber(++at, count)) return false;
        for (uint64_t i = 0; i < count; ++i) {
            uint64_t code = 0;
            if (!firstNumber(++at, code)) return false;
            codes.push_back(static_cast<uint32_t>(code));
        }
    }
    return true;
}

std::string CameraLogPath(const WorkingFolders& folders) { return folders.DocumentsFolder + "Camera.ini"; }

std::string PreviousCameraLogPath(const WorkingFolders& folders) { return folders.DocumentsFolder + "Camera.txt"; }

std::string DeleteCameraLog(const WorkingFolders& folders) {
    const std::string log = CameraLogPath(folders);
    std::error_code error;
    std::filesystem::remove(PathOf(log), error);
    return error ? FileErrorText("delete", log, error.message()) : std::string();
}

std::string WriteCameraLog(const WorkingFolders& folders, std::string_view text) {
    const std::string log = CameraLogPath(folders);
    std::string why;
    return WriteFileAtomically(log, text, &why) ? std::string() : FileErrorText("write", log, why);
}

std::string KeepCameraLogAsPrevious(const WorkingFolders& folders) {
    namespace fs = std::filesystem;
    const std::string log = CameraLogPath(folders);
    std::error_code error;
    if (!fs::exists(PathOf(log), error)) return {};
    fs::remove(PathOf(PreviousCameraLogPath(folders)), error);
    if (!error) fs::rename(PathOf(log), PathOf(PreviousCameraLogPath(folders)), error);
    return error ? FileErrorText("rename", log, error.message()) : std::string();
}

std::optional<std::string> ReadCameraLog(const WorkingFolders& folders) {
    std::vector<std::string> lines;
    if (!ReadTextLines(CameraLogPath(folders), lines)) return std::nullopt;
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

CameraDefaultLists CameraDefaultListsFor(const std::string& cameraName, const std::optional<std::string>& cameraLogText,
                                         const SupportedCodesTable& codes) {
    if (cameraName.empty()) return {{"JPGLarFin"}, {"100"}, {"f/4"}};
    std::array<std::vector<uint32_t>, 5> lists;
    CameraListFile file;
    if (cameraLogText && ReadCameraListText(*cameraLogText, file)) {
        lists = file.codes;
    } else {
        for (EdsPropertyID property : kShootingProperties)
            lists[static_cast<size_t>(SupportedListIndex(property))] = codes.Codes(property);
    }
    const auto names = [&lists](EdsPropertyID property) {
        return Names(property, lists[static_cast<size_t>(SupportedListIndex(property))]);
    };
    return {names(kEdsPropImageQuality), names(kEdsPropISOSpeed), names(kEdsPropAv)};
}

CameraDefaultLists CameraDefaultListsFor(const CameraState& camera, const WorkingFolders& folders) {
    const std::optional<std::string> log = camera.CameraName.empty() ? std::nullopt : ReadCameraLog(folders);
    return CameraDefaultListsFor(camera.CameraName, log, camera.SupportedCodes);
}

}  // namespace zelto
