#include "report/size_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

std::vector<std::string> Names(const SizeTable& table) {
    std::vector<std::string> names;
    for (const SizeRow& row : table.rows) {
        names.emplace_back(row.name);
    }
    return names;
}

using Cells = std::vector<std::string>;

std::vector<Cells> CellsOf(const ReportTable& table) {
    std::vector<Cells> rows;
    for (const TableRow& row : table.rows) {
        rows.push_back(row.cells);
    }
    return rows;
}

struct PercentCase {
    std::int64_t bytes;
    std::int64_t capacity;
    const char* text;
};

TEST(FormatPercent, WritesFourDecimalsWithHalvesAwayFromZero) {
    // Sizes within 32 bits are checked against an independent computation below.
    const std::vector<PercentCase> cases = {
        {512, kDevice18F4680.romCapacity, "0.7813"},  // exactly 0.78125
        {-338, kDevice18F4680.ramCapacity, "-10.1563"},
        {INT_MAX, kDevice18F458.ramCapacity, "139810133.2682"},
        {INT_MIN, kDevice18F458.ramCapacity, "-139810133.3333"},
        {4294967296, kDevice18F4680.romCapacity, "6553600.0000"},  // beyond 32 bits
        // The largest size figured in 64 bits, and the first figured in 128.
        {4398046511103, kDevice18F4680.ramCapacity, "132152839876.8930"},
        {4398046511104, kDevice18F4680.ramCapacity, "132152839876.9231"},
        {-4398046511104, kDevice18F4680.ramCapacity, "-132152839876.9231"},
        {INT64_MAX, 1, "922337203685477580700.0000"},
        {5, 0, "n/a"},
    };
    for (const PercentCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.bytes) + " of " + std::to_string(c.capacity));
        EXPECT_EQ(FormatPercent(c.bytes, c.capacity), c.text);
    }
}

// The same value computed another way: the exact quotient in long double (halves are exact
// binary fractions for these capacities), rounded half away from zero, printed by the C runtime.
std::string IndependentPercent(std::int64_t bytes, std::int64_t capacity) {
    const long double units = std::roundl(static_cast<long double>(bytes) * 1000000.0L /
                                          static_cast<long double>(capacity));
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", static_cast<double>(units) / 10000.0);
    return text;
}

TEST(FormatPercent, AgreesWithAnIndependentComputation) {
    const std::int64_t capacities[] = {kDevice18F4680.romCapacity, kDevice18F4680.ramCapacity,
                                       kDevice18F458.romCapacity, kDevice18F458.ramCapacity};
    std::mt19937 random(20261209);
    std::uniform_int_distribution<std::int32_t> any(INT_MIN, INT_MAX);
    for (std::int64_t capacity : capacities) {
        SCOPED_TRACE(capacity);
        for (std::int32_t bytes = -70000; bytes <= 70000; ++bytes) {
            ASSERT_EQ(FormatPercent(bytes, capacity), IndependentPercent(bytes, capacity)) << bytes;
        }
        for (int i = 0; i < 20000; ++i) {
            const std::int32_t bytes = any(random);
            ASSERT_EQ(FormatPercent(bytes, capacity), IndependentPercent(bytes, capacity)) << bytes;
        }
    }
}

TEST(BuildReportRows, SkipsRowsWithoutSizesAndTotalsTheRest) {
    const SizeTable sizes = MakeTable(
        {{"main.obj", 512, 338}, {"empty.obj", 0, 0}, {"ram.obj", 0, 12}, {"neg.obj", -2, 0}});
    const std::vector<Cells> expected = {
        {"main.obj", "512", "338", "0.7813", "10.1563"},
        {"ram.obj", "0", "12", "0.0000", "0.3606"},
        {"neg.obj", "-2", "0", "-0.0031", "0.0000"},
        Cells(5),
        {"-- Total --", "510", "350", "0.7782", "10.5168"},
    };
    EXPECT_EQ(CellsOf(BuildReportRows(sizes, kDevice18F4680, false)), expected);
}

// The listed rule's sums wrap in 32 bits, as they always have; every other rule's do not.
TEST(BuildReportRows, TotalsWrapOnlyUnderTheListedRule) {
    const std::vector<Sizes> sizes = {{"a.obj", INT_MAX, INT_MIN}, {"b.obj", 1, -1}};
    const ReportTable listed = BuildReportRows(MakeTable(sizes), kDevice18F4680, false);
    EXPECT_EQ(listed.rows.back().cells[1], "-2147483648");
    EXPECT_EQ(listed.rows.back().cells[2], "2147483647");
    const ReportTable all =
        BuildReportRows(MakeTable(sizes, SectionRule::kAll), kDevice18F4680, true);
    EXPECT_EQ(all.rows.back().cells[1], "2147483648");
    EXPECT_EQ(all.rows.back().cells[2], "-2147483649");
}

TEST(BuildReportRows, OtherColumnAndKindsAndVisibleControlBytes) {
    SizeTable sizes = MakeTable({{"tab\there.obj", 1, 2, 3}, {"x", 0, 0, 4}}, SectionRule::kAll);
    sizes.rows[0].name = sizes.names.Add("tab	here.obj");
    sizes.AddRow("<COMMON buf>", RowKind::kSpecial).ram = 8;
    const ReportTable table = BuildReportRows(sizes, kDevice18F4680, true);
    ASSERT_EQ(table.columns.size(), 6u);
    EXPECT_EQ(table.columns[3].header, "Other");
    const std::vector<Cells> expected = {
        {"tab^Ihere^[.obj", "1", "2", "3", "0.0015", "0.0601"},
        {"x", "0", "0", "4", "0.0000", "0.0000"},
        {"<COMMON buf>", "0", "8", "0", "0.0000", "0.2404"},
        Cells(6),
        {"-- Total --", "1", "10", "7", "0.0015", "0.3005"},
    };
    EXPECT_EQ(CellsOf(table), expected);
    EXPECT_EQ(table.rows[2].kind, RowKind::kSpecial);
}

TEST(Sorting, OrdersLargestFirstAndKeepsTiesInFileOrder) {
    SizeTable sizes = MakeTable({{"a", 0, 5},
                                 {"b", 30, 0},
                                 {"c", -4, 5},
                                 {"d", 30, 7},
                                 {"e", 0, 0},
                                 {"f", INT_MAX, INT_MIN},
                                 {"g", 1LL << 40, -(1LL << 40)}});
    SortByRomSize(sizes.rows);
    EXPECT_EQ(Names(sizes), (std::vector<std::string>{"g", "f", "b", "d", "a", "e", "c"}));
    SortByRamSize(sizes.rows);
    EXPECT_EQ(Names(sizes), (std::vector<std::string>{"d", "a", "c", "b", "e", "f", "g"}));
    EXPECT_EQ(sizes.rows[0].id, 3u) << "a row keeps its id";
}

// Against std::stable_sort on random keys of every width, ties included.
TEST(Sorting, AgreesWithAStableSort) {
    std::mt19937_64 random(7);
    for (const std::int64_t range : {std::int64_t{4}, std::int64_t{1} << 20, INT64_MAX}) {
        std::uniform_int_distribution<std::int64_t> any(-range, range);
        SizeTable sizes;
        for (int i = 0; i < 3000; ++i) {
            sizes.AddRow("r", RowKind::kObject).rom = any(random);
        }
        SizeRows expected = sizes.rows;
        std::stable_sort(expected.begin(), expected.end(),
                         [](const SizeRow& a, const SizeRow& b) { return a.rom > b.rom; });
        SortByRomSize(sizes.rows);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(sizes.rows[i].id, expected[i].id) << "range " << range << ", row " << i;
        }
    }
}

TEST(ApplyOrdering, SortsOnlyForASizeOrdering) {
    SizeTable sizes = MakeTable({{"small", 1, 9}, {"big", 9, 1}});
    EXPECT_FALSE(ApplyOrdering(sizes.rows, ColumnOrdering::kNone));
    EXPECT_EQ(Names(sizes), (std::vector<std::string>{"small", "big"}));
    EXPECT_TRUE(ApplyOrdering(sizes.rows, ColumnOrdering::kByRomSize));
    EXPECT_EQ(Names(sizes), (std::vector<std::string>{"big", "small"}));
    EXPECT_TRUE(ApplyOrdering(sizes.rows, ColumnOrdering::kByRamSize));
    EXPECT_EQ(Names(sizes), (std::vector<std::string>{"small", "big"}));
}

}  // namespace
