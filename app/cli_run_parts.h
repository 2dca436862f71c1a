#pragma once

// What zelto-cli run with one camera and with several share.

#include "app/cli_commands.h"
#include "exposure/table_file.h"
#include "exposure/table_match.h"
#include "state/variables.h"

namespace zelto::cli {

// The table against the site and eclipse the main window last saved (Zelto.prm, only looked at), or
// against its own header when there is none, and against the eclipse's day.
TableMatch MatchWithSavedSite(const SharedVariables& shared, const TableFileReading& reading);

// The arguments name bodies (--body NAME=TABLE): a run of several cameras.
bool NamesBodies(const Arguments& args);
int RunBodiesCommand(const Arguments& args);

}  // namespace zelto::cli
