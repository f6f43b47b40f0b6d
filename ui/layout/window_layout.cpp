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

std::array<int, kReportColumnCount> ReportColumnWidths(int cx, int dpi, const ColumnNeeds& needs) {
    const int w = cx - 2 * ScaleForDpi(kListMargin, dpi);
    const int tenth = w / 10;
    const int gap = ScaleForDpi(kLastColumnGap, dpi);
    std::array<int, kReportColumnCount> widths = {3 * w / 5, tenth, tenth, tenth, tenth - gap};
    bool widened = false;
    int numbers = 0;
    for (size_t column = 1; column < widths.size(); ++column) {
        if (widths[column] < needs.widths[column]) {
            widths[column] = needs.widths[column];
            widened = true;
        }
        numbers += widths[column];
    }
    if (widened) {
        // It gives up room to the widened columns, but never below its own need.
        widths[0] = std::max(needs.widths[0], std::min(widths[0], w - numbers - needs.reserve));
    }
    return widths;
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
                           int reserve) {
    ColumnNeeds needs;
    needs.reserve = reserve;
    for (size_t column = 0; column < needs.widths.size() && column < report.columns.size();
         ++column) {
        int widest = TextWidth(report.columns[column].header, advance);
        if (column > 0) {
            for (const TableRow& row : report.rows) {
                if (column < row.cells.size()) {
                    widest = std::max(widest, TextWidth(row.cells[column], advance));
                }
            }
        }
        needs.widths[column] = widest + padding;
    }
    return needs;
}

std::uint16_t ColumnWidthParam(int width) {
    return static_cast<std::uint16_t>(static_cast<unsigned>(width) & 0xFFFFu);
}

std::string TabSeparatedTable(const ReportTable& report) {
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
    append(report.columns, [](const ReportColumn& column) { return column.header; });
    for (const TableRow& row : report.rows) {
        append(row.cells, [](const std::string& cell) { return cell; });
    }
    return text;
}

namespace {

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithIgnoringAsciiCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiLower(text[i]) != AsciiLower(prefix[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

int FindRowByNamePrefix(const std::vector<TableRow>& rows, const std::string& prefix, int start,
                        bool wrap) {
    const int count = static_cast<int>(rows.size());
    if (prefix.empty() || count == 0) {
        return -1;
    }
    const int first = start < 0 || start >= count ? 0 : start;
    const int steps = wrap ? count : count - first;
    for (int step = 0; step < steps; ++step) {
        const int row = (first + step) % count;
        const std::vector<std::string>& cells = rows[static_cast<size_t>(row)].cells;
        if (!cells.empty() && StartsWithIgnoringAsciiCase(cells[0], prefix)) {
            return row;
        }
    }
    return -1;
}

bool IsAboutCommand(std::uint64_t command) {
    return (command & 0xFFF0u) == kAboutSysCommand;
}

IconOrigin MinimisedIconOrigin(int w, int h, int cx, int cy) {
    return {(w - cx + 1) / 2, (h - cy + 1) / 2};
}
