#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device_profile.h"
#include "object_file_entry.h"
#include "report_table.h"
#include "size_report.h"

// One size compared per object: where an entry keeps it and how it is named.
struct DiffMeasure {
    std::string_view label;                 // "ROM": column headings "Old ROM", "ROM Change"
    std::string_view field;                 // "rom": JSON fields "old_rom", "rom_change"
    std::int32_t CObjectFileEntry::*size;   // the entry's member that holds it
    std::int32_t DeviceProfile::*capacity;  // for the percentage of the new size, or nullptr
};

// ROM and RAM, in that order: the sizes of the report.
const std::vector<DiffMeasure>& ReportDiffMeasures();

enum class DiffStatus { kAdded, kRemoved, kChanged, kUnchanged };

// "added", "removed", "changed" or "unchanged".
std::string_view DiffStatusText(DiffStatus status);

using DiffSizes = std::vector<std::int32_t>;

// One object name of either map: its sizes (one per measure) summed over the entries of that
// name, 0 where the name is absent.
struct DiffRow {
    std::string name;
    DiffStatus status;
    DiffSizes oldSizes{};
    DiffSizes newSizes{};
};

// One row per object name with a size other than 0 in either map, the largest absolute change
// of the sort key ("rom" or "ram" measure) first.
std::vector<DiffRow> CompareEntries(
    const EntryList& oldEntries, const EntryList& newEntries, ColumnOrdering sort,
    const std::vector<DiffMeasure>& measures = ReportDiffMeasures());

// The rows as a table: object, status, old/new/change per measure, the new percentages; then the
// blank row and the total row of the changes. `measures` must be those the rows were made with.
ReportTable BuildDiffTable(const std::vector<DiffRow>& rows, const DeviceProfile& device,
                           const std::vector<DiffMeasure>& measures = ReportDiffMeasures());
