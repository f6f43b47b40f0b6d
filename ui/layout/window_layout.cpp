#include "layout/window_layout.h"

#include <algorithm>

namespace {

// The list keeps a 10-pixel margin on every side of the client area.
constexpr int kListMargin = 10;
// The last column leaves this much of the list free.
constexpr int kLastColumnGap = 5;
// Room for the header and a few rows.
constexpr int kMinimumListHeight = 120;

}  // namespace

int ScaleForDpi(int pixels, int dpi) {
    const long long scaled = static_cast<long long>(pixels) * dpi;
    const long long half = kDefaultDpi / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kDefaultDpi
                                        : (scaled - half) / kDefaultDpi);
}

ListPlacement ListPlacementForClient(int cx, int cy, int dpi) {
    const int margin = ScaleForDpi(kListMargin, dpi);
    return {margin, margin, cx - 2 * margin, cy - 2 * margin - ScaleForDpi(kStatusBarHeight, dpi)};
}

StatusBarPlacement StatusBarPlacementForClient(int cy, int dpi) {
    const int height = ScaleForDpi(kStatusBarHeight, dpi);
    return {cy - height, height};
}

std::vector<int> StatusPartEdges(const std::vector<int>& widths, int available) {
    std::vector<int> shown;
    long long total = 0;
    for (int width : widths) {
        shown.push_back(std::max(width, 0));
        total += shown.back();
    }
    if (total > available && available > 0) {
        // The widest width that, given to every part wider than it, fills the bar.
        std::vector<int> ascending = shown;
        std::sort(ascending.begin(), ascending.end());
        long long narrower = 0;  // the sum of the parts narrower than the cap
        int cap = 0;
        for (size_t part = 0; part < ascending.size(); ++part) {
            const long long wider = static_cast<long long>(ascending.size() - part);
            cap = static_cast<int>((available - narrower) / wider);
            if (cap <= ascending[part]) {
                break;
            }
            narrower += ascending[part];
        }
        for (int& width : shown) {
            width = std::min(width, std::max(cap, 0));
        }
    }
    std::vector<int> edges;
    int edge = 0;
    for (size_t part = 0; part < shown.size(); ++part) {
        edge += shown[part];
        edges.push_back(part + 1 == shown.size() ? -1 : edge);
    }
    return edges;
}

std::vector<int> DefaultColumnWeights(std::size_t count) {
    std::vector<int> weights(count, kNumberColumnWeight);
    if (!weights.empty()) {
        weights[0] = kFirstColumnWeight;
    }
    return weights;
}

std::vector<int> ReportColumnWidths(int cx, int dpi, const ColumnNeeds& needs,
                                    const std::vector<int>& weights) {
    const int w = cx - 2 * ScaleForDpi(kListMargin, dpi);
    long long total = 0;
    for (int weight : weights) {
        total += std::max(weight, 0);
    }
    // Weights that fill less than the whole list leave room at its end, as the user left it;
    // more, and the columns share the list.
    total = std::max<long long>(total, kWholeListWeight);
    std::vector<int> widths(weights.size(), 0);
    {
        for (size_t column = 0; column < widths.size(); ++column) {
            // Truncated toward zero, as 3w/5 and w/10 are for the five default columns.
            widths[column] =
                static_cast<int>(static_cast<long long>(w) * std::max(weights[column], 0) / total);
        }
    }
    if (!widths.empty()) {
        widths.back() -= ScaleForDpi(kLastColumnGap, dpi);
    }
    const auto need = [&needs](size_t column) {
        return column < needs.widths.size() ? needs.widths[column] : 0;
    };
    bool widened = false;
    int numbers = 0;
    for (size_t column = 1; column < widths.size(); ++column) {
        if (widths[column] < need(column)) {
            widths[column] = need(column);
            widened = true;
        }
        numbers += widths[column];
    }
    if (widened) {
        // It gives up room to the widened columns, but never below its own need.
        widths[0] = std::max(need(0), std::min(widths[0], w - numbers - needs.reserve));
    }
    return widths;
}

std::vector<int> WeightsOfWidths(const std::vector<int>& widths, int cx, int dpi) {
    const int w = cx - 2 * ScaleForDpi(kListMargin, dpi);
    if (w <= 0) {
        return DefaultColumnWeights(widths.size());
    }
    // In ten-thousandths of the list, as the default weights are; the last column's gap counts as
    // its own.
    std::vector<int> weights;
    for (size_t column = 0; column < widths.size(); ++column) {
        long long width = std::max(widths[column], 0);
        if (column + 1 == widths.size()) {
            width += ScaleForDpi(kLastColumnGap, dpi);
        }
        // Rounded up, so that laid out again at this width the column is as wide as it was.
        weights.push_back(static_cast<int>(
            std::min(width * kWholeListWeight + w - 1, 100LL * kWholeListWeight * w) / w));
    }
    return weights;
}

ClientSize MinimumClientSize(int dpi, const ColumnNeeds& needs) {
    const int margins = 2 * ScaleForDpi(kListMargin, dpi);
    int columns = 0;
    for (int width : needs.widths) {
        columns += width;
    }
    return {margins + columns + needs.reserve,
            margins + ScaleForDpi(kMinimumListHeight, dpi) + ScaleForDpi(kStatusBarHeight, dpi)};
}

int TextWidth(const std::string& text, const CharWidths& advance) {
    int width = 0;
    for (char c : text) {
        width += advance[static_cast<unsigned char>(c)];
    }
    return width;
}

ColumnNeeds ColumnNeedsFor(const ReportTable& report, const CharWidths& advance, int padding,
                           int reserve, int arrowColumn, int arrow) {
    ColumnNeeds needs;
    needs.reserve = reserve;
    for (size_t column = 0; column < report.columns.size(); ++column) {
        int widest = TextWidth(report.columns[column].header, advance) +
                     (static_cast<int>(column) == arrowColumn ? arrow : 0);
        if (column > 0) {
            for (const TableRow& row : report.rows) {
                if (column < row.cells.size()) {
                    widest = std::max(widest, TextWidth(row.cells[column], advance));
                }
            }
        }
        needs.widths.push_back(widest + padding);
    }
    return needs;
}

std::uint16_t ColumnWidthParam(int width) {
    return static_cast<std::uint16_t>(static_cast<unsigned>(width) & 0xFFFFu);
}

std::string TabSeparatedTable(const ReportTable& report, const std::vector<std::size_t>* rows) {
    std::string text;
    const auto append = [&text](const auto& cells, const auto& cellText) {
        for (size_t cell = 0; cell < cells.size(); ++cell) {
            if (cell > 0) {
                text += '\t';
            }
            text += cellText(cells[cell]);
        }
        text += "\r\n";
    };
    const auto cellText = [](const std::string& cell) { return cell; };
    append(report.columns, [](const ReportColumn& column) { return column.header; });
    if (rows == nullptr) {
        for (const TableRow& row : report.rows) {
            append(row.cells, cellText);
        }
        return text;
    }
    for (size_t place : *rows) {
        if (place < report.rows.size()) {
            append(report.rows[place].cells, cellText);
        }
    }
    return text;
}

namespace {

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringAsciiCase(const char* a, const char* b, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

bool StartsWithIgnoringAsciiCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           EqualIgnoringAsciiCase(text.data(), prefix.data(), prefix.size());
}

bool ContainsIgnoringAsciiCase(const std::string& text, const std::string& part) {
    for (size_t at = 0; at + part.size() <= text.size(); ++at) {
        if (EqualIgnoringAsciiCase(text.data() + at, part.data(), part.size())) {
            return true;
        }
    }
    return false;
}

// The first row from `start` on whose first cell matches, going round to the top when `wrap`.
template <typename Matches>
int FindRow(const std::vector<TableRow>& rows, int start, bool wrap, Matches matches) {
    const int count = static_cast<int>(rows.size());
    if (count == 0) {
        return -1;
    }
    const int first = start < 0 || start >= count ? 0 : start;
    const int steps = wrap ? count : count - first;
    for (int step = 0; step < steps; ++step) {
        const int row = (first + step) % count;
        const std::vector<std::string>& cells = rows[static_cast<size_t>(row)].cells;
        if (!cells.empty() && matches(cells[0])) {
            return row;
        }
    }
    return -1;
}

}  // namespace

int FindRowByNamePrefix(const std::vector<TableRow>& rows, const std::string& prefix, int start,
                        bool wrap) {
    if (prefix.empty()) {
        return -1;
    }
    return FindRow(rows, start, wrap, [&prefix](const std::string& name) {
        return StartsWithIgnoringAsciiCase(name, prefix);
    });
}

int FindRowContaining(const std::vector<TableRow>& rows, const std::string& text, int start) {
    if (text.empty()) {
        return -1;
    }
    return FindRow(rows, start, true, [&text](const std::string& name) {
        return ContainsIgnoringAsciiCase(name, text);
    });
}

bool IsAboutCommand(std::uint64_t command) {
    return (command & 0xFFF0u) == kAboutSysCommand;
}

IconOrigin MinimisedIconOrigin(int w, int h, int cx, int cy) {
    return {(w - cx + 1) / 2, (h - cy + 1) / 2};
}
