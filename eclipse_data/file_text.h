#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The program's own text files (parameter file, tables, log): 8-bit text with CR LF line ends.

namespace zelto {

// A file path from the program's UTF-8 text, whatever the system's own code page.
std::filesystem::path PathOf(std::string_view utf8);

// Writes `content` to a temporary file beside `path`, flushes it to disk, renames it over `path` and
// flushes the folder, so that neither a failed write nor a power loss leaves a half-written or empty
// file where a good one stood. False when any step fails; `why`, when given, then receives the reason
// ("Permission denied"). The old file stays as it was unless only the last flush failed.
bool WriteFileAtomically(const std::string& path, std::string_view content, std::string* why = nullptr);

// True when both paths name one existing file (through links or different spellings).
bool SameFile(const std::string& a, const std::string& b);

// The message a failed file step shows: I/O error: cannot write "…": reason (the reason left out when
// empty).
std::string FileErrorText(const std::string& what, const std::string& path, const std::string& why);

// The last system error as text ("Permission denied"), read right after the failing call.
std::string SystemErrorText();

// The lines of a text file without their line ends (CR LF or LF); nothing when it cannot be read.
bool ReadTextLines(const std::string& path, std::vector<std::string>& lines);

}  // namespace zelto
