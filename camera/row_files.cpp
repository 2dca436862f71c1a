#include "camera/row_files.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

#include "camera/proptables.h"
#include "camera/run_engine.h"
#include "camera/shot_log.h"
#include "circumstances/parameter_file.h"
#include "eclipse_data/file_text.h"
#include "exposure/table_file.h"

namespace zelto {

namespace {

// Enough of a file to tell the program's own formats by.
constexpr std::streamsize kSniffBytes = 65536;

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

bool EndsWith(const std::string& text, std::string_view end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A control character (an embedded NUL cuts the name where the system reads it) or a name the
// folder cannot hold as one plain file.
std::string NameProblem(std::string_view name, const char* what) {
    const bool control = std::any_of(
        name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
    if (control) return std::string(what) + " name holds a control character: refused.";
    if (!IsPlainFileName(name))
        return std::string(what) + " name \"" + std::string(name) +
               "\" is not a plain file name in its folder (no folders, no \"..\"): refused.";
    return {};
}

// The program's own files in the application-data folder, by name.
bool ProgramFileName(std::string_view name) {
    const std::string lower = Lower(name);
    static const char* const kNames[] = {kParameterFileName, kOptionsFileName, "camera.ini", "camera.txt"};
    for (const char* own : kNames) {
        if (lower == Lower(own)) return true;
    }
    return (lower.rfind("shotlog_", 0) == 0 && EndsWith(lower, ".csv")) || EndsWith(lower, ".tmp");
}

// The program's own files by what they hold: a shot log or an exposure table, whatever its name.
bool ProgramFileContent(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string head(static_cast<size_t>(kSniffBytes), '\0');
    in.read(head.data(), kSniffBytes);
    head.resize(static_cast<size_t>(in.gcount()));
    if (head.rfind(kShotLogHeader, 0) == 0) return true;
    const TableFileReading table = ReadExposureTableText(head);
    return table.opened && table.table.RowCount() > 0;
}

uint32_t Little(const unsigned char* bytes, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
    return value;
}

}  // namespace

std::string BatchFileProblem(const WorkingFolders& folders, std::string_view name) {
    if (std::string why = NameProblem(name, "the batch file's"); !why.empty()) return why;
    std::error_code error;
    if (ProgramFileName(name) ||
        (std::filesystem::is_regular_file(PathOf(folders.AppDataFolder + std::string(name)), error) &&
         ProgramFileContent(PathOf(folders.AppDataFolder + std::string(name)))))
        return "\"" + std::string(name) +
               "\" is one of the program's own files (settings, logs, tables), never a script: refused. Only "
               "a "
               "script you put in the folder may be started.";
    return {};
}

std::string SoundFileProblem(std::string_view name) {
    return NameProblem(name, "the sound's");
}

bool BatchFileFound(const WorkingFolders& folders, std::string_view name) {
    std::error_code error;
    return std::filesystem::is_regular_file(PathOf(folders.AppDataFolder + std::string(name)), error);
}

// The RIFF chunks up to "data": its size over the byte rate of "fmt ".
double SoundFileSeconds(const WorkingFolders& folders, std::string_view name) {
    std::ifstream in(PathOf(folders.ResourceFolder + Lower(name)), std::ios::binary);
    std::array<unsigned char, 12> riff{};
    if (!in.read(reinterpret_cast<char*>(riff.data()), 12) ||
        std::string(riff.begin(), riff.begin() + 4) != "RIFF")
        return 0;
    uint32_t byteRate = 0;
    std::array<unsigned char, 8> chunk{};
    while (in.read(reinterpret_cast<char*>(chunk.data()), 8)) {
        const std::string id(chunk.begin(), chunk.begin() + 4);
        const uint32_t size = Little(chunk.data() + 4, 4);
        if (id == "data") return byteRate > 0 ? static_cast<double>(size) / byteRate : 0;
        std::array<unsigned char, 16> format{};
        if (id == "fmt " && size >= 16 && in.read(reinterpret_cast<char*>(format.data()), 16)) {
            byteRate = Little(format.data() + 8, 4);
            in.seekg(size - 16 + (size & 1), std::ios::cur);
        } else {
            in.seekg(size + (size & 1), std::ios::cur);
        }
    }
    return 0;
}

CameraTiming CameraTimingOf(std::string_view backend) {
    // The virtual camera: 30 ms a setting and 200 ms to store a picture, each after the run's 15-ms
    // pause. The camera emulator through libgphoto2 took 0.06 s a setting and 0.17 s a picture; a
    // real body (gphoto2, EDSDK, and the default backend) gets 0.1 s and 0.5 s, room for its busy
    // time while it stores the picture, which still fits the generator's bead rows, one a second.
    if (backend == "virtual" || backend == "none") return {0.045, 0.215};
    return {0.1, 0.5};
}

TableCheckInput TableCheckInputFor(const WorkingFolders& folders, double greatestEclipseJD,
                                   CameraTiming timing) {
    TableCheckInput input;
    input.greatestEclipseJD = greatestEclipseJD;
    input.timing = timing;
    input.unknownSetting = [](int column, std::string_view cell) { return UnknownSettingCell(column, cell); };
    input.batchProblem = [folders](std::string_view name) { return BatchFileProblem(folders, name); };
    input.soundProblem = [](std::string_view name) { return SoundFileProblem(name); };
    input.batchFound = [folders](std::string_view name) { return BatchFileFound(folders, name); };
    // Each sound file is read once per check.
    auto lengths = std::make_shared<std::map<std::string, double, std::less<>>>();
    input.soundSeconds = [folders, lengths](std::string_view name) {
        const auto known = lengths->find(name);
        if (known != lengths->end()) return known->second;
        return (*lengths)[std::string(name)] = SoundFileSeconds(folders, name);
    };
    return input;
}

}  // namespace zelto
