#pragma once

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "size_report.h"
#include "size_table.h"
#include "win/dialog.h"
#include "win/list_ctrl.h"
#include "window_layout.h"

// The main window: the report of the last map opened, for the chosen device.
class CMapSizeDlg : public CDialog {
public:
    explicit CMapSizeDlg(CDialog* parent = nullptr);
    ~CMapSizeDlg() override;

    // A map to open as soon as the window shows, as File > Open would; empty for none.
    void OpenAtStart(std::wstring path);

protected:
    void DoDataExchange(bool saving) override;
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    bool OnFileOpen();
    bool OnFileReload();
    bool OnFileExit();
    bool OnDevice18F4680();
    bool OnDevice18F458();
    bool OnCopyTable();
    bool OnHelpAbout();

    bool OnSysCommand(WPARAM command);
    bool OnPaint();
    void OnSize(int cx, int cy);
    void OnGetMinMaxInfo(MINMAXINFO& info);
    void OnDpiChanged(const RECT& suggested);
    void OnDropFiles(HDROP drop);
    bool OnContextMenu(HWND window, LPARAM position);
    bool OnNotify(const NMHDR& header, LONG_PTR& value);
    int OnFindItem(const NMLVFINDITEMW& find) const;
    void OnGetDispInfo(LVITEMW& item) const;
    void OnGetDispInfo(LVITEMA& item) const;
    void OnInitMenuPopup(HMENU popup);
    void OnColumnClick(int column);

    void AddAboutEntryToSystemMenu();
    void ShowAboutBox();
    void OpenMap(const std::wstring& path);
    bool ReadMap(const std::wstring& path, SizeTable& table);
    void ClearEntries();
    void FillReport(bool keepScrollPosition);
    void RebuildRows();
    void MeasureColumnNeeds();
    void LayOut();
    void GrowToMinimumSize();
    const std::string* Cell(int item, int column) const;

    CListCtrl m_list;
    std::int32_t m_bDevice18F458 = 0;
    std::int32_t m_bDevice18F4680 = 0;
    HICON m_hIcon;
    SizeTable m_entries;
    // The cells the list shows, row by row; the list asks for them as it draws.
    ReportTable m_report;
    ColumnOrdering m_ordering = ColumnOrdering::kByRomSize;
    std::wstring m_path;       // of the map shown, which Reload reads again
    std::wstring m_startPath;  // of the map to open once the window shows
    int m_dpi = kDefaultDpi;
    CharWidths m_charWidths{};  // of the list's font
    ColumnNeeds m_needs;
};
