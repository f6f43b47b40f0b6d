#include "window_layout.h"

namespace {

// The list keeps a 10-pixel margin on every side of the client area.
constexpr int kListMargin = 10;

}  // namespace

ListPlacement ListPlacementForClient(int cx, int cy) {
    return {kListMargin, kListMargin, cx - 2 * kListMargin, cy - 2 * kListMargin};
}

// The object-file column takes three fifths of the list, each number column a tenth; the last
// one gives up 5 pixels so that no horizontal scroll bar appears.
std::array<int, kReportColumnCount> ReportColumnWidths(int cx) {
    const int w = cx - 2 * kListMargin;
    const int tenth = w / 10;
    return {3 * w / 5, tenth, tenth, tenth, tenth - 5};
}

std::uint16_t ColumnWidthParam(int width) {
    return static_cast<std::uint16_t>(static_cast<unsigned>(width) & 0xFFFFu);
}

bool IsAboutCommand(std::uint64_t command) {
    return (command & 0xFFF0u) == kAboutSysCommand;
}

IconOrigin MinimisedIconOrigin(int w, int h, int cx, int cy) {
    return {(w - cx + 1) / 2, (h - cy + 1) / 2};
}
