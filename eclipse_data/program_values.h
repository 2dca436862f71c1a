#pragma once

#include <string>

#include "eclipse_data/version_info.h"

// The values the program sets once at start: where it works and what it is.

namespace zelto {

// The working folders, each ending in the native separator.
struct WorkingFolders {
    std::string ProgramFolder;    // folder of the running program file
    std::string DocumentsFolder;  // the user's documents folder + "Zelto/"
    std::string AppDataFolder;    // the user's application-data folder + "Zelto/"
    std::string TempFolder;       // the system's temporary folder as the system gives it
    std::string ResourceFolder;   // folder of the program's own files (the sounds)
};

struct ProgramState {
    TFileVersionInfo ProgramVersion;
    std::string VersionText;  // first 16 characters of ProgramVersion.FileVersion
    // The operating system for the camera log, read when the main window is created; "ERROR" unknown.
    std::string WindowsProductName = "ERROR";
    std::string WindowsVersion = "ERROR";
    std::string WindowsBuildLab = "ERROR";
};

// A folder text ending in the separator: one is appended when missing (an empty text stays empty).
std::string WithTrailingSeparator(const std::string& folder, char separator);

}  // namespace zelto
