#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A limit on a total percentage. Percentages are compared as whole numbers of 0.0001 %, the
// unit the report prints, so that "exceeds" means exactly "the printed value is greater".
struct Budget {
    std::string text;         // as the user wrote it: "87.5"
    std::int64_t limitUnits;  // in 0.0001 %: 875000
};

// "90", "87.5", "0.0001": digits, optionally a point and more digits. Digits after the fourth
// decimal cannot change the outcome of a comparison with a four-decimal value and are dropped.
// Returns nullopt for anything else (signs, exponents, spaces, empty text).
std::optional<Budget> ParseBudget(std::string_view text);

// A percentage as FormatPercent writes it ("10.1563", "-0.0300") in 0.0001 %, or nullopt.
std::optional<std::int64_t> PercentTextToUnits(std::string_view text);

// The line for standard error when `percent` (the total row's text) is above the budget, e.g.
// "RAM 91.2340% exceeds budget 90%"; empty when it is within. A percentage that cannot be read
// is never taken as within the budget.
std::string CheckBudget(std::string_view label, std::string_view percent, const Budget& budget);
