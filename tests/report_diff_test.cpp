#include "report_diff.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "report_formats.h"
#include "test_support.h"

namespace {

std::vector<std::string> Names(const std::vector<DiffRow>& rows) {
    std::vector<std::string> names;
    for (const DiffRow& row : rows) {
        names.push_back(row.name);
    }
    return names;
}

TEST(CompareEntries, GivesEachNameItsStatusAndBothSides) {
    const EntryList oldEntries =
        MakeEntries({{"keep.obj", 10, 1}, {"grow.obj", 20, 2}, {"gone.obj", 30, 3}});
    const EntryList newEntries =
        MakeEntries({{"keep.obj", 10, 1}, {"grow.obj", 20, 5}, {"new.obj", 7, 0}});
    const std::vector<DiffRow> rows =
        CompareEntries(oldEntries, newEntries, ColumnOrdering::kByRomSize);
    ASSERT_EQ(rows.size(), 4u);
    const struct {
        const char* name;
        DiffStatus status;
        DiffSizes oldSizes;
        DiffSizes newSizes;
    } expected[] = {
        {"gone.obj", DiffStatus::kRemoved, {30, 3}, {0, 0}},
        {"new.obj", DiffStatus::kAdded, {0, 0}, {7, 0}},
        {"grow.obj", DiffStatus::kChanged, {20, 2}, {20, 5}},
        {"keep.obj", DiffStatus::kUnchanged, {10, 1}, {10, 1}},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(rows[i].name, expected[i].name);
        EXPECT_EQ(rows[i].status, expected[i].status);
        EXPECT_EQ(rows[i].oldSizes, expected[i].oldSizes);
        EXPECT_EQ(rows[i].newSizes, expected[i].newSizes);
    }
}

TEST(CompareEntries, SumsEntriesOfOneNameAndLeavesOutEmptyOnes) {
    const EntryList oldEntries = MakeEntries({{"lib.obj", 5, 0}, {"empty.obj", 0, 0}});
    const EntryList newEntries =
        MakeEntries({{"lib.obj", 3, 1}, {"lib.obj", 2, 0}, {"empty.obj", 0, 0}, {"z.obj", 0, 0}});
    const std::vector<DiffRow> rows =
        CompareEntries(oldEntries, newEntries, ColumnOrdering::kByRomSize);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, "lib.obj");
    EXPECT_EQ(rows[0].status, DiffStatus::kChanged);  // ROM is the same, RAM grew by 1
    EXPECT_EQ(rows[0].newSizes, (DiffSizes{5, 1}));
}

// A name whose entries all have both sizes 0 in the old map counts as absent there.
TEST(CompareEntries, ANameWithOnlyEmptyEntriesIsAbsent) {
    const EntryList oldEntries = MakeEntries({{"a.obj", 0, 0}});
    const EntryList newEntries = MakeEntries({{"a.obj", 4, 0}});
    const std::vector<DiffRow> rows =
        CompareEntries(oldEntries, newEntries, ColumnOrdering::kByRomSize);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].status, DiffStatus::kAdded);
}

TEST(CompareEntries, OrdersByTheLargestAbsoluteChangeOfTheSortKey) {
    const EntryList oldEntries =
        MakeEntries({{"a.obj", 100, 10}, {"b.obj", 100, 10}, {"c.obj", 100, 10}, {"d.obj", 1, 1}});
    const EntryList newEntries =
        MakeEntries({{"a.obj", 90, 50}, {"b.obj", 150, 9}, {"c.obj", 100, 10}, {"d.obj", 2, 1}});
    EXPECT_EQ(Names(CompareEntries(oldEntries, newEntries, ColumnOrdering::kByRomSize)),
              (std::vector<std::string>{"b.obj", "a.obj", "d.obj", "c.obj"}));
    EXPECT_EQ(Names(CompareEntries(oldEntries, newEntries, ColumnOrdering::kByRamSize)),
              (std::vector<std::string>{"a.obj", "b.obj", "d.obj", "c.obj"}));
}

// Equal changes keep the order in which the names appear: the new map's, then the old map's.
TEST(CompareEntries, KeepsFileOrderAmongEqualChanges) {
    const EntryList oldEntries = MakeEntries({{"gone.obj", 5, 0}, {"x.obj", 1, 0}});
    const EntryList newEntries = MakeEntries({{"y.obj", 1, 0}, {"x.obj", 1, 0}, {"w.obj", 5, 0}});
    EXPECT_EQ(Names(CompareEntries(oldEntries, newEntries, ColumnOrdering::kByRomSize)),
              (std::vector<std::string>{"w.obj", "gone.obj", "y.obj", "x.obj"}));
}

TEST(BuildDiffTable, HasTheFieldsInOrderAndATotalOfTheChanges) {
    const EntryList oldEntries = MakeEntries({{"main.obj", 256, 5}, {"delay.obj", 32, 0}});
    const EntryList newEntries = MakeEntries({{"main.obj", 360, 8}, {"uart.obj", 432, 24}});
    const ReportTable table = BuildDiffTable(
        CompareEntries(oldEntries, newEntries, ColumnOrdering::kByRomSize), kDevice18F4680);
    std::vector<std::string> fields;
    for (const ReportColumn& column : table.columns) {
        fields.push_back(column.field);
    }
    EXPECT_EQ(fields, (std::vector<std::string>{"object", "status", "old_rom", "new_rom",
                                                "rom_change", "old_ram", "new_ram", "ram_change",
                                                "new_rom_percent", "new_ram_percent"}));
    ASSERT_EQ(table.rows.size(), 5u);
    EXPECT_EQ(table.rows[0].cells, (std::vector<std::string>{"uart.obj", "added", "0", "432", "432",
                                                             "0", "24", "24", "0.6592", "0.7212"}));
    EXPECT_EQ(table.rows[2].cells,
              (std::vector<std::string>{"delay.obj", "removed", "32", "0", "-32", "0", "0", "0",
                                        "0.0000", "0.0000"}));
    EXPECT_EQ(table.rows[3].kind, RowKind::kBlank);
    EXPECT_EQ(table.rows[3].cells, std::vector<std::string>(10));
    EXPECT_EQ(table.rows[4].kind, RowKind::kTotal);
    EXPECT_EQ(table.rows[4].cells, (std::vector<std::string>{"-- Total --", "", "288", "792", "504",
                                                             "5", "32", "27", "1.2085", "0.9615"}));
}

// Sizes are wrapping 32-bit values; their difference is exact, not wrapped again.
TEST(BuildDiffTable, ChangesBetweenExtremeSizesAreExact) {
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const EntryList oldEntries = MakeEntries({{"a.obj", kMin, 0}});
    const EntryList newEntries = MakeEntries({{"a.obj", kMax, 0}});
    const ReportTable table = BuildDiffTable(
        CompareEntries(oldEntries, newEntries, ColumnOrdering::kByRomSize), kDevice18F4680);
    EXPECT_EQ(table.rows[0].cells[4], "4294967295");
    EXPECT_EQ(DisplayCell(table.columns[4], table.rows[0].cells[4]), "+4294967295");
}

// A further size without a capacity (as the "other" bytes of a fuller tally would be) gets its
// old, new and change columns after the others and no percentage.
TEST(BuildDiffTable, AFurtherMeasureAddsItsColumnsWithoutAPercentage) {
    std::vector<DiffMeasure> measures = ReportDiffMeasures();
    measures.push_back({"Other", "other", &CObjectFileEntry::m_space, nullptr});
    EntryList oldEntries = MakeEntries({{"a.obj", 1, 0}, {"b.obj", 1, 0}});
    EntryList newEntries = MakeEntries({{"a.obj", 1, 0}, {"b.obj", 1, 0}});
    newEntries[1]->m_space = 9;
    const std::vector<DiffRow> rows =
        CompareEntries(oldEntries, newEntries, ColumnOrdering::kByRomSize, measures);
    const ReportTable table = BuildDiffTable(rows, kDevice18F4680, measures);
    std::vector<std::string> headers;
    for (const ReportColumn& column : table.columns) {
        headers.push_back(column.header);
    }
    EXPECT_EQ(headers,
              (std::vector<std::string>{"Object file", "Status", "Old ROM", "New ROM", "ROM Change",
                                        "Old RAM", "New RAM", "RAM Change", "Old Other",
                                        "New Other", "Other Change", "New ROM %", "New RAM %"}));
    EXPECT_EQ(table.rows[0].cells,
              (std::vector<std::string>{"b.obj", "changed", "1", "1", "0", "0", "0", "0", "0", "9",
                                        "9", "0.0015", "0.0000"}));
    EXPECT_EQ(table.rows[1].cells[1], "unchanged");
}

TEST(BuildDiffTable, TwoEmptyMapsGiveTheBlankAndAZeroTotalRow) {
    const ReportTable table =
        BuildDiffTable(CompareEntries({}, {}, ColumnOrdering::kByRomSize), kDevice18F458);
    ASSERT_EQ(table.rows.size(), 2u);
    EXPECT_EQ(table.rows[1].cells, (std::vector<std::string>{"-- Total --", "", "0", "0", "0", "0",
                                                             "0", "0", "0.0000", "0.0000"}));
}

}  // namespace
