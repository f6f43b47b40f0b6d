#include "map_size_dlg.h"

#include <commdlg.h>

#include <new>
#include <string>

#include "layout/region_rows.h"
#include "layout/saved_report.h"
#include "readers/map_reader.h"
#include "report/map_report.h"
#include "report/report_formats.h"
#include "resource.h"
#include "win/ansi_text.h"
#include "win/file_dialog.h"
#include "win/whole_file.h"
#include "win/win_app.h"

// What the window makes of the map shown besides its table: the report saved as a file, the
// comparison with an older map, and the picture in the browser. A report is written as
// tallyfold-report writes it for the same map, device, rule, view and order, with the same writers.

namespace {

std::wstring FolderOf(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

std::wstring NameOfFile(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

// The map counted as the command line counts it for a report of that format.
SizeTable CountForReport(const COpenedMap& map, SectionRule rule, MapView view,
                         const DeviceSelection& device, OutputFormat format) {
    // A part chosen by name also gives the memory regions of a map that names none.
    return CountMap(map.bytes, map.name, rule, device.rule != DeviceRule::kPart, view,
                    format == OutputFormat::kHtml,
                    device.rule == DeviceRule::kPart ? device.part : nullptr);
}

}  // namespace

// The report of what the window shows, in the format, byte for byte as tallyfold-report writes
// it for the map's path (with a comparison, `--diff` of the older map's path and its own).
std::string CMapSizeDlg::ReportText(OutputFormat format) const {
    ReportRequest request;
    request.device = m_device;
    request.format = format;
    request.sort = m_ordering;
    request.mapName = Utf8FromWide(m_map.path);
    SizeTable shown = CountForReport(m_map, m_entries.rule, m_entries.view, m_device, format);
    std::string text;
    StringSink sink(text);
    if (!m_comparison) {
        WriteMapReport(request, shown, sink);
        return text;
    }
    request.oldMapName = Utf8FromWide(m_comparison->older.path);
    const SizeTable older = CountForReport(m_comparison->older, m_comparison->olderEntries.rule,
                                           m_comparison->olderEntries.view, m_device, format);
    WriteComparisonReport(request, older, shown, sink);
    return text;
}

// Asks where, and as what kind of file (the dialog's file type): CSV, tab-separated values,
// Markdown, JSON, the HTML page or the aligned text table. A file that cannot be written is said
// so, and one that was there stays as it was.
bool CMapSizeDlg::OnFileSaveReportAs() {
    if (m_map.document == nullptr) {
        return true;
    }
    CFileDialog dialog(
        kSaveFormats[m_saveFormat].extension, ReportFileName(m_map.path, m_saveFormat).c_str(),
        OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST, SaveFilter().c_str());
    dialog.AskToSave();
    dialog.SetTitle(L"Save Report As");
    dialog.SetInitialFolder(FolderOf(m_map.path));
    dialog.SetFilterIndex(static_cast<DWORD>(m_saveFormat + 1));
    if (dialog.DoModal() != IDOK) {
        return true;
    }
    const DWORD chosen = dialog.GetFilterIndex();
    m_saveFormat = chosen >= 1 && chosen <= kSaveFormats.size() ? chosen - 1 : 0;
    const std::wstring path = WithReportExtension(dialog.GetPathName(), m_saveFormat);
    std::wstring failure;
    try {
        failure = WriteWholeFile(path, ReportText(kSaveFormats[m_saveFormat].format));
    } catch (const std::bad_alloc&) {
        failure = L"There is not enough memory for it.";
    }
    if (!failure.empty()) {
        const std::wstring text = L"Cannot save the report\n" + path + L"\n\n" + failure;
        ShowMessage(text.c_str(), MB_OK | MB_ICONERROR);
    }
    return true;
}

// Compares the map shown with an older one of the same program, as --diff does: per row name,
// old, new and change, the largest change first. A View command shows the map alone again.
bool CMapSizeDlg::OnFileCompareWith() {
    if (m_map.document == nullptr) {
        return true;
    }
    CFileDialog dialog(L"map", L"*.map", OFN_FILEMUSTEXIST | OFN_HIDEREADONLY,
                       L"Link maps (*.map)|*.map|All files (*.*)|*.*||");
    dialog.SetTitle(L"Compare With");
    dialog.SetInitialFolder(FolderOf(m_map.path));
    if (dialog.DoModal() != IDOK) {
        return true;
    }
    std::optional<COpenedMap> older = ReadMap(dialog.GetPathName());
    if (!older) {
        return true;  // the user was told
    }
    const CMapDocument& document = *older->document;
    const SectionRule rule = document.Offers(m_rule) ? m_rule : document.CalledForRule();
    if (!Shows(document, rule, m_view)) {
        const std::wstring text = L"Cannot compare with the map file\n" + older->path +
                                  L"\n\nIt cannot be shown as the map is shown: " +
                                  WidenAnsi(std::string(ViewChoiceOf(m_view).description)) +
                                  L".\n\nThe report was left as it was.";
        ShowMessage(text.c_str(), MB_OK | MB_ICONERROR);
        return true;
    }
    CComparison comparison;
    try {
        comparison.olderEntries = document.Count(rule, m_view, ChosenPart());
    } catch (const MapError& error) {
        ShowMapError(older->path, error);
        return true;
    }
    comparison.older = std::move(*older);
    m_comparison = std::move(comparison);
    CompareRowsShown();
    FillReport(false);
    return true;
}

// The comparison's rows in the order chosen: the largest change of its memory first.
void CMapSizeDlg::CompareRowsShown() {
    CComparison& comparison = *m_comparison;
    const SectionRule rule = DiffRule(comparison.olderEntries, m_entries);
    comparison.measures = DiffMeasures(rule == SectionRule::kAll);
    comparison.rows =
        CompareRows(comparison.olderEntries, m_entries, m_ordering, comparison.measures);
}

// After the map shown was counted again (a reload), the older one is counted by its rule and
// view; where it cannot be, the comparison ends. Returns whether it goes on.
bool CMapSizeDlg::RecountComparison() {
    if (!m_comparison) {
        return false;
    }
    const CMapDocument& document = *m_comparison->older.document;
    const SectionRule rule =
        document.Offers(m_entries.rule) ? m_entries.rule : document.CalledForRule();
    try {
        if (Shows(document, rule, m_entries.view)) {
            m_comparison->olderEntries = document.Count(rule, m_entries.view, ChosenPart());
            CompareRowsShown();
            return true;
        }
    } catch (const MapError&) {
        // It lacks what the view needs after all: the map is shown alone.
    }
    m_comparison.reset();
    return false;
}

// The status bar of two maps compared: the rule they are summed by, the device, what their own
// figures say, and the total change since the older map.
void CMapSizeDlg::ShowComparisonStatus() {
    const CComparison& comparison = *m_comparison;
    const std::string change = m_entries.view == MapView::kRegions ? RegionUseChangeText(m_report)
                               : m_report.rows.empty()
                                   ? std::string()
                                   : TotalChangeText(m_report.columns, m_report.rows.back());
    StatusParts parts = ComparisonStatusPartsOf(
        comparison.olderEntries, m_entries, DiffRule(comparison.olderEntries, m_entries), Device(),
        change, NarrowAnsi(NameOfFile(comparison.older.path).c_str()));
    const std::string note = RegionNote();
    if (!note.empty()) {
        parts.notes += (parts.notes.empty() ? "" : "; ") + note;
    }
    ShowStatusParts(parts);
}

// Writes the page a report in HTML is, of what the window shows, into the temporary folder and
// has the shell open it in the default browser.
bool CMapSizeDlg::OnFileOpenPicture() {
    if (m_map.document == nullptr) {
        return true;
    }
    wchar_t temporary[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temporary);
    const std::wstring folder = std::wstring(temporary) + L"Tallyfold";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring path =
        folder + L"\\" +
        PictureFileName(m_map.path, m_comparison ? m_comparison->older.path : std::wstring());
    std::wstring failure;
    try {
        failure = WriteWholeFile(path, ReportText(OutputFormat::kHtml));
    } catch (const std::bad_alloc&) {
        failure = L"There is not enough memory for it.";
    }
    if (!failure.empty()) {
        const std::wstring text = L"Cannot write the picture\n" + path + L"\n\n" + failure;
        ShowMessage(text.c_str(), MB_OK | MB_ICONERROR);
        return true;
    }
    CWinApp* app = CurrentApp();
    failure = app != nullptr ? app->OpenInShell(path) : L"there is no application.";
    if (!failure.empty()) {
        const std::wstring text =
            L"Cannot open the picture in a browser\n" + path + L"\n\n" + failure;
        ShowMessage(text.c_str(), MB_OK | MB_ICONERROR);
    }
    return true;
}
