#include "eclipse_data/version_info.h"

#include <array>

#include "eclipse_data/datetext.h"

namespace zelto {

void SetVersionFlags(TFileVersionInfo& info, uint32_t flags, uint32_t mask) {
    const uint32_t set = flags & mask;
    info.DebugBuild = (set & kVersionDebug) != 0;
    info.PreRelease = (set & kVersionPreRelease) != 0;
    info.SpecialBuildFlag = (set & kVersionSpecialBuild) != 0;
    info.PrivateBuildFlag = (set & kVersionPrivateBuild) != 0;
    info.Patched = (set & kVersionPatched) != 0;
    info.InfoInferred = (set & kVersionInfoInferred) != 0;
}

std::string FileFunctionText(uint32_t fileType, uint32_t fileSubtype) {
    static const std::array<const char*, 11> kDrivers = {
        "Unknown Driver",  "Printer Driver", "Keyboard Driver",   "Language Driver",
        "Display Driver",  "Mouse Driver",   "Network Driver",    "System Driver",
        "InstallableDriver", "Sound Driver", "Communications Driver"};
    static const std::array<const char*, 4> kFonts = {"Unknown Font", "Raster Font", "Vector Font",
                                                      "Truetype Font"};
    switch (fileType) {
        case 0: return "Unknown";
        case 1: return "Application";
        case 2: return "DLL";
        case 3: return fileSubtype < kDrivers.size() ? kDrivers[fileSubtype] : "";
        case 4: return fileSubtype < kFonts.size() ? kFonts[fileSubtype] : "";
        case 5: return "Virtual Defice Identifier = " + HexText(fileSubtype, 4);
        case 7: return "Static-link Library";
        default: return "";
    }
}

std::string VersionTextOf(const TFileVersionInfo& info) { return info.FileVersion.substr(0, 16); }

}  // namespace zelto
