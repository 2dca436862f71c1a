#pragma once

#include <string>
#include <vector>

#include "eclipse_data/program_values.h"
#include "exposure/table_check.h"

// The subcommands of zelto-cli. Each takes the arguments after its name and returns the exit code:
// 0 done, 2 bad arguments (after one line on standard error), others as the command documents.

namespace zelto::cli {

using Arguments = std::vector<std::string>;

int CatalogCommand(const Arguments& args);
int DeltaTCommand(const Arguments& args);
int CircumstancesCommand(const Arguments& args);
// 3: the site's visibility code allows no exposure table; 1: the file could not be written.
int TableCommand(const Arguments& args);
// run FILE [--camera virtual|gphoto2|edsdk|none] [--test] [--fast] [--simulate]: 0 the run ended normally,
// 1 it was aborted, the camera failed or no camera was found (without --simulate), 2 bad arguments or
// an unreadable file. With --body NAME=TABLE: several cameras (RunBodiesCommand), 0 only when every
// camera did all.
int RunCommand(const Arguments& args);

// check FILE [--camera NAME]: the table check's findings, one line each; 1 when a finding would lose
// pictures, 2 bad arguments or an unreadable file.
int CheckCommand(const Arguments& args);
// fit FILE --lat LAT --lon LON [--height M] [-o FILE]: the table moved to another site; 3 when it
// cannot be fitted there.
int FitCommand(const Arguments& args);

// The table check with this computer's folders and the body's timing, for the table's eclipse.
std::vector<TableFinding> CheckTableHere(const ExposureTable& table, int eclipseNumber, const std::string& camera,
                                         const WorkingFolders& folders);

// Prints "zelto-cli: " + message on standard error and returns 2.
int UsageError(const std::string& message);

}  // namespace zelto::cli
