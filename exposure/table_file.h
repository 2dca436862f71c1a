#pragma once

#include <string>
#include <string_view>
#include <vector>

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

// The file separates cells by commas and rows by line ends, so a cell can hold neither: one that did
// would move every later cell of its row when read back.
bool CellFitsFile(std::string_view text);
inline constexpr const char* kCellCommaMessage =
    "A cell cannot hold a comma: the table file separates its cells with commas. The cell keeps its text.";

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
    // false: the file is no exposure table (it could not be opened or read, it is shorter than its six
    // header lines, or lines 2, 4 or 6 hold no latitude, longitude or height); `message` says why and
    // the caller changes nothing.
    bool opened = false;
    TableFileSite site;
    ExposureTable table{0};
    // Row lines that are no table row (fewer or more than 23 commas) are left out of `table`; their
    // 1-based line numbers, and `message` names them. malformedLine is the first, 0 when none.
    std::vector<int> leftOutLines;
    int malformedLine = 0;
    std::string message;
};

// Reads file text, checking the whole of it before the caller applies anything. Line 1 is read as a
// whole number brought into 1 to 224 (no number gives 1); decimal commas in lines 2, 4 and 6 become
// points, and these lines must then be empty or what the site edits hold (degrees, d:m or d:m:s; a
// height of 0 to 25000 m); only exactly "N" and "E" in lines 3 and 5 read as north and east. Empty
// (or all-blank) lines make no row; a line with exactly 23 commas is a row, whatever follows the last
// comma is dropped; any other line is left out. A row whose date-time does not read is kept as it
// is (the editor shows it in red and the run skips it).
TableFileReading ReadExposureTableText(std::string_view text);

TableFileReading LoadExposureTable(const std::string& path);

}  // namespace zelto
