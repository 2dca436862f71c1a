#pragma once

#include <vector>

#include "exposure/table.h"

// What a real run looks at before it starts: the rows already past. Started late (after a crash, or
// when the observer arrives in the middle of the eclipse) a run may carry them out at once, as it
// always has, or start from now and skip them.

namespace zelto {

// The rows with a phase whose instant lies before `nowJD`. A loop row's date-time is its end, so a
// loop still running is entered, not skipped. Rows whose date-time cannot be read are left to the run.
std::vector<int> PastRows(const ExposureTable& table, double nowJD);

}  // namespace zelto
