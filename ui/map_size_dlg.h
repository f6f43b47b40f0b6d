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

#include "core/device_profile.h"
#include "core/map_error.h"
#include "core/size_table.h"
#include "layout/map_document.h"
#include "layout/report_columns.h"
#include "layout/status_text.h"
#include "layout/window_layout.h"
#include "layout/window_settings.h"
#include "report/map_report.h"
#include "report/report_diff.h"
#include "report/size_report.h"
#include "win/dialog.h"
#include "win/list_ctrl.h"
#include "win/status_bar.h"

// A map read from a file: the document that counts it, and what the window needs of it besides.
struct COpenedMap {
    std::wstring path;
    std::unique_ptr<CMapDocument> document;
    // Its bytes and name once more, for the counts of a saved report and of the picture, which
    // are made as the command line makes them (with each section's pieces, for the picture).
    std::string bytes;
    std::string name;
    bool mplink = false;  // its rows are source files (see HeadRowsAsSourceFiles)
};

// An older map the map shown is compared with, and the rows of the comparison.
struct CComparison {
    COpenedMap older;
    SizeTable olderEntries;  // counted by the view shown, and its rule where it offers it
    std::vector<Memory> measures;
    std::vector<DiffRow> rows;  // their names held by olderEntries and the window's entries
};

// The main window: the report of the last map opened, counted by the chosen rule and view, for
// the chosen device, with a status bar that says what counted and what the map's figures say.
class CMapSizeDlg : public CDialog {
public:
    explicit CMapSizeDlg(CDialog* parent = nullptr);
    ~CMapSizeDlg() override;

    // A map to open as soon as the window shows, as File > Open would; empty for none.
    void OpenAtStart(std::wstring path);

    // The registry key (under HKEY_CURRENT_USER) that the window starts as it was left in, and
    // that it keeps its settings in when it closes; empty to keep nothing.
    void KeepSettingsUnder(std::wstring key);

protected:
    void DoDataExchange(bool saving) override;
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void PlaceWindow() override;

private:
    // The menu commands and the state of their items (map_size_dlg_commands.cpp). The Device
    // and View items each choose a row of a table (menu_choices.h): one handler for each kind.
    bool OnFileOpen();
    bool OnFileReload();
    bool OnFileExit();
    bool OnFileRecent(std::size_t place);
    bool OnFileSaveReportAs();
    bool OnFileCompareWith();
    bool OnFileOpenPicture();
    bool OnDevice(std::size_t device);
    bool OnDeviceOther();
    bool OnRule(SectionRule rule);
    bool OnView(MapView view);
    bool OnEditCopy();
    bool OnEditCopyTable();
    bool OnEditFind();
    bool OnEditFindNext();
    bool OnHelpAbout();
    void OnInitMenuPopup(HMENU popup);
    bool Offers(std::size_t device) const;
    void DeviceChosen();
    void ChooseCount(SectionRule rule, MapView view);

    // The window's own messages (map_size_dlg.cpp).
    void Close();
    bool OnSysCommand(WPARAM command);
    bool OnPaint();
    void OnSize(int cx, int cy);
    void OnGetMinMaxInfo(MINMAXINFO& info);
    void OnDpiChanged(const RECT& suggested);
    void OnDropFiles(HDROP drop);
    bool OnContextMenu(HWND window, LPARAM position);
    bool OnNotify(const NMHDR& header, LONG_PTR& value);
    void AddAboutEntryToSystemMenu();
    void ShowAboutBox();
    void LayOut();
    void KeepUserWidths();
    void GrowToMinimumSize();

    // Reading a map and showing its report (map_size_dlg_report.cpp).
    void OpenMap(const std::wstring& path);
    std::optional<COpenedMap> ReadMap(const std::wstring& path);
    void ShowMapError(const std::wstring& path, const MapError& error,
                      const wchar_t* heading = L"Cannot read the map file");
    static bool Shows(const CMapDocument& document, SectionRule rule, MapView view);
    bool Shows(SectionRule rule, MapView view) const;
    void ShowCounted(SizeTable shown, bool keepScrollPosition);
    DeviceProfile Device() const;
    void ClearEntries();
    void FillReport(bool keepScrollPosition);
    void RebuildRows();
    void ShowColumns();
    int SortArrowColumn() const;
    void ShowSortArrow();
    void ShowStatus();
    void ShowStatusParts(const StatusParts& parts);
    std::string SourceFilesNote();
    void MeasureColumnNeeds();
    const std::string* Cell(int item, int column) const;
    int OnFindItem(const NMLVFINDITEMW& find) const;
    void OnGetDispInfo(LVITEMW& item) const;
    void OnGetDispInfo(LVITEMA& item) const;
    void OnColumnClick(int column);

    // The view by memory region: its rows, the nearly full ones drawn apart, and a new device's
    // regions (map_size_dlg_regions.cpp).
    const Pic18Part* ChosenPart() const;
    ReportTable RegionRows();
    std::string RegionNote() const;
    void RecountRegions();
    LONG_PTR OnCustomDraw(NMLVCUSTOMDRAW& draw) const;

    // Saved reports, comparisons and the picture (map_size_dlg_files.cpp).
    std::string ReportText(OutputFormat format) const;
    void CompareRowsShown();
    bool RecountComparison();
    void ShowComparisonStatus();

    // What is kept from one run to the next, and the recent files (map_size_dlg_settings.cpp).
    void LoadSettings();
    void SaveSettings();
    void RememberRecentFile(const std::wstring& path);
    void ShowRecentFiles();

    // The rows chosen in the list, and finding one (map_size_dlg_rows.cpp).
    std::vector<std::size_t> SelectedRows() const;
    void CopyRows(const std::vector<std::size_t>* rows);
    void FindNext();
    void SelectOnly(int row);

    CListCtrl m_list;
    CStatusBar m_status;
    HICON m_warningIcon = nullptr;
    DeviceSelection m_device{&kDefaultDevice};
    std::wstring m_otherDeviceText;  // the Other Device item's own text
    SectionRule m_rule = SectionRule::kListed;
    MapView m_view = MapView::kObjects;
    HICON m_hIcon;
    // The map shown, kept so that another rule or view counts it again without reading the file;
    // no document until a map was opened.
    COpenedMap m_map;
    // The document counted by the rule and the view, its rows in the map's order.
    SizeTable m_entries;
    // The places of the rows in the order shown.
    std::vector<std::uint32_t> m_order;
    // Every section counted, when the listed names are shown of a map with a TOTAL section: the
    // status bar says how much of it they found.
    std::optional<SizeTable> m_complete;
    // How many rows the view by source file has, once asked for; of the map shown.
    std::optional<std::size_t> m_sourceFiles;
    // The older map the one shown is compared with, while it is.
    std::optional<CComparison> m_comparison;
    // The cells the list shows, row by row; the list asks for them as it draws.
    ReportTable m_report;
    // Of the view by region: whether each of the first rows is a nearly full region.
    std::vector<bool> m_nearlyFull;
    // The fields of the columns the list has, which a new report compares its own with.
    std::vector<std::string> m_columnFields;
    ColumnOrdering m_ordering = ColumnOrdering::kByRomSize;
    std::string m_sortField;   // of the column whose header was clicked last
    std::wstring m_startPath;  // of the map to open once the window shows
    std::wstring m_findText;   // looked for last
    std::wstring m_settingsKey;
    // The rule, view and order the last run left, for the first map this run shows; each is
    // dropped once a map was shown or the user chose another before one was.
    std::optional<SectionRule> m_startRule;
    std::optional<MapView> m_startView;
    std::optional<ColumnOrdering> m_startOrdering;
    std::optional<WindowPlacementSetting> m_placement;  // where the last run left the window
    std::wstring m_openFolder;                          // the Open dialog's last folder
    std::vector<std::wstring> m_recentFiles;            // most recent first
    bool m_recentSeparator = false;  // the File menu has the separator after them
    std::size_t m_saveFormat = 0;    // of kSaveFormats, chosen last
    int m_dpi = kDefaultDpi;
    CharWidths m_charWidths{};  // of the list's font
    ColumnNeeds m_needs;
    ColumnWeights m_weights;           // the user's, by field
    std::vector<int> m_laidOutWidths;  // the widths the layout gave the columns last
    int m_laidOutCx = 0;               // and the client width they were given for
};
