#include "camera/shot_log.h"

#include <cmath>
#include <filesystem>

#include "eclipse_data/file_text.h"
#include "eclipse_data/julian.h"

namespace zelto {

namespace {

constexpr char kLineEnd[] = "\r\n";

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

}  // namespace

std::string_view ShotResultText(ShotResult result) {
    switch (result) {
        case ShotResult::Taken: return "taken";
        case ShotResult::Failed: return "failed";
        case ShotResult::Lost: return "lost";
        case ShotResult::Skipped: return "skipped";
        case ShotResult::Sound: return "sound";
        case ShotResult::Batch: return "batch";
        case ShotResult::Aborted: return "aborted";
        case ShotResult::SettingFailed: return "setting failed";
        case ShotResult::Simulated: return "simulated";
        case ShotResult::Switched: return "cloud plan";
    }
    return "";
}

std::string ShotLogTime(double jd) {
    if (jd == 0) return {};
    // Whole milliseconds of the day first, so that 59.9996 s carries into the next minute.
    const double dayStart = std::floor(jd - 0.5) + 0.5;
    auto ms = static_cast<long long>(std::llround((jd - dayStart) * 86400000.0));
    double day = dayStart;
    if (ms >= 86400000) ms -= 86400000, day += 1;
    const CalendarInstant date = JDToCalendar(day + 0.25);  // six in the morning: the date of the day
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02lld:%02lld:%02lld.%03lld", date.year, date.month, date.day,
                  ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
    return text;
}

std::string ShotLogLine(const ShotRecord& record) {
    return std::to_string(record.row + 1) + "," + CsvField(record.phase) + "," + ShotLogTime(record.scheduledJD) + "," +
           ShotLogTime(record.firstCallJD) + "," + ShotLogTime(record.shutterJD) + "," + CsvField(record.settings) +
           "," + std::string(ShotResultText(record.result)) + "," + CsvField(record.note) + "," +
           (record.trials > 0 ? std::to_string(record.trials) : std::string()) + "," + (record.simulated ? "yes" : "no");
}

std::string ShotLogFileName(double startJD, RunKind kind) {
    std::string stamp = ShotLogTime(startJD).substr(0, 19);  // "2024-04-08 18:15:47"
    std::string name = "ShotLog_" + stamp.substr(0, 10) + "_" + stamp.substr(11, 2) + stamp.substr(14, 2) + stamp.substr(17, 2);
    return name + (kind == RunKind::Test ? "_test.csv" : ".csv");
}

ShotLogFile::~ShotLogFile() {
    if (file_) std::fclose(file_);
}

bool ShotLogFile::Open(const std::string& path, std::string* why) {
    if (file_) std::fclose(file_), file_ = nullptr;
    path_ = path;
    std::error_code error;
    const bool fresh = !std::filesystem::exists(PathOf(path), error) || std::filesystem::file_size(PathOf(path), error) == 0;
#ifdef _WIN32
    file_ = _wfopen(PathOf(path).c_str(), L"ab");
#else
    file_ = std::fopen(PathOf(path).c_str(), "ab");
#endif
    if (!file_) {
        if (why) *why = SystemErrorText();
        return false;
    }
    if (fresh) {
        const std::string header = std::string(kShotLogHeader) + (cameraName_.empty() ? "" : ",camera") + kLineEnd;
        failed_ = std::fputs(header.c_str(), file_) < 0 || std::fflush(file_) != 0;
    }
    return true;
}

void ShotLogFile::Write(const ShotRecord& record) {
    if (!file_) return;
    const std::string line =
        ShotLogLine(record) + (cameraName_.empty() ? "" : "," + CsvField(cameraName_)) + kLineEnd;
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0) failed_ = true;
}

}  // namespace zelto
