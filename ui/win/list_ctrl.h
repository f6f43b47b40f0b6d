#pragma once

#include <windows.h>

// A report-style list view control of a dialog. Texts are single-byte strings in the ANSI code
// page, as the report's cells are. A list with LVS_OWNERDATA holds no texts: it is told how many
// items there are and asks its parent for the cells it shows (LVN_GETDISPINFO).
class CListCtrl {
public:
    void Attach(HWND hWnd) { m_hWnd = hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    int InsertColumn(int column, const char* heading);
    BOOL SetColumnWidth(int column, int width);
    int GetColumnWidth(int column) const;
    BOOL DeleteColumn(int column);
    BOOL SetColumnText(int column, const char* heading);
    DWORD GetExtendedStyle() const;
    void SetExtendedStyle(DWORD style);
    BOOL SetItemCount(int count, DWORD flags);
    HFONT GetFont() const;
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);

private:
    HWND m_hWnd = nullptr;
};
