#include "map_size_dlg.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/device_profile.h"
#include "core/map_error.h"
#include "core/map_file.h"
#include "layout/device_menu.h"
#include "layout/status_text.h"
#include "layout/window_layout.h"
#include "readers/mplink/mplink_reader.h"
#include "report/report_formats.h"
#include "report/size_report.h"
#include "resource.h"
#include "win/ansi_text.h"
#include "win/dpi.h"

// Reading a map and showing its report: the rows the list asks for, the status bar, the order a
// header click chooses, and the columns' needs.

namespace {

// The system's own words for a failed open: its message for the error code when there is one,
// else the C runtime's.
std::wstring OpenFailureReason(DWORD systemError, const std::string& detail) {
    if (systemError != 0) {
        wchar_t* buffer = nullptr;
        const DWORD length = FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, systemError, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
        if (length != 0 && buffer != nullptr) {
            std::wstring reason(buffer, length);
            LocalFree(buffer);
            while (!reason.empty() &&
                   (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' ')) {
                reason.pop_back();
            }
            if (!reason.empty()) {
                return reason;
            }
        }
    }
    return WidenAnsi(detail);
}

}  // namespace

// Whether the document can be shown by that rule and view: the map has what both need, and the
// views by source file and by symbol, which split the count of every section, are shown only
// with every section counted.
bool CMapSizeDlg::Shows(const CMapDocument& document, SectionRule rule, MapView view) {
    return document.Offers(rule) && document.Offers(view) &&
           (view == MapView::kObjects || rule == SectionRule::kAll);
}

// Shows the map's report by the rule it calls for, by object file, ordered by ROM size, for the
// chosen device; a map that cannot be read leaves everything as it was. The first map a run shows
// is shown by the rule, the view and the order the last run left, where it offers them.
void CMapSizeDlg::OpenMap(const std::wstring& path) {
    std::optional<COpenedMap> map = ReadMap(path);
    if (!map) {
        return;  // the user was told; the report stays as it was
    }
    const CMapDocument& document = *map->document;
    SectionRule rule = document.CalledForRule();
    MapView view = MapView::kObjects;
    if (m_startRule && document.Offers(*m_startRule)) {
        rule = *m_startRule;
    }
    if (m_startView && Shows(document, rule, *m_startView)) {
        view = *m_startView;
    }
    SizeTable shown;
    try {
        shown = document.Count(rule, view, ChosenPart());
    } catch (const MapError&) {
        // It lacks what they need after all; the map's own rule counted it when it was read.
        shown = document.Count(document.CalledForRule(), MapView::kObjects);
    }
    ClearEntries();
    m_comparison.reset();
    m_map = std::move(*map);
    m_sourceFiles.reset();
    m_ordering = m_startOrdering.value_or(ColumnOrdering::kByRomSize);
    m_sortField.clear();
    m_startRule.reset();
    m_startView.reset();
    m_startOrdering.reset();
    ShowCounted(std::move(shown), false);
    const std::wstring title = L"Tallyfold [ " + path + L" ]";
    SetWindowTextW(m_hWnd, title.c_str());
    RememberRecentFile(path);
}

// Reads the whole map and checks that it is one, or tells the user why not and returns nothing.
std::optional<COpenedMap> CMapSizeDlg::ReadMap(const std::wstring& path) {
    try {
        CMapFile file(Utf8FromWide(path));
        std::string bytes = file.ReadAll();
        COpenedMap map;
        map.path = path;
        map.mplink = IsMplinkMap(bytes);
        map.name = file.Name();
        map.bytes = bytes;
        map.document = std::make_unique<CMapDocument>(std::move(bytes), file.Name());
        return map;
    } catch (const MapError& error) {
        ShowMapError(path, error);
    } catch (const std::bad_alloc&) {
        std::wstring text =
            L"Cannot read the map file\n" + path + L"\n\nThere is not enough memory for it.";
        if (m_map.document != nullptr) {
            text += L"\n\nThe report was left as it was.";
        }
        ShowMessage(text.c_str(), MB_OK | MB_ICONERROR);
    }
    return std::nullopt;
}

void CMapSizeDlg::ShowMapError(const std::wstring& path, const MapError& error,
                               const wchar_t* heading) {
    std::wstring text;
    if (error.GetKind() == MapError::Kind::kOpen) {
        text = L"Cannot open the map file\n" + path + L"\n\n" +
               OpenFailureReason(static_cast<DWORD>(error.SystemError()), error.Detail());
    } else {
        text = heading + (L"\n" + path) + L"\n\n";
        if (error.Line() > 0) {
            text += L"Line " + std::to_wstring(error.Line()) + L": ";
        }
        text += WidenAnsi(error.Detail());
        if (m_map.document != nullptr) {
            text += L"\n\nThe report was left as it was.";
        }
    }
    ShowMessage(text.c_str(), MB_OK | MB_ICONERROR);
}

bool CMapSizeDlg::Shows(SectionRule rule, MapView view) const {
    return m_map.document == nullptr || Shows(*m_map.document, rule, view);
}

// Makes a table of the kept document the one shown, in the order chosen. The listed names of a
// map with a TOTAL section come with every section counted, for the status bar. From Map falls
// back to the first device when the map gives no capacities.
void CMapSizeDlg::ShowCounted(SizeTable shown, bool keepScrollPosition) {
    std::optional<SizeTable> complete;
    if (shown.rule == SectionRule::kListed &&
        m_map.document->CalledForRule() == SectionRule::kAll) {
        complete = m_map.document->Count(SectionRule::kAll, MapView::kObjects);
    }
    m_entries = std::move(shown);
    m_complete = std::move(complete);
    m_rule = m_entries.rule;
    m_view = m_entries.view;
    if (m_device.rule == DeviceRule::kMap && !Offers(ChoiceItemOf(m_device))) {
        m_device = DeviceSelection(&kDefaultDevice);
    }
    m_order = RowOrder(m_entries.rows, m_ordering);
    FillReport(keepScrollPosition);
}

DeviceProfile CMapSizeDlg::Device() const {
    return ResolveDevice(m_device, m_entries.facts);
}

void CMapSizeDlg::ClearEntries() {
    m_entries = SizeTable();
    m_order.clear();
    m_complete.reset();
    m_report.rows.clear();
    m_list.SetItemCount(0, 0);
}

// The one place where the window asks the core for the report: the entries, in the order shown,
// as the cells of the rows for the chosen device, under the columns of their rule and view.
// Every section counted shows the bytes in neither memory in a column of their own.
void CMapSizeDlg::RebuildRows() {
    const bool withOther = m_entries.rule == SectionRule::kAll;
    ReportTable report;
    const auto keep = [&report](TableRow& row) { report.rows.push_back(std::move(row)); };
    m_nearlyFull.clear();
    if (m_entries.view == MapView::kRegions) {
        report = RegionRows();
    } else if (m_comparison) {
        // A change shows its sign, as people read it.
        report.columns = DiffColumns(m_comparison->measures, m_entries.view);
        ForEachDiffRow(m_comparison->rows, Device(), m_comparison->measures,
                       DiffRule(m_comparison->olderEntries, m_entries), [&](TableRow& row) {
                           for (size_t cell = 0; cell < row.cells.size(); ++cell) {
                               row.cells[cell] = DisplayCell(report.columns[cell], row.cells[cell]);
                           }
                           keep(row);
                       });
    } else {
        report.columns = SizeReportColumns(withOther, m_entries.view);
        ForEachReportRow(m_entries, Device(), withOther, keep, &m_order);
    }
    if (m_map.mplink && m_entries.view == MapView::kObjects) {
        HeadRowsAsSourceFiles(report.columns);
    }
    m_report = std::move(report);
    ShowColumns();
}

// Gives the list the report's columns: new ones when their fields changed, else new headings.
void CMapSizeDlg::ShowColumns() {
    std::vector<std::string> fields;
    for (const ReportColumn& column : m_report.columns) {
        fields.push_back(column.field);
    }
    if (fields == m_columnFields) {
        m_list.SetColumnText(0, m_report.columns[0].header.c_str());
        return;
    }
    KeepUserWidths();
    for (int column = static_cast<int>(m_columnFields.size()) - 1; column >= 0; --column) {
        m_list.DeleteColumn(column);
    }
    for (size_t column = 0; column < m_report.columns.size(); ++column) {
        m_list.InsertColumn(static_cast<int>(column), m_report.columns[column].header.c_str());
    }
    m_columnFields = std::move(fields);
    m_laidOutWidths.clear();  // laid out below, once their needs are measured
}

// The header of the column the rows are ordered by shows a downward arrow: largest first. The
// regions stay in address order: no arrow.
int CMapSizeDlg::SortArrowColumn() const {
    return m_report.rows.empty() || m_entries.view == MapView::kRegions
               ? -1
               : ::SortArrowColumn(m_report.columns, m_ordering, m_sortField);
}

void CMapSizeDlg::ShowSortArrow() {
    const int arrow = SortArrowColumn();
    HWND header = reinterpret_cast<HWND>(SendMessageW(m_list.GetSafeHwnd(), LVM_GETHEADER, 0, 0));
    for (int column = 0; column < static_cast<int>(m_report.columns.size()); ++column) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column),
                     reinterpret_cast<LPARAM>(&item));
        const int format =
            (item.fmt & ~(HDF_SORTUP | HDF_SORTDOWN)) | (column == arrow ? HDF_SORTDOWN : 0);
        if (format != item.fmt) {
            item.fmt = format;
            SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(column),
                         reinterpret_cast<LPARAM>(&item));
        }
    }
}

// What counted the rows, for which device, and what the map's own figures say of them, each in
// a part of the status bar as wide as its text; a check that disagrees carries a warning sign.
// The whole line is the bar's tooltip.
void CMapSizeDlg::ShowStatus() {
    if (m_status.GetSafeHwnd() == nullptr) {
        return;
    }
    if (m_map.document == nullptr) {
        m_status.SetParts({L"No map open"}, {-1});
        m_status.SetTipText(L"No map open");
        return;
    }
    if (m_comparison) {
        ShowComparisonStatus();
        return;
    }
    const std::string note = m_entries.view == MapView::kRegions ? RegionNote() : SourceFilesNote();
    ShowStatusParts(StatusPartsOf(m_entries, Device(), m_complete ? &*m_complete : nullptr, note));
}

void CMapSizeDlg::ShowStatusParts(const StatusParts& parts) {
    std::vector<std::wstring> texts;
    std::vector<int> widths;
    int iconPart = -1;
    const int padding = ScaleForDpi(kStatusPartPadding, m_dpi);
    for (const std::string* text : {&parts.rule, &parts.device, &parts.checks, &parts.notes}) {
        if (text->empty()) {
            continue;
        }
        texts.push_back(WidenAnsi(*text));
        int width = m_status.TextWidth(texts.back()) + padding;
        if (text == &parts.checks && parts.disagrees) {
            iconPart = static_cast<int>(texts.size()) - 1;
            width += SystemMetricForDpi(SM_CXSMICON, m_dpi) + ScaleForDpi(4, m_dpi);
        }
        widths.push_back(width);
    }
    RECT bar{};
    GetClientRect(m_status.GetSafeHwnd(), &bar);
    // The size grip's corner is no room for text.
    const int available = bar.right - bar.left - SystemMetricForDpi(SM_CXVSCROLL, m_dpi);
    m_status.SetParts(texts, StatusPartEdges(widths, available));
    if (iconPart >= 0) {
        m_status.SetIcon(iconPart, m_warningIcon);
    }
    m_status.SetTipText(WidenAnsi(StatusText(parts)));
}

// Under the object view, a view by source file with more rows than the view shown is named.
std::string CMapSizeDlg::SourceFilesNote() {
    if (m_view != MapView::kObjects || m_rule != SectionRule::kAll ||
        !Shows(SectionRule::kAll, MapView::kModules)) {
        return {};
    }
    if (!m_sourceFiles) {
        try {
            m_sourceFiles =
                ShownRowCount(m_map.document->Count(SectionRule::kAll, MapView::kModules));
        } catch (const MapError&) {
            m_sourceFiles = 0;  // it lacks what the view needs after all
        }
    }
    wchar_t item[64] = {};
    GetMenuStringW(GetMenu(m_hWnd), IDM_VIEW_SOURCE_FILES, item, 64, MF_BYCOMMAND);
    std::wstring text;
    for (const wchar_t* c = item; *c != L'\0' && *c != L'\t'; ++c) {
        if (*c != L'&') {
            text += *c;
        }
    }
    return SourceFilesHint(NarrowAnsi(text.c_str()), *m_sourceFiles, ShownRowCount(m_entries));
}

// The list is told only how many rows there are; it asks for the cells it shows. A new order
// starts at the top with nothing selected; a new device or a reload keeps the scroll position.
void CMapSizeDlg::FillReport(bool keepScrollPosition) {
    RebuildRows();
    ShowStatus();
    ShowSortArrow();
    HWND list = m_list.GetSafeHwnd();
    m_list.SetItemCount(static_cast<int>(m_report.rows.size()),
                        keepScrollPosition ? LVSICF_NOSCROLL : 0);
    if (!keepScrollPosition) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(&state));
        SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
    }
    InvalidateRect(list, nullptr, TRUE);

    const ColumnNeeds before = m_needs;
    MeasureColumnNeeds();
    if (m_needs.widths != before.widths || m_needs.reserve != before.reserve ||
        m_laidOutWidths.empty()) {
        GrowToMinimumSize();
        LayOut();
    }
}

// What each column needs, measured with the advance widths of the list's font.
void CMapSizeDlg::MeasureColumnNeeds() {
    HWND list = m_list.GetSafeHwnd();
    HDC dc = GetDC(list);
    if (dc != nullptr) {
        const HGDIOBJ previous = SelectObject(dc, m_list.GetFont());
        for (int byte = 0; byte < 256; ++byte) {
            const char c = static_cast<char>(byte);
            wchar_t wide = 0;
            SIZE size{};
            const bool known = MultiByteToWideChar(CP_ACP, 0, &c, 1, &wide, 1) == 1 &&
                               GetTextExtentPoint32W(dc, &wide, 1, &size);
            m_charWidths[static_cast<size_t>(byte)] = known ? static_cast<int>(size.cx) : 0;
        }
        SelectObject(dc, previous);
        ReleaseDC(list, dc);
    }
    const int reserve =
        2 * SystemMetricForDpi(SM_CXBORDER, m_dpi) + SystemMetricForDpi(SM_CXVSCROLL, m_dpi);
    m_needs = ColumnNeedsFor(m_report, m_charWidths, ScaleForDpi(kCellPadding, m_dpi), reserve,
                             SortArrowColumn(), ScaleForDpi(kSortArrowWidth, m_dpi));
}

const std::string* CMapSizeDlg::Cell(int item, int column) const {
    if (item < 0 || static_cast<size_t>(item) >= m_report.rows.size() || column < 0) {
        return nullptr;
    }
    const std::vector<std::string>& cells = m_report.rows[static_cast<size_t>(item)].cells;
    return static_cast<size_t>(column) < cells.size() ? &cells[static_cast<size_t>(column)]
                                                      : nullptr;
}

// Letters typed in the list select the next row whose name starts with them.
int CMapSizeDlg::OnFindItem(const NMLVFINDITEMW& find) const {
    if ((find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) == 0 || find.lvfi.psz == nullptr) {
        return -1;
    }
    return FindRowByNamePrefix(m_report.rows, NarrowAnsi(find.lvfi.psz), find.iStart,
                               (find.lvfi.flags & LVFI_WRAP) != 0);
}

// The list asks for the text of each cell it draws or is asked for.
void CMapSizeDlg::OnGetDispInfo(LVITEMW& item) const {
    if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) {
        return;
    }
    const std::string* cell = Cell(item.iItem, item.iSubItem);
    const std::wstring text = cell != nullptr ? WidenAnsi(*cell) : std::wstring();
    const size_t length = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
    std::wmemcpy(item.pszText, text.data(), length);
    item.pszText[length] = L'\0';
}

void CMapSizeDlg::OnGetDispInfo(LVITEMA& item) const {
    if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) {
        return;
    }
    const std::string* cell = Cell(item.iItem, item.iSubItem);
    const size_t length =
        cell != nullptr ? std::min(cell->size(), static_cast<size_t>(item.cchTextMax - 1)) : 0;
    if (length > 0) {
        std::memcpy(item.pszText, cell->data(), length);
    }
    item.pszText[length] = '\0';
}

// A click on a header orders the rows by the memory of its column, largest first; the first
// column's header does nothing, nor does any of the view by region, whose rows keep the order of
// their addresses (the order chosen stays for the other views).
void CMapSizeDlg::OnColumnClick(int column) {
    if (column < 0 || static_cast<size_t>(column) >= m_report.columns.size() ||
        m_entries.view == MapView::kRegions) {
        return;
    }
    const std::string& field = m_report.columns[static_cast<size_t>(column)].field;
    const ColumnOrdering ordering = OrderingForField(field);
    if (ordering == ColumnOrdering::kNone) {
        return;
    }
    m_startOrdering.reset();  // the user's own order, which the first map does not take
    m_ordering = ordering;
    m_sortField = field;
    m_order = RowOrder(m_entries.rows, m_ordering);
    if (m_comparison) {
        CompareRowsShown();
    }
    FillReport(false);
}
