#pragma once

#include <string>
#include <vector>

#include "eclipse_data/program_values.h"

namespace zelto {

// Where the system keeps the program and the user's folders.
struct SystemLocations {
    std::string programFile;    // full path of the running program file
    std::string documentsBase;  // the user's documents folder
    std::string appDataBase;    // the user's application-data folder
    std::string tempFolder;     // the system's temporary folder
};

// Asks the system (Qt's standard locations; the program path needs a QCoreApplication).
SystemLocations QuerySystemLocations();

// The working folders from the system's locations: the program file's folder, the folder of the
// program's own files (beside the program file in a build folder, else the installed share/zelto/ found
// from the program file's folder, so that a moved installation still finds it), and "Zelto/" under the
// documents and application-data folders, created with their parents (a folder that cannot be created
// is not fatal: the failure shows where the folder is used).
WorkingFolders MakeWorkingFolders(const SystemLocations& locations);

// The folders that may hold GSHHG's coastline files, in the order to search them: the one named by
// ZELTO_GSHHG_FOLDER, then "gmt-gshhg" in each of the system's data folders (where Debian's
// gmt-gshhg-high and gmt-gshhg-low install them).
std::vector<std::string> GshhgFolders();

// The program file's version information: its type name, and for an executable the version data
// that was built into this program.
TFileVersionInfo ReadVersionInfo(const std::string& fileName);

}  // namespace zelto
