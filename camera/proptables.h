#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The name tables of the five shooting properties: each row pairs the name the user, the exposure
// table and the camera log use with the camera's 32-bit code. Every table ends with the row
// "Unknown" = 0xFFFFFFFF. Lookups are linear from row 0 and stop at the first match, which callers
// rely on (the shutter-speed table holds seven names twice).

namespace zelto {

struct TPropList {
    std::string_view name;
    uint32_t code;
};

// Kind numbers of the name-by-code lookup.
inline constexpr int kKindImageQuality = 0;
inline constexpr int kKindAEMode = 1;
inline constexpr int kKindISO = 2;
inline constexpr int kKindAv = 3;
inline constexpr int kKindTv = 4;

extern const std::array<TPropList, 165> ImageQualityNames;
extern const std::array<TPropList, 65> AEModeNames;
extern const std::array<TPropList, 40> ISOSpeedNames;
extern const std::array<TPropList, 55> ApertureNames;
extern const std::array<TPropList, 78> ShutterSpeedNames;

// The table of a kind (0 to 4), all rows including "Unknown"; empty for any other kind.
std::span<const TPropList> PropTable(int kind);

// The kind of a shooting property number (0x100, 0x400, 0x402, 0x405, 0x406), -1 for others.
int PropKind(uint32_t property);

// The name shown for a code: the first name-table row with that code ("Unknown" included), else the
// camera's own text for it when the library gives one, else the code as 8 upper-case hexadecimal digits.
std::string SettingName(uint32_t property, uint32_t code, const std::string& cameraText = {});

// The name of the first row but the last whose code matches; empty text when none does or the kind
// is not 0 to 4. Never "Unknown".
std::string NameByCode(int kind, uint32_t code);

// The code of the first row, "Unknown" included, whose name matches without regard to letter case;
// 0 when none does. Names are not trimmed: callers trim first.
uint32_t IQCodeByName(std::string_view name);
uint32_t ISOCodeByName(std::string_view name);
uint32_t AvCodeByName(std::string_view name);
uint32_t TvCodeByName(std::string_view name);

// Whether a name (trimmed by the caller) is a row of the kind's table other than "Unknown", in any
// letter case: a name that a photography run can turn into a camera setting.
bool KnownSettingName(int kind, std::string_view name);
// The names KnownSettingName accepts, in table order, joined by ", ", for messages.
std::string KnownSettingNamesText(int kind);

// A table cell of the image-quality, ISO or aperture column (3, 4, 5) that a photography run cannot
// turn into a camera setting: not blank, and not a name the tables know. False for other columns.
bool UnknownSettingCell(int column, std::string_view cell);

// The exposure time in seconds of a shutter-speed name: "1/8000", "0\"5" (half a second), "8\"";
// 0 for a name that is neither.
double ExposureSecondsOfTvName(std::string_view name);

}  // namespace zelto
