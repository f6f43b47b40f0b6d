#pragma once

#include <array>
#include <cstdint>

// The window shows the report's five columns: "Object file", "ROM Size", "RAM Size", "ROM %", "RAM
// %".
inline constexpr int kReportColumnCount = 5;

// Where the report list sits inside a client area of cx by cy pixels.
struct ListPlacement {
    int x;
    int y;
    int width;
    int height;
};

ListPlacement ListPlacementForClient(int cx, int cy);

// The widths of the five report columns for a client area cx pixels wide. Narrow windows give
// zero or negative widths; they are returned as computed.
std::array<int, kReportColumnCount> ReportColumnWidths(int cx);

// A column width as the list view takes it: its low 16 bits.
std::uint16_t ColumnWidthParam(int width);

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

// The column widths the report starts with, before the first size change lays it out.
inline constexpr std::array<int, kReportColumnCount> kInitialColumnWidths = {400, 75, 75, 75, 75};
