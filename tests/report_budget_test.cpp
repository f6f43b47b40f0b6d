#include "report_budget.h"

#include <gtest/gtest.h>

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
        EXPECT_EQ(budget->limitUnits, c.units);
        EXPECT_EQ(budget->text, c.text);
    }
}

TEST(ParseBudget, RejectsAnythingButDigitsAndOnePoint) {
    for (const char* text :
         {"", "-5", "+5", "abc", "90%", "1e2", " 90", "90 ", ".5", "5.", "1.2.3", "0x10", "9,5"}) {
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

}  // namespace
