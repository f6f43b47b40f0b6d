#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What a budget limits: a total's percentage of the device, or its bytes.
enum class BudgetUnit { kPercent, kBytes };

// A limit on a total. Percentages are compared as whole numbers of 0.0001 %, the unit the report
// prints, so that "exceeds" means exactly "the printed value is greater"; bytes exactly.
struct Budget {
    std::string text;  // the number as the user wrote it, without a unit: "87.5", "60000"
    BudgetUnit unit = BudgetUnit::kPercent;
    std::int64_t limit = 0;  // in 0.0001 % (875000) or in bytes (60000)
};

// "90", "87.5", "0.0001": a percentage, digits, optionally a point and more digits. Digits after
// the fourth decimal cannot change the outcome of a comparison with a four-decimal value and are
// dropped. "60000B": a number of bytes, digits and a B. Returns nullopt for anything else (signs,
// exponents, spaces, a fraction of a byte, empty text).
std::optional<Budget> ParseBudget(std::string_view text);

// A percentage as FormatPercent writes it ("10.1563", "-0.0300") in 0.0001 %, or nullopt.
std::optional<std::int64_t> PercentTextToUnits(std::string_view text);

// The line for standard error when `total` (the total row's text in the budget's unit: its
// percentage or its bytes) is above the budget, e.g. "RAM 91.2340% exceeds budget 90%" or
// "ROM 61234 bytes exceeds budget 60000 bytes"; empty when it is within. A total that cannot be
// read, or is negative (its sums wrapped), is never taken as within the budget.
std::string CheckBudget(std::string_view label, std::string_view total, const Budget& budget);
