#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The exposure table: the schedule the photography run carries out, one action per row. It has no
// typed record: every row is 23 text cells, and consumers interpret the texts.

namespace zelto {

inline constexpr int kExposureColumns = 23;

// The empty rows the grid shows in the "no table" state, before a table is created or opened.
inline constexpr int kNoTableRows = 2048;

// Column numbers.
enum ExposureColumn : int {
    kColumnKind = 0,       // "WAV", "BAT", anything else a photograph row
    kColumnPhase = 1,      // phase name, or the sound or batch file name
    kColumnDateTime = 2,   // UT instant as date-time text with tenths
    kColumnQuality = 3,    // image-quality name
    kColumnISO = 4,        // ISO text
    kColumnAperture = 5,   // aperture text
    kColumnFirstShutter = 6,   // "x": one exposure at 1/8000 s
    kColumnLastShutter = 22,   // "x": one exposure at 8 s
};

// Column titles; a ";" splits a title into the upper and lower header line.
extern const std::array<std::string_view, kExposureColumns> kExposureColumnTitles;

// The message of a cell read outside the table.
inline constexpr const char* kCellIndexOutOfBound = "Cell Index out of bound.";

// The placeholder phase of a row inserted in the editor.
inline constexpr const char* kInsertedLine = "Inserted line";

using ExposureRow = std::array<std::string, kExposureColumns>;

class ExposureTable {
public:
    // The "no table" state: kNoTableRows empty rows that no run carries out.
    ExposureTable();
    // A table of `rows` empty rows.
    explicit ExposureTable(int rows);

    int RowCount() const { return static_cast<int>(rows_.size()); }
    // "No table" is a state of its own, whatever the row count: a table of any length runs. A change
    // of the rows (not of a cell's text) makes a table of the grid.
    bool IsNoTable() const { return noTable_; }
    bool Contains(int column, int row) const;

    // The cell text, or nullopt (kCellIndexOutOfBound) outside the current table. Consumers that took
    // the row count earlier read through this, so a table shortened meanwhile is never read past its end.
    std::optional<std::string> Cell(int column, int row) const;
    // Writes the cell; false (and nothing written) outside the table.
    bool SetCell(int column, int row, std::string text);

    const ExposureRow& Row(int row) const { return rows_[static_cast<size_t>(row)]; }
    const std::vector<ExposureRow>& Rows() const { return rows_; }

    void Clear() { rows_.clear(); noTable_ = false; }  // 0 rows
    void ClearCells();               // every cell empty, rows stay
    int AppendRow(ExposureRow row = {});  // returns the new row's number
    // An empty row at `before` (0 to RowCount()); false when out of range.
    bool InsertRow(int before);
    bool DeleteRow(int row);

    friend bool operator==(const ExposureTable&, const ExposureTable&) = default;

private:
    std::vector<ExposureRow> rows_;
    bool noTable_ = false;
};

// A row the real run skips for its date-time: it names an action (column 1 not blank) but column 2
// does not read as date-time text.
bool HasUnreadableDateTime(const ExposureRow& row);
// The numbers of all such rows, from 0.
std::vector<int> RowsWithUnreadableDateTime(const ExposureTable& table);

// The editor's row commands. Each returns the row that becomes current, or nullopt when the command
// does nothing (no current row in an empty table, a row outside the table, or fewer than 2 rows to
// delete from).
// Insert before r: an empty row at r named kInsertedLine, with the date-time of the row below it.
std::optional<int> InsertLineBefore(ExposureTable& table, int current);
// Insert after r: an empty row at r + 1 (appended after the last row) named kInsertedLine, with the
// date-time of the row above it.
std::optional<int> InsertLineAfter(ExposureTable& table, int current);
// Delete r; the row before it (or row 0) becomes current. The last remaining row is kept.
std::optional<int> DeleteLine(ExposureTable& table, int current);

}  // namespace zelto
