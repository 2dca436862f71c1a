#pragma once

#include <string>
#include <vector>

#include "eclipse_data/catalog.h"
#include "exposure/table.h"
#include "exposure/table_file.h"

// Moving a table to another site: every row keeps its offset from the contact it was nearest to at
// the table's own site, so a schedule made at home serves where the observer ends up on the day. A
// phase that is shorter at the new site cannot keep every offset: rows of one phase never cross and
// never leave it, and those that cannot keep their offset are placed in proportion within the phase.

namespace zelto {

struct TableFit {
    bool fitted = false;
    std::string message;  // why not, when not fitted; else what was done
    ExposureTable table{0};
    // Rows (0-based) whose offset no longer fits their phase at the new site (it would leave the
    // phase, or cross another row of it), or whose instant could not be read and so stayed as it was.
    std::vector<int> reviewRows;
    // One line per such row: what it was and what it became ("row 9: C1 + 2040.0 s no longer fits
    // its phase here; now C1 + 1796.3 s (08:05:09.5)").
    std::vector<std::string> notes;
};

// `tableSite` is the site the table was made for (its header), `currentSite` the site and eclipse
// to move it to; both must name the same eclipse, and the two sites must see the same kind of
// eclipse. Contacts are those of the solver at each site with this ΔT, rounded to 0.1 s as the
// generator rounds them; rows without an instant stay as they are.
TableFit FitTableToSite(const ExposureTable& table, const TableFileSite& tableSite, const TableFileSite& currentSite,
                        const EclipseCatalogTable& catalog, double deltaT);

}  // namespace zelto
