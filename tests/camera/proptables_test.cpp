#include "camera/proptables.h"
#include "exposure/table.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace zelto {
namespace {

TEST(PropTables, SizesFirstAndLastRows) {
    struct Case {
        int kind;
        size_t rows;
        TPropList first, lastNamed;
    };
    const Case cases[] = {
        {kKindImageQuality, 165, {"JPGaLarNor", 0x00120000}, {"JPGSma3", 0x1013FF0F}},
        {kKindAEMode, 65, {"P", 0x00}, {"VideoBlog", 0x3F}},
        {kKindISO, 40, {"AUTO", 0x00}, {"819200", 0xB0}},
        {kKindAv, 55, {"f/1.0", 0x08}, {"f/3.4", 0x85}},
        {kKindTv, 78, {"Bulb", 0x0C}, {"1/16000", 0xA8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const auto table = PropTable(c.kind);
        ASSERT_EQ(table.size(), c.rows);
        EXPECT_EQ(table.front().name, c.first.name);
        EXPECT_EQ(table.front().code, c.first.code);
        EXPECT_EQ(table[c.rows - 2].name, c.lastNamed.name);
        EXPECT_EQ(table[c.rows - 2].code, c.lastNamed.code);
        EXPECT_EQ(table.back().name, "Unknown");
        EXPECT_EQ(table.back().code, 0xFFFFFFFFu);
    }
    EXPECT_TRUE(PropTable(5).empty());
    for (size_t i = 0; i < 64; ++i) EXPECT_EQ(AEModeNames[i].code, i);  // AE codes count up from 0
}

// Only the shutter-speed table repeats names: seven of them, each with two neighbouring codes.
TEST(PropTables, DuplicateNamesOnlyInShutterSpeeds) {
    for (int kind = 0; kind <= 4; ++kind) {
        std::map<std::string, int> seen;
        for (const TPropList& row : PropTable(kind)) ++seen[std::string(row.name)];
        int repeated = 0;
        for (const auto& [name, count] : seen) repeated += count > 1;
        EXPECT_EQ(repeated, kind == kKindTv ? 7 : 0) << kind;
    }
    const struct {
        const char* name;
        uint32_t first, second;
    } duplicates[] = {{"20\"", 0x14, 0x15}, {"10\"", 0x1C, 0x1D}, {"6\"", 0x23, 0x24}, {"0\"3", 0x44, 0x45},
                      {"1/6", 0x4C, 0x4D},  {"1/10", 0x53, 0x54}, {"1/20", 0x5B, 0x5C}};
    for (const auto& d : duplicates) {
        EXPECT_EQ(TvCodeByName(d.name), d.first) << d.name;
        EXPECT_EQ(NameByCode(kKindTv, d.first), d.name);
        EXPECT_EQ(NameByCode(kKindTv, d.second), d.name);
    }
}

TEST(PropTables, CodeByName) {
    struct Case {
        uint32_t (*lookup)(std::string_view);
        const char* name;
        uint32_t code;
    };
    const Case cases[] = {
        // The shutter-speed titles of the exposure table.
        {TvCodeByName, "1/8000", 0xA0},
        {TvCodeByName, "1/4", 0x48},
        {TvCodeByName, "0\"5", 0x40},
        {TvCodeByName, "8\"", 0x20},
        {TvCodeByName, "bulb", 0x0C},
        // Letter case does not matter; blanks do.
        {IQCodeByName, "jpglarfin", 0x0013FF0F},
        {IQCodeByName, "RAW", 0x0064FF0F},
        {IQCodeByName, "raw+jpglarfin", 0x00640013},
        {ISOCodeByName, "auto", 0x00},
        {ISOCodeByName, "100", 0x48},
        {ISOCodeByName, "6400", 0x78},
        {AvCodeByName, "F/5.6", 0x30},
        {AvCodeByName, "f/5.6 ", 0},
        {AvCodeByName, " f/5.6", 0},
        {AvCodeByName, "f/13 (1/3)", 0x43},
        // "Unknown" is a row; names not in the table give 0.
        {IQCodeByName, "unknown", 0xFFFFFFFF},
        {ISOCodeByName, "UNKNOWN", 0xFFFFFFFF},
        {AvCodeByName, "Unknown", 0xFFFFFFFF},
        {TvCodeByName, "Unknown", 0xFFFFFFFF},
        {ISOCodeByName, "150", 0},
        {TvCodeByName, "1/8000s", 0},
        {AvCodeByName, "", 0},
        {IQCodeByName, "M", 0},  // an AE name is no image quality
    };
    for (const Case& c : cases) EXPECT_EQ(c.lookup(c.name), c.code) << c.name;
}

TEST(PropTables, NameByCode) {
    struct Case {
        int kind;
        uint32_t code;
        const char* name;
    };
    const Case cases[] = {
        {kKindAEMode, 0x03, "M"},
        {kKindAEMode, 0x00, "P"},
        {kKindISO, 0x00, "AUTO"},
        {kKindISO, 0x68, "1600"},
        {kKindAv, 0x28, "f/4"},
        {kKindTv, 0xA0, "1/8000"},
        {kKindImageQuality, 0x0013FF0F, "JPGLarFin"},
        {kKindImageQuality, 0xFFFFFFFF, ""},  // never "Unknown"
        {kKindTv, 0xFFFFFFFF, ""},
        {kKindISO, 0x49, ""},                 // between two ISO codes
        {kKindAv, 0x00, ""},
        {5, 0x03, ""},
        {-1, 0x03, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(NameByCode(c.kind, c.code), c.name) << c.kind << " " << c.code;
}

// The cells a run can turn into settings: names of the tables in any case, blank for "none";
// "Unknown" and everything else cannot be.
TEST(PropTables, UnknownSettingCells) {
    struct Case {
        int column;
        const char* cell;
        bool unknown;
    };
    const Case cases[] = {
        {kColumnQuality, "JPGLarFin", false}, {kColumnQuality, " raw ", false},  {kColumnQuality, "", false},
        {kColumnQuality, "JPGHuge", true},    {kColumnQuality, "Unknown", true}, {kColumnISO, "AUTO", false},
        {kColumnISO, "99", true},             {kColumnAperture, "f/8", false},   {kColumnAperture, "f/3.9", true},
        {kColumnPhase, "anything", false},    {kColumnFirstShutter, "y", false},
    };
    for (const Case& c : cases) EXPECT_EQ(UnknownSettingCell(c.column, c.cell), c.unknown) << c.column << c.cell;
    EXPECT_EQ(KnownSettingNamesText(kKindAv).substr(0, 20), "f/1.0, f/1.1, f/1.2,");
}

}  // namespace
}  // namespace zelto
