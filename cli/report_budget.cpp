#include "report_budget.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::int64_t kUnitsPerPercent = 10000;
// Far above any total a 32-bit size can give (2^31 bytes of a 1-byte capacity is 2.1e11 %); a
// larger budget is held as this one, which no total can exceed either.
constexpr std::int64_t kWholeCeiling = 100000000000000;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

namespace {

// Digits only, as a number of bytes; beyond what 63 bits hold (and any total) it holds at the
// largest value they do.
std::optional<Budget> ParseByteBudget(std::string_view digits) {
    if (digits.empty()) {
        return std::nullopt;
    }
    constexpr std::int64_t kMost = std::numeric_limits<std::int64_t>::max();
    std::int64_t bytes = 0;
    for (const char c : digits) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        bytes = bytes > (kMost - 9) / 10 ? kMost : bytes * 10 + (c - '0');
    }
    return Budget{std::string(digits), BudgetUnit::kBytes, bytes};
}

// Whole digits, as a number of bytes; nullopt for anything else.
std::optional<std::int64_t> BytesTextToCount(std::string_view text) {
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) {
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 18) {
        return std::nullopt;
    }
    std::int64_t count = 0;
    for (const char c : text) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        count = count * 10 + (c - '0');
    }
    return negative ? -count : count;
}

}  // namespace

std::optional<Budget> ParseBudget(std::string_view text) {
    if (!text.empty() && text.back() == 'B') {
        return ParseByteBudget(text.substr(0, text.size() - 1));
    }
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
    return Budget{std::string(text), BudgetUnit::kPercent, units};
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

std::string CheckBudget(std::string_view label, std::string_view total, const Budget& budget) {
    const bool percent = budget.unit == BudgetUnit::kPercent;
    const std::optional<std::int64_t> value =
        percent ? PercentTextToUnits(total) : BytesTextToCount(total);
    // "87.5%" or "60000 bytes": a figure in the budget's unit, as people read it.
    const auto shown = [percent](std::string_view figure) {
        return std::string(figure) + (percent ? "%" : figure == "1" ? " byte" : " bytes");
    };
    const std::string line(label);
    const std::string limit = "budget " + shown(budget.text);
    if (!value) {
        return line + (percent ? " percentage '" : " size '") + std::string(total) +
               "' cannot be checked against " + limit;
    }
    // A negative total means the sums wrapped past 2^31: nothing about the real size is known.
    if (*value < 0) {
        return line + " " + shown(total) + " is negative (its sums wrapped around) and " +
               "cannot be within " + limit;
    }
    if (*value <= budget.limit) {
        return "";
    }
    return line + " " + shown(total) + " exceeds " + limit;
}
