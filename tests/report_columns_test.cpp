#include "layout/report_columns.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layout/window_layout.h"
#include "report/report_diff.h"

namespace {

TEST(ReportColumns, EveryColumnOfAMemoryOrdersByItAndTheOthersByNothing) {
    const struct {
        const char* field;
        ColumnOrdering ordering;
    } cases[] = {
        {"object", ColumnOrdering::kNone},
        {"rom", ColumnOrdering::kByRomSize},
        {"ram", ColumnOrdering::kByRamSize},
        {"other", ColumnOrdering::kNone},
        {"rom_percent", ColumnOrdering::kByRomSize},
        {"ram_percent", ColumnOrdering::kByRamSize},
        {"status", ColumnOrdering::kNone},
        {"old_rom", ColumnOrdering::kByRomSize},
        {"ram_change", ColumnOrdering::kByRamSize},
        {"new_ram_percent", ColumnOrdering::kByRamSize},
        {"other_change", ColumnOrdering::kNone},
        {"romantic", ColumnOrdering::kNone},
        {"", ColumnOrdering::kNone},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OrderingForField(c.field), c.ordering) << c.field;
    }
}

TEST(ReportColumns, TheArrowGoesToTheColumnClickedOrTheOneTheOrderIsOf) {
    const std::vector<ReportColumn> map = SizeReportColumns(true);
    const std::vector<ReportColumn> diff = DiffColumns(DiffMeasures(true));
    const struct {
        const std::vector<ReportColumn>& columns;
        ColumnOrdering ordering;
        const char* clicked;
        const char* arrow;  // its heading; empty for none
    } cases[] = {
        {map, ColumnOrdering::kByRomSize, "", "ROM Size"},
        {map, ColumnOrdering::kByRamSize, "", "RAM Size"},
        {map, ColumnOrdering::kByRamSize, "ram_percent", "RAM %"},
        {map, ColumnOrdering::kByRomSize, "ram_percent", "ROM Size"},  // clicked, then reordered
        {map, ColumnOrdering::kNone, "", ""},
        {diff, ColumnOrdering::kByRomSize, "", "ROM Change"},
        {diff, ColumnOrdering::kByRamSize, "old_ram", "Old RAM"},
        {diff, ColumnOrdering::kByRamSize, "rom", "RAM Change"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.arrow << " " << c.clicked);
        const int column = SortArrowColumn(c.columns, c.ordering, c.clicked);
        EXPECT_EQ(column < 0 ? std::string() : c.columns[static_cast<size_t>(column)].header,
                  c.arrow);
    }
}

TEST(ReportColumns, KeptWeightsGoToTheColumnsOfTheirFieldsInEveryView) {
    ColumnWeights kept;
    KeepWeights(kept, SizeReportColumns(true, MapView::kObjects),
                {4000, 1500, 1500, 500, 1000, 1000});
    EXPECT_EQ(kept.at("name"), 4000);
    EXPECT_EQ(kept.at("other"), 500);
    // The first column of every view is "name"; a column never kept takes its default weight.
    EXPECT_EQ(WeightsFor(SizeReportColumns(false, MapView::kSymbols), kept),
              (std::vector<int>{4000, 1500, 1500, 1000, 1000}));
    const std::vector<int> diff = WeightsFor(DiffColumns(DiffMeasures(false)), kept);
    ASSERT_EQ(diff.size(), 10u);
    EXPECT_EQ(diff[0], 4000);
    EXPECT_EQ(diff[2], kNumberColumnWeight);  // "old_rom"
    EXPECT_EQ(WeightsFor(SizeReportColumns(false), {}), DefaultColumnWeights(5));
}

TEST(ReportColumns, RowsOfSourceFilesAreHeadedSo) {
    std::vector<ReportColumn> columns = SizeReportColumns(true);
    HeadRowsAsSourceFiles(columns);
    EXPECT_EQ(columns[0].header, "Source file");
    EXPECT_EQ(columns[0].field, "object");  // what a saved report calls it stays
}

}  // namespace
