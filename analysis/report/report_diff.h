#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/device_profile.h"
#include "core/size_table.h"
#include "report/report_table.h"
#include "report/size_report.h"

// The sizes compared per row name (the measures): ROM and RAM, and Other after them when
// `withOther`. Each one's label names its columns ("Old ROM", "ROM Change"), its field their JSON
// members ("old_rom", "rom_change"); its capacity gives the new size's percentage.
std::vector<Memory> DiffMeasures(bool withOther);

enum class DiffStatus { kAdded, kRemoved, kChanged, kUnchanged };

// "added", "removed", "changed" or "unchanged".
std::string_view DiffStatusText(DiffStatus status);

using DiffSizes = std::array<std::int64_t, 3>;  // one per measure, in their order

// One row name of either map: its sizes (one per measure) summed over the rows of that name as
// the map's rule counts, 0 where the name is absent.
struct DiffRow {
    std::string_view name;  // held by the name store of a map it comes from
    RowKind kind;
    DiffStatus status;
    DiffSizes oldSizes{};
    DiffSizes newSizes{};
};

// The new size minus the old of the measure at that place, exact.
std::int64_t SizeChange(const DiffRow& row, std::size_t measure);

// The rule a comparison sums its totals by: the listed rule's only when both maps were counted
// by it.
SectionRule DiffRule(const SizeTable& oldTable, const SizeTable& newTable);

// One row per name with a size other than 0 in either map, the largest absolute change of the
// sort key ("rom" or "ram" measure) first. The rows' names stay valid while both tables live.
std::vector<DiffRow> CompareRows(const SizeTable& oldTable, const SizeTable& newTable,
                                 ColumnOrdering sort, const std::vector<Memory>& measures);

// The comparison's columns: name, status, old/new/change per measure, the new percentages.
std::vector<ReportColumn> DiffColumns(const std::vector<Memory>& measures,
                                      MapView view = MapView::kObjects);

// The rows in those columns, one at a time; then the blank row and the total row of the
// changes, summed as `rule` counts.
void ForEachDiffRow(const std::vector<DiffRow>& rows, const DeviceProfile& device,
                    const std::vector<Memory>& measures, SectionRule rule, const RowVisitor& visit);
