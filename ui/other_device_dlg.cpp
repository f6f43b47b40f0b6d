#include "other_device_dlg.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "layout/device_menu.h"
#include "layout/window_layout.h"
#include "resource.h"
#include "win/ansi_text.h"
#include "win/dpi.h"

namespace {

// The list's columns: heading and width at 96 DPI.
struct PartColumn {
    const char* heading;
    int width;
};

constexpr PartColumn kPartColumns[] = {{"Part", 110}, {"ROM bytes", 80}, {"RAM bytes", 80}};

std::wstring FieldText(HWND field) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(field, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

COtherDeviceDlg::COtherDeviceDlg(const DeviceSelection& current)
    : CDialog(IDD_OTHER_DEVICE), m_chosen(current) {}

COtherDeviceDlg::~COtherDeviceDlg() = default;

void COtherDeviceDlg::DoDataExchange(bool saving) {
    if (!saving) {
        BindControl(IDC_PART_LIST, m_list);
    }
}

BOOL COtherDeviceDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const int dpi = DpiForWindow(m_hWnd);
    int column = 0;
    for (const PartColumn& part : kPartColumns) {
        m_list.InsertColumn(column, part.heading);
        m_list.SetColumnWidth(column++, ScaleForDpi(part.width, dpi));
    }
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT);
    // The arrow and page keys in the field move through the list, as in a combo box.
    SetWindowSubclass(GetDlgItem(m_hWnd, IDC_PART_FILTER), &COtherDeviceDlg::FilterKeys, 0,
                      reinterpret_cast<DWORD_PTR>(m_list.GetSafeHwnd()));
    ShowPartsMatching(true);
    return TRUE;  // the field, the first control that takes the focus
}

// Shows the parts the field's text matches and selects the one Enter would take: the device
// shown when the box opens, else the part of the name typed, else the first. The list asks for
// the cells it shows.
void COtherDeviceDlg::ShowPartsMatching(bool keepCurrent) {
    const std::string typed = NarrowAnsi(FieldText(GetDlgItem(m_hWnd, IDC_PART_FILTER)).c_str());
    m_parts = PartsMatching(typed);
    int select = PartForEnter(m_parts, typed);
    for (size_t place = 0; keepCurrent && place < m_parts.size(); ++place) {
        if (m_chosen.rule == DeviceRule::kPart && m_chosen.part == m_parts[place]) {
            select = static_cast<int>(place);
        }
    }
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(m_list.GetSafeHwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&state));
    m_list.SetItemCount(static_cast<int>(m_parts.size()), 0);
    InvalidateRect(m_list.GetSafeHwnd(), nullptr, TRUE);
    SelectPart(select);
}

// The cells of a part: its name, its program memory and its RAM in bytes.
void COtherDeviceDlg::OnGetDispInfo(LVITEMW& item) const {
    if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0 ||
        item.iItem < 0 || static_cast<size_t>(item.iItem) >= m_parts.size()) {
        return;
    }
    const Pic18Part& part = *m_parts[static_cast<size_t>(item.iItem)];
    std::wstring text;
    switch (item.iSubItem) {
        case 0:
            text = WidenAnsi(std::string(part.name));
            break;
        case 1:
            text = std::to_wstring(part.programBytes);
            break;
        case 2:
            text = std::to_wstring(part.ramBytes);
            break;
        default:
            break;
    }
    const size_t length = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
    std::wmemcpy(item.pszText, text.data(), length);
    item.pszText[length] = L'\0';
}

int COtherDeviceDlg::SelectedPart() const {
    return static_cast<int>(SendMessageW(m_list.GetSafeHwnd(), LVM_GETNEXTITEM,
                                         static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void COtherDeviceDlg::SelectPart(int place) {
    if (place < 0) {
        return;
    }
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(m_list.GetSafeHwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(place),
                 reinterpret_cast<LPARAM>(&state));
    SendMessageW(m_list.GetSafeHwnd(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(place), FALSE);
}

// Enter takes the part selected; with none (nothing matches), the box stays.
void COtherDeviceDlg::OnOK() {
    const int place = SelectedPart();
    if (place < 0 || static_cast<size_t>(place) >= m_parts.size()) {
        MessageBeep(MB_ICONWARNING);
        return;
    }
    m_chosen = DeviceSelectionNamed(m_parts[static_cast<size_t>(place)]->name).value_or(m_chosen);
    CDialog::OnOK();
}

bool COtherDeviceDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_PART_FILTER && HIWORD(wParam) == EN_CHANGE) {
        ShowPartsMatching(false);
        return true;
    }
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_PART_LIST && header->code == LVN_GETDISPINFOW) {
            OnGetDispInfo(reinterpret_cast<NMLVDISPINFOW*>(lParam)->item);
            return true;
        }
        if (header->idFrom == IDC_PART_LIST && header->code == NM_DBLCLK &&
            reinterpret_cast<const NMITEMACTIVATE*>(header)->iItem >= 0) {
            OnOK();
            result = TRUE;
            return true;
        }
    }
    if (message == WM_DESTROY) {
        RemoveWindowSubclass(GetDlgItem(m_hWnd, IDC_PART_FILTER), &COtherDeviceDlg::FilterKeys, 0);
    }
    return false;
}

LRESULT CALLBACK COtherDeviceDlg::FilterKeys(HWND field, UINT message, WPARAM wParam, LPARAM lParam,
                                             UINT_PTR, DWORD_PTR data) {
    if (message == WM_KEYDOWN &&
        (wParam == VK_UP || wParam == VK_DOWN || wParam == VK_PRIOR || wParam == VK_NEXT)) {
        SendMessageW(reinterpret_cast<HWND>(data), message, wParam, lParam);
        return 0;
    }
    return DefSubclassProc(field, message, wParam, lParam);
}
