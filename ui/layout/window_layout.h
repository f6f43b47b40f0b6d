#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "report/report_table.h"

// The window shows the report's five columns: "Object file", "ROM Size", "RAM Size", "ROM %", "RAM
// %".
inline constexpr int kReportColumnCount = 5;

// Every pixel size below is given for 96 dots per inch, the size a window of that DPI uses, and
// scaled to the DPI of the window that shows it.
inline constexpr int kDefaultDpi = 96;

// pixels at 96 DPI scaled to dpi, rounded to the nearest pixel, halves away from zero.
int ScaleForDpi(int pixels, int dpi);

// Where the report list sits inside a client area of cx by cy pixels.
struct ListPlacement {
    int x;
    int y;
    int width;
    int height;
};

// The list keeps its margins on every side, its bottom margin above the status bar.
ListPlacement ListPlacementForClient(int cx, int cy, int dpi);

// The status bar's height at 96 DPI: a line of the dialog font with room around it.
inline constexpr int kStatusBarHeight = 22;

// Where the status bar sits: along the bottom of the client area, its whole width.
struct StatusBarPlacement {
    int y;
    int height;
};

StatusBarPlacement StatusBarPlacementForClient(int cy, int dpi);

// How narrow each report column may be (padding included), and how many pixels of the list's
// width no column can use (its frame and a vertical scroll bar).
struct ColumnNeeds {
    std::array<int, kReportColumnCount> widths{};
    int reserve = 0;
};

// The widths of the five report columns for a client area cx pixels wide. The object-file column
// takes three fifths of the list and each number column a tenth, the last one giving up 5 pixels
// (at 96 DPI) so that no horizontal scroll bar appears. A number column narrower than it needs
// gets what it needs, and the object-file column gives the room up, down to its own need. No
// column is narrower than 0.
std::array<int, kReportColumnCount> ReportColumnWidths(int cx, int dpi, const ColumnNeeds& needs);

// The smallest client area at which every column gets what it needs and the list still shows
// its header and a few rows above the status bar.
struct ClientSize {
    int cx;
    int cy;
};

ClientSize MinimumClientSize(int dpi, const ColumnNeeds& needs);

// The advance width in pixels of each byte of single-byte text in one font.
using CharWidths = std::array<int, 256>;

// The width of text drawn in the font of those advance widths.
int TextWidth(const std::string& text, const CharWidths& advance);

// What each column needs to show its header, and for the number columns every cell of the rows,
// whole: the widest text plus padding on its sides. The object-file column needs only its header,
// since names are as long as a path can be. reserve is passed on.
ColumnNeeds ColumnNeedsFor(const ReportTable& report, const CharWidths& advance, int padding,
                           int reserve);

// The column widths the report starts with, at 96 DPI, before the first size change lays it out.
inline constexpr std::array<int, kReportColumnCount> kInitialColumnWidths = {400, 75, 75, 75, 75};

// Pixels around a cell's or a header's text, at 96 DPI.
inline constexpr int kCellPadding = 12;

// A column width as the list view takes it: its low 16 bits.
std::uint16_t ColumnWidthParam(int width);

// The table as the window copies it: the header line and then every row, each cell as shown,
// separated by tabs, every line ended by CR LF. The blank row is four tabs.
std::string TabSeparatedTable(const ReportTable& report);

// The row that typing selects, as a list's type-ahead finds it: the first from `start` on whose
// object-file name starts with `prefix` (ASCII letters compared without case), going round to the
// top when `wrap`; -1 when there is none or the prefix is empty.
int FindRowByNamePrefix(const std::vector<TableRow>& rows, const std::string& prefix, int start,
                        bool wrap);

// The system-menu command of the About entry.
inline constexpr unsigned kAboutSysCommand = 0x0010;

// Whether a system-menu command value means the About entry. The system keeps the low four bits
// of a command for itself, and bits from 16 up are not part of the command.
bool IsAboutCommand(std::uint64_t command);

struct IconOrigin {
    int x;
    int y;
};

// Where an icon of cx by cy pixels is drawn to sit in the middle of a w by h client area.
IconOrigin MinimisedIconOrigin(int w, int h, int cx, int cy);
