#include "exposure/table_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace zelto {
namespace {

namespace fs = std::filesystem;

const TableFileSite kSite{51, "25.0000", true, "103.5000", false, "800"};
const char* const kHeader = "51\r\n25.0000\r\nN\r\n103.5000\r\nW\r\n800\r\n";
const char* const kCommas = ",,,,,,,,,,,,,,,,,,,,,,,";

ExposureRow PhotoRow(const std::string& phase, const std::string& dateTime) {
    ExposureRow row;
    row[kColumnPhase] = phase;
    row[kColumnDateTime] = dateTime;
    row[kColumnQuality] = "JPGLarFin";
    row[kColumnISO] = "100";
    row[kColumnAperture] = "f/4";
    row[9] = row[10] = row[11] = "x";
    return row;
}

std::string RowLine(const ExposureRow& row) {
    std::string line;
    for (const std::string& cell : row) line += cell + ",";
    return line + "\r\n";
}

class TableFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("zelto_table_file_" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }
    static std::string Contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    fs::path folder_;
};

TEST_F(TableFileTest, EmptyTableIsTheSixHeaderLinesAndLoadsAsZeroRows) {
    const std::string path = PathOf("empty.txt");
    ASSERT_TRUE(SaveExposureTable(path, kSite, ExposureTable(0)).saved);
    EXPECT_EQ(Contents(path), kHeader);
    const TableFileReading reading = LoadExposureTable(path);
    ASSERT_TRUE(reading.opened);
    EXPECT_TRUE(reading.message.empty());
    EXPECT_EQ(reading.site, kSite);
    EXPECT_EQ(reading.table.RowCount(), 0);
}

TEST_F(TableFileTest, RowsRoundTripWithCrLfAndTrailingCommas) {
    ExposureTable table(0);
    table.AppendRow(PhotoRow("before partial eclipse", "2024-04-08 16:56:17.0"));
    ExposureRow sound;
    sound[kColumnKind] = "WAV";
    sound[kColumnPhase] = "remove_filters.wav";
    sound[kColumnDateTime] = "2024-04-08 18:15:17.0";
    table.AppendRow(sound);
    table.AppendRow(ExposureRow{});
    const std::string text = ExposureTableText(kSite, table);
    EXPECT_EQ(text,
              std::string(kHeader) +
                  ",before partial eclipse,2024-04-08 16:56:17.0,JPGLarFin,100,f/4,,,,x,x,x,,,,,,,,,,,,\r\n"
                  "WAV,remove_filters.wav,2024-04-08 18:15:17.0,,,,,,,,,,,,,,,,,,,,,\r\n" +
                  kCommas + "\r\n");

    const std::string path = PathOf("table.txt");
    ASSERT_TRUE(SaveExposureTable(path, kSite, table).saved);
    const TableFileReading reading = LoadExposureTable(path);
    EXPECT_EQ(reading.site, kSite);
    EXPECT_EQ(reading.table, table);
}

// "No table" is the program's state before a table is created or opened, never a row count.
TEST_F(TableFileTest, TwoThousandFortyEightRowLinesAreATable) {
    std::string text = kHeader;
    for (int i = 0; i < kNoTableRows; ++i) text += std::string(kCommas) + "\r\n";
    const TableFileReading reading = ReadExposureTableText(text);
    EXPECT_EQ(reading.table.RowCount(), kNoTableRows);
    EXPECT_FALSE(reading.table.IsNoTable());
}

TEST(TableFileReading, HeaderLines) {
    struct Case {
        const char* header;
        TableFileSite site;
    };
    const Case cases[] = {
        {"51\r\n25,5\r\nN\r\n103,25\r\nE\r\n800,5\r\n", {51, "25.5", true, "103.25", true, "800.5"}},
        {"  7abc\r\n1\r\nn\r\n2\r\ne\r\n3\r\n", {7, "1", false, "2", false, "3"}},  // lower case: S and W
        {"x\r\n1\r\nS\r\n2\r\nW\r\n3\r\n", {1, "1", false, "2", false, "3"}},       // no number: eclipse 1
        {"\r\n1\r\n N\r\n2\r\nE \r\n3\r\n", {1, "1", false, "2", false, "3"}},      // matched exactly
        {"300\r\n\r\nN\r\n\r\nE\r\n\r\n", {224, "", true, "", true, ""}},           // kept within 1 to 224
        {"-5\r\n1\r\nN\r\n2\r\nE\r\n3", {1, "1", true, "2", true, "3"}},            // last line without end
        {"\xEF\xBB\xBF"
         "12\n1\nN\n2\nE\n3\n",
         {12, "1", true, "2", true, "3"}},  // LF only, byte-order mark
    };
    for (const Case& c : cases) {
        const TableFileReading reading = ReadExposureTableText(c.header);
        EXPECT_TRUE(reading.opened) << c.header;
        EXPECT_EQ(reading.site, c.site) << c.header;
        EXPECT_EQ(reading.table.RowCount(), 0) << c.header;
    }
    // Files that are no table: nothing of them is to be applied.
    const std::pair<std::string, const char*> notTables[] = {
        {"51\r\n25\r\nN\r\n", "it has 3 lines, fewer than the 6 header lines"},
        {"shopping\r\neggs\r\nmilk\r\nbread\r\ntea\r\ncheese\r\n" + std::string(kCommas),
         "line 2 \"eggs\" is no latitude"},
        {"51\r\n25\r\nN\r\n103.5.5\r\nW\r\n800\r\n", "line 4 \"103.5.5\" is no longitude"},
        {"51\r\n25\r\nN\r\n103.5\r\nW\r\n1e3\r\n", "line 6 \"1e3\" is no height from -500 to 25000 m"},
    };
    for (const auto& [text, why] : notTables) {
        const TableFileReading reading = ReadExposureTableText(text);
        EXPECT_FALSE(reading.opened) << text;
        EXPECT_EQ(reading.message, std::string("Not an exposure table: ") + why);
    }
}

TEST(TableFileReading, RowLines) {
    const std::string date = "2024-04-08 18:16:17.0";
    const ExposureRow photo = PhotoRow("C2: begin of total phase", date);
    const std::string lines =
        RowLine(photo) + "\r\n   \r\n" +  // blank lines make no row
        std::string(kCommas) + "\r\n" + "WAV,attach_filters.wav," + date +
        ",,,,,,,,,,,,,,,,,,,,,dropped\r\n" +
        ",Inserted line,17:41:16,,,,,,,,,,,,,,,,,,,,,\r\n";  // kept, unreadable as it is
    const TableFileReading reading = ReadExposureTableText(std::string(kHeader) + lines);
    ASSERT_TRUE(reading.opened);
    EXPECT_TRUE(reading.message.empty());
    EXPECT_TRUE(reading.leftOutLines.empty());
    ASSERT_EQ(reading.table.RowCount(), 4);
    EXPECT_EQ(reading.table.Row(0), photo);
    EXPECT_EQ(reading.table.Row(1), ExposureRow{});
    ExposureRow sound;
    sound[0] = "WAV";
    sound[1] = "attach_filters.wav";
    sound[2] = date;
    EXPECT_EQ(reading.table.Row(2), sound);
    EXPECT_EQ(reading.table.Row(3)[kColumnDateTime], "17:41:16");
}

// The whole file is read: a line that is no row is left out and named, every row around it stays.
TEST(TableFileReading, LinesThatAreNoRowsAreLeftOutAndNamed) {
    const std::string good = RowLine(PhotoRow("ending partial phase", "2024-04-08 18:24:26.0"));
    ExposureRow withComma = PhotoRow("C2: begin of total phase", "2024-04-08 18:16:17.0");
    withComma[kColumnISO] = "100,";  // would move every later cell, and so the exposure marks
    struct Case {
        std::string line;
        const char* why;
    };
    const Case cases[] = {
        {",ending partial phase,2024-04-08 18:24:26.0,JPGLarFin,100,f/4,,,",
         "it has 8 commas instead of 23."},
        {"just text", "it has 0 commas instead of 23."},
        {RowLine(withComma).substr(0, RowLine(withComma).size() - 2),
         "it has 24 commas instead of 23 (a cell holds a comma)."},
        {std::string(kCommas) + "extra,fields,", "it has 25 commas instead of 23 (a cell holds a comma)."},
    };
    for (const Case& c : cases) {
        // Header, a good row, a blank line, the bad line (line 9), another good row.
        const std::string text = std::string(kHeader) + good + "\r\n" + c.line + "\r\n" + good;
        const TableFileReading reading = ReadExposureTableText(text);
        EXPECT_TRUE(reading.opened) << c.line;
        EXPECT_EQ(reading.leftOutLines, std::vector<int>{9}) << c.line;
        EXPECT_EQ(reading.malformedLine, 9) << c.line;
        EXPECT_EQ(reading.message, std::string("Line 9 is not a table row: ") + c.why +
                                       "\n1 line was left out; 2 rows were read.");
        EXPECT_EQ(reading.table.RowCount(), 2) << c.line;
        EXPECT_EQ(reading.site, kSite);
    }
    // Many such lines: the first five are named.
    std::string many = kHeader;
    for (int i = 0; i < 7; ++i) many += "x\r\n" + good;
    const TableFileReading reading = ReadExposureTableText(many);
    EXPECT_EQ(reading.leftOutLines, (std::vector<int>{7, 9, 11, 13, 15, 17, 19}));
    EXPECT_EQ(reading.table.RowCount(), 7);
    EXPECT_NE(reading.message.find("Line 15 is not"), std::string::npos);
    EXPECT_EQ(reading.message.find("Line 17 is not"), std::string::npos);
    EXPECT_NE(reading.message.find("... and 2 more such lines.\n7 lines were left out; 7 rows were read."),
              std::string::npos);
}

TEST_F(TableFileTest, FailedOpenAndSaveSayWhyAndLoseNothing) {
    const TableFileReading missing = LoadExposureTable(PathOf("missing.txt"));
    EXPECT_FALSE(missing.opened);
    EXPECT_NE(missing.message.find("Cannot open"), std::string::npos);
    EXPECT_NE(missing.message.find("missing.txt"), std::string::npos);
    EXPECT_FALSE(LoadExposureTable(folder_.string()).opened);

    ExposureTable table(0);
    table.AppendRow(PhotoRow("before partial eclipse", "2024-04-08 16:56:17.0"));
    const TableFileSaving noFolder = SaveExposureTable(PathOf("no/such/folder/t.txt"), kSite, table);
    EXPECT_FALSE(noFolder.saved);
    EXPECT_NE(noFolder.message.find("Cannot save"), std::string::npos);

    // A folder standing where the file should go: the rename fails and no temporary file stays.
    fs::create_directory(PathOf("taken"));
    const TableFileSaving taken = SaveExposureTable(PathOf("taken"), kSite, table);
    EXPECT_FALSE(taken.saved);
    EXPECT_FALSE(taken.message.empty());
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder_)) ++entries;
    EXPECT_EQ(entries, 1);

    // Saving over a longer file replaces it whole.
    const std::string path = PathOf("table.txt");
    ExposureTable longer(0);
    for (int i = 0; i < 50; ++i) longer.AppendRow(PhotoRow("ending partial phase", "2024-04-08 18:24:26.0"));
    ASSERT_TRUE(SaveExposureTable(path, kSite, longer).saved);
    ASSERT_TRUE(SaveExposureTable(path, kSite, table).saved);
    EXPECT_EQ(Contents(path), ExposureTableText(kSite, table));
}

TEST(ExposureTableModel, CellAccessAndRowCommands) {
    ExposureTable table;
    EXPECT_TRUE(table.IsNoTable());
    EXPECT_EQ(table.Cell(0, kNoTableRows - 1), "");
    EXPECT_FALSE(table.Cell(0, kNoTableRows).has_value());
    EXPECT_FALSE(table.Cell(kExposureColumns, 0).has_value());
    EXPECT_FALSE(table.Cell(0, -1).has_value());
    EXPECT_FALSE(table.SetCell(0, kNoTableRows, "x"));

    table.Clear();
    EXPECT_FALSE(InsertLineAfter(table, 0).has_value());  // no current row in an empty table
    EXPECT_FALSE(InsertLineBefore(table, 0).has_value());
    table.AppendRow(PhotoRow("before partial eclipse", "2024-04-08 16:56:17.0"));
    table.AppendRow(PhotoRow("after partial eclipse", "2024-04-08 19:44:26.0"));

    EXPECT_EQ(InsertLineAfter(table, 1), 2);  // after the last row: appended, its date-time copied
    EXPECT_EQ(table.RowCount(), 3);
    EXPECT_EQ(table.Row(2)[kColumnPhase], kInsertedLine);
    EXPECT_EQ(table.Row(2)[kColumnDateTime], "2024-04-08 19:44:26.0");
    EXPECT_EQ(InsertLineBefore(table, 0), 0);  // the date-time of the row below it
    EXPECT_EQ(table.Row(0)[kColumnPhase], kInsertedLine);
    EXPECT_EQ(table.Row(0)[kColumnDateTime], "2024-04-08 16:56:17.0");
    EXPECT_EQ(table.Row(1)[kColumnPhase], "before partial eclipse");

    EXPECT_EQ(DeleteLine(table, 2), 1);
    EXPECT_EQ(DeleteLine(table, 2), 1);
    ASSERT_EQ(table.RowCount(), 2);
    EXPECT_EQ(DeleteLine(table, 0), 0);  // row 0 of two rows: one left, current row 0
    EXPECT_EQ(table.RowCount(), 1);
    EXPECT_EQ(table.Row(0)[kColumnPhase], "before partial eclipse");
    EXPECT_FALSE(DeleteLine(table, 0).has_value());  // the last row stays
    EXPECT_EQ(table.RowCount(), 1);
}

}  // namespace
}  // namespace zelto
