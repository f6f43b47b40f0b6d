#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device_profile.h"
#include "report_table.h"
#include "size_report.h"
#include "size_table.h"

// One size compared per row name: where a row keeps it and how it is named.
struct DiffMeasure {
    std::string_view label;                 // "ROM": column headings "Old ROM", "ROM Change"
    std::string_view field;                 // "rom": JSON fields "old_rom", "rom_change"
    std::int64_t SizeRow::*size;            // the row's member that holds it
    std::int64_t DeviceProfile::*capacity;  // for the percentage of the new size, or nullptr
};

// ROM and RAM, and Other after them when `withOther`.
std::vector<DiffMeasure> DiffMeasures(bool withOther);

enum class DiffStatus { kAdded, kRemoved, kChanged, kUnchanged };

// "added", "removed", "changed" or "unchanged".
std::string_view DiffStatusText(DiffStatus status);

using DiffSizes = std::vector<std::int64_t>;

// One row name of either map: its sizes (one per measure) summed over the rows of that name as
// the map's rule counts, 0 where the name is absent.
struct DiffRow {
    std::string name;
    RowKind kind;
    DiffStatus status;
    DiffSizes oldSizes{};
    DiffSizes newSizes{};
};

// The rule a comparison sums its totals by: the listed rule's only when both maps were counted
// by it.
SectionRule DiffRule(const SizeTable& oldTable, const SizeTable& newTable);

// One row per name with a size other than 0 in either map, the largest absolute change of the
// sort key ("rom" or "ram" measure) first.
std::vector<DiffRow> CompareRows(const SizeTable& oldTable, const SizeTable& newTable,
                                 ColumnOrdering sort, const std::vector<DiffMeasure>& measures);

// The rows as a table: name, status, old/new/change per measure, the new percentages; then the
// blank row and the total row of the changes, summed as `rule` counts.
ReportTable BuildDiffTable(const std::vector<DiffRow>& rows, const DeviceProfile& device,
                           const std::vector<DiffMeasure>& measures, SectionRule rule,
                           MapView view = MapView::kObjects);
