#pragma once

#include <string>
#include <vector>

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

// Prints "zelto-cli: " + message on standard error and returns 2.
int UsageError(const std::string& message);

}  // namespace zelto::cli
