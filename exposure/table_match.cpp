#include "exposure/table_match.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "eclipse_data/catalog.h"
#include "eclipse_data/datetext.h"
#include "eclipse_data/number_text.h"

namespace zelto {

namespace {

constexpr double kAngleTolerance = 0.0001;  // degrees, about 11 m
constexpr double kHeightTolerance = 1.0;    // metres
constexpr double kDayTolerance = 0.5;       // days from greatest eclipse

std::optional<double> SignedAngle(const std::string& text, bool positive) {
    const SexagesimalReading reading = SexagesimalValue(Trimmed(text));
    if (reading.code != 0 || Trimmed(text).empty()) return std::nullopt;
    return positive ? reading.value : -reading.value;
}

bool SameAngle(const std::string& a, bool aPositive, const std::string& b, bool bPositive) {
    const auto x = SignedAngle(a, aPositive), y = SignedAngle(b, bPositive);
    if (x && y) return std::fabs(*x - *y) <= kAngleTolerance;
    return Trimmed(a) == Trimmed(b) && aPositive == bPositive;
}

bool SameHeight(const std::string& a, const std::string& b) {
    const auto x = ParseDecimal(Trimmed(a)), y = ParseDecimal(Trimmed(b));
    if (x && y) return std::fabs(*x - *y) <= kHeightTolerance;
    return Trimmed(a) == Trimmed(b);
}

std::string EclipseText(int number) {
    if (!IsValidEclipseNumber(number)) return "eclipse " + std::to_string(number);
    const EclipseRecord& record = CatalogRecord(BuiltInCatalog(), number);
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", record.Year, record.Month, record.Day);
    return "eclipse " + std::to_string(number) + " (" + date + ")";
}

std::string SiteText(const TableFileSite& site) {
    return Trimmed(site.Latitude) + (site.North ? " N " : " S ") + Trimmed(site.Longitude) + (site.East ? " E " : " W ") +
           Trimmed(site.Height) + " m";
}

}  // namespace

std::string TableMatch::Text() const {
    std::string text;
    for (const std::string& difference : differences) text += (text.empty() ? "" : "\n") + difference;
    return text;
}

TableMatch CheckTableMatch(const TableFileSite& tableSite, const ExposureTable& table, const TableFileSite& current,
                           double greatestEclipseJD) {
    TableMatch match;
    if (tableSite.EclipseNumber != current.EclipseNumber) {
        match.differences.push_back("The table is for " + EclipseText(tableSite.EclipseNumber) +
                                    ", the main window shows " + EclipseText(current.EclipseNumber) + ".");
    }
    if (!SameAngle(tableSite.Latitude, tableSite.North, current.Latitude, current.North) ||
        !SameAngle(tableSite.Longitude, tableSite.East, current.Longitude, current.East) ||
        !SameHeight(tableSite.Height, current.Height)) {
        match.differences.push_back("The table is for the site " + SiteText(tableSite) + ", the main window shows " +
                                    SiteText(current) + ".");
    }
    for (int row = 0; row < table.RowCount(); ++row) {
        if (Trimmed(table.Cell(kColumnPhase, row).value_or("")).empty()) continue;
        const std::string text = table.Cell(kColumnDateTime, row).value_or("");
        const auto jd = ReadDateStrJD(text);
        if (!jd) continue;
        if (std::fabs(*jd - greatestEclipseJD) > kDayTolerance) {
            match.differences.push_back("The table's first row is on " + JDText(*jd, 0).substr(0, 10) +
                                        ", not on the day of " + EclipseText(current.EclipseNumber) + ".");
        }
        break;
    }
    return match;
}

}  // namespace zelto
