#include "layout/window_settings.h"

#include <algorithm>
#include <cstdint>

#include "layout/window_layout.h"

namespace {

// The longest a kept coordinate may be: screens are not this large.
constexpr long kLargestCoordinate = 1000000;
// The longest path the system takes.
constexpr std::size_t kLongestPath = 32767;
// The largest weight kept: a column a hundred times as wide as the list.
constexpr long kLargestWeight = 100L * kWholeListWeight;
// How long a recent file's item text may grow before its path is shortened.
constexpr std::size_t kLongestItemPath = 48;

// The whole number `text` is, in decimal with an optional minus sign, between -limit and limit.
std::optional<long> WholeNumber(std::string_view text, long limit) {
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) {
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 9) {
        return std::nullopt;
    }
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value > limit) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        pieces.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) {
            return pieces;
        }
        start = end + 1;
    }
}

wchar_t AsciiLower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](wchar_t x, wchar_t y) { return AsciiLower(x) == AsciiLower(y); });
}

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// The part of a path that names where it starts: "C:\", "\\server\share\" or nothing.
std::size_t RootLength(const std::wstring& path) {
    if (path.size() >= 3 && path[1] == L':' && IsSeparator(path[2])) {
        return 3;
    }
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        std::size_t separators = 0;
        for (std::size_t at = 2; at < path.size(); ++at) {
            if (IsSeparator(path[at]) && ++separators == 2) {
                return at + 1;
            }
        }
    }
    return 0;
}

long Overlap(const ScreenRect& a, const ScreenRect& b) {
    const long width = std::min(a.right, b.right) - std::max(a.left, b.left);
    const long height = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return width > 0 && height > 0 ? width * height : 0;
}

}  // namespace

std::string PlacementSettingText(const WindowPlacementSetting& placement) {
    const ScreenRect& r = placement.normal;
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom) + (placement.maximized ? ",maximized" : "");
}

std::optional<WindowPlacementSetting> PlacementFromSetting(std::string_view text) {
    const std::vector<std::string_view> pieces = Split(text, ',');
    if (pieces.size() != 4 && !(pieces.size() == 5 && pieces[4] == "maximized")) {
        return std::nullopt;
    }
    long numbers[4] = {};
    for (int i = 0; i < 4; ++i) {
        const std::optional<long> number =
            WholeNumber(pieces[static_cast<size_t>(i)], kLargestCoordinate);
        if (!number) {
            return std::nullopt;
        }
        numbers[i] = *number;
    }
    WindowPlacementSetting placement;
    placement.normal = {static_cast<int>(numbers[0]), static_cast<int>(numbers[1]),
                        static_cast<int>(numbers[2]), static_cast<int>(numbers[3])};
    placement.maximized = pieces.size() == 5;
    if (placement.normal.Width() <= 0 || placement.normal.Height() <= 0) {
        return std::nullopt;
    }
    return placement;
}

std::optional<SectionRule> RuleFromSetting(std::string_view name) {
    for (const SectionRuleName& rule : kSectionRuleNames) {
        if (rule.name == name) {
            return rule.rule;
        }
    }
    return std::nullopt;
}

std::optional<MapView> ViewFromSetting(std::string_view name) {
    for (const ViewChoice& view : kViewChoices) {
        if (view.name == name) {
            return view.view;
        }
    }
    return std::nullopt;
}

std::optional<ColumnOrdering> OrderingFromSetting(std::string_view name) {
    for (const SortChoice& sort : kSortChoices) {
        if (sort.name == name) {
            return sort.ordering;
        }
    }
    return std::nullopt;
}

std::string OrderingSettingName(ColumnOrdering ordering) {
    for (const SortChoice& sort : kSortChoices) {
        if (sort.ordering == ordering) {
            return std::string(sort.name);
        }
    }
    return std::string(kSortChoices[0].name);
}

std::string ColumnWeightsSettingText(const ColumnWeights& weights) {
    std::string text;
    for (const auto& [field, weight] : weights) {
        text += (text.empty() ? "" : ",") + field + "=" + std::to_string(weight);
    }
    return text;
}

ColumnWeights ColumnWeightsFromSetting(std::string_view text) {
    ColumnWeights weights;
    for (std::string_view entry : Split(text, ',')) {
        const std::size_t equals = entry.find('=');
        if (equals == 0 || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view field = entry.substr(0, equals);
        const bool isField = std::all_of(field.begin(), field.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        });
        const std::optional<long> weight = WholeNumber(entry.substr(equals + 1), kLargestWeight);
        if (isField && weight && *weight >= 0) {
            weights[std::string(field)] = static_cast<int>(*weight);
        }
    }
    return weights;
}

bool IsPathSetting(const std::wstring& path) {
    return !path.empty() && path.size() <= kLongestPath &&
           std::none_of(path.begin(), path.end(), [](wchar_t c) { return c < L' '; });
}

std::vector<std::wstring> WithRecentFile(std::vector<std::wstring> files,
                                         const std::wstring& path) {
    files = WithoutRecentFile(std::move(files), path);
    files.insert(files.begin(), path);
    if (files.size() > kRecentFileCount) {
        files.resize(kRecentFileCount);
    }
    return files;
}

std::vector<std::wstring> WithoutRecentFile(std::vector<std::wstring> files,
                                            const std::wstring& path) {
    files.erase(std::remove_if(files.begin(), files.end(),
                               [&path](const std::wstring& file) { return SamePath(file, path); }),
                files.end());
    return files;
}

std::wstring RecentFileItemText(std::size_t number, const std::wstring& path) {
    std::wstring shown = path;
    if (path.size() > kLongestItemPath) {
        // The root, then as many of the last folders as fit, and the name in any case.
        const std::size_t root = RootLength(path);
        std::size_t tail = path.size();
        for (std::size_t at = path.size(); at > root; --at) {
            if (!IsSeparator(path[at - 1])) {
                continue;
            }
            if (tail != path.size() && root + 2 + (path.size() - at) > kLongestItemPath) {
                break;
            }
            tail = at;
        }
        if (tail > root && tail < path.size()) {
            shown = path.substr(0, root) + L"\x2026\\" + path.substr(tail);
        }
    }
    std::wstring text = L"&" + std::to_wstring(number) + L" ";
    for (wchar_t c : shown) {
        text += c == L'&' ? L"&&" : std::wstring(1, c);
    }
    return text;
}

ScreenRect VisiblePlacement(const ScreenRect& stored, const std::vector<ScreenRect>& workAreas) {
    if (workAreas.empty()) {
        return stored;
    }
    const ScreenRect* area = &workAreas.front();
    long most = 0;
    for (const ScreenRect& candidate : workAreas) {
        const long overlap = Overlap(stored, candidate);
        if (overlap > most) {
            most = overlap;
            area = &candidate;
        }
    }
    const int width = std::min(stored.Width(), area->Width());
    const int height = std::min(stored.Height(), area->Height());
    const int left = std::clamp(stored.left, area->left, area->right - width);
    const int top = std::clamp(stored.top, area->top, area->bottom - height);
    return {left, top, left + width, top + height};
}
