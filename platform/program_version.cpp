#include "platform/program_version.h"

#include "version_data.h"

namespace zelto {

TFileVersionInfo BuiltVersionInfo(const std::string& fileType, const std::string& originalFileName) {
    TFileVersionInfo info;
    info.FileType = fileType;
    info.CompanyName = "Zelto developers";
    info.FileDescription = "Zelto - solar eclipse photography";
    // The file version stays the same between builds of one release: the parameter file compares it.
    info.FileVersion = std::string(ZELTO_VERSION) + ".0";
    info.InternalName = "Zelto";
    info.LegalCopyRight = "Copyright (C) Zelto developers";
    info.LegalTradeMarks = "";
    info.OriginalFileName = originalFileName;
    info.ProductName = "Zelto";
    info.ProductVersion = std::string(ZELTO_VERSION) + (std::string(ZELTO_GIT_DESCRIBE).empty() ? "" : " (" ZELTO_GIT_DESCRIBE ")");
    info.Comments = "Eclipse Predictions by Fred Espenak, NASA's GSFC";
    const bool debug = std::string(ZELTO_BUILD_TYPE) == "Debug";
    const uint32_t allFlags = kVersionDebug | kVersionPreRelease | kVersionPatched | kVersionPrivateBuild |
                              kVersionInfoInferred | kVersionSpecialBuild;
    SetVersionFlags(info, debug ? uint32_t{kVersionDebug} : 0u, allFlags);
    info.FileFunction = FileFunctionText(1, 0);  // an application
    return info;
}

}  // namespace zelto
