#pragma once

// What the window keeps from one run to the next, as text values, and the decisions made on
// them without Windows: reading a value back (a value that is damaged, or was written by another
// version, is no value: the window starts as if it had none), the list of recent files, and
// where on the screen a window kept from a last run shows.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/size_table.h"
#include "layout/report_columns.h"
#include "report/size_report.h"

// A rectangle of the screen, in pixels.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const ScreenRect& b) const {
        return left == b.left && top == b.top && right == b.right && bottom == b.bottom;
    }
};

// Where the window was: its rectangle when neither maximised nor minimised, and whether it was
// maximised. Kept as "left,top,right,bottom" with ",maximized" after it when it was.
struct WindowPlacementSetting {
    ScreenRect normal;
    bool maximized = false;
};

std::string PlacementSettingText(const WindowPlacementSetting& placement);
std::optional<WindowPlacementSetting> PlacementFromSetting(std::string_view text);

// The rule, the view and the order, kept by the names the command line gives them ("all",
// "module", "ram").
std::optional<SectionRule> RuleFromSetting(std::string_view name);
std::optional<MapView> ViewFromSetting(std::string_view name);
std::optional<ColumnOrdering> OrderingFromSetting(std::string_view name);
std::string OrderingSettingName(ColumnOrdering ordering);

// The weights of the columns, kept as "name=6000,rom=1000,..."; an entry that is not a field
// and a whole number from 0 to a hundred whole lists is left out.
std::string ColumnWeightsSettingText(const ColumnWeights& weights);
ColumnWeights ColumnWeightsFromSetting(std::string_view text);

// Whether a kept path can be one: not empty, not longer than the longest path the system takes,
// and without control characters.
bool IsPathSetting(const std::wstring& path);

// How many recent files the File menu lists.
inline constexpr std::size_t kRecentFileCount = 4;

// The recent files with `path` made the most recent: first, without its older place (paths are
// compared as Windows compares them, without case in the ASCII letters), at most
// kRecentFileCount of them.
std::vector<std::wstring> WithRecentFile(std::vector<std::wstring> files, const std::wstring& path);

// The recent files without `path`.
std::vector<std::wstring> WithoutRecentFile(std::vector<std::wstring> files,
                                            const std::wstring& path);

// The File menu's item for a recent file: "&1 C:\...\app.map", its number as the access key, a
// long path shortened in its middle to its root and the folders nearest the file, an "&" in the
// path doubled so that it shows.
std::wstring RecentFileItemText(std::size_t number, const std::wstring& path);

// Where a window kept at `stored` shows on screens whose work areas are `workAreas` (the primary
// first): on the one it overlaps most, moved and if need be made smaller to lie wholly on it; on
// the primary one when it overlaps none (a monitor since taken away).
ScreenRect VisiblePlacement(const ScreenRect& stored, const std::vector<ScreenRect>& workAreas);
