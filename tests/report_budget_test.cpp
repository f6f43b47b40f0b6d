#include "report_budget.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <string>

namespace {

TEST(ParseBudget, ReadsDecimalPercentagesInUnitsOfOneTenThousandth) {
    const struct {
        const char* text;
        std::int64_t units;
    } cases[] = {
        {"90", 900000},    {"87.5", 875000},      {"0", 0},
        {"0.0001", 1},     {"10.15625", 101562},  {"100.00009", 1000000},
        {"007.50", 75000}, {"122.0703", 1220703}, {"99999999999999999999", 1000000000000000000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<Budget> budget = ParseBudget(c.text);
        ASSERT_TRUE(budget.has_value());
        EXPECT_EQ(budget->unit, BudgetUnit::kPercent);
        EXPECT_EQ(budget->limit, c.units);
        EXPECT_EQ(budget->text, c.text);
    }
}

TEST(ParseBudget, ReadsWholeBytesWithABSuffix) {
    const struct {
        const char* text;
        const char* digits;
        std::int64_t bytes;
    } cases[] = {
        {"60000B", "60000", 60000},
        {"0B", "0", 0},
        {"007B", "007", 7},
        {"9223372036854775807B", "9223372036854775807", INT64_MAX},
        {"99999999999999999999999B", "99999999999999999999999", INT64_MAX},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<Budget> budget = ParseBudget(c.text);
        ASSERT_TRUE(budget.has_value());
        EXPECT_EQ(budget->unit, BudgetUnit::kBytes);
        EXPECT_EQ(budget->limit, c.bytes);
        EXPECT_EQ(budget->text, c.digits);
    }
}

TEST(ParseBudget, RejectsAnythingButDigitsAndOnePointOrDigitsAndB) {
    for (const char* text :
         {"",     "-5",  "+5", "abc",    "90%",     "1e2",  " 90", "90 ", ".5",   "5.",    "1.2.3",
          "0x10", "9,5", "B",  "60000b", "60000 B", "1.5B", "-5B", "5BB", "60KB", "B60000"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseBudget(text).has_value());
    }
}

TEST(PercentTextToUnits, ReadsWhatFormatPercentWrites) {
    EXPECT_EQ(PercentTextToUnits("10.1563"), 101563);
    EXPECT_EQ(PercentTextToUnits("0.0000"), 0);
    EXPECT_EQ(PercentTextToUnits("-0.0300"), -300);
    EXPECT_EQ(PercentTextToUnits("122.0703"), 1220703);
    for (const char* text :
         {"", "n/a", "10.156", "10.15630", ".1563", "10", "1x.0000", "--1.0000"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(PercentTextToUnits(text).has_value());
    }
}

// The printed total is compared: 338 bytes of RAM on the 18F4680 are exactly 10.15625 %, printed
// 10.1563, which exceeds a budget of 10.15625 but not one of 10.1563.
TEST(CheckBudget, ComparesThePrintedValueExactly) {
    const struct {
        const char* percent;
        const char* budget;
        const char* line;
    } cases[] = {
        {"10.1563", "10.1563", ""},
        {"10.1563", "10.1562", "RAM 10.1563% exceeds budget 10.1562%"},
        {"10.1563", "10.15625", "RAM 10.1563% exceeds budget 10.15625%"},
        {"10.1563", "10.15631", ""},
        {"90.0000", "90", ""},
        {"90.0001", "90", "RAM 90.0001% exceeds budget 90%"},
        {"91.2340", "90", "RAM 91.2340% exceeds budget 90%"},
        {"0.0000", "0", ""},
        {"0.0001", "0", "RAM 0.0001% exceeds budget 0%"},
        // A negative total is a wrapped sum: it never passes.
        {"-0.0300", "90",
         "RAM -0.0300% is negative (its sums wrapped around) and cannot be within budget 90%"},
        {"n/a", "90", "RAM percentage 'n/a' cannot be checked against budget 90%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.percent) + " against " + c.budget);
        const std::optional<Budget> budget = ParseBudget(c.budget);
        ASSERT_TRUE(budget.has_value());
        EXPECT_EQ(CheckBudget("RAM", c.percent, *budget), c.line);
    }
}

// A byte budget is compared with the total row's bytes exactly.
TEST(CheckBudget, ComparesBytesExactly) {
    const struct {
        const char* bytes;
        const char* budget;
        const char* line;
    } cases[] = {
        {"60000", "60000B", ""},
        {"60001", "60000B", "ROM 60001 bytes exceeds budget 60000 bytes"},
        {"61234", "060000B", "ROM 61234 bytes exceeds budget 060000 bytes"},
        {"0", "0B", ""},
        {"1", "0B", "ROM 1 byte exceeds budget 0 bytes"},
        {"2", "1B", "ROM 2 bytes exceeds budget 1 byte"},
        {"999999999999999999", "9223372036854775807B", ""},
        {"-12", "60000B",
         "ROM -12 bytes is negative (its sums wrapped around) and cannot be within budget 60000 "
         "bytes"},
        {"", "60000B", "ROM size '' cannot be checked against budget 60000 bytes"},
        {"12.0000", "60000B", "ROM size '12.0000' cannot be checked against budget 60000 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.bytes) + " against " + c.budget);
        const std::optional<Budget> budget = ParseBudget(c.budget);
        ASSERT_TRUE(budget.has_value());
        EXPECT_EQ(CheckBudget("ROM", c.bytes, *budget), c.line);
    }
}

}  // namespace
