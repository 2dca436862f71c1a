#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "circumstances/site.h"
#include "eclipse_data/eclipse_state.h"

// "Zelto.prm": the site inputs, the eclipse and the ΔT settings carried from one run to the next.
// Nine CR LF lines; lines 2 to 8 carry a label after a TAB that only a human reader uses.

namespace zelto {

inline constexpr const char* kParameterFileName = "Zelto.prm";

enum class ParameterFileResult {
    Missing,       // no file: the inputs keep their defaults
    OtherVersion,  // written by another program version: deleted, defaults apply
    Read,
};

// Fills the inputs from the file. The texts go through the same cleaning as typed ones; a number the
// program would not have written ("9e1") keeps its value, written plainly. A latitude or longitude that
// cannot be read or lies beyond 90° or 180° becomes "0.0000", a height that cannot be read or lies
// outside −500 to 20000 m becomes "0000", a ΔT beyond 0 to 500 s becomes empty (0); the eclipse number
// is limited to 1 to 224. So what is loaded is what a save writes and the next start loads again.
// SelectedEclipse is set, but the record is not selected (the caller moves the eclipse selection).
ParameterFileResult ReadParameterFile(const std::string& path, const std::string& versionText,
                                      SiteInputs& site, EclipseState& eclipse);
// The same for the file's lines (without line ends); another version changes nothing and deletes nothing.
ParameterFileResult ReadParameterLines(std::vector<std::string> lines, const std::string& versionText,
                                       SiteInputs& site, EclipseState& eclipse);

// The inputs the file holds, read the same way but whatever version wrote it, and never deleted:
// for a tool that only looks at the site the program saved. False when there is no file.
bool PeekParameterFile(const std::string& path, SiteInputs& site, EclipseState& eclipse);

// The nine lines as the file holds them.
std::string ParameterFileText(const std::string& versionText, const SiteInputs& site,
                              const EclipseState& eclipse);

// Writes the file atomically; false when it could not be written (an old file then stays intact), and
// `message`, when given, receives the text to show ("I/O error: cannot write "…": reason").
bool WriteParameterFile(const std::string& path, const std::string& versionText, const SiteInputs& site,
                        const EclipseState& eclipse, std::string* message = nullptr);

// "Zelto.opt": the main window's options that are kept from one run to the next, one "Name=value" line
// each (CR LF). "Zelto.prm" keeps its nine lines, which other program versions read as they are; a
// line this version does not know is ignored, so later options can be added without breaking it.
inline constexpr const char* kOptionsFileName = "Zelto.opt";

// A camera of several, kept as "Camera=NAME,SERIAL,TABLE": the name the user gave the body, the serial
// number that recognises it on whatever port it is plugged into (empty until it was first connected)
// and the exposure table file the program runs on it (empty: none chosen; a line of two fields has
// none). The table comes last, so a path may hold commas.
struct KeptCamera {
    std::string name;
    std::string serial;
    std::string table;
    bool operator==(const KeptCamera&) const = default;
};

// A name a camera can be kept and named by on a command line and in a fault rehearsal: not empty,
// without blanks, "=", ":", "," or quotes.
bool IsCameraName(std::string_view name);

struct ProgramOptions {
    bool SpokenCountdown = false;  // "Spoken countdown"
    bool KeepAwake = true;         // "Keep awake around the eclipse": 15 min before C1 to 15 min after C4
    bool NightMode = false;        // the eclipse-day view in red on black
    std::vector<KeptCamera> Cameras;  // in the order the user named them
    bool operator==(const ProgramOptions&) const = default;
};

// The options in the file; the defaults for a missing file and for every line that is missing or
// does not read as "0" or "1". A camera line without a name, or naming a camera already read, is
// ignored.
ProgramOptions ReadOptionsFile(const std::string& path);
// Writes the file atomically; false when it could not be written.
bool WriteOptionsFile(const std::string& path, const ProgramOptions& options);

}  // namespace zelto
