#pragma once

#include <optional>
#include <string>
#include <vector>

#include "exposure/table.h"

// What a real run looks at before it starts: the rows already past. Started late (after a crash, or
// when the observer arrives in the middle of the eclipse) a run may carry them out at once, as it
// always has, or start from now and skip them.

namespace zelto {

// The rows with a phase whose instant lies before `nowJD`. A loop row's date-time is its end, so a
// loop still running is entered, not skipped. Rows whose date-time cannot be read are left to the run.
std::vector<int> PastRows(const ExposureTable& table, double nowJD);

// The instant of the table's first row with a phase and a date-time that reads; nullopt when none has.
std::optional<double> FirstRowInstant(const ExposureTable& table);

// How long ago an instant was, in the unit a person would use: "40 s", "12 min", "5 h 3 min",
// "9 days", "2.7 years".
std::string AgoText(double seconds);

// The question when `past` rows have passed: how many, and the date of the table's first row and how
// long ago that was, so that a table of another year stands out ("72 rows of the table are already
// past. Its first row is on 2024-04-08, 2.7 years ago.").
std::string PastRowsQuestion(const ExposureTable& table, double nowJD, size_t past);

}  // namespace zelto
