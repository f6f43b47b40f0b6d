#include "map_size_dlg.h"

#include <commdlg.h>

#include <string>

#include "core/device_profile.h"
#include "core/map_error.h"
#include "find_dlg.h"
#include "layout/device_menu.h"
#include "layout/window_layout.h"
#include "menu_choices.h"
#include "other_device_dlg.h"
#include "resource.h"
#include "win/ansi_text.h"
#include "win/file_dialog.h"

// The commands of the menus, the list's right-click menu and the keys, and the state their items
// show: check marks and greying.

bool CMapSizeDlg::OnFileOpen() {
    CFileDialog dialog(L"map", L"*.map", OFN_FILEMUSTEXIST | OFN_HIDEREADONLY,
                       L"Link maps (*.map)|*.map|All files (*.*)|*.*||");
    dialog.SetInitialFolder(m_openFolder);
    if (dialog.DoModal() != IDOK) {
        return true;
    }
    const std::wstring& path = dialog.GetPathName();
    const size_t separator = path.find_last_of(L"\\/");
    if (separator != std::wstring::npos) {
        m_openFolder = path.substr(0, separator == 2 && path[1] == L':' ? 3 : separator);
    }
    OpenMap(path);
    return true;
}

// Reads the map the report shows once more, after a rebuild, keeping the device, the order, and
// the rule and the view where the map still offers them (else its own rule, by object file).
bool CMapSizeDlg::OnFileReload() {
    if (m_map.document == nullptr) {
        return true;
    }
    std::optional<COpenedMap> map = ReadMap(m_map.path);
    if (!map) {
        return true;  // the user was told; the report stays as it was
    }
    const CMapDocument& document = *map->document;
    SectionRule rule = document.Offers(m_rule) ? m_rule : document.CalledForRule();
    MapView view = document.Offers(m_view) ? m_view : MapView::kObjects;
    if (!Shows(document, rule, view)) {
        view = MapView::kObjects;
    }
    SizeTable shown;
    try {
        shown = document.Count(rule, view, ChosenPart());
    } catch (const MapError&) {
        // It lacks what they need after all; the map's own rule counted it when it was read.
        shown = document.Count(document.CalledForRule(), MapView::kObjects);
    }
    m_map = std::move(*map);
    m_sourceFiles.reset();
    m_entries = std::move(shown);  // for the older map's count, which follows its rule and view
    RecountComparison();
    ShowCounted(std::move(m_entries), true);
    return true;
}

bool CMapSizeDlg::OnFileExit() {
    Close();
    return true;
}

// The map's own device can be chosen only where the map gives capacities for it, from its
// memory ranges or for the part it names (its item is greyed otherwise).
bool CMapSizeDlg::Offers(std::size_t device) const {
    if (device >= kDeviceChoices.size() || !kDeviceChoices[device].fromMap) {
        return true;
    }
    return m_map.document != nullptr &&
           ProfileOf(kDeviceChoices[device], m_entries.facts).capacities != CapacitySource::kNone;
}

bool CMapSizeDlg::OnDevice(std::size_t device) {
    if (!Offers(device)) {
        return true;
    }
    m_device = DeviceSelection(&kDeviceChoices[device]);
    DeviceChosen();
    return true;
}

// Any part of the table, chosen in a box of its own; it stays the device for the maps opened
// next, as the menu's devices do.
bool CMapSizeDlg::OnDeviceOther() {
    COtherDeviceDlg dialog(m_device);
    if (dialog.DoModal() == IDOK) {
        m_device = dialog.Chosen();
        DeviceChosen();
    }
    return true;
}

// The percentages follow the device; so do the regions of a map that takes its part's.
void CMapSizeDlg::DeviceChosen() {
    if (m_map.document != nullptr && m_entries.view == MapView::kRegions) {
        RecountRegions();
        return;
    }
    FillReport(true);
}

bool CMapSizeDlg::OnRule(SectionRule rule) {
    ChooseCount(rule, m_view);
    return true;
}

bool CMapSizeDlg::OnView(MapView view) {
    ChooseCount(m_rule, view);
    return true;
}

// Counts the map already read by another rule or view, keeping the order. Before any map, the
// choice is only recorded (the empty report takes its header). A rule or view the map lacks after
// all is reported and the previous one stays.
void CMapSizeDlg::ChooseCount(SectionRule rule, MapView view) {
    if (m_map.document == nullptr) {
        // The user's own choice: the first map is shown as the Open command shows a map.
        m_startRule.reset();
        m_startView.reset();
        m_rule = rule;
        m_view = view;
        m_entries.rule = rule;
        m_entries.view = view;
        FillReport(true);
        return;
    }
    if (!Shows(rule, view)) {
        return;  // a greyed item
    }
    if (rule == m_rule && view == m_view) {
        if (m_comparison) {  // the map shown alone again
            m_comparison.reset();
            FillReport(false);
        }
        return;
    }
    SizeTable shown;
    try {
        shown = m_map.document->Count(rule, view, ChosenPart());
    } catch (const MapError& error) {
        ShowMapError(m_map.path, error, L"Cannot show the map file");
        return;
    }
    m_comparison.reset();
    ShowCounted(std::move(shown), false);
}

// The rows selected, or the whole table when none is, as tab-separated text under the header
// line, ready to paste into a spreadsheet.
bool CMapSizeDlg::OnEditCopy() {
    const std::vector<std::size_t> rows = SelectedRows();
    CopyRows(rows.empty() ? nullptr : &rows);
    return true;
}

bool CMapSizeDlg::OnEditCopyTable() {
    CopyRows(nullptr);
    return true;
}

// Asks for the text to find, then selects the next row that has it.
bool CMapSizeDlg::OnEditFind() {
    CFindDlg dialog(m_findText);
    if (dialog.DoModal() == IDOK && !dialog.Text().empty()) {
        m_findText = dialog.Text();
        FindNext();
    }
    return true;
}

bool CMapSizeDlg::OnEditFindNext() {
    return m_findText.empty() ? OnEditFind() : (FindNext(), true);
}

bool CMapSizeDlg::OnHelpAbout() {
    ShowAboutBox();
    return true;
}

// The Device and View items show the choices as check marks and are greyed where the map shown
// cannot offer them; Reload is greyed while no map is shown; every other item is left as it is.
void CMapSizeDlg::OnInitMenuPopup(HMENU popup) {
    const int count = GetMenuItemCount(popup);
    for (int position = 0; position < count; ++position) {
        const UINT id = GetMenuItemID(popup, position);
        const auto byPosition = static_cast<UINT>(position);
        bool checked = false;
        bool enabled = true;
        if (const std::size_t device = ItemOf(kDeviceItems, id); device < kDeviceItems.size()) {
            checked = device == ChoiceItemOf(m_device);
            enabled = Offers(device);
        } else if (id == IDM_DEVICE_OTHER) {
            // "Other Device (18F46K22)..." while a part of the table is the device.
            checked = ChoiceItemOf(m_device) == kDeviceChoices.size();
            std::wstring text = m_otherDeviceText;
            const size_t ellipsis = text.find(L'\x2026');
            if (checked && ellipsis != std::wstring::npos) {
                text.insert(ellipsis, L" (" + WidenAnsi(m_device.name) + L")");
            }
            ModifyMenuW(popup, byPosition, MF_BYPOSITION | MF_STRING, id, text.c_str());
        } else if (const std::size_t rule = ItemOf(kRuleItems, id); rule < kRuleItems.size()) {
            checked = kSectionRuleNames[rule].rule == m_rule;
            enabled = Shows(kSectionRuleNames[rule].rule, m_view);
        } else if (const std::size_t view = ItemOf(kViewItems, id); view < kViewItems.size()) {
            checked = kViewChoices[view].view == m_view;
            enabled = Shows(m_rule, kViewChoices[view].view);
        } else if (id == IDM_FILE_RELOAD || id == IDM_FILE_SAVE_REPORT_AS ||
                   id == IDM_FILE_COMPARE_WITH || id == IDM_FILE_OPEN_PICTURE) {
            // What needs a map shown.
            EnableMenuItem(popup, byPosition,
                           MF_BYPOSITION | (m_map.document == nullptr ? MF_GRAYED : MF_ENABLED));
            continue;
        } else {
            continue;  // separators, nested drop-downs, commands without a check mark
        }
        CheckMenuItem(popup, byPosition, MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
        EnableMenuItem(popup, byPosition, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
    }
}
