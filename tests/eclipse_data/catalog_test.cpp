#include "eclipse_data/catalog.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "eclipse_data/eclipse_state.h"
#include "eclipse_data/julian.h"

namespace zelto {
namespace {

using Row = std::map<std::string, std::string>;

std::vector<std::string> SplitCsv(const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream stream(line);
    std::string cell;
    while (std::getline(stream, cell, ',')) cells.push_back(cell);
    return cells;
}

std::vector<Row> ReadCsv(std::istream& in) {
    std::string line;
    std::getline(in, line);
    const std::vector<std::string> header = SplitCsv(line);
    std::vector<Row> rows;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        const std::vector<std::string> cells = SplitCsv(line);
        Row row;
        for (size_t i = 0; i < header.size() && i < cells.size(); ++i) row[header[i]] = cells[i];
        rows.push_back(row);
    }
    return rows;
}

// Compares every field of the compiled catalog with a CSV row, element values as 32-bit floats.
void ExpectRecordMatches(const EclipseRecord& r, const Row& row) {
    const int number = std::stoi(row.at("number"));
    SCOPED_TRACE(testing::Message() << "record " << number);
    EXPECT_EQ(r.Year, std::stoi(row.at("year")));
    EXPECT_EQ(r.Month, std::stoi(row.at("month")));
    EXPECT_EQ(r.Day, std::stoi(row.at("day")));
    EXPECT_EQ(r.EclipseType, std::stoi(row.at("type")));
    EXPECT_EQ(r.T0, std::stoi(row.at("t0")));
    EXPECT_EQ(r.Lunation, std::stoi(row.at("lunation")));
    EXPECT_EQ(r.SarosSeries, std::stoi(row.at("saros_series")));
    EXPECT_EQ(r.SarosMember, std::stoi(row.at("saros_member")));
    EXPECT_EQ(r.SarosLength, std::stoi(row.at("saros_length")));
    EXPECT_EQ(r.Gamma, std::stof(row.at("gamma")));
    const auto same = [&row](const float* values, std::initializer_list<const char*> names) {
        int i = 0;
        for (const char* name : names) EXPECT_EQ(values[i++], std::stof(row.at(name))) << name;
    };
    same(r.X, {"x0", "x1", "x2", "x3"});
    same(r.Y, {"y0", "y1", "y2", "y3"});
    same(r.D, {"d0", "d1", "d2"});
    same(r.Mu, {"mu0", "mu1"});
    same(r.L1, {"l1_0", "l1_1", "l1_2"});
    same(r.L2, {"l2_0", "l2_1", "l2_2"});
    EXPECT_EQ(r.TanF1, std::stof(row.at("tan_f1")));
    EXPECT_EQ(r.TanF2, std::stof(row.at("tan_f2")));
}

std::vector<Row> SharedCsvOrSkip() {
    std::ifstream in(std::string(ZELTO_SHARED_DATA) + "/eclipse-elements-2001-2100.csv");
    if (!in) return {};
    return ReadCsv(in);
}

TEST(Catalog, MatchesTheSharedDataValueForValue) {
    const std::vector<Row> rows = SharedCsvOrSkip();
    if (rows.empty()) GTEST_SKIP() << "shared data not found beside the repository (" << ZELTO_SHARED_DATA << ")";
    ASSERT_EQ(rows.size(), 224u);
    const EclipseCatalogTable& catalog = BuiltInCatalog();
    for (const Row& row : rows) ExpectRecordMatches(CatalogRecord(catalog, std::stoi(row.at("number"))), row);
}

TEST(Catalog, CommandLineListingReadsBackToTheSameCatalog) {
    FILE* pipe = popen((std::string("\"") + ZELTO_CLI_PATH + "\" catalog").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    ASSERT_EQ(pclose(pipe), 0);
    std::istringstream in(output);
    const std::vector<Row> rows = ReadCsv(in);
    ASSERT_EQ(rows.size(), 224u);
    const EclipseCatalogTable& catalog = BuiltInCatalog();
    for (const Row& row : rows) ExpectRecordMatches(CatalogRecord(catalog, std::stoi(row.at("number"))), row);

    const std::vector<Row> shared = SharedCsvOrSkip();
    if (shared.empty()) GTEST_SKIP() << "shared data not found; the listing was checked against the compiled catalog";
    std::ifstream file(std::string(ZELTO_SHARED_DATA) + "/eclipse-elements-2001-2100.csv");
    std::string sharedHeader, listedHeader;
    std::getline(file, sharedHeader);
    std::getline(std::istringstream(output) >> std::ws, listedHeader);
    EXPECT_EQ(listedHeader, sharedHeader);
}

TEST(Catalog, RecordsNamedInTheCatalogDescription) {
    const EclipseCatalogTable& catalog = BuiltInCatalog();
    struct Case { int number, year, month, day, type, t0; };
    const Case cases[] = {{1, 2001, 6, 21, 2, 12}, {224, 2100, 9, 4, 2, 9}, {16, 2008, 8, 1, 2, 10},
                          {51, 2024, 4, 8, 2, 18}, {3, 2002, 6, 10, 3, 24}, {93, 2043, 4, 9, 5, 19},
                          {29, 2014, 4, 29, 6, 6}, {94, 2043, 10, 3, 6, 3}};
    for (const Case& c : cases) {
        const EclipseRecord& r = CatalogRecord(catalog, c.number);
        EXPECT_EQ(r.Year, c.year) << c.number;
        EXPECT_EQ(r.Month, c.month) << c.number;
        EXPECT_EQ(r.Day, c.day) << c.number;
        EXPECT_EQ(r.EclipseType, c.type) << c.number;
        EXPECT_EQ(r.T0, c.t0) << c.number;
        EXPECT_EQ(r.Spare, -1.0f);
    }
    // Record 3 has T0 = 24: its instants count from midnight at the end of 10 June.
    EXPECT_FLOAT_EQ(CatalogRecord(catalog, 3).JDT0, static_cast<float>(CalendarToJD(2002, 6, 11, 0, 0, 0)));
    EXPECT_EQ(CatalogRecord(catalog, 1).Lunation, 18);
    EXPECT_EQ(CatalogRecord(catalog, 224).Lunation, 1245);
    EXPECT_EQ(CatalogRecord(catalog, 224).X[0], -0.07032725f);
    EXPECT_EQ(CatalogRecord(catalog, 93).TanF2, 0.00464483f);

    std::array<int, 7> perType{};
    double previousJD = 0;
    for (const EclipseRecord& r : catalog) {
        ++perType[static_cast<size_t>(r.EclipseType)];
        const double jd = CalendarToJD(r.Year, r.Month, r.Day, 0, 0, 0);
        EXPECT_GT(jd, previousJD) << "records are in date order, no two on one date";
        previousJD = jd;
    }
    EXPECT_EQ(perType, (std::array<int, 7>{0, 77, 67, 70, 7, 1, 2}));
}

TEST(Catalog, SelectingCopiesTheRecordAndChoosesDeltaT) {
    EclipseState state;
    FillEclipseCatalog(state.EclipseCatalog);
    SelectCatalogEclipse(state, 51);
    EXPECT_EQ(state.SelectedEclipse, 51);
    EXPECT_EQ(state.CurrentEclipse.Day, 8);
    EXPECT_DOUBLE_EQ(state.DeltaT, 69.2);
    state.ManualDeltaTOn = true;
    state.ManualDeltaT = 71;
    SelectCatalogEclipse(state, 224);
    EXPECT_EQ(state.CurrentEclipse.Year, 2100);
    EXPECT_DOUBLE_EQ(state.DeltaT, 71);
    state.ManualDeltaTOn = false;
    SelectCatalogEclipse(state, 224);
    EXPECT_DOUBLE_EQ(state.DeltaT, 181.2);
}

// A first start shows the next eclipse: 51 on its own day, 52 the day after, 57 (2027-02-06) in
// December 2026; before the catalog its first, after it its last.
TEST(Catalog, NextEclipseFromADate) {
    const EclipseCatalogTable& catalog = BuiltInCatalog();
    const std::pair<double, int> cases[] = {
        {CalendarToJD(2024, 4, 8, 23, 59, 0), 51}, {CalendarToJD(2024, 4, 9, 0, 0, 1), 52},
        {CalendarToJD(2026, 12, 8, 12, 0, 0), 57}, {CalendarToJD(2000, 1, 1, 0, 0, 0), 1},
        {CalendarToJD(2101, 1, 1, 0, 0, 0), 224},
    };
    for (const auto& [jd, number] : cases) EXPECT_EQ(NextEclipseNumber(catalog, jd), number) << jd;
}

}  // namespace
}  // namespace zelto
