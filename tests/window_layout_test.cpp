#include "layout/window_layout.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

namespace {

using Widths = std::vector<int>;

struct WidthCase {
    int cx;
    Widths widths;
};

const Widths kFiveColumns = DefaultColumnWeights(5);

TEST(WindowLayoutTest, ColumnWidthsFollowTheClientWidthWhenNothingIsNeeded) {
    const WidthCase cases[] = {
        {1000, {588, 98, 98, 98, 93}},
        {733, {427, 71, 71, 71, 66}},  // 3 * 713 / 5 = 427.8 and 71.3 truncate
        {21, {0, 0, 0, 0, 0}},         // no column is ever narrower than 0
        {0, {0, 0, 0, 0, 0}},          // what a minimised window reports
        {65535, {39309, 6551, 6551, 6551, 6546}},
    };
    for (const WidthCase& c : cases) {
        SCOPED_TRACE(c.cx);
        EXPECT_EQ(ReportColumnWidths(c.cx, 96, ColumnNeeds{}, kFiveColumns), c.widths);
    }
}

TEST(WindowLayoutTest, PixelSizesScaleWithTheDpi) {
    const struct {
        int dpi, margin, gap, status;
    } cases[] = {{96, 10, 5, 22}, {120, 13, 6, 28}, {144, 15, 8, 33}, {192, 20, 10, 44}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dpi);
        EXPECT_EQ(ScaleForDpi(10, c.dpi), c.margin);  // 12.5 rounds away from zero
        EXPECT_EQ(ScaleForDpi(5, c.dpi), c.gap);
        EXPECT_EQ(ScaleForDpi(-5, c.dpi), -c.gap);
        const ListPlacement place = ListPlacementForClient(1000, 500, c.dpi);
        EXPECT_EQ(place.x, c.margin);
        EXPECT_EQ(place.y, c.margin);
        EXPECT_EQ(place.width, 1000 - 2 * c.margin);
        // The list's bottom margin sits on the status bar, which reaches the client's bottom.
        EXPECT_EQ(place.height, 500 - 2 * c.margin - c.status);
        const StatusBarPlacement status = StatusBarPlacementForClient(500, c.dpi);
        EXPECT_EQ(status.height, c.status);
        EXPECT_EQ(status.y, place.y + place.height + c.margin);
        EXPECT_EQ(status.y + status.height, 500);
        const int w = 1000 - 2 * c.margin;
        EXPECT_EQ(ReportColumnWidths(1000, c.dpi, ColumnNeeds{}, kFiveColumns),
                  (Widths{3 * w / 5, w / 10, w / 10, w / 10, w / 10 - c.gap}));
    }
}

TEST(WindowLayoutTest, NumberColumnsNeverGetLessThanTheyNeed) {
    const ColumnNeeds needs = {{90, 80, 60, 95, 70}, 20};
    const WidthCase cases[] = {
        {1000, {588, 98, 98, 98, 93}},  // every proportional width is enough
        {960, {548, 94, 94, 95, 89}},   // ROM % widened: 940 - 372 - 20 is left for the object
        {900, {506, 88, 88, 95, 83}},  {733, {377, 80, 71, 95, 70}},
        {435, {90, 80, 60, 95, 70}},  // the minimum width: everything at its need
        {300, {90, 80, 60, 95, 70}},  // below it the object column keeps its need
        {0, {90, 80, 60, 95, 70}},
    };
    for (const WidthCase& c : cases) {
        SCOPED_TRACE(c.cx);
        EXPECT_EQ(ReportColumnWidths(c.cx, 96, needs, kFiveColumns), c.widths);
    }
    EXPECT_EQ(MinimumClientSize(96, needs).cx, 435);
}

TEST(WindowLayoutTest, AtAndAboveTheMinimumSizeEveryColumnFitsWithItsNeed) {
    for (int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE(dpi);
        ColumnNeeds needs;
        needs.reserve = ScaleForDpi(20, dpi);
        for (int column = 0; column < 5; ++column) {
            needs.widths.push_back(ScaleForDpi(50 + 10 * column, dpi));
        }
        const ClientSize minimum = MinimumClientSize(dpi, needs);
        EXPECT_GE(ListPlacementForClient(minimum.cx, minimum.cy, dpi).height,
                  ScaleForDpi(120, dpi));
        EXPECT_EQ(ReportColumnWidths(minimum.cx, dpi, needs, kFiveColumns), needs.widths);
        for (int cx = minimum.cx; cx < 3 * minimum.cx; cx += 7) {
            SCOPED_TRACE(cx);
            const auto widths = ReportColumnWidths(cx, dpi, needs, kFiveColumns);
            int sum = 0;
            for (size_t column = 0; column < widths.size(); ++column) {
                EXPECT_GE(widths[column], needs.widths[column]) << column;
                sum += widths[column];
            }
            // Where a column had to be widened, the columns leave the reserve free.
            const int w = ListPlacementForClient(cx, minimum.cy, dpi).width;
            if (widths != ReportColumnWidths(cx, dpi, ColumnNeeds{}, kFiveColumns)) {
                EXPECT_LE(sum + needs.reserve, w);
            }
        }
    }
}

// A table of the window's five columns with these rows.
ReportTable Table(const std::vector<std::vector<std::string>>& rows) {
    ReportTable table;
    table.columns = SizeReportColumns(false);
    for (const std::vector<std::string>& cells : rows) {
        table.rows.push_back({RowKind::kObject, cells});
    }
    return table;
}

TEST(WindowLayoutTest, ColumnNeedsAreTheWidestTextPlusPadding) {
    CharWidths advance{};
    advance.fill(7);
    advance['1'] = 3;
    advance['.'] = 2;
    advance[' '] = 2;
    const ReportTable rows = Table({
        {"a-very-long-object-name.obj", "11111111", "1", "0.1111", "100.0000"},
        {"", "", "", "", ""},
        {"-- Total --", "2", "22", "0.2000", "0.0001"},
    });
    // Headers: "Object file" 10 * 7 + 2 = 72, "ROM Size" and "RAM Size" 51, "ROM %" and
    // "RAM %" 30. Cells: "11111111" 24, "0.2000" 37 (wider than "0.1111", 21), "100.0000" 47.
    const ColumnNeeds needs = ColumnNeedsFor(rows, advance, 12, 17);
    EXPECT_EQ(needs.reserve, 17);
    EXPECT_EQ(needs.widths, (Widths{72 + 12, 51 + 12, 51 + 12, 37 + 12, 47 + 12}));
    EXPECT_EQ(ColumnNeedsFor(Table({}), advance, 0, 0).widths, (Widths{72, 51, 51, 30, 30}));
    // Room for the sort arrow beside the header that shows it.
    EXPECT_EQ(ColumnNeedsFor(Table({}), advance, 0, 0, 2, 16).widths, (Widths{72, 51, 67, 30, 30}));
}

TEST(WindowLayoutTest, CopiedTableIsTheHeaderAndEveryCellSeparatedByTabs) {
    const ReportTable rows = Table({
        {"C:\\Work\\main.obj", "256", "5", "0.3906", "0.1502"},
        {"", "", "", "", ""},
        {"-- Total --", "256", "5", "0.3906", "0.1502"},
    });
    EXPECT_EQ(TabSeparatedTable(rows),
              "Object file\tROM Size\tRAM Size\tROM %\tRAM %\r\n"
              "C:\\Work\\main.obj\t256\t5\t0.3906\t0.1502\r\n"
              "\t\t\t\t\r\n"
              "-- Total --\t256\t5\t0.3906\t0.1502\r\n");
    EXPECT_EQ(TabSeparatedTable(Table({})), "Object file\tROM Size\tRAM Size\tROM %\tRAM %\r\n");
}

TEST(WindowLayoutTest, TypedPrefixFindsTheNextRowByNameAndWrapsWhenAsked) {
    const std::vector<TableRow> rows = Table({
                                                 {"main.obj", "", "", "", ""},
                                                 {"led.obj", "", "", "", ""},
                                                 {"Main2.obj", "", "", "", ""},
                                                 {"", "", "", "", ""},
                                                 {"-- Total --", "", "", "", ""},
                                             })
                                           .rows;
    const struct {
        const char* prefix;
        int start;
        bool wrap;
        int row;
    } cases[] = {
        {"m", 0, true, 0},    {"m", 1, true, 2},      {"MA", 3, true, 0},
        {"ma", 3, false, -1}, {"main2", 0, false, 2}, {"led.obj!", 0, true, -1},
        {"", 0, true, -1},    {"l", 7, false, 1},  // a start past the end starts at the top
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.prefix << " from " << c.start);
        EXPECT_EQ(FindRowByNamePrefix(rows, c.prefix, c.start, c.wrap), c.row);
    }
    EXPECT_EQ(FindRowByNamePrefix({}, "m", 0, true), -1);
}

// Six columns (Other) and a comparison's eleven take their weights' shares; the user's
// weights, once kept, give the columns the widths they were dragged to at that size, and keep
// their proportions at any other.
TEST(WindowLayoutTest, ColumnsTakeTheirWeightsShareAndUserWidthsKeepTheirProportions) {
    EXPECT_EQ(ReportColumnWidths(1000, 96, ColumnNeeds{}, DefaultColumnWeights(6)),
              (Widths{534, 89, 89, 89, 89, 84}));  // 980 * 6 / 11, 980 / 11
    const Widths eleven = ReportColumnWidths(1620, 96, ColumnNeeds{}, DefaultColumnWeights(11));
    EXPECT_EQ(eleven.front(), 600);
    EXPECT_EQ(eleven[1], 100);
    EXPECT_EQ(eleven.back(), 95);

    // Dragged to 975 of a 980-pixel list at cx 1000: laid out again at that width, and at twice
    // it, each column keeps its share to within a pixel (the last one's gap aside).
    const Widths dragged = {300, 150, 150, 150, 225};
    const Widths weights = WeightsOfWidths(dragged, 1000, 96);
    EXPECT_EQ(weights, (Widths{3062, 1531, 1531, 1531, 2347}));
    for (const int cx : {1000, 2000}) {
        SCOPED_TRACE(cx);
        const Widths widths = ReportColumnWidths(cx, 96, ColumnNeeds{}, weights);
        ASSERT_EQ(widths.size(), dragged.size());
        for (size_t column = 0; column < widths.size(); ++column) {
            const bool last = column + 1 == widths.size();
            const double share = (dragged[column] + (last ? 5 : 0)) * (cx - 20) / 980.0;
            EXPECT_NEAR(widths[column] + (last ? 5 : 0), share, 1.0) << column;
        }
    }
    // The default widths stand for the default weights.
    EXPECT_EQ(WeightsOfWidths(ReportColumnWidths(1000, 96, ColumnNeeds{}, kFiveColumns), 1000, 96),
              kFiveColumns);
    // Dragged narrower than the list, the columns keep their widths and the room at the end.
    const Widths narrower = {200, 100, 100, 100, 95};
    EXPECT_EQ(ReportColumnWidths(1000, 96, ColumnNeeds{}, WeightsOfWidths(narrower, 1000, 96)),
              narrower);
    // No columns, or weights of nothing: no widths, nothing divided by zero.
    EXPECT_EQ(ReportColumnWidths(1000, 96, ColumnNeeds{}, {}), Widths{});
    EXPECT_EQ(ReportColumnWidths(1000, 96, ColumnNeeds{}, {0, 0}), (Widths{0, 0}));
}

TEST(WindowLayoutTest, StatusPartsFollowEachOtherAndTheWidestGiveUpRoomWhereTheyDoNotFit) {
    EXPECT_EQ(StatusPartEdges({80, 200, 300}, 1000), (Widths{80, 280, -1}));
    EXPECT_EQ(StatusPartEdges({80, 200, 300}, 580), (Widths{80, 280, -1}));  // just fits
    EXPECT_EQ(StatusPartEdges({120}, 50), (Widths{-1}));
    EXPECT_EQ(StatusPartEdges({}, 500), Widths{});
    // 80 + 215 + 350 + 210 = 855 in 732: the checks part gives up 123 pixels.
    EXPECT_EQ(StatusPartEdges({80, 215, 350, 210}, 732), (Widths{80, 295, 522, -1}));
    // Two wide parts share what the narrow ones leave: (600 - 100) / 2 each.
    EXPECT_EQ(StatusPartEdges({100, 400, 500}, 600), (Widths{100, 350, -1}));
    // Narrower than every part: each gets an equal share.
    EXPECT_EQ(StatusPartEdges({100, 400, 500}, 150), (Widths{50, 100, -1}));
    EXPECT_EQ(StatusPartEdges({100, 400}, 0), (Widths{100, -1}));  // no width known yet
}

TEST(WindowLayoutTest, CopiedRowsAreTheHeaderAndTheRowsChosen) {
    const ReportTable rows = Table({
        {"a.obj", "1", "2", "0.0015", "0.0601"},
        {"b.obj", "3", "4", "0.0046", "0.1202"},
        {"", "", "", "", ""},
        {"-- Total --", "4", "6", "0.0061", "0.1803"},
    });
    const std::vector<std::size_t> chosen = {1, 3, 9};  // a place past the end is no row
    EXPECT_EQ(TabSeparatedTable(rows, &chosen),
              "Object file\tROM Size\tRAM Size\tROM %\tRAM %\r\n"
              "b.obj\t3\t4\t0.0046\t0.1202\r\n"
              "-- Total --\t4\t6\t0.0061\t0.1803\r\n");
}

TEST(WindowLayoutTest, FindSeesTextAnywhereInTheFirstCellAndGoesRound) {
    const std::vector<TableRow> rows = Table({
                                                 {"C:\\src\\main.obj", "", "", "", ""},
                                                 {"_main", "", "", "", ""},
                                                 {"led.obj", "", "", "", ""},
                                                 {"", "", "", "", ""},
                                                 {"-- Total --", "", "", "", ""},
                                             })
                                           .rows;
    const struct {
        const char* text;
        int start;
        int row;
    } cases[] = {
        {"main", 0, 0},  {"MAIN", 1, 1}, {"main", 2, 0},  // round past the end to the top
        {"total", 0, 4}, {"obj", 1, 2},  {"x", 0, -1},   {"", 0, -1}, {"led", -3, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text << " from " << c.start);
        EXPECT_EQ(FindRowContaining(rows, c.text, c.start), c.row);
    }
    EXPECT_EQ(FindRowContaining({}, "m", 0), -1);
}

}  // namespace
