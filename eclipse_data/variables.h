#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "camera/camera.h"
#include "circumstances/stadt.h"
#include "eclipse_data/catalog.h"
#include "eclipse_data/version_info.h"

// The program's process-wide state, one struct per concern. Everything lives for the whole run;
// a test resets a concern by assigning a fresh struct.

namespace zelto {

// The working folders, each ending in the native separator.
struct WorkingFolders {
    std::string ProgramFolder;    // folder of the running program file
    std::string DocumentsFolder;  // the user's documents folder + "Zelto/"
    std::string AppDataFolder;    // the user's application-data folder + "Zelto/"
    std::string TempFolder;       // the system's temporary folder as the system gives it
};

struct ProgramState {
    std::string CameraName;  // empty: no camera connected
    TFileVersionInfo ProgramVersion;
    std::string VersionText;  // first 16 characters of ProgramVersion.FileVersion
    // The operating system for the camera log, read when the main window is created; "ERROR" unknown.
    std::string WindowsProductName = "ERROR";
    std::string WindowsVersion = "ERROR";
    std::string WindowsBuildLab = "ERROR";
};

struct RunFlags {
    bool AbortShotsRequested = false;
    bool AbortTestRequested = false;
    bool AbortRunRequested = false;
    bool SimulationMode = false;
    bool SpokenCommands = true;  // the "Spoken commands" option: runs play their sound rows only while on
};

// The shared time source.
struct TimeSource {
    double CurrentJD = 0;   // system clock as UT Julian day + TimeOffset, set on every clock tick
    double TimeOffset = 0;  // days added to the system clock for rehearsal
    uint8_t TenthsFlag = 1;  // 1: times show tenths of seconds
};

// The catalog, the selected eclipse and the global instants computed from its elements.
struct EclipseState {
    EclipseCatalogTable EclipseCatalog{};
    int SelectedEclipse = 51;
    EclipseRecord CurrentEclipse{};
    double DeltaT = 0;           // seconds, the ΔT in force
    double ManualDeltaT = 71;    // seconds, as typed
    bool ManualDeltaTOn = false;  // the manual-ΔT check box is ticked
    double GreatestEclipseTime = 0;  // hours t
    double GreatestEclipseJD = 0;    // UT
    double P1Time = 0;  // hours t
    double P4Time = 0;  // hours t
};

// The site inputs as the main window's edits and pick lists hold them, texts as typed (cleaned).
struct SiteInputs {
    std::string Lati = "25.0000";   // latitude magnitude, degrees or d:m or d:m:s
    std::string NS = "N";           // "N" or "S"
    std::string Long = "103.5000";  // longitude magnitude
    std::string EW = "W";           // "E" or "W"
    std::string Height = "800";     // metres; empty counts as 0
    std::string DeltaTText = "71";  // the typed ΔT, seconds
};

// The place, its circumstances and the instants the contact display stores for the exposure tables.
struct ContactState {
    StadtType Stadt;
    std::array<double, kContactSlots> ContactJD{};  // UT, rounded to 0.1 s; 0 when not shown
    double P1JD = 0;
    double P4JD = 0;
};

struct SharedVariables {
    WorkingFolders folders;
    ProgramState program;
    RunFlags flags;
    TimeSource time;
    EclipseState eclipse;
    SiteInputs site;
    ContactState contacts;
    CameraState camera;
};

// The one instance. FillEclipseCatalog has run on it before first use.
SharedVariables& Shared();

// ΔT for the current eclipse: the typed value when manual ΔT is on, else the automatic ΔT of the
// record's year and month.
double ChooseDeltaT(const EclipseState& state);

// Selecting eclipse n (1 to 224): SelectedEclipse := n, CurrentEclipse := record n, then ΔT is chosen.
void SelectCatalogEclipse(EclipseState& state, int number);

// A folder text ending in the separator: one is appended when missing (an empty text stays empty).
std::string WithTrailingSeparator(const std::string& folder, char separator);

}  // namespace zelto
