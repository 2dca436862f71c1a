#include "exposure/table_file.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <system_error>
#include <vector>

#include "circumstances/site.h"
#include "eclipse_data/catalog.h"
#include "eclipse_data/file_text.h"

namespace zelto {

namespace {

constexpr int kHeaderLines = 6;
constexpr int kMostLeftOutLinesNamed = 5;
constexpr const char* kLineEnd = "\r\n";

// Lines end in CR LF, LF or CR alone; a last line without an end counts.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// A whole number at the start of the text after blanks; 0 when there is none. Large values saturate.
long long LeadingInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    constexpr long long kLimit = std::numeric_limits<int>::max();
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit) value = kLimit;
    }
    return negative ? -value : value;
}

// Brought into 1 to 224 as the eclipse scroll bar does with a position.
int EclipseNumberInRange(long long value) {
    if (value < 1) return 1;
    if (value > kEclipseCount) return kEclipseCount;
    return static_cast<int>(value);
}

std::string DecimalPoints(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c == ',') c = '.';
    }
    return result;
}

bool IsBlankLine(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

// What the site edits can hold: nothing, or the text they would keep as it is and read.
bool IsAngleText(const std::string& text) {
    return text.empty() || (CleanAngleText(text) == text && AngleTextReadable(text));
}
bool IsHeightText(const std::string& text) {
    return CleanHeightText(text) == text;
}

// Why the header is no site, or nothing when it is one.
std::string HeaderProblem(const TableFileSite& site) {
    const auto problem = [](int line, const std::string& text, const char* what) {
        return "Not an exposure table: line " + std::to_string(line) + " \"" + text + "\" is no " + what;
    };
    if (!IsAngleText(site.Latitude)) return problem(2, site.Latitude, "latitude");
    if (!IsAngleText(site.Longitude)) return problem(4, site.Longitude, "longitude");
    if (!IsHeightText(site.Height)) return problem(6, site.Height, "height from -500 to 25000 m");
    return {};
}

std::string LeftOutMessage(const std::vector<std::string>& reasons, int rowsRead) {
    std::string message;
    for (size_t i = 0; i < reasons.size() && i < kMostLeftOutLinesNamed; ++i) message += reasons[i] + "\n";
    if (reasons.size() > kMostLeftOutLinesNamed)
        message +=
            "... and " + std::to_string(reasons.size() - kMostLeftOutLinesNamed) + " more such lines.\n";
    return message + std::to_string(reasons.size()) + (reasons.size() == 1 ? " line was" : " lines were") +
           " left out; " + std::to_string(rowsRead) + (rowsRead == 1 ? " row was" : " rows were") + " read.";
}

}  // namespace

bool CellFitsFile(std::string_view text) {
    return text.find_first_of(",\r\n") == std::string_view::npos;
}

TableFileSite TableSiteOf(const SiteInputs& site, int eclipseNumber) {
    return {eclipseNumber, site.Lati, site.NS == "N", site.Long, site.EW == "E", site.Height};
}

std::string ExposureTableText(const TableFileSite& site, const ExposureTable& table) {
    std::string text;
    text.reserve(64 + static_cast<size_t>(table.RowCount()) * 96);
    text += std::to_string(site.EclipseNumber) + kLineEnd;
    text += site.Latitude + kLineEnd;
    text += std::string(site.North ? "N" : "S") + kLineEnd;
    text += site.Longitude + kLineEnd;
    text += std::string(site.East ? "E" : "W") + kLineEnd;
    text += site.Height + kLineEnd;
    for (const ExposureRow& row : table.Rows()) {
        for (const std::string& cell : row) {
            text += cell;
            text += ',';
        }
        text += kLineEnd;
    }
    return text;
}

TableFileSaving SaveExposureTable(const std::string& path, const TableFileSite& site,
                                  const ExposureTable& table) {
    std::string why;
    if (!WriteFileAtomically(path, ExposureTableText(site, table), &why))
        return {false, "Cannot save \"" + path + "\": " + why};
    return {true, {}};
}

TableFileReading ReadExposureTableText(std::string_view text) {
    TableFileReading reading;
    // A byte-order mark left by an editor would hide the eclipse number.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const std::vector<std::string_view> lines = SplitLines(text);
    if (lines.size() < kHeaderLines) {
        reading.message = "Not an exposure table: it has " + std::to_string(lines.size()) +
                          " lines, fewer than the 6 header lines";
        return reading;
    }
    TableFileSite& site = reading.site;
    site.EclipseNumber = EclipseNumberInRange(LeadingInteger(lines[0]));
    site.Latitude = DecimalPoints(lines[1]);
    site.North = lines[2] == "N";
    site.Longitude = DecimalPoints(lines[3]);
    site.East = lines[4] == "E";
    site.Height = DecimalPoints(lines[5]);
    reading.message = HeaderProblem(site);
    if (!reading.message.empty()) return reading;
    reading.opened = true;

    std::vector<std::string> leftOut;
    for (size_t n = kHeaderLines; n < lines.size(); ++n) {
        const std::string_view line = lines[n];
        if (IsBlankLine(line)) continue;
        const auto commas = std::count(line.begin(), line.end(), ',');
        if (commas != kExposureColumns) {
            reading.leftOutLines.push_back(static_cast<int>(n + 1));
            leftOut.push_back("Line " + std::to_string(n + 1) + " is not a table row: it has " +
                              std::to_string(commas) + (commas == 1 ? " comma" : " commas") +
                              " instead of 23" +
                              (commas > kExposureColumns ? " (a cell holds a comma)." : "."));
            continue;
        }
        ExposureRow row;
        size_t start = 0;
        for (std::string& cell : row) {
            const size_t comma = line.find(',', start);
            cell = std::string(line.substr(start, comma - start));
            start = comma + 1;
        }
        reading.table.AppendRow(std::move(row));
    }
    if (!reading.leftOutLines.empty()) {
        reading.malformedLine = reading.leftOutLines.front();
        reading.message = LeftOutMessage(leftOut, reading.table.RowCount());
    }
    return reading;
}

TableFileReading LoadExposureTable(const std::string& path) {
    std::error_code ignored;
    if (std::filesystem::is_directory(PathOf(path), ignored)) {
        TableFileReading reading;
        reading.message = "Cannot open \"" + path + "\": it is a folder";
        return reading;
    }
    errno = 0;
    std::ifstream in(PathOf(path), std::ios::binary);
    if (!in) {
        TableFileReading reading;
        reading.message = "Cannot open \"" + path + "\": " + SystemErrorText();
        return reading;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        TableFileReading reading;
        reading.message = "Cannot read \"" + path + "\": " + SystemErrorText();
        return reading;
    }
    return ReadExposureTableText(text);
}

}  // namespace zelto
