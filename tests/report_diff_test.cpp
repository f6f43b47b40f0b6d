#include "report/report_diff.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "report/report_formats.h"
#include "test_support.h"

namespace {

const std::vector<Memory> kListed = DiffMeasures(false);

std::vector<std::string> Names(const std::vector<DiffRow>& rows) {
    std::vector<std::string> names;
    for (const DiffRow& row : rows) {
        names.emplace_back(row.name);
    }
    return names;
}

// The comparison's rows as a held table.
ReportTable DiffTable(const std::vector<DiffRow>& rows, const DeviceProfile& device,
                      const std::vector<Memory>& measures, SectionRule rule) {
    ReportTable table;
    table.columns = DiffColumns(measures);
    ForEachDiffRow(rows, device, measures, rule,
                   [&table](TableRow& row) { table.rows.push_back(row); });
    return table;
}

TEST(CompareRows, GivesEachNameItsStatusAndBothSides) {
    const SizeTable oldEntries =
        MakeTable({{"keep.obj", 10, 1}, {"grow.obj", 20, 2}, {"gone.obj", 30, 3}});
    const SizeTable newEntries =
        MakeTable({{"keep.obj", 10, 1}, {"grow.obj", 20, 5}, {"new.obj", 7, 0}});
    const std::vector<DiffRow> rows =
        CompareRows(oldEntries, newEntries, ColumnOrdering::kByRomSize, kListed);
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

TEST(CompareRows, SumsEntriesOfOneNameAndLeavesOutEmptyOnes) {
    const SizeTable oldEntries = MakeTable({{"lib.obj", 5, 0}, {"empty.obj", 0, 0}});
    const SizeTable newEntries =
        MakeTable({{"lib.obj", 3, 1}, {"lib.obj", 2, 0}, {"empty.obj", 0, 0}, {"z.obj", 0, 0}});
    const std::vector<DiffRow> rows =
        CompareRows(oldEntries, newEntries, ColumnOrdering::kByRomSize, kListed);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, "lib.obj");
    EXPECT_EQ(rows[0].status, DiffStatus::kChanged);  // ROM is the same, RAM grew by 1
    EXPECT_EQ(rows[0].newSizes, (DiffSizes{5, 1}));
}

// A name whose entries all have both sizes 0 in the old map counts as absent there.
TEST(CompareRows, ANameWithOnlyEmptyEntriesIsAbsent) {
    const SizeTable oldEntries = MakeTable({{"a.obj", 0, 0}});
    const SizeTable newEntries = MakeTable({{"a.obj", 4, 0}});
    const std::vector<DiffRow> rows =
        CompareRows(oldEntries, newEntries, ColumnOrdering::kByRomSize, kListed);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].status, DiffStatus::kAdded);
}

TEST(CompareRows, OrdersByTheLargestAbsoluteChangeOfTheSortKey) {
    const SizeTable oldEntries =
        MakeTable({{"a.obj", 100, 10}, {"b.obj", 100, 10}, {"c.obj", 100, 10}, {"d.obj", 1, 1}});
    const SizeTable newEntries =
        MakeTable({{"a.obj", 90, 50}, {"b.obj", 150, 9}, {"c.obj", 100, 10}, {"d.obj", 2, 1}});
    EXPECT_EQ(Names(CompareRows(oldEntries, newEntries, ColumnOrdering::kByRomSize, kListed)),
              (std::vector<std::string>{"b.obj", "a.obj", "d.obj", "c.obj"}));
    EXPECT_EQ(Names(CompareRows(oldEntries, newEntries, ColumnOrdering::kByRamSize, kListed)),
              (std::vector<std::string>{"a.obj", "b.obj", "d.obj", "c.obj"}));
}

// Equal changes keep the order in which the names appear: the new map's, then the old map's.
TEST(CompareRows, KeepsFileOrderAmongEqualChanges) {
    const SizeTable oldEntries = MakeTable({{"gone.obj", 5, 0}, {"x.obj", 1, 0}});
    const SizeTable newEntries = MakeTable({{"y.obj", 1, 0}, {"x.obj", 1, 0}, {"w.obj", 5, 0}});
    EXPECT_EQ(Names(CompareRows(oldEntries, newEntries, ColumnOrdering::kByRomSize, kListed)),
              (std::vector<std::string>{"w.obj", "gone.obj", "y.obj", "x.obj"}));
}

TEST(ForEachDiffRow, HasTheFieldsInOrderAndATotalOfTheChanges) {
    const SizeTable oldEntries = MakeTable({{"main.obj", 256, 5}, {"delay.obj", 32, 0}});
    const SizeTable newEntries = MakeTable({{"main.obj", 360, 8}, {"uart.obj", 432, 24}});
    const ReportTable table =
        DiffTable(CompareRows(oldEntries, newEntries, ColumnOrdering::kByRomSize, kListed),
                  kDevice18F4680, kListed, SectionRule::kListed);
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

// The listed rule's sizes are wrapping 32-bit values; their difference is exact, not wrapped
// again. Every other rule keeps 64 bits throughout, totals included.
TEST(ForEachDiffRow, ChangesAndTotalsKeepTheirWidth) {
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const SizeTable oldListed = MakeTable({{"a.obj", kMin, 0}});
    const SizeTable newListed = MakeTable({{"a.obj", kMax, 0}});
    const ReportTable listed =
        DiffTable(CompareRows(oldListed, newListed, ColumnOrdering::kByRomSize, kListed),
                  kDevice18F4680, kListed, SectionRule::kListed);
    EXPECT_EQ(listed.rows[0].cells[4], "4294967295");
    EXPECT_EQ(DisplayCell(listed.columns[4], listed.rows[0].cells[4]), "+4294967295");

    const std::vector<Memory> all = DiffMeasures(true);
    const SizeTable oldAll = MakeTable({{"a.obj", 1, 0}}, SectionRule::kAll);
    const SizeTable newAll =
        MakeTable({{"a.obj", 3000000000, 0}, {"b.obj", 3000000000, 0}}, SectionRule::kAll);
    const ReportTable table =
        DiffTable(CompareRows(oldAll, newAll, ColumnOrdering::kByRomSize, all), kDevice18F4680, all,
                  SectionRule::kAll);
    const std::vector<std::string>& total = table.rows.back().cells;
    EXPECT_EQ(total[3], "6000000000");
    EXPECT_EQ(total[4], "5999999999");
    EXPECT_EQ(total[11], "9155273.4375") << "the percentage of the new total";
}

// Other bytes get their old, new and change columns after the others and no percentage.
TEST(ForEachDiffRow, OtherAddsItsColumnsWithoutAPercentage) {
    const std::vector<Memory> measures = DiffMeasures(true);
    const SizeTable oldTable = MakeTable({{"a.obj", 1, 0}, {"b.obj", 1, 0}}, SectionRule::kAll);
    const SizeTable newTable = MakeTable({{"a.obj", 1, 0}, {"b.obj", 1, 0, 9}}, SectionRule::kAll);
    const std::vector<DiffRow> rows =
        CompareRows(oldTable, newTable, ColumnOrdering::kByRomSize, measures);
    const ReportTable table = DiffTable(rows, kDevice18F4680, measures, SectionRule::kAll);
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

TEST(ForEachDiffRow, TwoEmptyMapsGiveTheBlankAndAZeroTotalRow) {
    const ReportTable table =
        DiffTable(CompareRows(SizeTable{}, SizeTable{}, ColumnOrdering::kByRomSize, kListed),
                  kDevice18F458, kListed, SectionRule::kListed);
    ASSERT_EQ(table.rows.size(), 2u);
    EXPECT_EQ(table.rows[1].cells, (std::vector<std::string>{"-- Total --", "", "0", "0", "0", "0",
                                                             "0", "0", "0.0000", "0.0000"}));
}

}  // namespace
