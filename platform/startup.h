#pragma once

#include <string>

#include "eclipse_data/variables.h"

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

// Prepares the shared state before any window exists: working folders (created with their parents;
// a folder that cannot be created is not fatal), CameraName, version information, run flags,
// TimeOffset and the catalog. Running it again changes nothing.
void StartUp(SharedVariables& shared, const SystemLocations& locations);

// The program file's version information: its type name, and for an executable the version data
// that was built into this program.
TFileVersionInfo ReadVersionInfo(const std::string& fileName);

}  // namespace zelto
