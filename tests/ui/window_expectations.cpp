#include "window_expectations.h"

#include <cstdint>
#include <cstring>

#include "layout/status_text.h"
#include "report/region_report.h"
#include "report/report_diff.h"
#include "report/report_formats.h"
#include "report/size_report.h"

const std::wstring kExamples = WindowsPath(TALLYFOLD_EXAMPLES_DIR);
const std::wstring kBlinky = kExamples + L"\\blinky.map";
const std::wstring kBlinkyV2 = kExamples + L"\\blinky-v2.map";
const std::wstring kWeatherStation = kExamples + L"\\weather-station.map";
const std::wstring kKilnController = kExamples + L"\\kiln-controller.map";
const std::wstring kOldestExcerpt = kExamples + L"\\oldest-generation-excerpt.map";
const std::wstring kMplinkDataLogger = kExamples + L"\\mplink-c18-data-logger.map";
const std::wstring kMplinkIrrigation = kExamples + L"\\mplink-mpasm-irrigation.map";

SizeTable CoreTable(const CMapDocument& document, const Counting& counting) {
    return document.Count(counting.rule.value_or(document.CalledForRule()), counting.view);
}

Rows CoreRows(const std::wstring& path, const DeviceSelection& device, bool byRam,
              const Counting& counting) {
    const SizeTable table = CoreTable(CMapDocument(ReadFileBytes(path), "map"), counting);
    const std::vector<std::uint32_t> order =
        RowOrder(table.rows, byRam ? ColumnOrdering::kByRamSize : ColumnOrdering::kByRomSize);
    Rows rows;
    ForEachReportRow(
        table, ResolveDevice(device, table.facts), table.rule == SectionRule::kAll,
        [&rows](TableRow& row) { rows.push_back(row.cells); }, &order);
    return rows;
}

std::string CoreStatus(const std::wstring& path, const DeviceSelection& device,
                       const Counting& counting) {
    const CMapDocument document(ReadFileBytes(path), "map");
    const SizeTable table = CoreTable(document, counting);
    std::optional<SizeTable> complete;
    if (table.rule == SectionRule::kListed && document.CalledForRule() == SectionRule::kAll) {
        complete = document.Count(SectionRule::kAll, MapView::kObjects);
    }
    std::string hint;
    if (table.view == MapView::kObjects && table.rule == SectionRule::kAll &&
        document.Offers(MapView::kModules)) {
        hint = SourceFilesHint("Source Files",
                               ShownRowCount(document.Count(SectionRule::kAll, MapView::kModules)),
                               ShownRowCount(table));
    }
    return StatusText(StatusPartsOf(table, ResolveDevice(device, table.facts),
                                    complete ? &*complete : nullptr, hint));
}

Rows CoreRegionRows(const std::wstring& path, const char* part) {
    const SizeTable table =
        CMapDocument(ReadFileBytes(path), "map")
            .Count(SectionRule::kAll, MapView::kRegions,
                   part != nullptr ? DeviceSelectionNamed(part)->part : nullptr);
    Rows rows;
    ForEachRegionRow(table.regions, [&rows](TableRow& row) { rows.push_back(row.cells); });
    return rows;
}

Rows CoreComparisonRows(const std::wstring& oldPath, const std::wstring& newPath,
                        const DeviceChoice& device, bool byRam) {
    const SizeTable older = CoreTable(CMapDocument(ReadFileBytes(oldPath), "old"), {});
    const SizeTable newer = CoreTable(CMapDocument(ReadFileBytes(newPath), "new"), {});
    const SectionRule rule = DiffRule(older, newer);
    const std::vector<Memory> measures = DiffMeasures(rule == SectionRule::kAll);
    const std::vector<ReportColumn> columns = DiffColumns(measures);
    const std::vector<DiffRow> rows = CompareRows(
        older, newer, byRam ? ColumnOrdering::kByRamSize : ColumnOrdering::kByRomSize, measures);
    Rows shown;
    ForEachDiffRow(rows, ProfileOf(device, newer.facts), measures, rule, [&](TableRow& row) {
        for (size_t cell = 0; cell < row.cells.size(); ++cell) {
            row.cells[cell] = DisplayCell(columns[cell], row.cells[cell]);
        }
        shown.push_back(row.cells);
    });
    return shown;
}

namespace {

// The shell's DROPFILES header (shlobj.h, which the tests do without).
struct DropFilesHeader {
    DWORD pFiles;
    POINT pt;
    BOOL fNC;
    BOOL fWide;
};

}  // namespace

HGLOBAL DropOf(const std::wstring& path) {
    // The header and the path, wide, ending in two NULs.
    const size_t bytes = sizeof(DropFilesHeader) + (path.size() + 2) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* drop = static_cast<DropFilesHeader*>(GlobalLock(memory));
    drop->pFiles = sizeof(DropFilesHeader);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<BYTE*>(drop) + sizeof(DropFilesHeader), path.c_str(),
                path.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return memory;
}

MessageBoxView WaitForMessageBox(const ProgramDriver& program) {
    MessageBoxView view;
    view.box = program.WaitForOwnedDialog(L"Tallyfold");
    if (view.box == nullptr) {
        return view;
    }
    for (const std::wstring& text : ChildTexts(view.box, L"Static")) {
        view.text += text;
    }
    HICON error = LoadIconW(nullptr, IDI_ERROR);
    std::pair<HICON, bool> search(error, false);
    EnumChildWindows(
        view.box,
        [](HWND child, LPARAM context) -> BOOL {
            auto* v = reinterpret_cast<std::pair<HICON, bool>*>(context);
            if (reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)) == v->first) {
                v->second = true;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    view.errorIcon = search.second;
    return view;
}
