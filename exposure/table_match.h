#pragma once

#include <string>
#include <vector>

#include "exposure/table.h"
#include "exposure/table_file.h"

// Before a run: is the table meant for the eclipse and site the main window shows, and for the
// eclipse's day? A table saved for another site, or one left over from another eclipse, would
// otherwise fire at instants that mean nothing here.

namespace zelto {

struct TableMatch {
    // One sentence per difference, for a message box or a warning line; empty when the table matches.
    std::vector<std::string> differences;
    bool Matches() const { return differences.empty(); }
    std::string Text() const;  // the sentences, one per line
};

// Compares the table's header (`tableSite`) with the main window's site and eclipse (`current`):
// the eclipse number, latitude and longitude within 0.0001° (texts that do not read as angles must be
// equal) and the height within 1 m. The table's first row with a phase and a readable date-time must
// lie within 12 hours of the current eclipse's greatest eclipse (`greatestEclipseJD`, UT), which
// allows for a site that sees the eclipse on the UT day before or after its catalog date.
TableMatch CheckTableMatch(const TableFileSite& tableSite, const ExposureTable& table, const TableFileSite& current,
                           double greatestEclipseJD);

}  // namespace zelto
