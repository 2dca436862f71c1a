#include "exposure/table.h"

#include <utility>

#include "eclipse_data/datetext.h"
#include "eclipse_data/number_text.h"

namespace zelto {

const std::array<std::string_view, kExposureColumns> kExposureColumnTitles = {
    "wav;bat", "Phase;or file", "Date Time;(UT)", "Img;Quality", "ISO;ASA", "f/",
    "1/;8000", "1/;4000",       "1/;2000",        "1/;1000",     "1/;500",  "1/;250",
    "1/;125",  "1/;60",         "1/;30",          "1/;15",       "1/;8",    "1/;4",
    "0\"5",    "1\"",           "2\"",            "4\"",         "8\"",
};

ExposureTable::ExposureTable() : rows_(static_cast<size_t>(kNoTableRows)), noTable_(true) {}

ExposureTable::ExposureTable(int rows) : rows_(static_cast<size_t>(rows > 0 ? rows : 0)) {}

bool ExposureTable::Contains(int column, int row) const {
    return column >= 0 && column < kExposureColumns && row >= 0 && row < RowCount();
}

std::optional<std::string> ExposureTable::Cell(int column, int row) const {
    if (!Contains(column, row)) return std::nullopt;
    return rows_[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

bool ExposureTable::SetCell(int column, int row, std::string text) {
    if (!Contains(column, row)) return false;
    rows_[static_cast<size_t>(row)][static_cast<size_t>(column)] = std::move(text);
    return true;
}

void ExposureTable::ClearCells() {
    for (ExposureRow& row : rows_) row.fill(std::string());
}

int ExposureTable::AppendRow(ExposureRow row) {
    rows_.push_back(std::move(row));
    noTable_ = false;
    return RowCount() - 1;
}

bool ExposureTable::InsertRow(int before) {
    if (before < 0 || before > RowCount()) return false;
    rows_.insert(rows_.begin() + before, ExposureRow{});
    noTable_ = false;
    return true;
}

bool ExposureTable::DeleteRow(int row) {
    if (row < 0 || row >= RowCount()) return false;
    rows_.erase(rows_.begin() + row);
    noTable_ = false;
    return true;
}

bool HasUnreadableDateTime(const ExposureRow& row) {
    return !Trimmed(row[kColumnPhase]).empty() && !ReadDateStrJD(row[kColumnDateTime]);
}

std::vector<int> RowsWithUnreadableDateTime(const ExposureTable& table) {
    std::vector<int> rows;
    for (int r = 0; r < table.RowCount(); ++r) {
        if (HasUnreadableDateTime(table.Row(r))) rows.push_back(r);
    }
    return rows;
}

std::optional<int> InsertLineBefore(ExposureTable& table, int current) {
    if (current < 0 || current >= table.RowCount()) return std::nullopt;
    table.InsertRow(current);
    table.SetCell(kColumnPhase, current, kInsertedLine);
    table.SetCell(kColumnDateTime, current, table.Row(current + 1)[kColumnDateTime]);
    return current;
}

std::optional<int> InsertLineAfter(ExposureTable& table, int current) {
    if (current < 0 || current >= table.RowCount()) return std::nullopt;
    const int added = current + 1;
    table.InsertRow(added);  // at the end this appends
    table.SetCell(kColumnPhase, added, kInsertedLine);
    table.SetCell(kColumnDateTime, added, table.Row(current)[kColumnDateTime]);
    return added;
}

std::optional<int> DeleteLine(ExposureTable& table, int current) {
    if (table.RowCount() < 2 || !table.DeleteRow(current)) return std::nullopt;
    return current > 0 ? current - 1 : 0;
}

}  // namespace zelto
