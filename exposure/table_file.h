#pragma once

#include <string>
#include <string_view>

#include "circumstances/site.h"
#include "exposure/table.h"

// The exposure table file: 8-bit text, CR LF line ends. Six header lines carry the selected eclipse
// and the observer site as the main window holds them; then one line per row, each cell followed by
// one comma (cells are neither quoted nor escaped).

namespace zelto {

// The six header lines.
struct TableFileSite {
    int EclipseNumber = 1;  // line 1
    std::string Latitude;   // line 2, text as typed
    bool North = true;      // line 3: "N" or "S"
    std::string Longitude;  // line 4
    bool East = true;       // line 5: "E" or "W"
    std::string Height;     // line 6, metres

    friend bool operator==(const TableFileSite&, const TableFileSite&) = default;
};

// The header of a table made for the main window's inputs and eclipse.
TableFileSite TableSiteOf(const SiteInputs& site, int eclipseNumber);

// The whole file text.
std::string ExposureTableText(const TableFileSite& site, const ExposureTable& table);

struct TableFileSaving {
    bool saved = false;
    std::string message;  // why not, when not saved
};

// Writes the file through a temporary file beside it that is then renamed over `path`, so a failed
// write leaves the old file as it was.
TableFileSaving SaveExposureTable(const std::string& path, const TableFileSite& site, const ExposureTable& table);

struct TableFileReading {
    // false: nothing usable was read (the file could not be opened or read, or it is shorter than its
    // six header lines); `message` says why and the caller changes nothing.
    bool opened = false;
    TableFileSite site;
    ExposureTable table{0};
    // Set when a malformed row line stopped the reading: `table` holds the rows before it.
    int malformedLine = 0;  // 1-based line number in the file, 0 when the whole file was read
    std::string message;
};

// Reads file text. Line 1 is read as a whole number brought into 1 to 224 (no number gives 1);
// decimal commas in lines 2, 4 and 6 become points; only exactly "N" and "E" in lines 3 and 5 read
// as north and east. Empty (or all-blank) lines make no row; 23 commas make an empty row; other lines are cut at
// their first 23 commas and the rest is dropped. A row line with fewer than 23 commas, or whose
// date-time field is shorter than 20 characters, stops the reading there.
TableFileReading ReadExposureTableText(std::string_view text);

TableFileReading LoadExposureTable(const std::string& path);

}  // namespace zelto
