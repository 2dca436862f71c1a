#include "eclipse_data/file_text.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace zelto {

std::filesystem::path PathOf(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

bool WriteFileAtomically(const std::string& path, std::string_view content, std::string* why) {
    namespace fs = std::filesystem;
    const fs::path target = PathOf(path);
    fs::path temporary = target;
    temporary += ".tmp";
    const auto failed = [&](const std::string& reason) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        if (why) *why = reason;
        return false;
    };
    errno = 0;
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return failed(SystemErrorText());
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.flush();
    if (!out) return failed(SystemErrorText());
    out.close();
    if (out.fail()) return failed(SystemErrorText());
    std::error_code error;
    fs::rename(temporary, target, error);  // replaces an existing file
    if (error) return failed(error.message());
    return true;
}

std::string FileErrorText(const std::string& what, const std::string& path, const std::string& why) {
    return "I/O error: cannot " + what + " \"" + path + "\"" + (why.empty() ? std::string() : ": " + why);
}

std::string SystemErrorText() {
    const int code = errno;
    return code != 0 ? std::generic_category().message(code) : "input/output error";
}

bool ReadTextLines(const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    std::ifstream in(PathOf(path), std::ios::binary);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return true;
}

}  // namespace zelto
