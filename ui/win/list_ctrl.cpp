#include "list_ctrl.h"

#include <commctrl.h>

#include "layout/window_layout.h"

namespace {

LRESULT Send(HWND hWnd, UINT message, WPARAM wParam, const void* data) {
    return SendMessageA(hWnd, message, wParam, reinterpret_cast<LPARAM>(data));
}

}  // namespace

int CListCtrl::InsertColumn(int column, const char* heading) {
    LVCOLUMNA request{};
    request.mask = LVCF_FMT | LVCF_TEXT;
    request.fmt = LVCFMT_LEFT;
    request.pszText = const_cast<char*>(heading);
    return static_cast<int>(Send(m_hWnd, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), &request));
}

BOOL CListCtrl::SetColumnWidth(int column, int width) {
    return static_cast<BOOL>(SendMessageA(m_hWnd, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                                          MAKELPARAM(ColumnWidthParam(width), 0)));
}

int CListCtrl::GetColumnWidth(int column) const {
    return static_cast<int>(
        SendMessageA(m_hWnd, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

BOOL CListCtrl::DeleteColumn(int column) {
    return static_cast<BOOL>(
        SendMessageA(m_hWnd, LVM_DELETECOLUMN, static_cast<WPARAM>(column), 0));
}

BOOL CListCtrl::SetColumnText(int column, const char* heading) {
    LVCOLUMNA request{};
    request.mask = LVCF_TEXT;
    request.pszText = const_cast<char*>(heading);
    return static_cast<BOOL>(Send(m_hWnd, LVM_SETCOLUMNA, static_cast<WPARAM>(column), &request));
}

DWORD CListCtrl::GetExtendedStyle() const {
    return static_cast<DWORD>(SendMessageA(m_hWnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}

// A mask of 0 writes the whole style.
void CListCtrl::SetExtendedStyle(DWORD style) {
    SendMessageA(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style));
}

BOOL CListCtrl::SetItemCount(int count, DWORD flags) {
    return static_cast<BOOL>(SendMessageA(m_hWnd, LVM_SETITEMCOUNT, static_cast<WPARAM>(count),
                                          static_cast<LPARAM>(flags)));
}

HFONT CListCtrl::GetFont() const {
    return reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
}

void CListCtrl::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
    ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}
