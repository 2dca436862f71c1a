#include "eclipse_data/file_text.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <thread>
#include <filesystem>
#include <fstream>
#include <system_error>

// Flushing to disk needs the system's own calls; they stay in this one place, with a fallback where
// they do not exist.
#if defined(__unix__) || defined(__APPLE__)
#define ZELTO_POSIX_SYNC 1
#include <fcntl.h>
#include <unistd.h>
#endif

namespace zelto {

namespace {

// Waits until the system has put a file's data, or a folder's entries, on the disk. Without it a
// power loss soon after a save may leave an empty file under the new name.
bool SyncToDisk(const std::filesystem::path& path, bool folder) {
#if defined(ZELTO_POSIX_SYNC)
    const int fd = ::open(path.c_str(), folder ? O_RDONLY | O_DIRECTORY : O_WRONLY);
    if (fd < 0) return false;
    // Some file systems cannot flush a folder; for them the rename is as safe as it gets.
    const bool synced = ::fsync(fd) == 0 || (folder && (errno == EINVAL || errno == ENOTSUP));
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
#else
    (void)path, (void)folder;
    return true;  // the stream's flush is all a portable program can ask for
#endif
}

// ".<16 hex digits>.tmp", different for every call in every process: two programs (or threads)
// saving the same file never write through one temporary file, nor rename it from under the other.
std::string UniqueTemporarySuffix() {
    static std::atomic<uint64_t> calls{0};
    static const uint64_t processSeed = [] {
        std::random_device device;
        return (static_cast<uint64_t>(device()) << 32) ^ device() ^
               static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }();
    uint64_t value = processSeed + 0x9E3779B97F4A7C15ULL * ++calls;
    value ^= std::hash<std::thread::id>{}(std::this_thread::get_id());
    value = (value ^ (value >> 31)) * 0xBF58476D1CE4E5B9ULL;
    value ^= value >> 27;
    static const char kDigits[] = "0123456789abcdef";
    std::string suffix = ".";
    for (int shift = 60; shift >= 0; shift -= 4) suffix += kDigits[(value >> shift) & 0xF];
    return suffix + ".tmp";
}

}  // namespace

std::filesystem::path PathOf(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

bool WriteFileAtomically(const std::string& path, std::string_view content, std::string* why) {
    namespace fs = std::filesystem;
    const fs::path target = PathOf(path);
    fs::path temporary = target;
    temporary += UniqueTemporarySuffix();
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
    // The data is on the disk before the new name points at it, and the new name is on the disk
    // before the save counts as done.
    errno = 0;
    if (!SyncToDisk(temporary, false)) return failed(SystemErrorText());
    std::error_code error;
    fs::rename(temporary, target, error);  // replaces an existing file
    if (error) return failed(error.message());
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    errno = 0;
    if (!SyncToDisk(folder, true)) {
        if (why) *why = "written, but its folder could not be flushed to disk: " + SystemErrorText();
        return false;
    }
    return true;
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(PathOf(a), PathOf(b), error) && !error;
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
