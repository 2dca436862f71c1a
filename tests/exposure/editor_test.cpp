#include "exposure/editor.h"

#include <gtest/gtest.h>

namespace zelto {
namespace {

TEST(EditorHeadings, ByLocalType) {
    const std::string bullet = "Bullet desired items and press the \"Create Exposure Table\" Button";
    struct Case {
        char type;
        std::string line1, line2;
        bool partial, beads, totality, ring, annularity, create;
    };
    const Case cases[] = {
        {'-', "The Solar Eclipse is not visible at the given location", "Please select another eclipse or location",
         false, false, false, false, false, false},
        {'?', "The Solar Eclipse is not visible at the given location", "Please select another eclipse or location",
         false, false, false, false, false, false},
        {'p', "Exposure Table for Partial Solar Eclipse", bullet, true, false, false, false, false, true},
        {'t', "Exposure Table for Total Solar Eclipse", bullet, true, true, true, false, false, true},
        {'a', "Exposure Table for Annular Solar Eclipse", bullet, true, false, false, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        const EditorHeadings h = EditorHeadingsFor(c.type);
        EXPECT_EQ(h.Line1, c.line1);
        EXPECT_EQ(h.Line2, c.line2);
        EXPECT_EQ(h.PartialPhases, c.partial);
        EXPECT_EQ(h.BailysBeads, c.beads);
        EXPECT_EQ(h.Totality, c.totality);
        EXPECT_EQ(h.BrokenRing, c.ring);
        EXPECT_EQ(h.Annularity, c.annularity);
        EXPECT_EQ(h.CreateEnabled, c.create);
    }
}

TEST(RowFillColour, EveryPhaseKind) {
    const Rgb green{160, 255, 160}, yellow{240, 240, 32}, light{240, 240, 240}, grey{224, 224, 224},
        annular{208, 208, 208}, loop{80, 255, 80};
    struct Case {
        const char* phase;
        std::optional<Rgb> fill;
    };
    const Case cases[] = {
        {"maximum partial eclipse", green},
        {"before partial eclipse", yellow},
        {"after partial eclipse", yellow},
        {"beginning partial phase", light},
        {"ending partial phase", light},
        {"broken ring (C2-8.0sec)", grey},
        {"annular phase (Mx-30sec)", annular},
        {"Baily's beads (C2-6.0sec)", grey},
        {"Loop during totality until", loop},
        {"C2: begin of total phase", green},
        {"C3: end of annular phase", green},
        // No rule: the grid's normal colours.
        {"Mx: maximum annular eclipse", std::nullopt},
        {"remove_filters.wav", std::nullopt},
        {"Inserted line", std::nullopt},
        {"", std::nullopt},
        // Exact and case-sensitive: no trimming, no other spelling.
        {"loop during totality until", std::nullopt},
        {" before partial eclipse", std::nullopt},
        {"Maximum partial eclipse", std::nullopt},
        {"c2: begin of total phase", std::nullopt},
        {"maximum partial eclipse ", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.phase);
        const std::optional<Rgb> fill = RowFillColour(c.phase);
        ASSERT_EQ(fill.has_value(), c.fill.has_value());
        if (fill) {
            EXPECT_EQ(*fill, *c.fill);
        }
    }
}

// A row the run would skip for its date-time shows in red and is named after a save; every row's text
// reads on its fill, the red too.
TEST(UnreadableDateTime, RedRowsAndTheirNotes) {
    const Rgb black{0, 0, 0}, red{170, 0, 0}, loop{80, 255, 80}, white{255, 255, 255};
    for (const char* phase : {"before partial eclipse", "beginning partial phase", "maximum partial eclipse",
                              "Baily's beads", "broken ring", "annular phase", "Loop", "C2", "other"}) {
        for (const char* dateTime : {"2024-04-08 18:19:50.0", "18:19"}) {
            ExposureRow row;
            row[kColumnPhase] = phase;
            row[kColumnDateTime] = dateTime;
            const RowColours colours = RowColoursFor(row);
            EXPECT_GE(ContrastRatio(colours.text.value_or(black), colours.fill.value_or(white)), 4.5)
                << phase << ' ' << dateTime;
        }
    }
    struct Case {
        const char* phase;
        const char* dateTime;
        std::optional<Rgb> fill, text;
    };
    const Case cases[] = {
        {"Loop during totality until", "2024-04-08 18:19:50.0", loop, black},
        {"Loop during totality until", "", loop, red},
        {"Inserted line", "17:41:16", std::nullopt, red},
        {"Inserted line", "2024-04-08 16:56:-1e300", std::nullopt, red},
        {"Inserted line", "2024-04-08 18:19:50.0", std::nullopt, std::nullopt},
        {"  ", "not a date", std::nullopt, std::nullopt},  // no action: the run passes it by
    };
    ExposureTable table(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.phase + std::string(" ") + c.dateTime);
        ExposureRow row;
        row[kColumnPhase] = c.phase;
        row[kColumnDateTime] = c.dateTime;
        const RowColours colours = RowColoursFor(row);
        EXPECT_EQ(colours.fill, c.fill);
        EXPECT_EQ(colours.text, c.text);
        table.AppendRow(row);
    }
    EXPECT_EQ(RowsWithUnreadableDateTime(table), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(
        UnreadableRowsNote({1, 2, 3}),
        "Saved. Rows 2, 3 and 4 have a date-time that cannot be read (shown in red): a run skips them.");
    EXPECT_EQ(UnreadableRowsNote({6}),
              "Saved. Row 7 has a date-time that cannot be read (shown in red): a run skips it.");
    EXPECT_EQ(UnreadableRowsNote({}), "");
    EXPECT_EQ(
        OverwriteShorterQuestion("/t.txt", {9, 12}, 70),
        "\"/t.txt\" was read without its lines 9 and 12, which are no table rows.\nReplace it with the 70 "
        "rows read?");
}

TEST(FittedColumnWidth, WidestOfTitleHalvesAndCellsPlusTen) {
    // Header letters 8 pixels wide, cell letters 7: each text must be measured in its own font.
    const TextWidth header = [](std::string_view text) { return static_cast<int>(8 * text.size()); };
    const TextWidth cell = [](std::string_view text) { return static_cast<int>(7 * text.size()); };
    ExposureTable table(0);
    EXPECT_EQ(FittedColumnWidth(table, kColumnDateTime, header, cell), 8 * 9 + 10);  // "Date Time" over "(UT)"
    EXPECT_EQ(FittedColumnWidth(table, kColumnAperture, header, cell), 8 * 3 + 10);  // "f/" and a blank
    EXPECT_EQ(FittedColumnWidth(table, 18, header, cell), 8 * 4 + 10);               // "0\"5" and a blank

    ExposureRow row;
    row[kColumnDateTime] = "2024-04-08 18:16:00.0";
    row[kColumnAperture] = "f/4";
    table.AppendRow(row);
    EXPECT_EQ(FittedColumnWidth(table, kColumnDateTime, header, cell), 7 * 22 + 10);
    EXPECT_EQ(FittedColumnWidth(table, kColumnAperture, header, cell), 7 * 4 + 10);  // 28 beats the title's 24
    EXPECT_EQ(FittedColumnWidth(table, kColumnISO, header, cell), 8 * 3 + 10);       // "ISO" over "ASA"; blank cell 7
    EXPECT_EQ(FittedColumnWidth(table, kExposureColumns, header, cell), 0);
}

}  // namespace
}  // namespace zelto
