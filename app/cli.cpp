// zelto-cli: the program's computations from the command line.
#include <cstdio>
#include <iostream>
#include <string>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "app/cli_commands.h"
#include "state/variables.h"
#include "version_data.h"

namespace zelto::cli {

namespace {

struct Command {
    const char* name;
    int (*run)(const Arguments&);
    const char* usage;
};

const Command kCommands[] = {
    {"catalog", CatalogCommand, "catalog                 the 224 catalog records as CSV"},
    {"deltat", DeltaTCommand, "deltat YEAR MONTH       automatic DeltaT in seconds"},
    {"circumstances", CircumstancesCommand,
     "circumstances --eclipse N --lat LAT --lon LON [--height M] [--deltat S] [--json]\n"
     "                          local circumstances at a site (LAT/LON: 25.5, 25N, 103.5W, 45:30S)"},
    {"table", TableCommand,
     "table --eclipse N --lat LAT --lon LON [--height M] [--deltat S] [--interval 1..9]\n"
     "      [--beads 6|8|10] [--ring 6|8|10] [--annular-interval 5..30] [--max-exposure 4|8]\n"
     "      [--quality NAME] [--iso NAME] [--aperture NAME] [-o FILE]\n"
     "                          the exposure table file for a site (standard output without -o)"},
    {"check", CheckCommand,
     "check FILE [--camera virtual|gphoto2|edsdk|none]\n"
     "                          what a run of the table would do wrong, one line per finding (exit 1\n"
     "                          when a finding would lose pictures)"},
    {"fit", FitCommand,
     "fit FILE --lat LAT --lon LON [--height M] [-o FILE]\n"
     "                          the table moved to another site, each row keeping its offset from its\n"
     "                          contact and every phase in order (standard output without -o)"},
    {"run", RunCommand,
     "run FILE [--camera virtual|gphoto2|edsdk|none] [--test] [--fast] [--simulate] [--inject SPEC]\n"
     "    [--from-now] [--log FILE] [--force] [--cloud-plan FILE]\n"
     "                          carry out an exposure table (--fast: simulated clock; without a camera\n"
     "                          the run stops with exit 1 unless --simulate or --camera none is given;\n"
     "                          --inject: virtual camera faults such as busy@19x3,fail@20,unplug@25+3,\n"
     "                          slow=5000; --from-now: skip the rows already past; --log: the shot log as\n"
     "                          CSV; --force: run a table made for another site, eclipse or day;\n"
     "                          --cloud-plan: the table SIGUSR1 switches the run to from its next row)\n"
     "run --body NAME=TABLE [--body NAME=TABLE ...] [--port NAME=PORT] [--camera virtual|gphoto2] [...]\n"
     "                          several cameras at once, each with its own table, known by serial\n"
     "                          number; every line names its camera; --inject unplug@NAME:19+3"},
};

void PrintHelp() {
    std::cout << "Usage: zelto-cli COMMAND [ARGUMENTS]\n"
                 "       zelto-cli --help | --version\n\nCommands:\n";
    for (const Command& command : kCommands) std::cout << "  " << command.usage << '\n';
    std::cout << "\nSites: LAT is north positive and LON east positive (a leading '-' is south or west),\n"
                 "or give the hemisphere as a letter: 25N, 103.5W, 45:30S, 2:21E. The program's status line\n"
                 "shows longitude west positive; --json names its fields lat_north and lon_east.\n";
    std::cout << "\nEclipse Predictions by Fred Espenak, NASA's GSFC\n";
}

}  // namespace

int UsageError(const std::string& message) {
    std::cerr << "zelto-cli: " << message << '\n';
    return 2;
}

}  // namespace zelto::cli

int main(int argc, char** argv) {
    using namespace zelto::cli;
#if defined(_WIN32)
    // What zelto-cli prints is the same bytes on every system: lines end in LF, and a table written
    // to standard output keeps its file's CR LF, where text mode would add a CR to every LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    if (argc < 2) {
        PrintHelp();
        return 2;
    }
    const std::string first = argv[1];
    if (first == "--help" || first == "-h") {
        PrintHelp();
        return 0;
    }
    if (first == "--version") {
        std::cout << "zelto-cli " << ZELTO_VERSION << '\n';
        return 0;
    }
    const Arguments args(argv + 2, argv + argc);
    for (const Command& command : kCommands) {
        if (first == command.name) return command.run(args);
    }
    return UsageError("unknown command '" + first + "' (see zelto-cli --help)");
}
