#pragma once

// Ordering a map's rows and turning them into the report's rows for a device.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/device_profile.h"
#include "core/size_table.h"
#include "report/report_table.h"

// Puts the item at place orderAt(k) at place k, for every k, in place: one cycle of the
// permutation at a time, with no second list of items to fault in. orderAt(k) gives a reference
// to the k-th index, which is left pointing to its own place.
template <typename Items, typename OrderAt>
void PermuteInPlace(Items& items, OrderAt orderAt) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (orderAt(i) == i) {
            continue;
        }
        const typename Items::value_type first = items[i];
        std::size_t place = i;
        while (orderAt(place) != i) {
            const std::size_t from = orderAt(place);
            items[place] = items[from];
            orderAt(place) = static_cast<std::uint32_t>(place);
            place = from;
        }
        items[place] = first;
        orderAt(place) = static_cast<std::uint32_t>(place);
    }
}

// Largest first; rows with equal keys keep their relative order.
void SortByRomSize(SizeRows& rows);
void SortByRamSize(SizeRows& rows);

// The orders of the rows: as they are, by ROM size or by RAM size, largest first.
enum class ColumnOrdering { kNone, kByRomSize, kByRamSize };

// The keys --sort orders by, in the order the usage text lists them; the first is the default.
// A key is named as its memory is in JSON.
struct SortChoice {
    std::string_view name;  // "rom"
    ColumnOrdering ordering;
    MemoryKind memory;
};

inline constexpr std::array<SortChoice, 2> kSortChoices = {{
    {MemoryOf(MemoryKind::kRom).field, ColumnOrdering::kByRomSize, MemoryKind::kRom},
    {MemoryOf(MemoryKind::kRam).field, ColumnOrdering::kByRamSize, MemoryKind::kRam},
}};

// The memory an ordering sorts by; ROM for kNone.
MemoryKind SortedMemory(ColumnOrdering ordering);

// Sorts by the ordering; kNone leaves the rows alone. Returns whether the rows were sorted.
bool ApplyOrdering(SizeRows& rows, ColumnOrdering ordering);

// The places of the rows in the order the ordering sorts them into (kNone: as they are), the rows
// left where they are: a report that only writes the rows out need not move them.
std::vector<std::uint32_t> RowOrder(const SizeRows& rows, ColumnOrdering ordering);

// bytes as a percentage of capacity with four decimals, halves rounded away from zero; "n/a" for
// a capacity of 0 or less.
std::string FormatPercent(std::int64_t bytes, std::int64_t capacity);

// The report's rows: one per row of the table with a size other than 0, in the table's order,
// then the blank row and the total row (its sums as the table's rule counts), with the cells of
// SizeReportColumns(withOther). Handed to `visit` one at a time, the row object reused from call
// to call (`visit` may move its cells out), so that a large report can be written out without
// being held. The table's rows are taken in `order` (places, as RowOrder gives them) when there
// is one.
void ForEachReportRow(const SizeTable& table, const DeviceProfile& device, bool withOther,
                      const RowVisitor& visit, const std::vector<std::uint32_t>* order = nullptr);

// The same rows, held, with their columns.
ReportTable BuildReportRows(const SizeTable& table, const DeviceProfile& device, bool withOther);
