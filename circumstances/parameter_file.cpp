#include "circumstances/parameter_file.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "circumstances/site.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/file_text.h"
#include "eclipse_data/number_text.h"

namespace zelto {

namespace {

constexpr char kLineEnd[] = "\r\n";

// The text without its label: `count` characters deleted from the TAB on.
std::string WithoutLabel(std::string line, size_t count) {
    const size_t tab = line.find('\t');
    if (tab != std::string::npos) line.erase(tab, count);
    return line;
}

// The decimal integer at the start of a line ("51<TAB>Eclipse#" gives 51); nullopt without digits.
std::optional<long long> LeadingInteger(const std::string& line) {
    size_t end = 0;
    if (end < line.size() && (line[end] == '-' || line[end] == '+')) ++end;
    const size_t digitsStart = end;
    while (end < line.size() && line[end] >= '0' && line[end] <= '9' && end - digitsStart < 9) ++end;
    if (end == digitsStart) return std::nullopt;
    return ParseInteger(line.substr(0, end));
}

// A stored number as its edit would hold it. A plain text (a sign and blanks dropped, as the edit
// drops them) stays as it is. A text in another notation that still reads as a number ("9e1") keeps
// its value, written plainly ("90"), rather than losing its letters to the cleaning ("91"). nullopt
// when the text does not read at all.
std::optional<std::string> StoredNumberText(std::string_view line, std::string (*clean)(std::string_view)) {
    const std::string text = Trimmed(line);
    std::string_view magnitude = text;
    if (!magnitude.empty() && (magnitude.front() == '-' || magnitude.front() == '+'))
        magnitude.remove_prefix(1);
    if (clean(magnitude) == magnitude) return std::string(magnitude);
    const SexagesimalReading reading = SexagesimalValue(text);
    if (reading.code != 0) return std::nullopt;
    return PlainText(std::fabs(reading.value));
}

// The text the angle edit gets; "0.0000" when it does not read or lies beyond `limit`, so that the
// value loaded is the value that is saved and loaded again.
std::string AngleLine(const std::string& line, double limit) {
    const std::string text = StoredNumberText(WithoutLabel(line, 80), CleanAngleText).value_or("");
    const SexagesimalReading reading = SexagesimalValue(text);
    if (reading.code != 0 || reading.value > limit) return "0.0000";
    return text;
}

// The height line's text: a plain number as it stands, another notation ("1e3") by its value.
std::string HeightLine(const std::string& line) {
    const std::string text = Trimmed(line);
    if (ParseDecimal(text)) return text;
    const DecimalReading reading = ReadDecimal(text);
    return reading.code == 0 ? PlainText(reading.value) : text;
}

// Lines 2 to 9 into the inputs.
void ApplyParameterLines(std::vector<std::string> lines, SiteInputs& site, EclipseState& eclipse) {
    lines.resize(9);  // a short file reads its missing lines as empty ones

    // A line 2 without a number keeps the selection it found.
    if (const auto number = LeadingInteger(lines[1])) {
        eclipse.SelectedEclipse = static_cast<int>(std::clamp<long long>(*number, 1, kEclipseCount));
    }

    const std::string deltaTLine = WithoutLabel(lines[2], 40);
    const DeltaTEdit deltaT =
        ReadDeltaTEdit(StoredNumberText(deltaTLine, CleanDeltaTText).value_or(deltaTLine));
    site.DeltaTText = deltaT.text;
    eclipse.ManualDeltaTUsable = deltaT.applied;
    if (deltaT.applied) eclipse.ManualDeltaT = deltaT.manualDeltaT;

    eclipse.ManualDeltaTOn = LeadingInteger(lines[3]) == 1;

    site.Lati = AngleLine(lines[4], 90);
    site.NS.assign(1, lines[5] == "N" ? 'N' : 'S');
    site.Long = AngleLine(lines[6], 180);
    site.EW.assign(1, lines[7] == "E" ? 'E' : 'W');

    const std::string heightText = HeightLine(lines[8]);
    const std::optional<double> height = ParseDecimal(heightText);
    const bool heightOk = height && *height >= -500 && *height <= 20000;
    site.Height = CleanHeightText(heightOk ? heightText : "0000");
}

}  // namespace

ParameterFileResult ReadParameterFile(const std::string& path, const std::string& versionText,
                                      SiteInputs& site, EclipseState& eclipse) {
    std::vector<std::string> lines;
    if (!ReadTextLines(path, lines)) return ParameterFileResult::Missing;
    const ParameterFileResult result = ReadParameterLines(std::move(lines), versionText, site, eclipse);
    if (result == ParameterFileResult::OtherVersion) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    return result;
}

ParameterFileResult ReadParameterLines(std::vector<std::string> lines, const std::string& versionText,
                                       SiteInputs& site, EclipseState& eclipse) {
    if (lines.empty() || lines[0] != versionText) return ParameterFileResult::OtherVersion;
    ApplyParameterLines(std::move(lines), site, eclipse);
    return ParameterFileResult::Read;
}

bool PeekParameterFile(const std::string& path, SiteInputs& site, EclipseState& eclipse) {
    std::vector<std::string> lines;
    if (!ReadTextLines(path, lines) || lines.empty()) return false;
    ApplyParameterLines(std::move(lines), site, eclipse);
    return true;
}

std::string ParameterFileText(const std::string& versionText, const SiteInputs& site,
                              const EclipseState& eclipse) {
    std::string text;
    const auto line = [&text](const std::string& content) { text += content + kLineEnd; };
    line(versionText);
    line(std::to_string(eclipse.SelectedEclipse) + "\tEclipse#");
    line(site.DeltaTText + "\tmy DeltaT (sec)");
    line(eclipse.ManualDeltaTOn ? "1\tmanual DeltaT" : "0\tautomatic DeltaT");
    line(site.Lati + "\tLatitude");
    line(site.NS == "S" ? "S" : "N");
    line(site.Long + "\tLongitude");
    line(site.EW == "E" ? "E" : "W");
    line(site.Height);
    return text;
}

bool WriteParameterFile(const std::string& path, const std::string& versionText, const SiteInputs& site,
                        const EclipseState& eclipse, std::string* message) {
    std::string why;
    if (WriteFileAtomically(path, ParameterFileText(versionText, site, eclipse), &why)) return true;
    if (message) *message = FileErrorText("write", path, why);
    return false;
}

namespace {
constexpr char kSpokenCountdownName[] = "SpokenCountdown";
constexpr char kKeepAwakeName[] = "KeepAwake";
constexpr char kNightModeName[] = "NightMode";
constexpr char kCameraName[] = "Camera";

std::string OptionLine(const char* name, bool value) {
    return std::string(name) + "=" + (value ? "1" : "0") + kLineEnd;
}
}  // namespace

bool IsCameraName(std::string_view name) {
    return !name.empty() && name.find_first_of(" \t=:,\"") == std::string_view::npos;
}

ProgramOptions ReadOptionsFile(const std::string& path) {
    ProgramOptions options;
    std::vector<std::string> lines;
    if (!ReadTextLines(path, lines)) return options;
    for (const std::string& line : lines) {
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string name = Trimmed(line.substr(0, equals));
        const std::string value = Trimmed(line.substr(equals + 1));
        if (name == kCameraName) {
            const size_t comma = value.find(',');
            const size_t second = comma == std::string::npos ? comma : value.find(',', comma + 1);
            KeptCamera camera{
                Trimmed(value.substr(0, comma)),
                comma == std::string::npos ? std::string()
                                           : Trimmed(value.substr(comma + 1, second - comma - 1)),
                second == std::string::npos ? std::string() : Trimmed(value.substr(second + 1))};
            bool known = camera.name.empty();
            for (const KeptCamera& kept : options.Cameras) known = known || kept.name == camera.name;
            if (!known) options.Cameras.push_back(camera);
            continue;
        }
        if (value != "0" && value != "1") continue;
        if (name == kSpokenCountdownName) options.SpokenCountdown = value == "1";
        if (name == kKeepAwakeName) options.KeepAwake = value == "1";
        if (name == kNightModeName) options.NightMode = value == "1";
    }
    return options;
}

bool WriteOptionsFile(const std::string& path, const ProgramOptions& options) {
    std::string text = OptionLine(kSpokenCountdownName, options.SpokenCountdown) +
                       OptionLine(kKeepAwakeName, options.KeepAwake) + OptionLine(kNightModeName, options.NightMode);
    for (const KeptCamera& camera : options.Cameras) {
        text += std::string(kCameraName) + "=" + camera.name + "," + camera.serial +
                (camera.table.empty() ? "" : "," + camera.table) + kLineEnd;
    }
    return WriteFileAtomically(path, text);
}

}  // namespace zelto
