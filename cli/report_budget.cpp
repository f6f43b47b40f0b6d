#include "report_budget.h"

#include <algorithm>

namespace {

constexpr std::int64_t kUnitsPerPercent = 10000;
// Far above any total a 32-bit size can give (2^31 bytes of a 1-byte capacity is 2.1e11 %); a
// larger budget is held as this one, which no total can exceed either.
constexpr std::int64_t kWholeCeiling = 100000000000000;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::optional<Budget> ParseBudget(std::string_view text) {
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() || (point != std::string_view::npos && fraction.empty())) {
        return std::nullopt;
    }
    std::int64_t wholeValue = 0;
    for (const char c : whole) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        wholeValue = std::min<std::int64_t>(wholeValue * 10 + (c - '0'), kWholeCeiling);
    }
    std::int64_t units = wholeValue * kUnitsPerPercent;
    std::int64_t scale = kUnitsPerPercent;
    for (const char c : fraction) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        scale /= 10;
        units += (c - '0') * scale;
    }
    return Budget{std::string(text), units};
}

std::optional<std::int64_t> PercentTextToUnits(std::string_view text) {
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) {
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    if (point == 0 || point == std::string_view::npos || text.size() - point != 5 || point > 14) {
        return std::nullopt;
    }
    std::int64_t units = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == point) {
            continue;
        }
        if (!IsDigit(text[i])) {
            return std::nullopt;
        }
        units = units * 10 + (text[i] - '0');
    }
    return negative ? -units : units;
}

std::string CheckBudget(std::string_view label, std::string_view percent, const Budget& budget) {
    const std::optional<std::int64_t> units = PercentTextToUnits(percent);
    std::string line(label);
    if (!units) {
        return line + " percentage '" + std::string(percent) +
               "' cannot be checked against budget " + budget.text + "%";
    }
    // A negative total means the sums wrapped past 2^31: nothing about the real size is known.
    if (*units < 0) {
        return line + " " + std::string(percent) + "% is negative (its sums wrapped around) and " +
               "cannot be within budget " + budget.text + "%";
    }
    if (*units <= budget.limitUnits) {
        return "";
    }
    return line + " " + std::string(percent) + "% exceeds budget " + budget.text + "%";
}
