#include "exposure/editor.h"

#include <algorithm>

namespace zelto {

namespace {

constexpr const char* kBulletLine = "Bullet desired items and press the \"Create Exposure Table\" Button";

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// "3", "3 and 7", "3, 7 and 9".
std::string NumberList(const std::vector<int>& numbers) {
    std::string list;
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0) list += i + 1 == numbers.size() ? " and " : ", ";
        list += std::to_string(numbers[i]);
    }
    return list;
}

}  // namespace

EditorHeadings EditorHeadingsFor(char localType) {
    EditorHeadings headings;
    switch (localType) {
        case 'p':
            headings.Line1 = "Exposure Table for Partial Solar Eclipse";
            headings.PartialPhases = true;
            break;
        case 't':
            headings.Line1 = "Exposure Table for Total Solar Eclipse";
            headings.PartialPhases = headings.BailysBeads = headings.Totality = true;
            break;
        case 'a':
            headings.Line1 = "Exposure Table for Annular Solar Eclipse";
            headings.PartialPhases = headings.BrokenRing = headings.Annularity = true;
            break;
        default:
            headings.Line1 = "The Solar Eclipse is not visible at the given location";
            headings.Line2 = "Please select another eclipse or location";
            return headings;
    }
    headings.Line2 = kBulletLine;
    headings.CreateEnabled = true;
    return headings;
}

std::optional<Rgb> RowFillColour(std::string_view phase) {
    std::optional<Rgb> fill;
    if (phase == "maximum partial eclipse") fill = Rgb{160, 255, 160};
    if (phase == "before partial eclipse" || phase == "after partial eclipse") fill = Rgb{240, 240, 32};
    if (phase == "beginning partial phase" || phase == "ending partial phase") fill = Rgb{240, 240, 240};
    if (StartsWith(phase, "broken ring")) fill = Rgb{224, 224, 224};
    if (StartsWith(phase, "annular phase")) fill = Rgb{208, 208, 208};
    if (StartsWith(phase, "Baily's beads")) fill = Rgb{224, 224, 224};
    if (StartsWith(phase, "Loop")) fill = Rgb{80, 255, 80};
    if (StartsWith(phase, "C2") || StartsWith(phase, "C3")) fill = Rgb{160, 255, 160};
    return fill;
}

RowColours RowColoursFor(const ExposureRow& row) {
    RowColours colours;
    colours.fill = RowFillColour(row[kColumnPhase]);
    if (colours.fill) colours.text = Rgb{0, 0, 0};
    if (HasUnreadableDateTime(row)) colours.text = Rgb{170, 0, 0};  // 5:1 or more on every fill
    return colours;
}

std::string UnreadableRowsNote(const std::vector<int>& rows) {
    if (rows.empty()) return {};
    std::vector<int> numbers;
    for (int row : rows) numbers.push_back(row + 1);
    const bool one = numbers.size() == 1;
    return std::string(one ? "Saved. Row " : "Saved. Rows ") + NumberList(numbers) +
           (one ? " has" : " have") + " a date-time that cannot be read (shown in red): a run skips " +
           (one ? "it." : "them.");
}

std::string OverwriteShorterQuestion(const std::string& path, const std::vector<int>& leftOutLines,
                                     int rows) {
    const bool one = leftOutLines.size() == 1;
    return "\"" + path + "\" was read without its " + (one ? "line " : "lines ") + NumberList(leftOutLines) +
           ", which " + (one ? "is no table row" : "are no table rows") + ".\nReplace it with the " +
           std::to_string(rows) + (rows == 1 ? " row" : " rows") + " read?";
}

int FittedColumnWidth(const ExposureTable& table, int column, const TextWidth& headerWidth,
                      const TextWidth& cellWidth) {
    if (column < 0 || column >= kExposureColumns) return 0;
    const std::string_view title = kExposureColumnTitles[static_cast<size_t>(column)];
    int widest = 0;
    if (const size_t split = title.find(';'); split != std::string_view::npos) {
        widest = std::max(headerWidth(title.substr(0, split)), headerWidth(title.substr(split + 1)));
    } else {
        widest = headerWidth(std::string(title) + " ");
    }
    for (const ExposureRow& row : table.Rows())
        widest = std::max(widest, cellWidth(row[static_cast<size_t>(column)] + " "));
    return widest + 10;
}

}  // namespace zelto
