// The system's locations without Qt, for the build of the core and zelto-cli alone (the Windows
// build made with mingw-w64): the same folders the Qt build finds, from the system's own calls.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>
#endif

#include "camera/sound_player.h"
#include "eclipse_data/file_text.h"
#include "platform/program_version.h"
#include "platform/system_locations.h"

namespace zelto {

namespace fs = std::filesystem;

namespace {

constexpr char kSeparator = static_cast<char>(fs::path::preferred_separator);
constexpr const char* kZeltoFolder = "Zelto";

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.lexically_normal().u8string();
    std::string utf8(text.begin(), text.end());
    while (utf8.size() > 1 && utf8.back() == kSeparator && utf8[utf8.size() - 2] != ':') utf8.pop_back();
    return utf8;
}

#ifdef _WIN32
std::string KnownFolder(const KNOWNFOLDERID& id) {
    PWSTR path = nullptr;
    std::string folder;
    if (SHGetKnownFolderPath(id, 0, nullptr, &path) == S_OK) folder = Utf8(fs::path(path));
    CoTaskMemFree(path);
    return folder;
}
#else
std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}
std::string HomeFolder(const char* xdgName, const char* underHome) {
    const std::string xdg = Environment(xdgName);
    if (!xdg.empty()) return xdg;
    return Utf8(PathOf(Environment("HOME")) / underHome);
}
#endif

std::string ProgramFile() {
#ifdef _WIN32
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return Utf8(fs::path(path));
        }
        path.resize(path.size() * 2);
    }
#else
    std::error_code error;
    const fs::path path = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : Utf8(path);
#endif
}

bool IsFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// As the Qt build: the program's folder itself (a build folder), else the installed resource folder
// at its place relative to the program's folder, else the program's folder.
std::string ResourceFolder(const std::string& programFolder) {
    if (programFolder.empty()) return programFolder;
    for (const char* relative : {".", ZELTO_RESOURCES_FROM_PROGRAM}) {
        const fs::path folder = PathOf(programFolder) / PathOf(relative);
        if (IsFile(folder / kOkSound)) return WithTrailingSeparator(Utf8(folder), kSeparator);
    }
    return WithTrailingSeparator(programFolder, kSeparator);
}

// The base folder + "Zelto" + separator, created with its parents.
std::string WorkingFolder(const std::string& base) {
    const std::string folder = WithTrailingSeparator(WithTrailingSeparator(base, kSeparator) + kZeltoFolder, kSeparator);
    std::error_code ignored;  // failure shows later, where the folder is used
    fs::create_directories(PathOf(folder), ignored);
    return folder;
}

}  // namespace

SystemLocations QuerySystemLocations() {
    SystemLocations locations;
    locations.programFile = ProgramFile();
#ifdef _WIN32
    locations.documentsBase = KnownFolder(FOLDERID_Documents);
    locations.appDataBase = KnownFolder(FOLDERID_LocalAppData);  // where Qt keeps generic data on Windows
#else
    locations.documentsBase = HomeFolder("XDG_DOCUMENTS_DIR", "Documents");
    locations.appDataBase = HomeFolder("XDG_DATA_HOME", ".local/share");
#endif
    std::error_code error;
    const fs::path temporary = fs::temp_directory_path(error);
    locations.tempFolder = error ? std::string() : Utf8(temporary);
    return locations;
}

// The folders that may hold GSHHG's coastlines: ZELTO_GSHHG_FOLDER, then (outside Windows) the data
// folders of the XDG base directories, as the Qt build finds them.
std::vector<std::string> GshhgFolders() {
    std::vector<std::string> folders;
    if (const char* chosen = std::getenv("ZELTO_GSHHG_FOLDER"); chosen != nullptr && *chosen != '\0')
        folders.emplace_back(chosen);
#ifndef _WIN32
    std::vector<std::string> bases = {HomeFolder("XDG_DATA_HOME", ".local/share")};
    std::string dirs = Environment("XDG_DATA_DIRS");
    if (dirs.empty()) dirs = "/usr/local/share:/usr/share";
    for (size_t start = 0; start <= dirs.size();) {
        const size_t colon = std::min(dirs.find(':', start), dirs.size());
        if (colon > start) bases.push_back(dirs.substr(start, colon - start));
        start = colon + 1;
    }
    for (const std::string& base : bases) {
        std::error_code error;
        const fs::path folder = PathOf(base) / "gmt-gshhg";
        if (fs::is_directory(folder, error)) folders.push_back(Utf8(folder));
    }
#endif
    return folders;
}

WorkingFolders MakeWorkingFolders(const SystemLocations& locations) {
    WorkingFolders folders;
    folders.TempFolder = locations.tempFolder;
    std::error_code error;
    const std::string programFolder =
        locations.programFile.empty()
            ? std::string()
            : Utf8(fs::absolute(PathOf(locations.programFile), error).parent_path());
    folders.ProgramFolder = WithTrailingSeparator(programFolder, kSeparator);
    folders.ResourceFolder = ResourceFolder(programFolder);
    folders.DocumentsFolder = WorkingFolder(locations.documentsBase);
    folders.AppDataFolder = WorkingFolder(locations.appDataBase);
    return folders;
}

TFileVersionInfo ReadVersionInfo(const std::string& fileName) {
    TFileVersionInfo info;
    std::error_code error;
    const fs::path file = PathOf(fileName);
    if (fileName.empty() || !fs::exists(file, error)) return info;
    if (fs::is_directory(file, error)) return info;
#ifdef _WIN32
    std::string extension = Utf8(file.extension());
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const bool executable = extension == ".exe";
#else
    const bool executable =
        (fs::status(file, error).permissions() & (fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec)) !=
        fs::perms::none;
#endif
    info.FileType = executable ? "Application" : "File";
    if (!executable) return info;
    const std::u8string name = file.filename().u8string();
    return BuiltVersionInfo(info.FileType, std::string(name.begin(), name.end()));
}

}  // namespace zelto
