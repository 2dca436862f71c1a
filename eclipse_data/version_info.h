#pragma once

#include <cstdint>
#include <string>

namespace zelto {

// The program file's version information: 14 texts, then six flags.
struct TFileVersionInfo {
    std::string FileType;  // the system's type name of the file, at most 80 characters
    std::string CompanyName;
    std::string FileDescription;
    std::string FileVersion;
    std::string InternalName;
    std::string LegalCopyRight;
    std::string LegalTradeMarks;
    std::string OriginalFileName;
    std::string ProductName;
    std::string ProductVersion;
    std::string Comments;
    std::string SpecialBuild;
    std::string PrivateBuild;
    std::string FileFunction;
    bool DebugBuild = false;
    bool PreRelease = false;
    bool SpecialBuildFlag = false;
    bool PrivateBuildFlag = false;
    bool Patched = false;
    bool InfoInferred = false;
};

// Bits of the fixed file information's flag word.
enum VersionFlagBits : uint32_t {
    kVersionDebug = 1,
    kVersionPreRelease = 2,
    kVersionPatched = 4,
    kVersionPrivateBuild = 8,
    kVersionInfoInferred = 16,
    kVersionSpecialBuild = 32,
};

// A flag is set when its bit is set both in the flag word and in the mask.
void SetVersionFlags(TFileVersionInfo& info, uint32_t flags, uint32_t mask);

// The kind of file from the fixed file information's type and subtype ("Application", "DLL", …).
std::string FileFunctionText(uint32_t fileType, uint32_t fileSubtype);

// The first 16 characters of the file version: the text stored in and compared with the parameter file.
std::string VersionTextOf(const TFileVersionInfo& info);

}  // namespace zelto
