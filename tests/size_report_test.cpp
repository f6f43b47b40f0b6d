#include "size_report.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

std::vector<std::string> Names(const EntryList& entries) {
    std::vector<std::string> names;
    for (const auto& entry : entries) {
        names.push_back(entry->GetName());
    }
    return names;
}

struct PercentCase {
    std::int32_t bytes;
    std::int32_t capacity;
    const char* text;
};

TEST(FormatPercent, WritesFourDecimalsWithHalvesAwayFromZero) {
    const std::vector<PercentCase> cases = {
        {65536, kDevice18F4680.romCapacity, "100.0000"},
        {40000, kDevice18F458.romCapacity, "122.0703"},
        {1, kDevice18F4680.ramCapacity, "0.0300"},
        {100, kDevice18F458.ramCapacity, "6.5104"},
        {1234, kDevice18F4680.romCapacity, "1.8829"},
        {512, kDevice18F4680.romCapacity, "0.7813"},   // exactly 0.78125
        {256, kDevice18F458.romCapacity, "0.7813"},    // exactly 0.78125
        {338, kDevice18F4680.ramCapacity, "10.1563"},  // exactly 10.15625
        {-512, kDevice18F4680.romCapacity, "-0.7813"},
        {-338, kDevice18F4680.ramCapacity, "-10.1563"},
        {0, kDevice18F4680.romCapacity, "0.0000"},
        {1, kDevice18F4680.romCapacity, "0.0015"},
        {INT_MAX, kDevice18F458.ramCapacity, "139810133.2682"},
        {INT_MIN, kDevice18F458.ramCapacity, "-139810133.3333"},
    };
    for (const PercentCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.bytes) + " of " + std::to_string(c.capacity));
        EXPECT_EQ(FormatPercent(c.bytes, c.capacity), c.text);
    }
}

// The same value computed another way: the exact quotient in long double (halves are exact
// binary fractions for these capacities), rounded half away from zero, printed by the C runtime.
std::string IndependentPercent(std::int32_t bytes, std::int32_t capacity) {
    const long double units = std::roundl(static_cast<long double>(bytes) * 1000000.0L / capacity);
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", static_cast<double>(units) / 10000.0);
    return text;
}

TEST(FormatPercent, AgreesWithAnIndependentComputation) {
    const std::int32_t capacities[] = {kDevice18F4680.romCapacity, kDevice18F4680.ramCapacity,
                                       kDevice18F458.romCapacity, kDevice18F458.ramCapacity};
    std::mt19937 random(20261209);
    std::uniform_int_distribution<std::int32_t> any(INT_MIN, INT_MAX);
    for (std::int32_t capacity : capacities) {
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

TEST(BuildReportRows, EmptyListGivesTheBlankAndTotalRows) {
    const std::vector<ReportRow> rows = BuildReportRows(EntryList{}, kDevice18F4680);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], ReportRow{});
    EXPECT_EQ(rows[1], (ReportRow{"-- Total --", "0", "0", "0.0000", "0.0000"}));
}

TEST(BuildReportRows, SkipsEntriesWithoutSizesAndTotalsTheRest) {
    const EntryList entries = MakeEntries(
        {{"main.obj", 512, 338}, {"empty.obj", 0, 0}, {"ram.obj", 0, 12}, {"neg.obj", -2, 0}});
    const std::vector<ReportRow> rows = BuildReportRows(entries, kDevice18F4680);
    const std::vector<ReportRow> expected = {
        {"main.obj", "512", "338", "0.7813", "10.1563"},
        {"ram.obj", "0", "12", "0.0000", "0.3606"},
        {"neg.obj", "-2", "0", "-0.0031", "0.0000"},
        {},
        {"-- Total --", "510", "350", "0.7782", "10.5168"},
    };
    EXPECT_EQ(rows, expected);
}

TEST(BuildReportRows, TotalsWrapIn32Bits) {
    const EntryList entries = MakeEntries({{"a.obj", INT_MAX, INT_MIN}, {"b.obj", 1, -1}});
    const std::vector<ReportRow> rows = BuildReportRows(entries, kDevice18F4680);
    EXPECT_EQ(rows.back()[1], "-2147483648");
    EXPECT_EQ(rows.back()[2], "2147483647");
}

TEST(BuildReportRows, DevicesDifferOnlyInThePercentCells) {
    EntryList entries = MakeEntries({{"a.obj", 100, 7}, {"b.obj", 4000, 0}, {"c.obj", 9, 900}});
    SortByRomSize(entries);
    const std::vector<ReportRow> big = BuildReportRows(entries, kDevice18F4680);
    const std::vector<ReportRow> small = BuildReportRows(entries, kDevice18F458);
    ASSERT_EQ(big.size(), small.size());
    for (std::size_t i = 0; i < big.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(big[i][0], small[i][0]);
        EXPECT_EQ(big[i][1], small[i][1]);
        EXPECT_EQ(big[i][2], small[i][2]);
    }
    EXPECT_EQ(big[0][3], "6.1035");
    EXPECT_EQ(small[0][3], "12.2070");
    EXPECT_EQ(Names(entries), (std::vector<std::string>{"b.obj", "a.obj", "c.obj"}))
        << "building rows never reorders";
}

TEST(Sorting, OrdersLargestFirstAndKeepsTiesInFileOrder) {
    EntryList entries = MakeEntries({{"a", 0, 5},
                                     {"b", 30, 0},
                                     {"c", -4, 5},
                                     {"d", 30, 7},
                                     {"e", 0, 0},
                                     {"f", INT_MAX, INT_MIN}});
    SortByRomSize(entries);
    EXPECT_EQ(Names(entries), (std::vector<std::string>{"f", "b", "d", "a", "e", "c"}));
    SortByRamSize(entries);
    EXPECT_EQ(Names(entries), (std::vector<std::string>{"d", "a", "c", "b", "e", "f"}));
}

TEST(OrderingForColumn, MapsTheHeadersToTheirOrdering) {
    const std::vector<std::pair<int, ColumnOrdering>> cases = {
        {0, ColumnOrdering::kNone},      {1, ColumnOrdering::kByRomSize},
        {2, ColumnOrdering::kByRamSize}, {3, ColumnOrdering::kByRomSize},
        {4, ColumnOrdering::kByRamSize}, {5, ColumnOrdering::kNone},
        {-1, ColumnOrdering::kNone},
    };
    for (const auto& [column, ordering] : cases) {
        EXPECT_EQ(OrderingForColumn(column), ordering) << column;
    }
}

TEST(ApplyOrdering, SortsOnlyForASizeOrdering) {
    EntryList entries = MakeEntries({{"small", 1, 9}, {"big", 9, 1}});
    EXPECT_FALSE(ApplyOrdering(entries, ColumnOrdering::kNone));
    EXPECT_EQ(Names(entries), (std::vector<std::string>{"small", "big"}));
    EXPECT_TRUE(ApplyOrdering(entries, ColumnOrdering::kByRomSize));
    EXPECT_EQ(Names(entries), (std::vector<std::string>{"big", "small"}));
    EXPECT_TRUE(ApplyOrdering(entries, ColumnOrdering::kByRamSize));
    EXPECT_EQ(Names(entries), (std::vector<std::string>{"small", "big"}));
}

TEST(FindDeviceProfile, KnowsTheTwoDevices) {
    ASSERT_NE(FindDeviceProfile("18F4680"), nullptr);
    EXPECT_EQ(FindDeviceProfile("18F4680")->romCapacity, 65536);
    EXPECT_EQ(FindDeviceProfile("18F4680")->ramCapacity, 3328);
    ASSERT_NE(FindDeviceProfile("18F458"), nullptr);
    EXPECT_EQ(FindDeviceProfile("18F458")->romCapacity, 32768);
    EXPECT_EQ(FindDeviceProfile("18F458")->ramCapacity, 1536);
    EXPECT_EQ(FindDeviceProfile("18f458"), nullptr);
    EXPECT_EQ(FindDeviceProfile("PIC18F458"), nullptr);
}

}  // namespace
