#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "report/report_table.h"

// The window starts with the report's five columns: "Object file", "ROM Size", "RAM Size", "ROM %",
// "RAM %". Counting every section adds "Other"; two maps compared show the comparison's columns.
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

// Room in a status bar's part around its text, at 96 DPI: the part's borders and margins.
inline constexpr int kStatusPartPadding = 16;

// The right edges of the status bar's parts for parts `widths` wide (their text and the room
// around it), one after the other from the left; the last part reaches the bar's end (-1). Where
// they are wider together than the bar's `available` pixels, the widest give up room, each down
// to the same width, so that every part shows as much as it can.
std::vector<int> StatusPartEdges(const std::vector<int>& widths, int available);

// How narrow each report column may be (padding included), and how many pixels of the list's
// width no column can use (its frame and a vertical scroll bar). A column without a need may
// be as narrow as 0.
struct ColumnNeeds {
    std::vector<int> widths;
    int reserve = 0;
};

// The share of the list's width each column takes, relative to the others, in ten-thousandths of
// the list: the first column 6000 and every other one 1000, so that of the five columns the first
// takes three fifths and each number column a tenth; the user's own widths, kept by the columns'
// fields, take their place.
inline constexpr int kFirstColumnWeight = 6000;
inline constexpr int kNumberColumnWeight = 1000;
inline constexpr int kWholeListWeight = 10000;

// The default weights of `count` columns.
std::vector<int> DefaultColumnWeights(std::size_t count);

// The widths of the report columns for a client area cx pixels wide, one per weight: each
// column takes its weight's share of the list (of the weights' sum, where they sum to more than
// the whole list), the last one giving up 5 pixels (at 96 DPI) so that no horizontal scroll bar
// appears. A number column narrower than it needs gets what it
// needs, and the first column gives the room up, down to its own need. No column is narrower
// than 0.
std::vector<int> ReportColumnWidths(int cx, int dpi, const ColumnNeeds& needs,
                                    const std::vector<int>& weights);

// The weights that widths laid out in a client area cx pixels wide stand for: what the user's
// widths, once dragged, keep as the columns' shares when the window is resized or opened again.
std::vector<int> WeightsOfWidths(const std::vector<int>& widths, int cx, int dpi);

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

// What each column needs to show its header (the one at `arrowColumn` with `arrow` pixels more,
// for its sort arrow), and for the number columns every cell of the rows, whole: the widest text
// plus padding on its sides. The first column needs only its header, since names are as long as a
// path can be. reserve is passed on.
ColumnNeeds ColumnNeedsFor(const ReportTable& report, const CharWidths& advance, int padding,
                           int reserve, int arrowColumn = -1, int arrow = 0);

// The column widths the report starts with, at 96 DPI, before the first size change lays it out.
inline constexpr std::array<int, kReportColumnCount> kInitialColumnWidths = {400, 75, 75, 75, 75};

// Pixels around a cell's or a header's text, at 96 DPI.
inline constexpr int kCellPadding = 12;

// Pixels a header's sort arrow takes beside its text, at 96 DPI.
inline constexpr int kSortArrowWidth = 32;

// A column width as the list view takes it: its low 16 bits.
std::uint16_t ColumnWidthParam(int width);

// The table as the window copies it: the header line and then every row (or, with `rows`, the
// rows at those places, in their order), each cell as shown, separated by tabs, every line ended
// by CR LF. The blank row of five columns is four tabs.
std::string TabSeparatedTable(const ReportTable& report,
                              const std::vector<std::size_t>* rows = nullptr);

// The row that typing selects, as a list's type-ahead finds it: the first from `start` on whose
// first cell starts with `prefix` (ASCII letters compared without case), going round to the top
// when `wrap`; -1 when there is none or the prefix is empty.
int FindRowByNamePrefix(const std::vector<TableRow>& rows, const std::string& prefix, int start,
                        bool wrap);

// The row Find selects: the first from `start` on whose first cell holds `text` anywhere (ASCII
// letters compared without case), going round to the top; -1 when there is none or the text is
// empty.
int FindRowContaining(const std::vector<TableRow>& rows, const std::string& text, int start);

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
