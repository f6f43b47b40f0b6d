#include "map_size_dlg.h"

#include <string>
#include <vector>

#include "layout/device_menu.h"
#include "layout/saved_report.h"
#include "layout/window_settings.h"
#include "resource.h"
#include "win/ansi_text.h"
#include "win/registry.h"

// What the window keeps from one run to the next, in the registry under the key it is given:
// where it was, the device, the rule, the view and the order, the column widths, the Open
// dialog's last folder and the recent files. A value that is missing, of another type or damaged
// is passed over: the window starts as it would without it.

namespace {

const wchar_t* const kPlacementValue = L"Placement";
const wchar_t* const kDeviceValue = L"Device";
const wchar_t* const kSectionsValue = L"Sections";
const wchar_t* const kViewValue = L"View";
const wchar_t* const kSortValue = L"Sort";
const wchar_t* const kColumnsValue = L"Columns";
const wchar_t* const kFolderValue = L"Folder";
const wchar_t* const kReportFormatValue = L"Report Format";
const wchar_t* const kRecentFilesKey = L"\\Recent File List";

// Names, numbers and fields are ASCII; a value with anything else is no value of ours.
std::optional<std::string> AsciiValue(const CRegistryKey& key, const wchar_t* name) {
    const std::optional<std::wstring> text = key.ReadString(name, 4096);
    if (!text) {
        return std::nullopt;
    }
    std::string ascii;
    for (wchar_t c : *text) {
        if (c < 0x20 || c > 0x7E) {
            return std::nullopt;
        }
        ascii += static_cast<char>(c);
    }
    return ascii;
}

std::wstring RecentFileValue(std::size_t place) {
    return L"File" + std::to_wstring(place + 1);
}

// The work areas of the monitors, the primary one first.
std::vector<ScreenRect> WorkAreas() {
    std::vector<ScreenRect> areas;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM context) -> BOOL {
            MONITORINFO info{};
            info.cbSize = sizeof info;
            if (GetMonitorInfoW(monitor, &info)) {
                auto* found = reinterpret_cast<std::vector<ScreenRect>*>(context);
                const ScreenRect area = {info.rcWork.left, info.rcWork.top, info.rcWork.right,
                                         info.rcWork.bottom};
                if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0) {
                    found->insert(found->begin(), area);
                } else {
                    found->push_back(area);
                }
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&areas));
    return areas;
}

// A window's restored rectangle is given in workspace coordinates, which start at the primary
// monitor's work area: this far from where screen coordinates start.
POINT WorkspaceOrigin() {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    return {info.rcWork.left - info.rcMonitor.left, info.rcWork.top - info.rcMonitor.top};
}

}  // namespace

void CMapSizeDlg::KeepSettingsUnder(std::wstring key) {
    m_settingsKey = std::move(key);
}

void CMapSizeDlg::LoadSettings() {
    if (m_settingsKey.empty()) {
        return;
    }
    const CRegistryKey key = CRegistryKey::Open(m_settingsKey);
    if (const auto text = AsciiValue(key, kPlacementValue)) {
        m_placement = PlacementFromSetting(*text);
    }
    if (const auto text = AsciiValue(key, kDeviceValue)) {
        m_device = DeviceFromSetting(*text).value_or(m_device);
    }
    if (const auto text = AsciiValue(key, kSectionsValue)) {
        m_startRule = RuleFromSetting(*text);
    }
    if (const auto text = AsciiValue(key, kViewValue)) {
        m_startView = ViewFromSetting(*text);
    }
    if (const auto text = AsciiValue(key, kSortValue)) {
        m_startOrdering = OrderingFromSetting(*text);
    }
    if (const auto text = AsciiValue(key, kColumnsValue)) {
        m_weights = ColumnWeightsFromSetting(*text);
    }
    if (const auto text = AsciiValue(key, kReportFormatValue)) {
        m_saveFormat = SaveFormatNamed(*text);
    }
    if (const auto folder = key.ReadString(kFolderValue); folder && IsPathSetting(*folder)) {
        m_openFolder = *folder;
    }
    m_rule = m_startRule.value_or(m_rule);
    m_view = m_startView.value_or(m_view);
    m_ordering = m_startOrdering.value_or(m_ordering);

    const CRegistryKey recent = CRegistryKey::Open(m_settingsKey + kRecentFilesKey);
    for (std::size_t place = kRecentFileCount; place-- > 0;) {
        const auto path = recent.ReadString(RecentFileValue(place));
        if (path && IsPathSetting(*path)) {
            m_recentFiles = WithRecentFile(std::move(m_recentFiles), *path);
        }
    }
    ShowRecentFiles();
}

// Where the window and its columns are, and what it shows; the recent files.
void CMapSizeDlg::SaveSettings() {
    if (m_settingsKey.empty() || m_hWnd == nullptr) {
        return;
    }
    CRegistryKey key = CRegistryKey::Create(m_settingsKey);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (GetWindowPlacement(m_hWnd, &placement)) {
        const POINT origin = WorkspaceOrigin();
        const RECT& normal = placement.rcNormalPosition;
        WindowPlacementSetting kept;
        kept.normal = {normal.left + origin.x, normal.top + origin.y, normal.right + origin.x,
                       normal.bottom + origin.y};
        kept.maximized = IsIconic(m_hWnd) ? (placement.flags & WPF_RESTORETOMAXIMIZED) != 0
                                          : IsZoomed(m_hWnd) != FALSE;
        key.WriteString(kPlacementValue, WidenAnsi(PlacementSettingText(kept)));
    }
    key.WriteString(kDeviceValue, WidenAnsi(DeviceSettingName(m_device)));
    // Without a map shown this run, the rule, view and order the last one left stay.
    if (m_map.document != nullptr) {
        key.WriteString(kSectionsValue, WidenAnsi(std::string(NameOf(m_rule).name)));
        key.WriteString(kViewValue, WidenAnsi(std::string(ViewChoiceOf(m_view).name)));
        key.WriteString(kSortValue, WidenAnsi(OrderingSettingName(m_ordering)));
    }
    KeepUserWidths();
    key.WriteString(kColumnsValue, WidenAnsi(ColumnWeightsSettingText(m_weights)));
    key.WriteString(kReportFormatValue, WidenAnsi(SaveFormatName(m_saveFormat)));
    if (!m_openFolder.empty()) {
        key.WriteString(kFolderValue, m_openFolder);
    }
    CRegistryKey recent = CRegistryKey::Create(m_settingsKey + kRecentFilesKey);
    for (std::size_t place = 0; place < kRecentFileCount; ++place) {
        if (place < m_recentFiles.size()) {
            recent.WriteString(RecentFileValue(place), m_recentFiles[place]);
        } else {
            recent.DeleteValue(RecentFileValue(place));
        }
    }
}

// Where the last run left it, on a screen that is there; else centred, as at the first start.
void CMapSizeDlg::PlaceWindow() {
    if (!m_placement) {
        CDialog::PlaceWindow();
        return;
    }
    const ScreenRect shown = VisiblePlacement(m_placement->normal, WorkAreas());
    SetWindowPos(m_hWnd, nullptr, shown.left, shown.top, shown.Width(), shown.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_placement->maximized) {
        ShowWindow(m_hWnd, SW_SHOWMAXIMIZED);
    }
}

void CMapSizeDlg::RememberRecentFile(const std::wstring& path) {
    m_recentFiles = WithRecentFile(std::move(m_recentFiles), path);
    ShowRecentFiles();
}

// The recent files in the File menu, before Exit and a separator of their own.
void CMapSizeDlg::ShowRecentFiles() {
    HMENU file = GetSubMenu(GetMenu(m_hWnd), 0);
    if (file == nullptr) {
        return;
    }
    for (std::size_t place = 0; place < kRecentFileCount; ++place) {
        DeleteMenu(file, static_cast<UINT>(IDM_FILE_RECENT_FIRST + place), MF_BYCOMMAND);
    }
    const auto exitPosition = [file]() -> UINT {
        const int count = GetMenuItemCount(file);
        for (int position = 0; position < count; ++position) {
            if (GetMenuItemID(file, position) == IDM_FILE_EXIT) {
                return static_cast<UINT>(position);
            }
        }
        return static_cast<UINT>(count);
    };
    if (m_recentSeparator) {
        DeleteMenu(file, exitPosition() - 1, MF_BYPOSITION);
        m_recentSeparator = false;
    }
    if (m_recentFiles.empty()) {
        return;
    }
    for (std::size_t place = 0; place < m_recentFiles.size(); ++place) {
        const std::wstring text = RecentFileItemText(place + 1, m_recentFiles[place]);
        InsertMenuW(file, exitPosition(), MF_BYPOSITION | MF_STRING, IDM_FILE_RECENT_FIRST + place,
                    text.c_str());
    }
    InsertMenuW(file, exitPosition(), MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    m_recentSeparator = true;
}

// A recent file is opened as File > Open would; one that is no longer there leaves the list.
bool CMapSizeDlg::OnFileRecent(std::size_t place) {
    if (place >= m_recentFiles.size()) {
        return true;
    }
    const std::wstring path = m_recentFiles[place];
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const DWORD error = GetLastError();
    if (attributes == INVALID_FILE_ATTRIBUTES &&
        (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
        m_recentFiles = WithoutRecentFile(std::move(m_recentFiles), path);
        ShowRecentFiles();
        const std::wstring text = L"The map file\n" + path +
                                  L"\n\nis no longer there. It was taken off the recent files.";
        ShowMessage(text.c_str(), MB_OK | MB_ICONWARNING);
        return true;
    }
    OpenMap(path);
    return true;
}
