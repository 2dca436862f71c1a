#include "camera/proptables.h"

#include "camera/edsdk.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/number_text.h"
#include "exposure/table.h"

namespace zelto {

namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Equal after upper-casing both; only the ASCII letters change case, whatever the locale.
bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    }
    return true;
}

uint32_t CodeByName(std::span<const TPropList> table, std::string_view name) {
    for (const TPropList& row : table) {
        if (SameNameIgnoringCase(row.name, name)) return row.code;
    }
    return 0;
}

}  // namespace

// In the shutter-speed names the double quote stands for seconds: "30\"" is 30 s, "0\"5" is 0.5 s.
const std::array<TPropList, 165> ImageQualityNames = {{
    {"JPGaLarNor", 0x00120000},
    {"JPGaLarFin", 0x00130000},
    {"RAWa", 0x00240000},
    {"RAW+JPGaLarNor", 0x00240012},
    {"RAW+JPGaLarFin", 0x00240013},
    {"RAW+JPGaMidNor", 0x00240112},
    {"RAW+JPGaMidFin", 0x00240113},
    {"RAW+JPGaSmaNor", 0x00240212},
    {"RAW+JPGaSmaFin", 0x00240213},
    {"CRAW+JPGLar", 0x00630010},
    {"CRAW+JPGLarNor", 0x00630012},
    {"CRAW+JPGLarFin", 0x00630013},
    {"CRAW+HEIFLar", 0x00630080},
    {"CRAW+HEIFLarNor", 0x00630082},
    {"CRAW+HEIFLarFin", 0x00630083},
    {"CRAW+JPGMid", 0x00630110},
    {"CRAW+JPGMidNor", 0x00630112},
    {"CRAW+JPGMidFin", 0x00630113},
    {"CRAW+HEIFMid", 0x00630180},
    {"CRAW+HEIFMidNor", 0x00630182},
    {"CRAW+HEIFMidFin", 0x00630183},
    {"CRAW+JPGSma", 0x00630210},
    {"CRAW+JPGSmaNor", 0x00630212},
    {"CRAW+JPGSmaFin", 0x00630213},
    {"CRAW+JPGMid1", 0x00630510},
    {"CRAW+JPGMid1Nor", 0x00630512},
    {"CRAW+JPGMid1Fin", 0x00630513},
    {"CRAW+HEIFMid1", 0x00630580},
    {"CRAW+JPGMid2", 0x00630610},
    {"CRAW+JPGMid2Nor", 0x00630612},
    {"CRAW+JPGMid2Fin", 0x00630613},
    {"CRAW+HEIFMid2", 0x00630680},
    {"CRAW+JPGSma3Fin", 0x00631013},
    {"RAW+JPGLar", 0x00640010},
    {"RAW+JPGLarNor", 0x00640012},
    {"RAW+JPGLarFin", 0x00640013},
    {"RAW+HEIFLar", 0x00640080},
    {"RAW+HEIFLarNor", 0x00640082},
    {"RAW+HEIFLarFin", 0x00640083},
    {"RAW+JPGMid", 0x00640110},
    {"RAW+JPGMidNor", 0x00640112},
    {"RAW+JPGMidFin", 0x00640113},
    {"RAW+HEIFMid", 0x00640180},
    {"RAW+HEIFMidNor", 0x00640182},
    {"RAW+HEIFMidFin", 0x00640183},
    {"RAW+JPGSma", 0x00640210},
    {"RAW+JPGSmaNor", 0x00640212},
    {"RAW+JPGSmaFin", 0x00640213},
    {"RAW+JPGMid1", 0x00640510},
    {"RAW+JPGMid1Nor", 0x00640512},
    {"RAW+JPGMid1Fin", 0x00640513},
    {"RAW+HEIFMid1", 0x00640580},
    {"RAW+JPGMid2", 0x00640610},
    {"RAW+JPGMid2Nor", 0x00640612},
    {"RAW+JPGMid2Fin", 0x00640613},
    {"RAW+HEIFMid2", 0x00640680},
    {"RAW+JPGSma3", 0x00641013},
    {"JPGaMidNor", 0x01120000},
    {"JPGaMidFin", 0x01130000},
    {"MRAW+JPGLar", 0x01640010},
    {"MRAW+JPGLarNor", 0x01640012},
    {"MRAW+JPGLarFin", 0x01640013},
    {"MRAW+JPGMidNor", 0x01640112},
    {"MRAW+JPGMidFin", 0x01640113},
    {"MRAW+JPGSma", 0x01640210},
    {"MRAW+JPGSmaNor", 0x01640212},
    {"MRAW+JPGSmaFin", 0x01640213},
    {"MRAW+JPGMid1", 0x01640510},
    {"MRAW+JPGMid1Nor", 0x01640512},
    {"MRAW+JPGMid1Fin", 0x01640513},
    {"MRAW+JPGMid2", 0x01640610},
    {"MRAW+JPGMid2Nor", 0x01640612},
    {"MRAW+JPGMid2Fin", 0x01640613},
    {"MRAW+JPGSma3", 0x01641013},
    {"JPGaSmaNor", 0x02120000},
    {"JPGaSmaFin", 0x02130000},
    {"SRAW+JPGLar", 0x02640010},
    {"SRAW+JPGLarNor", 0x02640012},
    {"SRAW+JPGLarFin", 0x02640013},
    {"SRAW+JPGMidNor", 0x02640112},
    {"SRAW+JPGMidFin", 0x02640113},
    {"SRAW+JPGSma", 0x02640210},
    {"SRAW+JPGSmaNor", 0x02640212},
    {"SRAW+JPGSmaFin", 0x02640213},
    {"SRAW+JPGMid1", 0x02640510},
    {"SRAW+JPGMid1Nor", 0x02640512},
    {"SRAW+JPGMid1Fin", 0x02640513},
    {"SRAW+JPGMid2", 0x02640610},
    {"SRAW+JPGMid2Nor", 0x02640612},
    {"SRAW+JPGMid2Fin", 0x02640613},
    {"SRAW+JPGSma3", 0x02641013},
    {"CRAW+JPGSma1", 0x00630E10},
    {"RAW+JPGSma1", 0x00640E10},
    {"CRAW+JPGSma1Nor", 0x00630E12},
    {"RAW+JPGSma1Nor", 0x00640E12},
    {"MRAW+JPGSma1Nor", 0x01640E12},
    {"SRAW+JPGSma1Nor", 0x02640E12},
    {"CRAW+JPGSma1Fin", 0x00630E13},
    {"RAW+JPGSma1Fin", 0x00640E13},
    {"MRAW+JPGSma1Fin", 0x01640E13},
    {"SRAW+JPGSma1Fin", 0x02640E13},
    {"CRAW+HEIFSma1", 0x00630E80},
    {"RAW+HEIFSma1", 0x00640E80},
    {"CRAW+HEIFSma1Nor", 0x00630E82},
    {"RAW+HEIFSma1Nor", 0x00640E82},
    {"CRAW+HEIFSma1Fin", 0x00630E83},
    {"RAW+HEIFSma1Fin", 0x00640E83},
    {"JPGLar", 0x0010FF0F},
    {"JPGLarNor", 0x0012FF0F},
    {"JPGLarFin", 0x0013FF0F},
    {"JPGaLar", 0x001F000F},
    {"RAWb", 0x002F000F},
    {"RAW+JPGaLar", 0x002F001F},
    {"RAW+JPGaSma", 0x002F021F},
    {"RAW+JPGaMid1", 0x002F051F},
    {"RAW+JPGaMid2", 0x002F061F},
    {"CRAW+JPGSma2", 0x00630F10},
    {"CRAW+JPGSma2Fin", 0x00630F13},
    {"CRAW+HEIFSma2", 0x00630F80},
    {"CRAW+HEIFSma2Fin", 0x00630F83},
    {"CRAW", 0x0063FF0F},
    {"RAW+JPGSma2", 0x00640F10},
    {"RAW+JPGSma2Fin", 0x00640F13},
    {"RAW+HEIFSma2", 0x00640F80},
    {"RAW+HEIFSma2Fin", 0x00640F83},
    {"RAW", 0x0064FF0F},
    {"HEIFLar", 0x0080FF0F},
    {"HEIFLarNor", 0x0082FF0F},
    {"HEIFLarFin", 0x0083FF0F},
    {"JPGMid", 0x0110FF0F},
    {"JPGMidNor", 0x0112FF0F},
    {"JPGMidFin", 0x0113FF0F},
    {"MRAW+JPGSma2", 0x01640F13},
    {"MRAW", 0x0164FF0F},
    {"HEIFMid", 0x0180FF0F},
    {"HEIFMidNor", 0x0182FF0F},
    {"HEIFMidFin", 0x0183FF0F},
    {"JPGSma", 0x0210FF0F},
    {"JPGSmaNor", 0x0212FF0F},
    {"JPGSmaFin", 0x0213FF0F},
    {"JPGaSma", 0x021F000F},
    {"SRAW+JPGSma2", 0x02640F13},
    {"SRAW", 0x0264FF0F},
    {"JPGMid1", 0x0510FF0F},
    {"JPGMid1Nor", 0x0512FF0F},
    {"JPGMid1Fin", 0x0513FF0F},
    {"JPGaMid1", 0x051F000F},
    {"HEIFMid1", 0x0580FF0F},
    {"JPGMid2", 0x0610FF0F},
    {"JPGMid2Nor", 0x0612FF0F},
    {"JPGMid2Fin", 0x0613FF0F},
    {"JPGaMid2", 0x061F000F},
    {"HEIFMid2", 0x0680FF0F},
    {"JPGSma1", 0x0E10FF0F},
    {"JPGSma1Nor", 0x0E12FF0F},
    {"JPGSma1Fin", 0x0E13FF0F},
    {"HEIFSma1", 0x0E80FF0F},
    {"HEIFSma1Nor", 0x0E82FF0F},
    {"HEIFSma1Fin", 0x0E83FF0F},
    {"JPGSma2", 0x0F10FF0F},
    {"JPGSma2Fin", 0x0F13FF0F},
    {"HEIFSma2", 0x0F80FF0F},
    {"HEIFSma2Fin", 0x0F83FF0F},
    {"JPGSma3", 0x1013FF0F},
    {"Unknown", 0xFFFFFFFF},
}};

const std::array<TPropList, 65> AEModeNames = {{
    {"P", 0x00},
    {"TV", 0x01},
    {"AV", 0x02},
    {"M", 0x03},
    {"Bulb", 0x04},
    {"Auto D.-of-F. AE", 0x05},
    {"D.-of-F. AE", 0x06},
    {"C", 0x07},
    {"Lock", 0x08},
    {"Auto", 0x09},
    {"Night Scene Portr.", 0x0A},
    {"Sports", 0x0B},
    {"Portrait", 0x0C},
    {"Landscape", 0x0D},
    {"Close-Up", 0x0E},
    {"Flash Off", 0x0F},
    {"undef1", 0x10},
    {"undef2", 0x11},
    {"undef3", 0x12},
    {"Creative Auto", 0x13},
    {"Movies", 0x14},
    {"Photo In Movie", 0x15},
    {"Scene intell.Auto", 0x16},
    {"Night Scenes", 0x17},
    {"Backlit Scenes", 0x18},
    {"undef4", 0x19},
    {"Kids", 0x1A},
    {"Food", 0x1B},
    {"Candlelight", 0x1C},
    {"undef5", 0x1D},
    {"Grainy B/W", 0x1E},
    {"Soft focus", 0x1F},
    {"Toy camera effect", 0x20},
    {"Fish-eye effect", 0x21},
    {"Water painting effect", 0x22},
    {"Miniature effect", 0x23},
    {"HDR art standard", 0x24},
    {"HDR art vivid", 0x25},
    {"HDR art bold", 0x26},
    {"HDR art embossed", 0x27},
    {"Dream", 0x28},
    {"Old Movies", 0x29},
    {"Memory", 0x2A},
    {"Dramatic B&W", 0x2B},
    {"Miniature effect movie", 0x2C},
    {"Panning", 0x2D},
    {"Group Photo", 0x2E},
    {"undef6", 0x2F},
    {"undef7", 0x30},
    {"undef8", 0x31},
    {"Myself (Self Portrait)", 0x32},
    {"Plus Movie Auto", 0x33},
    {"SmoothSkin", 0x34},
    {"undef9", 0x35},
    {"Silent Mode", 0x36},
    {"Flexible-priority AE", 0x37},
    {"Oil painting", 0x38},
    {"Fireworks", 0x39},
    {"Star portrait", 0x3A},
    {"Star nightscape", 0x3B},
    {"Star trails", 0x3C},
    {"Star time-lapse movie", 0x3D},
    {"Background blur", 0x3E},
    {"VideoBlog", 0x3F},
    {"Unknown", 0xFFFFFFFF},
}};

const std::array<TPropList, 40> ISOSpeedNames = {{
    {"AUTO", 0x00},
    {"6", 0x28},
    {"12", 0x30},
    {"25", 0x38},
    {"50", 0x40},
    {"100", 0x48},
    {"125", 0x4B},
    {"160", 0x4D},
    {"200", 0x50},
    {"250", 0x53},
    {"320", 0x55},
    {"400", 0x58},
    {"500", 0x5B},
    {"640", 0x5D},
    {"800", 0x60},
    {"1000", 0x63},
    {"1250", 0x65},
    {"1600", 0x68},
    {"2000", 0x6B},
    {"2500", 0x6D},
    {"3200", 0x70},
    {"4000", 0x73},
    {"5000", 0x75},
    {"6400", 0x78},
    {"8000", 0x7B},
    {"10000", 0x7D},
    {"12800", 0x80},
    {"16000", 0x83},
    {"20000", 0x85},
    {"25600", 0x88},
    {"32000", 0x8B},
    {"40000", 0x8D},
    {"51200", 0x90},
    {"64000", 0x93},
    {"80000", 0x95},
    {"102400", 0x98},
    {"204800", 0xA0},
    {"409600", 0xA8},
    {"819200", 0xB0},
    {"Unknown", 0xFFFFFFFF},
}};

const std::array<TPropList, 55> ApertureNames = {{
    {"f/1.0", 0x08},
    {"f/1.1", 0x0B},
    {"f/1.2", 0x0C},
    {"f/1.2 (1/3)", 0x0D},
    {"f/1.4", 0x10},
    {"f/1.6", 0x13},
    {"f/1.8", 0x14},
    {"f/1.8 (1/3)", 0x15},
    {"f/2.0", 0x18},
    {"f/2.2", 0x1B},
    {"f/2.5", 0x1C},
    {"f/2.5 (1/3)", 0x1D},
    {"f/2.8", 0x20},
    {"f/3.2", 0x23},
    {"f/3.5", 0x24},
    {"f/3.5 (1/3)", 0x25},
    {"f/4", 0x28},
    {"f/4.5", 0x2B},
    {"f/4.5 (1/3)", 0x2C},
    {"f/5", 0x2D},
    {"f/5.6", 0x30},
    {"f/6.3", 0x33},
    {"f/6.7", 0x34},
    {"f/7.1", 0x35},
    {"f/8", 0x38},
    {"f/9", 0x3B},
    {"f/9.5", 0x3C},
    {"f/10", 0x3D},
    {"f/11", 0x40},
    {"f/13 (1/3)", 0x43},
    {"f/13", 0x44},
    {"f/14", 0x45},
    {"f/16", 0x48},
    {"f/18", 0x4B},
    {"f/19", 0x4C},
    {"f/20", 0x4D},
    {"f/22", 0x50},
    {"f/25", 0x53},
    {"f/27", 0x54},
    {"f/29", 0x55},
    {"f/32", 0x58},
    {"f/36", 0x5B},
    {"f/38", 0x5C},
    {"f/40", 0x5D},
    {"f/45", 0x60},
    {"f/51", 0x63},
    {"f/54", 0x64},
    {"f/57", 0x65},
    {"f/64", 0x68},
    {"f/72", 0x6B},
    {"f/76", 0x6C},
    {"f/80", 0x6D},
    {"f/91", 0x70},
    {"f/3.4", 0x85},
    {"Unknown", 0xFFFFFFFF},
}};

const std::array<TPropList, 78> ShutterSpeedNames = {{
    {"Bulb", 0x0C},
    {"30\"", 0x10},
    {"25\"", 0x13},
    {"20\"", 0x14},
    {"20\"", 0x15},
    {"15\"", 0x18},
    {"13\"", 0x1B},
    {"10\"", 0x1C},
    {"10\"", 0x1D},
    {"8\"", 0x20},
    {"6\"", 0x23},
    {"6\"", 0x24},
    {"5\"", 0x25},
    {"4\"", 0x28},
    {"3\"2", 0x2B},
    {"3\"", 0x2C},
    {"2\"5", 0x2D},
    {"2\"", 0x30},
    {"1\"6", 0x33},
    {"1\"5", 0x34},
    {"1\"3", 0x35},
    {"1\"", 0x38},
    {"0\"8", 0x3B},
    {"0\"7", 0x3C},
    {"0\"6", 0x3D},
    {"0\"5", 0x40},
    {"0\"4", 0x43},
    {"0\"3", 0x44},
    {"0\"3", 0x45},
    {"1/4", 0x48},
    {"1/5", 0x4B},
    {"1/6", 0x4C},
    {"1/6", 0x4D},
    {"1/8", 0x50},
    {"1/10", 0x53},
    {"1/10", 0x54},
    {"1/13", 0x55},
    {"1/15", 0x58},
    {"1/20", 0x5B},
    {"1/20", 0x5C},
    {"1/25", 0x5D},
    {"1/30", 0x60},
    {"1/40", 0x63},
    {"1/45", 0x64},
    {"1/50", 0x65},
    {"1/60", 0x68},
    {"1/80", 0x6B},
    {"1/90", 0x6C},
    {"1/100", 0x6D},
    {"1/125", 0x70},
    {"1/160", 0x73},
    {"1/180", 0x74},
    {"1/200", 0x75},
    {"1/250", 0x78},
    {"1/320", 0x7B},
    {"1/350", 0x7C},
    {"1/400", 0x7D},
    {"1/500", 0x80},
    {"1/640", 0x83},
    {"1/750", 0x84},
    {"1/800", 0x85},
    {"1/1000", 0x88},
    {"1/1250", 0x8B},
    {"1/1500", 0x8C},
    {"1/1600", 0x8D},
    {"1/2000", 0x90},
    {"1/2500", 0x93},
    {"1/3000", 0x94},
    {"1/3200", 0x95},
    {"1/4000", 0x98},
    {"1/5000", 0x9B},
    {"1/6000", 0x9C},
    {"1/6400", 0x9D},
    {"1/8000", 0xA0},
    {"1/10000", 0xA3},
    {"1/12800", 0xA5},
    {"1/16000", 0xA8},
    {"Unknown", 0xFFFFFFFF},
}};

std::span<const TPropList> PropTable(int kind) {
    switch (kind) {
        case kKindImageQuality: return ImageQualityNames;
        case kKindAEMode: return AEModeNames;
        case kKindISO: return ISOSpeedNames;
        case kKindAv: return ApertureNames;
        case kKindTv: return ShutterSpeedNames;
        default: return {};
    }
}

int PropKind(uint32_t property) {
    switch (property) {
        case kEdsPropImageQuality: return kKindImageQuality;
        case kEdsPropAEMode: return kKindAEMode;
        case kEdsPropISOSpeed: return kKindISO;
        case kEdsPropAv: return kKindAv;
        case kEdsPropTv: return kKindTv;
        default: return -1;
    }
}

std::string NameByCode(int kind, uint32_t code) {
    const std::span<const TPropList> table = PropTable(kind);
    if (table.empty()) return {};
    for (const TPropList& row : table.first(table.size() - 1)) {  // all rows but "Unknown"
        if (row.code == code) return std::string(row.name);
    }
    return {};
}

bool KnownSettingName(int kind, std::string_view name) {
    const std::span<const TPropList> table = PropTable(kind);
    if (table.empty()) return false;
    for (const TPropList& row : table.first(table.size() - 1)) {  // all rows but "Unknown"
        if (SameNameIgnoringCase(row.name, name)) return true;
    }
    return false;
}

std::string KnownSettingNamesText(int kind) {
    const std::span<const TPropList> table = PropTable(kind);
    std::string text;
    for (const TPropList& row : table.first(table.empty() ? 0 : table.size() - 1)) {
        if (!text.empty()) text += ", ";
        text += row.name;
    }
    return text;
}

bool UnknownSettingCell(int column, std::string_view cell) {
    const int kind = column == kColumnQuality ? kKindImageQuality
                     : column == kColumnISO   ? kKindISO
                     : column == kColumnAperture ? kKindAv
                                                 : -1;
    if (kind < 0) return false;
    const std::string name = Trimmed(cell);
    return !name.empty() && !KnownSettingName(kind, name);
}

uint32_t IQCodeByName(std::string_view name) { return CodeByName(ImageQualityNames, name); }
uint32_t ISOCodeByName(std::string_view name) { return CodeByName(ISOSpeedNames, name); }
uint32_t AvCodeByName(std::string_view name) { return CodeByName(ApertureNames, name); }
uint32_t TvCodeByName(std::string_view name) { return CodeByName(ShutterSpeedNames, name); }

double ExposureSecondsOfTvName(std::string_view name) {
    if (const size_t slash = name.find('/'); slash != std::string_view::npos) {
        const auto numerator = ParseDecimal(name.substr(0, slash));
        const auto denominator = ParseDecimal(name.substr(slash + 1));
        return numerator && denominator && *denominator > 0 ? *numerator / *denominator : 0;
    }
    if (const size_t mark = name.find('"'); mark != std::string_view::npos) {
        std::string text(name.substr(0, mark));
        if (mark + 1 < name.size()) text += "." + std::string(name.substr(mark + 1));
        return ParseDecimal(text).value_or(0);
    }
    return 0;
}

std::string SettingName(uint32_t property, uint32_t code, const std::string& cameraText) {
    for (const TPropList& row : PropTable(PropKind(property))) {
        if (row.code == code) return std::string(row.name);
    }
    if (!cameraText.empty()) return cameraText;
    // A code newer than the name tables: shown as its code rather than ending the connect.
    return HexText(code, 4);
}

}  // namespace zelto
