#pragma once

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "layout/map_document.h"
#include "core/map_error.h"
#include "report/size_report.h"
#include "core/size_table.h"
#include "win/dialog.h"
#include "win/list_ctrl.h"
#include "layout/window_layout.h"

// The main window: the report of the last map opened, counted by the chosen rule and view, for
// the chosen device, with a status bar that says what counted and what the map's figures say.
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
    bool OnDeviceFromMap();
    bool OnViewListedSections();
    bool OnViewAllSections();
    bool OnViewObjectFiles();
    bool OnViewSourceFiles();
    bool OnViewSymbols();
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
    std::unique_ptr<CMapDocument> ReadMap(const std::wstring& path);
    void ShowMapError(const std::wstring& path, const MapError& error);
    void ChooseDevice(std::size_t device);
    void ChooseCount(SectionRule rule, MapView view);
    bool Shows(SectionRule rule, MapView view) const;
    void ShowCounted(SizeTable shown, bool keepScrollPosition);
    DeviceProfile Device() const;
    void ClearEntries();
    void FillReport(bool keepScrollPosition);
    void RebuildRows();
    void ShowStatus();
    void MeasureColumnNeeds();
    void LayOut();
    void GrowToMinimumSize();
    const std::string* Cell(int item, int column) const;

    CListCtrl m_list;
    HWND m_status = nullptr;
    std::size_t m_device = 0;  // of kDeviceChoices
    SectionRule m_rule = SectionRule::kListed;
    MapView m_view = MapView::kObjects;
    HICON m_hIcon;
    // The map shown, kept so that another rule or view counts it again without reading the file;
    // null until a map was opened.
    std::unique_ptr<CMapDocument> m_document;
    // The document counted by the rule and the view, in the order shown.
    SizeTable m_entries;
    // Every section counted, when the listed names are shown of a map with a TOTAL section: the
    // status bar says how much of it they found.
    std::optional<SizeTable> m_complete;
    // The cells the list shows, row by row; the list asks for them as it draws.
    ReportTable m_report;
    ColumnOrdering m_ordering = ColumnOrdering::kByRomSize;
    std::wstring m_path;       // of the map shown, which Reload reads again
    std::wstring m_startPath;  // of the map to open once the window shows
    int m_dpi = kDefaultDpi;
    CharWidths m_charWidths{};  // of the list's font
    ColumnNeeds m_needs;
};
