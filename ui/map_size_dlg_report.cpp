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
#include "layout/status_text.h"
#include "layout/window_layout.h"
#include "report/size_report.h"
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
// chosen device; a map that cannot be read leaves everything as it was.
void CMapSizeDlg::OpenMap(const std::wstring& path) {
    std::unique_ptr<CMapDocument> document = ReadMap(path);
    if (document == nullptr) {
        return;  // the user was told; the report stays as it was
    }
    SizeTable shown = document->Count(document->CalledForRule(), MapView::kObjects);
    ClearEntries();
    m_document = std::move(document);
    m_ordering = ColumnOrdering::kByRomSize;
    m_path = path;
    ShowCounted(std::move(shown), false);
    const std::wstring title = L"Tallyfold [ " + path + L" ]";
    SetWindowTextW(m_hWnd, title.c_str());
}

// Reads the whole map and checks that it is one, or tells the user why not and returns null.
std::unique_ptr<CMapDocument> CMapSizeDlg::ReadMap(const std::wstring& path) {
    try {
        CMapFile file(Utf8FromWide(path));
        std::string bytes = file.ReadAll();
        return std::make_unique<CMapDocument>(std::move(bytes), file.Name());
    } catch (const MapError& error) {
        ShowMapError(path, error);
    } catch (const std::bad_alloc&) {
        const std::wstring text = L"Cannot read the map file\n" + path +
                                  L"\n\nThere is not enough memory for it.\n\n"
                                  L"The report was left as it was.";
        ShowMessage(text.c_str(), MB_OK | MB_ICONERROR);
    }
    return nullptr;
}

void CMapSizeDlg::ShowMapError(const std::wstring& path, const MapError& error) {
    std::wstring text;
    if (error.GetKind() == MapError::Kind::kOpen) {
        text = L"Cannot open the map file\n" + path + L"\n\n" +
               OpenFailureReason(static_cast<DWORD>(error.SystemError()), error.Detail());
    } else {
        text = L"Cannot read the map file\n" + path + L"\n\n";
        if (error.Line() > 0) {
            text += L"Line " + std::to_wstring(error.Line()) + L": ";
        }
        text += WidenAnsi(error.Detail());
        text += L"\n\nThe report was left as it was.";
    }
    ShowMessage(text.c_str(), MB_OK | MB_ICONERROR);
}

bool CMapSizeDlg::Shows(SectionRule rule, MapView view) const {
    return m_document == nullptr || Shows(*m_document, rule, view);
}

// Makes a table of the kept document the one shown: in ROM order, then in the order chosen by a
// header click. The listed names of a map with a TOTAL section come with every section counted,
// for the status bar. From Map falls back to the first device when the map gives no capacities.
void CMapSizeDlg::ShowCounted(SizeTable shown, bool keepScrollPosition) {
    std::optional<SizeTable> complete;
    if (shown.rule == SectionRule::kListed && m_document->CalledForRule() == SectionRule::kAll) {
        complete = m_document->Count(SectionRule::kAll, MapView::kObjects);
    }
    m_entries = std::move(shown);
    m_complete = std::move(complete);
    m_rule = m_entries.rule;
    m_view = m_entries.view;
    if (kDeviceChoices[m_device].fromMap && !m_entries.facts.hasCapacity) {
        m_device = 0;
    }
    SortByRomSize(m_entries.rows);
    if (m_ordering != ColumnOrdering::kByRomSize) {
        ApplyOrdering(m_entries.rows, m_ordering);
    }
    FillReport(keepScrollPosition);
}

DeviceProfile CMapSizeDlg::Device() const {
    return ProfileOf(kDeviceChoices[m_device], m_entries.facts);
}

void CMapSizeDlg::ClearEntries() {
    m_entries = SizeTable();
    m_complete.reset();
    m_report = ReportTable();
    m_list.SetItemCount(0, 0);
}

// The one place where the window asks the core for the report: the entries, in their order, as
// the cells of the rows for the chosen device, under the header of their view.
void CMapSizeDlg::RebuildRows() {
    m_report = BuildReportRows(m_entries, Device(), false);
    if (!m_report.columns.empty()) {
        m_list.SetColumnText(0, m_report.columns[0].header.c_str());
    }
}

// What counted the rows, for which device, and what the map's own figures say of them.
void CMapSizeDlg::ShowStatus() {
    if (m_status == nullptr) {
        return;
    }
    const std::wstring text =
        m_document == nullptr
            ? std::wstring(L"No map open")
            : WidenAnsi(StatusText(m_entries, Device(), m_complete ? &*m_complete : nullptr));
    SendMessageW(m_status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
    // A line wider than the window shows whole as the bar's tooltip.
    SendMessageW(m_status, SB_SETTIPTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// The list is told only how many rows there are; it asks for the cells it shows. A new order
// starts at the top with nothing selected; a new device or a reload keeps the scroll position.
void CMapSizeDlg::FillReport(bool keepScrollPosition) {
    RebuildRows();
    ShowStatus();
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
    if (m_needs.widths != before.widths || m_needs.reserve != before.reserve) {
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
    m_needs = ColumnNeedsFor(m_report, m_charWidths, ScaleForDpi(kCellPadding, m_dpi), reserve);
}

const std::string* CMapSizeDlg::Cell(int item, int column) const {
    if (item < 0 || static_cast<size_t>(item) >= m_report.rows.size() || column < 0 ||
        column >= kReportColumnCount) {
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

void CMapSizeDlg::OnColumnClick(int column) {
    const ColumnOrdering ordering = OrderingForColumn(column);
    if (ApplyOrdering(m_entries.rows, ordering)) {
        m_ordering = ordering;
        FillReport(false);
    }
}
