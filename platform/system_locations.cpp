#include "platform/system_locations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStandardPaths>

#include "camera/sound_player.h"
#include "platform/program_version.h"
#include "platform/qt_text.h"

namespace zelto {

namespace {

constexpr char kSeparator = '/';
constexpr const char* kZeltoFolder = "Zelto";

std::string Native(const QString& path) { return ToUtf8(QDir::cleanPath(path)); }

// The folder that holds the program's sounds: the program's folder itself (a build folder), else the
// installed resource folder at its place relative to the program's folder; when neither holds them, the
// program's folder, where a missing sound shows when it is played.
std::string ResourceFolder(const std::string& programFolder) {
    if (programFolder.empty()) return programFolder;
    const QDir program(ToQString(programFolder));
    for (const char* relative : {".", ZELTO_RESOURCES_FROM_PROGRAM}) {
        const std::string folder = Native(program.filePath(relative));
        if (QFileInfo(ToQString(folder + kSeparator + kOkSound)).isFile()) {
            return WithTrailingSeparator(folder, kSeparator);
        }
    }
    return WithTrailingSeparator(programFolder, kSeparator);
}

// The base folder + "Zelto/", created with its parents.
std::string WorkingFolder(const std::string& base) {
    const std::string folder = WithTrailingSeparator(WithTrailingSeparator(base, kSeparator) + kZeltoFolder, kSeparator);
    QDir().mkpath(ToQString(folder));  // failure shows later, where the folder is used
    return folder;
}

}  // namespace

SystemLocations QuerySystemLocations() {
    SystemLocations locations;
    if (QCoreApplication::instance()) locations.programFile = Native(QCoreApplication::applicationFilePath());
    locations.documentsBase = Native(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    locations.appDataBase = Native(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    locations.tempFolder = ToUtf8(QDir::toNativeSeparators(QDir::tempPath()));
    return locations;
}

std::vector<std::string> GshhgFolders() {
    std::vector<std::string> folders;
    if (const QString chosen = qEnvironmentVariable("ZELTO_GSHHG_FOLDER"); !chosen.isEmpty()) folders.push_back(Native(chosen));
    for (const QString& found : QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, "gmt-gshhg", QStandardPaths::LocateDirectory))
        folders.push_back(Native(found));
    return folders;
}

WorkingFolders MakeWorkingFolders(const SystemLocations& locations) {
    WorkingFolders folders;
    folders.TempFolder = locations.tempFolder;
    const std::string programFolder =
        locations.programFile.empty() ? std::string() : Native(QFileInfo(ToQString(locations.programFile)).absolutePath());
    folders.ProgramFolder = WithTrailingSeparator(programFolder, kSeparator);
    folders.ResourceFolder = ResourceFolder(programFolder);
    folders.DocumentsFolder = WorkingFolder(locations.documentsBase);
    folders.AppDataFolder = WorkingFolder(locations.appDataBase);
    return folders;
}

TFileVersionInfo ReadVersionInfo(const std::string& fileName) {
    TFileVersionInfo info;
    const QFileInfo file(ToQString(fileName));
    if (fileName.empty() || !file.exists()) return info;
    info.FileType = ToUtf8(QMimeDatabase().mimeTypeForFile(file).comment().left(80));
    if (!file.isExecutable() || file.isDir()) return info;

    info = BuiltVersionInfo(info.FileType, ToUtf8(file.fileName()));
    return info;
}

}  // namespace zelto
