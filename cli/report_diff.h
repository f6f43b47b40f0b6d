#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device_profile.h"
#include "object_file_entry.h"
#include "report_table.h"
#include "size_report.h"

// The sizes compared per object. A further size is one more entry here and in kDiffMeasures.
enum DiffMeasure : std::size_t { kDiffRom, kDiffRam, kDiffMeasureCount };

struct DiffMeasureSpec {
    std::string_view label;                 // "ROM": column headings "Old ROM", "ROM Change"
    std::string_view field;                 // "rom": JSON fields "old_rom", "rom_change"
    std::int32_t CObjectFileEntry::*size;   // where an entry keeps it
    std::int32_t DeviceProfile::*capacity;  // for the percentage of the new size, or nullptr
};

extern const std::array<DiffMeasureSpec, kDiffMeasureCount> kDiffMeasures;

enum class DiffStatus { kAdded, kRemoved, kChanged, kUnchanged };

// "added", "removed", "changed" or "unchanged".
std::string_view DiffStatusText(DiffStatus status);

using DiffSizes = std::array<std::int32_t, kDiffMeasureCount>;

// One object name of either map: its sizes summed over the entries of that name, 0 where the
// name is absent.
struct DiffRow {
    std::string name;
    DiffStatus status;
    DiffSizes oldSizes{};
    DiffSizes newSizes{};
};

// One row per object name with a size other than 0 in either map, the largest absolute change
// of the sort key first.
std::vector<DiffRow> CompareEntries(const EntryList& oldEntries, const EntryList& newEntries,
                                    ColumnOrdering sort);

// The rows as a table: object, status, old/new/change per measure, the new percentages; then the
// blank row and the total row of the changes.
ReportTable BuildDiffTable(const std::vector<DiffRow>& rows, const DeviceProfile& device);
