#include "exposure/table_check.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

#include "eclipse_data/datetext.h"
#include "eclipse_data/julian.h"
#include "eclipse_data/number_text.h"

namespace zelto {

namespace {

constexpr double kHalfDay = 0.5;           // days: the first row's distance from greatest eclipse
constexpr double kLoopMarginSeconds = 10;  // the run starts a loop's picture only this long before its end
constexpr int kSettingColumns[] = {kColumnQuality, kColumnISO, kColumnAperture};
const char* const kSettingWords[] = {"image quality", "ISO", "aperture"};

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string RowWord(int row) {
    return "row " + std::to_string(row + 1);
}
std::string Seconds(double seconds) {
    return FixedText(seconds, 1) + " s";
}
std::string TimeOf(double jd) {
    return JDText(jd, 1).substr(11);
}

std::string ColumnTitle(int column) {
    std::string title(kExposureColumnTitles[static_cast<size_t>(column)]);
    if (const size_t split = title.find(';'); split != std::string::npos) title.erase(split, 1);
    return title;
}

enum class RowKind { Photograph, Loop, Sound, Batch };

// The run's state as the check follows it through the table.
struct RunTrace {
    double busyUntil = 0;  // JD: when the previous row's actions end (0: none yet)
    int busyRow = -1;      // that row
    bool busyWithBanner = false;
    double soundEnd = 0;  // JD: when the last sound has played and its banner ended
    double lastSoundStart = 0;
    int soundRow = -1;
    double lastInstant = 0;
    int lastRow = -1;
    std::string settings[3];  // the image quality, ISO and aperture last written
    int tvColumn = -1;        // the shutter column last written
    bool dayChecked = false;
};

class TableChecker {
  public:
    TableChecker(const ExposureTable& table, const TableCheckInput& input) : table_(table), in_(input) {}

    std::vector<TableFinding> Run() {
        for (int row = 0; row < table_.RowCount(); ++row) CheckRow(row);
        return std::move(findings_);
    }

  private:
    void Add(int row, FindingKind kind, std::string text) {
        findings_.push_back({row, kind, std::move(text)});
    }
    double Day(double seconds) const { return seconds / kSecondsPerDay; }

    RowKind KindOf(const ExposureRow& cells) const {
        const std::string kind = Upper(Trimmed(cells[kColumnKind]));
        if (kind == "BAT") return RowKind::Batch;
        if (kind == "WAV") return RowKind::Sound;
        const std::string phase = Trimmed(cells[kColumnPhase]);
        return phase.size() >= 4 && Upper(phase.substr(0, 4)) == "LOOP" ? RowKind::Loop : RowKind::Photograph;
    }

    void CheckRow(int row) {
        const ExposureRow& cells = table_.Row(row);
        const std::string name = Trimmed(cells[kColumnPhase]);
        if (name.empty()) return;  // the run passes blank rows by
        const RowKind kind = KindOf(cells);
        CheckFiles(row, kind, name);
        if (kind == RowKind::Photograph || kind == RowKind::Loop) CheckSettingNames(row, cells);
        const std::optional<double> instant = ReadDateStrJD(cells[kColumnDateTime]);
        if (!instant) {
            Add(row, FindingKind::UnreadableDateTime,
                RowWord(row) + ": \"" + cells[kColumnDateTime] +
                    "\" is no date-time, so the run skips the row. Write its instant as "
                    "YYYY-MM-DD hh:mm:ss.s (UT).");
            return;
        }
        CheckDay(row, *instant);
        const bool inOrder = trace_.lastRow < 0 || *instant >= trace_.lastInstant;
        if (!inOrder) {
            Add(row, FindingKind::OutOfOrder,
                RowWord(row) + " (" + TimeOf(*instant) + ") comes before " + RowWord(trace_.lastRow) + " (" +
                    TimeOf(trace_.lastInstant) +
                    "): the run would start it late, at once after that row. Put the rows in time order.");
        }
        const double settingsTime =
            kind == RowKind::Photograph || kind == RowKind::Loop ? SettingWrites(cells) : 0;
        if (inOrder) CheckRoomBefore(row, kind, *instant, settingsTime);
        Follow(row, kind, cells, *instant, settingsTime);
        trace_.lastInstant = std::max(trace_.lastInstant, *instant);
        trace_.lastRow = trace_.lastInstant == *instant ? row : trace_.lastRow;
    }

    void CheckFiles(int row, RowKind kind, const std::string& name) {
        if (kind == RowKind::Batch) {
            std::string why = in_.batchProblem ? in_.batchProblem(name) : std::string();
            if (!why.empty()) {
                Add(row, FindingKind::FileRefused, RowWord(row) + ": " + why);
            } else if (in_.batchFound && !in_.batchFound(name)) {
                Add(row, FindingKind::BatchNotFound,
                    RowWord(row) + ": the batch file \"" + name +
                        "\" is not in the program's folder, so the run cannot start it. Put it there, or "
                        "delete the row.");
            }
        } else if (kind == RowKind::Sound && in_.soundProblem) {
            if (std::string why = in_.soundProblem(name); !why.empty())
                Add(row, FindingKind::FileRefused, RowWord(row) + ": " + why);
        }
    }

    void CheckSettingNames(int row, const ExposureRow& cells) {
        if (!in_.unknownSetting) return;
        for (size_t i = 0; i < 3; ++i) {
            const std::string cell = Trimmed(cells[static_cast<size_t>(kSettingColumns[i])]);
            if (in_.unknownSetting(kSettingColumns[i], cell)) {
                Add(row, FindingKind::UnknownSetting,
                    RowWord(row) + ": " + kSettingWords[i] + " \"" + cell +
                        "\" is not a name the camera tables know, so the camera keeps its own. Choose a name "
                        "from the list, or leave the cell empty.");
            }
        }
    }

    void CheckDay(int row, double instant) {
        if (trace_.dayChecked || in_.greatestEclipseJD <= 0) return;
        trace_.dayChecked = true;
        if (std::fabs(instant - in_.greatestEclipseJD) <= kHalfDay) return;
        Add(row, FindingKind::NotOnEclipseDay,
            RowWord(row) + " is on " + JDText(instant, 1).substr(0, 10) + ", not on the eclipse's day (" +
                JDText(in_.greatestEclipseJD, 1).substr(0, 10) +
                "): the table was made for another eclipse. Create the table again, or fit it.");
    }

    // The settings a photograph row writes before its wait: those that differ from what the camera has.
    double SettingWrites(const ExposureRow& cells) {
        int writes = 0;
        for (size_t i = 0; i < 3; ++i) {
            const std::string cell = Trimmed(cells[static_cast<size_t>(kSettingColumns[i])]);
            if (cell.empty() || Upper(cell) == Upper(trace_.settings[i])) continue;
            trace_.settings[i] = cell;
            ++writes;
        }
        return writes * in_.timing.settingSeconds;
    }

    // Whatever the row before still does (pictures, a sound's banner), and this row's settings, must
    // be done by this row's instant.
    void CheckRoomBefore(int row, RowKind kind, double instant, double settingsTime) {
        if (kind == RowKind::Sound && trace_.soundRow >= 0 && instant < trace_.soundEnd) {
            Add(row, FindingKind::SoundOverlap,
                RowWord(row) + ": its sound starts " +
                    Seconds((instant - trace_.lastSoundStart) * kSecondsPerDay) + " after the one of " +
                    RowWord(trace_.soundRow) + ", which with its banner lasts " +
                    Seconds((trace_.soundEnd - trace_.lastSoundStart) * kSecondsPerDay) +
                    ". Move it later, or delete one of the two.");
            return;
        }
        if (trace_.busyRow < 0 || kind == RowKind::Loop) return;  // a loop's instant is its end
        const double ready = trace_.busyUntil + Day(settingsTime);
        if (ready <= instant) return;
        const double gap = (instant - trace_.lastInstant) * kSecondsPerDay;
        const double need = (ready - trace_.lastInstant) * kSecondsPerDay;
        const int before = trace_.busyRow;
        const std::string what =
            trace_.busyWithBanner
                ? "its sound holds the run " + Seconds(kSoundBannerSeconds) + " for its banner"
                : "its pictures need " + Seconds(need) +
                      " (exposures, settings and the camera's time per picture)";
        Add(before, FindingKind::NoTimeForPictures,
            RowWord(before) + ": " + what + " but " + RowWord(row) + " comes " + Seconds(gap) +
                " later, so pictures would be lost. Move " + RowWord(row) +
                " later or take fewer pictures in " + RowWord(before) + ".");
    }

    // The time the row's actions take after its instant, and what the camera holds afterwards.
    void Follow(int row, RowKind kind, const ExposureRow& cells, double instant, double settingsTime) {
        const bool first = trace_.busyRow < 0;
        const double start = std::max(instant, trace_.busyUntil + Day(settingsTime));
        trace_.busyWithBanner = false;
        trace_.busyRow = row;
        switch (kind) {
            case RowKind::Batch:
                trace_.busyUntil = start;
                return;
            case RowKind::Sound: {
                trace_.busyUntil = start + Day(kSoundBannerSeconds);
                trace_.busyWithBanner = true;
                const double played = in_.soundSeconds ? in_.soundSeconds(Trimmed(cells[kColumnPhase])) : 0;
                trace_.soundEnd = start + Day(std::max(played, kSoundBannerSeconds));
                trace_.lastSoundStart = start;
                trace_.soundRow = row;
                return;
            }
            case RowKind::Photograph:
                trace_.busyUntil = start + Day(PicturesSeconds(cells));
                return;
            case RowKind::Loop:
                // A loop that opens the table starts with the run, early enough.
                FollowLoop(row, cells, first ? 0 : trace_.busyUntil + Day(settingsTime), instant);
                return;
        }
    }

    double PictureSeconds(int column) {
        double seconds = in_.timing.pictureSeconds + ColumnExposureSeconds(column);
        if (column != trace_.tvColumn) seconds += in_.timing.settingSeconds;
        trace_.tvColumn = column;
        return seconds;
    }

    double PicturesSeconds(const ExposureRow& cells) {
        double seconds = 0;
        for (int column = kColumnFirstShutter; column <= kColumnLastShutter; ++column) {
            if (Upper(Trimmed(cells[static_cast<size_t>(column)])) == "X") seconds += PictureSeconds(column);
        }
        return seconds;
    }

    // A loop starts when the row before it is done and takes pictures until its instant, each only
    // while it still fits: one whole pass of its marked pictures must fit.
    void FollowLoop(int row, const ExposureRow& cells, double start, double end) {
        double at = start;
        for (int column = kColumnFirstShutter; start > 0 && column <= kColumnLastShutter; ++column) {
            if (Upper(Trimmed(cells[static_cast<size_t>(column)])) != "X") continue;
            if (at + Day(LoopPictureEstimateSeconds(column)) >= end) {
                Add(row, FindingKind::LoopTooShort,
                    RowWord(row) + ": the loop has " + Seconds((end - start) * kSecondsPerDay) +
                        " from the end of the row before to its end, too little for one pass of its pictures "
                        "(the " +
                        ColumnTitle(column) +
                        " picture and those after it would be skipped). Unmark its longest exposures, or "
                        "end it later.");
                break;
            }
            at += Day(PictureSeconds(column));
        }
        trace_.busyUntil = std::max(end, at);
        trace_.tvColumn = -1;  // the loop ends at any of its columns
    }

    const ExposureTable& table_;
    const TableCheckInput& in_;
    std::vector<TableFinding> findings_;
    RunTrace trace_;
};

}  // namespace

bool FindingLosesPictures(FindingKind kind) {
    switch (kind) {
        case FindingKind::UnreadableDateTime:
        case FindingKind::OutOfOrder:
        case FindingKind::NoTimeForPictures:
        case FindingKind::LoopTooShort:
        case FindingKind::NotOnEclipseDay:
            return true;
        default:
            return false;
    }
}

double ColumnExposureSeconds(int column) {
    return std::ldexp(1.0, column - 19);
}

double LoopPictureEstimateSeconds(int column) {
    return 4e-6 * std::exp(0.691 * column) + kLoopMarginSeconds;
}

std::vector<TableFinding> CheckExposureTable(const ExposureTable& table, const TableCheckInput& input) {
    if (table.IsNoTable()) return {};
    return TableChecker(table, input).Run();
}

std::string FindingsText(const std::vector<TableFinding>& findings) {
    std::string text;
    for (const TableFinding& finding : findings) text += finding.text + "\n";
    return text;
}

}  // namespace zelto
