#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "exposure/table.h"

// The table check: what a run of the table would do wrong, found before the run. Each finding names
// the row and says what to do; the windows and zelto-cli only show the findings.

namespace zelto {

// What a camera body takes besides the exposure itself, in seconds: a setting write (the call and the
// run's pause before it), and a picture (the release call, storing the picture until the body
// answers again, and the run's pause).
struct CameraTiming {
    double settingSeconds = 0;
    double pictureSeconds = 0;
};

enum class FindingKind {
    UnreadableDateTime,  // the run skips the row
    OutOfOrder,          // the row's instant lies before the previous row's
    NoTimeForPictures,   // the row's pictures, or a sound's banner, run into the next row's instant
    LoopTooShort,        // a loop row cannot do one pass of its marked pictures
    UnknownSetting,      // an image quality, ISO or aperture the camera tables do not know
    SoundOverlap,        // a sound row starts before the previous sound has ended
    FileRefused,         // a batch or sound name the run refuses to start or play
    BatchNotFound,       // no such batch file in the folder
    NotOnEclipseDay,     // the first row lies more than 12 hours from greatest eclipse
};

struct TableFinding {
    int row = 0;  // from 0
    FindingKind kind = FindingKind::OutOfOrder;
    std::string text;  // names the row (from 1) and says what to do
};

// Whether a run of the table would lose pictures (or take them at the wrong instant) for it.
bool FindingLosesPictures(FindingKind kind);

// What the check knows beyond the table. The callbacks are the camera layer's rules; an empty one
// checks nothing of its kind.
struct TableCheckInput {
    double greatestEclipseJD = 0;  // UT; 0: the day is not checked
    CameraTiming timing;
    // True for a setting cell (columns 3 to 5) the camera tables do not know.
    std::function<bool(int column, std::string_view cell)> unknownSetting;
    // Why the batch or sound file named by a row may not be started or played ("" when it may), and
    // whether a batch file is there.
    std::function<std::string(std::string_view name)> batchProblem;
    std::function<std::string(std::string_view name)> soundProblem;
    std::function<bool(std::string_view name)> batchFound;
    // How long a sound plays, in seconds (0: unknown).
    std::function<double(std::string_view name)> soundSeconds;
};

// How long a sound row holds the run: its banner blinks for just over 5 s.
inline constexpr double kSoundBannerSeconds = 5.1;

// The exposure of a shutter column (6: 1/8000 s … 22: 8 s) in seconds, as its title says.
double ColumnExposureSeconds(int column);
// The run's estimate for a loop's picture: the exposure with room to spare, plus 10 s of margin.
double LoopPictureEstimateSeconds(int column);

// Every finding, in row order (one row may have several).
std::vector<TableFinding> CheckExposureTable(const ExposureTable& table, const TableCheckInput& input);

// The findings as lines "row 9: ..." for zelto-cli and the run's question.
std::string FindingsText(const std::vector<TableFinding>& findings);

}  // namespace zelto
