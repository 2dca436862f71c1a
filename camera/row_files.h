#pragma once

#include <string>
#include <string_view>

#include "eclipse_data/program_values.h"
#include "exposure/table_check.h"

// The files a table's rows start: batch files from the application-data folder, sounds from the
// resource folder. A table may come from anyone, so a row may start only a script the user put in
// the folder, never one of the program's own files there, and may play only a sound in its folder.

namespace zelto {

// Why the batch row's name may not be started ("" when it may): not a plain file name in the folder
// (separators, "..", control characters such as an embedded NUL), or one of the program's own files
// (Zelto.prm, Zelto.opt, Camera.ini, shot logs, temporary files, and any file that reads as an
// exposure table or a shot log).
std::string BatchFileProblem(const WorkingFolders& folders, std::string_view name);
// Why the sound row's name may not be played ("" when it may): not a plain file name.
std::string SoundFileProblem(std::string_view name);
bool BatchFileFound(const WorkingFolders& folders, std::string_view name);
// The playing time of a WAV file in the resource folder in seconds; 0 when it cannot be read.
double SoundFileSeconds(const WorkingFolders& folders, std::string_view name);

// What a body takes besides its exposures, by camera backend ("virtual", "gphoto2", "edsdk", "none"):
// measured on the virtual camera and the camera emulator; any other name gets the slowest estimate.
CameraTiming CameraTimingOf(std::string_view backend);

// The check's input for tables run here: the camera tables, these folders' files and the body.
TableCheckInput TableCheckInputFor(const WorkingFolders& folders, double greatestEclipseJD,
                                   CameraTiming timing);

}  // namespace zelto
