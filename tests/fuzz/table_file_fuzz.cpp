// The exposure-table file reader: whatever it reads it can write and read back unchanged, and it
// never holds a cell the file cannot carry.
#include "exposure/table.h"
#include "exposure/table_file.h"
#include "fuzz_support.h"

using namespace zelto;
using zelto::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TableFileReading reading = ReadExposureTableText(fuzz::Text(data, size));
    if (!reading.opened) {
        Require(!reading.message.empty() && reading.table.RowCount() == 0,
                "a refused file says why, gives no row");
        return 0;
    }
    Require(reading.site.EclipseNumber >= 1 && reading.site.EclipseNumber <= 224, "eclipse 1 to 224");
    Require((reading.malformedLine != 0) == !reading.leftOutLines.empty(), "left-out lines are named");
    for (const ExposureRow& row : reading.table.Rows()) {
        for (const std::string& cell : row)
            Require(CellFitsFile(cell), "no cell holds what the file cannot carry");
    }
    RowsWithUnreadableDateTime(reading.table);

    const TableFileReading again = ReadExposureTableText(ExposureTableText(reading.site, reading.table));
    Require(again.opened && again.leftOutLines.empty(), "what was read is written as a whole table");
    Require(again.site == reading.site, "the site reads back unchanged");
    Require(again.table == reading.table, "every row reads back unchanged");
    return 0;
}
