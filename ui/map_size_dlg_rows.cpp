#include "map_size_dlg.h"

#include <string>
#include <vector>

#include "layout/window_layout.h"
#include "win/ansi_text.h"
#include "win/clipboard.h"

// The rows the user chose in the list: copying them, and finding a row by its name.

std::vector<std::size_t> CMapSizeDlg::SelectedRows() const {
    std::vector<std::size_t> rows;
    HWND list = m_list.GetSafeHwnd();
    int row = -1;
    while ((row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                LVNI_SELECTED))) >= 0) {
        rows.push_back(static_cast<std::size_t>(row));
    }
    return rows;
}

void CMapSizeDlg::CopyRows(const std::vector<std::size_t>* rows) {
    const std::wstring failure =
        PutTextOnClipboard(m_hWnd, WidenAnsi(TabSeparatedTable(m_report, rows)));
    if (!failure.empty()) {
        const std::wstring text = L"Cannot copy the table: " + failure;
        ShowMessage(text.c_str(), MB_OK | MB_ICONERROR);
    }
}

// From the row after the one with the focus, round to the top: the next row whose first cell
// holds the text, in any case. Found, it is the one row selected, and shown.
void CMapSizeDlg::FindNext() {
    HWND list = m_list.GetSafeHwnd();
    const int focused = static_cast<int>(
        SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    const int row = FindRowContaining(m_report.rows, NarrowAnsi(m_findText.c_str()), focused + 1);
    if (row < 0) {
        const std::wstring text = L"Cannot find \"" + m_findText + L"\" in the first column.";
        ShowMessage(text.c_str(), MB_OK | MB_ICONINFORMATION);
        return;
    }
    SelectOnly(row);
}

void CMapSizeDlg::SelectOnly(int row) {
    HWND list = m_list.GetSafeHwnd();
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&state));
    SendMessageW(list, LVM_SETSELECTIONMARK, 0, row);
    SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    SetFocus(list);
}
