#include "map_size_dlg.h"

#include <string>
#include <utility>

#include "core/map_error.h"
#include "layout/region_rows.h"
#include "report/region_report.h"
#include "report/report_formats.h"

// The view by memory region: one row per region in address order, then the totals of program
// and of data memory, as tallyfold-report --by region prints them. A region with less than a
// tenth of it free is drawn in a warning colour on a tinted background, so that it is found at
// a glance; the status bar counts them.

namespace {

constexpr COLORREF ColourOf(const RowColour& colour) {
    return RGB(colour.red, colour.green, colour.blue);
}

}  // namespace

// The part chosen by name (a Device item or Other Device), which gives the memory regions of a
// map that has none of its own and names no part; none while the map's own device is chosen.
const Pic18Part* CMapSizeDlg::ChosenPart() const {
    return m_device.rule == DeviceRule::kPart ? m_device.part : nullptr;
}

// The rows of the regions shown, or of the regions of both maps compared by name (a change
// showing its sign); and which of them are nearly full (of the map shown, not the older one).
ReportTable CMapSizeDlg::RegionRows() {
    ReportTable report;
    if (m_comparison) {
        report.columns = RegionDiffColumns();
        ForEachRegionDiffRow(
            m_comparison->olderEntries.regions, m_entries.regions, [&report](TableRow& row) {
                for (size_t cell = 0; cell < row.cells.size(); ++cell) {
                    row.cells[cell] = DisplayCell(report.columns[cell], row.cells[cell]);
                }
                report.rows.push_back(std::move(row));
            });
    } else {
        report.columns = RegionColumns();
        ForEachRegionRow(m_entries.regions,
                         [&report](TableRow& row) { report.rows.push_back(std::move(row)); });
    }
    m_nearlyFull = NearlyFullRows(m_entries.regions, m_comparison.has_value());
    return report;
}

// "2 regions nearly full (under 10% free)" under the view by region; empty otherwise.
std::string CMapSizeDlg::RegionNote() const {
    return NearlyFullNote(m_nearlyFull);
}

// The regions of a map that takes them from its part follow the device chosen; where the device
// gives none (the map's own, which it does not name), the map is shown by object file, and the
// user is told why.
void CMapSizeDlg::RecountRegions() {
    std::optional<MapError> failure;
    SizeTable shown;
    try {
        shown = m_map.document->Count(m_rule, MapView::kRegions, ChosenPart());
    } catch (const MapError& error) {
        failure = error;
        shown = m_map.document->Count(m_rule, MapView::kObjects);
    }
    m_entries = std::move(shown);  // for the older map's count, which follows its view
    RecountComparison();
    ShowCounted(std::move(m_entries), true);
    if (failure) {
        ShowMapError(m_map.path, *failure, L"Cannot show the map file by memory region");
    }
}

// Only the rows of nearly full regions are drawn apart; every other row is the list's own.
LONG_PTR CMapSizeDlg::OnCustomDraw(NMLVCUSTOMDRAW& draw) const {
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return m_nearlyFull.empty() ? CDRF_DODEFAULT : CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT: {
            const std::size_t row = draw.nmcd.dwItemSpec;
            if (row >= m_nearlyFull.size() || !m_nearlyFull[row]) {
                return CDRF_DODEFAULT;
            }
            draw.clrText = ColourOf(kNearlyFullText);
            draw.clrTextBk = ColourOf(kNearlyFullBackground);
            return CDRF_NEWFONT;
        }
        default:
            return CDRF_DODEFAULT;
    }
}
