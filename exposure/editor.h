#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "circumstances/contact_display.h"
#include "exposure/table.h"

// The exposure window's rules without the toolkit: its headings and option groups by the site's
// eclipse type, the row colours of the grid and the width of a fitted column. The window copies these
// into its controls; its camera-default lists come from the camera log (camera/camera_log.h).

namespace zelto {

// The two heading lines, which option groups show and whether "Create Exposure Table" can be pressed.
struct EditorHeadings {
    std::string Line1;
    std::string Line2;
    bool PartialPhases = false;
    bool BailysBeads = false;
    bool Totality = false;
    bool BrokenRing = false;
    bool Annularity = false;
    bool CreateEnabled = false;
};

// By LocalType: '-' none (also any unknown character), 'p' partial, 't' total, 'a' annular.
EditorHeadings EditorHeadingsFor(char localType);

// The fill colour of a row by its phase text (column 1), text black; nullopt keeps the grid's normal
// colours. Exact, case-sensitive comparisons, the later of several matching rules winning.
std::optional<Rgb> RowFillColour(std::string_view phase);

// A row's colours in the grid: the fill by its phase (RowFillColour) with black text on it, and red
// text for a row whose date-time does not read (HasUnreadableDateTime), which the run would skip.
struct RowColours {
    std::optional<Rgb> fill;
    std::optional<Rgb> text;
};
RowColours RowColoursFor(const ExposureRow& row);

// Told after a save when rows (numbered from 0) hold a date-time that does not read ("Saved. Row 3
// has ..."); empty when none.
std::string UnreadableRowsNote(const std::vector<int>& rows);

// Asked before a save replaces the file a table was read from while lines were left out of it.
std::string OverwriteShorterQuestion(const std::string& path, const std::vector<int>& leftOutLines, int rows);

// A column's fitted width: the widest of its title (the wider half of a two-line title, else the
// title and a blank, measured in the header font) and its cells each with a blank (in the cell font),
// plus 10 pixels.
using TextWidth = std::function<int(std::string_view)>;
int FittedColumnWidth(const ExposureTable& table, int column, const TextWidth& headerWidth,
                      const TextWidth& cellWidth);

}  // namespace zelto
