#include "camera/run_start.h"

#include "eclipse_data/datetext.h"
#include "eclipse_data/number_text.h"

namespace zelto {

std::vector<int> PastRows(const ExposureTable& table, double nowJD) {
    std::vector<int> past;
    for (int row = 0; row < table.RowCount(); ++row) {
        if (Trimmed(table.Cell(kColumnPhase, row).value_or("")).empty()) continue;
        const auto instant = ReadDateStrJD(table.Cell(kColumnDateTime, row).value_or(""));
        if (instant && *instant < nowJD) past.push_back(row);
    }
    return past;
}

}  // namespace zelto
