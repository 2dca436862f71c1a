#include "camera/run_start.h"

#include <cmath>

#include "eclipse_data/datetext.h"
#include "eclipse_data/julian.h"
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

std::string AgoText(double seconds) {
    const auto whole = [](double value) { return std::to_string(static_cast<long long>(value)); };
    if (seconds < 60) return whole(seconds) + " s";
    if (seconds < 3600) return whole(seconds / 60) + " min";
    if (seconds < 2 * 86400) return whole(seconds / 3600) + " h " + whole(std::fmod(seconds, 3600) / 60) + " min";
    if (seconds < 365.25 * 86400) return whole(seconds / 86400) + " days";
    return FixedText(seconds / (365.25 * 86400), 1) + " years";
}

std::optional<double> FirstRowInstant(const ExposureTable& table) {
    for (int row = 0; row < table.RowCount(); ++row) {
        if (Trimmed(table.Cell(kColumnPhase, row).value_or("")).empty()) continue;
        if (const auto instant = ReadDateStrJD(table.Cell(kColumnDateTime, row).value_or(""))) return instant;
    }
    return std::nullopt;
}

std::string PastRowsQuestion(const ExposureTable& table, double nowJD, size_t past) {
    std::string text = std::to_string(past) + (past == 1 ? " row of the table is" : " rows of the table are") +
                       " already past.";
    const auto first = FirstRowInstant(table);
    if (!first) return text;
    text += " Its first row is on " + JDText(*first, 1).substr(0, 10);
    if (*first < nowJD) text += ", " + AgoText((nowJD - *first) * kSecondsPerDay) + " ago";
    return text + ".";
}

}  // namespace zelto
