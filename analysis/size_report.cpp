#include "size_report.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "wrapping.h"

namespace {

// Orders the entries largest key first, keeping equal keys in their order. A stable radix sort
// on the keys alone: maps can hold hundreds of thousands of object files, and comparing through
// the entry pointers would chase them all over memory.
void SortLargestFirst(EntryList& entries, std::int32_t CObjectFileEntry::*key) {
    const std::size_t n = entries.size();
    if (n < 2) {
        return;
    }
    struct Item {
        std::uint32_t key;  // ascending order of this is descending order of the size
        std::uint32_t index;
    };
    std::vector<Item> items(n);
    std::vector<Item> scratch(n);
    std::uint32_t differing = 0;  // the bits in which any key differs from the first
    for (std::size_t i = 0; i < n; ++i) {
        items[i] = {static_cast<std::uint32_t>((*entries[i]).*key) ^ 0x7FFFFFFFu,
                    static_cast<std::uint32_t>(i)};
        differing |= items[i].key ^ items[0].key;
    }
    for (unsigned shift = 0; shift < 32; shift += 8) {
        if (((differing >> shift) & 0xFFu) == 0) {
            continue;  // every key has the same byte here
        }
        std::size_t offsets[257] = {};
        for (const Item& item : items) {
            ++offsets[((item.key >> shift) & 0xFFu) + 1];
        }
        for (std::size_t b = 1; b < 257; ++b) {
            offsets[b] += offsets[b - 1];
        }
        for (const Item& item : items) {
            scratch[offsets[(item.key >> shift) & 0xFFu]++] = item;
        }
        items.swap(scratch);
    }
    // Entry i takes the place of entry items[i].index, one cycle of the permutation at a time,
    // in place: a second list would be fresh memory to fault in. Places done point to themselves.
    for (std::size_t i = 0; i < n; ++i) {
        if (items[i].index == i) {
            continue;
        }
        std::unique_ptr<CObjectFileEntry> first = std::move(entries[i]);
        std::size_t place = i;
        while (items[place].index != i) {
            const std::size_t from = items[place].index;
            entries[place] = std::move(entries[from]);
            items[place].index = static_cast<std::uint32_t>(place);
            place = from;
        }
        entries[place] = std::move(first);
        items[place].index = static_cast<std::uint32_t>(place);
    }
}

}  // namespace

void SortByRomSize(EntryList& entries) {
    SortLargestFirst(entries, &CObjectFileEntry::m_romSize);
}

void SortByRamSize(EntryList& entries) {
    SortLargestFirst(entries, &CObjectFileEntry::m_ramSize);
}

std::vector<ReportRow> BuildReportRows(const EntryList& entries, const DeviceProfile& device) {
    std::size_t rowCount = 2;
    for (const auto& entry : entries) {
        if (entry->m_romSize != 0 || entry->m_ramSize != 0) {
            ++rowCount;
        }
    }
    std::vector<ReportRow> rows;
    rows.reserve(rowCount);
    ForEachReportRow(entries, device, [&rows](ReportRow& row) { rows.push_back(std::move(row)); });
    return rows;
}

void ForEachReportRow(const EntryList& entries, const DeviceProfile& device,
                      const std::function<void(ReportRow&)>& visit) {
    ReportRow row;
    std::int32_t romSum = 0;
    std::int32_t ramSum = 0;
    for (const auto& entry : entries) {
        if (entry->m_romSize == 0 && entry->m_ramSize == 0) {
            continue;
        }
        row[0].assign(entry->m_name);
        row[1] = std::to_string(entry->m_romSize);
        row[2] = std::to_string(entry->m_ramSize);
        row[3] = FormatPercent(entry->m_romSize, device.romCapacity);
        row[4] = FormatPercent(entry->m_ramSize, device.ramCapacity);
        visit(row);
        romSum = WrappingAdd(romSum, entry->m_romSize);
        ramSum = WrappingAdd(ramSum, entry->m_ramSize);
    }
    for (std::string& cell : row) {
        cell.clear();
    }
    visit(row);
    row = {kTotalRowLabel, std::to_string(romSum), std::to_string(ramSum),
           FormatPercent(romSum, device.romCapacity), FormatPercent(ramSum, device.ramCapacity)};
    visit(row);
}

// bytes / capacity * 100 to four decimals is bytes * 10^6 / capacity in units of 0.0001. Done in
// 64-bit integers it rounds halves away from zero exactly, whatever the C runtime's printf does.
std::string FormatPercent(std::int32_t bytes, std::int32_t capacity) {
    if (capacity <= 0) {
        return "n/a";
    }
    const std::uint64_t magnitude =
        static_cast<std::uint64_t>(std::llabs(static_cast<long long>(bytes)));
    const std::uint64_t cap = static_cast<std::uint64_t>(capacity);
    std::uint64_t units = (magnitude * 2000000u + cap) / (2u * cap);
    // Written from the right: four decimals, the point, then the whole part.
    char text[32];
    char* const end = text + sizeof(text);
    char* p = end;
    for (int digit = 0; digit < 4; ++digit) {
        *--p = static_cast<char>('0' + units % 10u);
        units /= 10u;
    }
    *--p = '.';
    do {
        *--p = static_cast<char>('0' + units % 10u);
        units /= 10u;
    } while (units != 0);
    if (bytes < 0) {
        *--p = '-';
    }
    return std::string(p, end);
}

ColumnOrdering OrderingForColumn(int column) {
    switch (column) {
        case 1:
        case 3:
            return ColumnOrdering::kByRomSize;
        case 2:
        case 4:
            return ColumnOrdering::kByRamSize;
        default:
            return ColumnOrdering::kNone;
    }
}

bool ApplyOrdering(EntryList& entries, ColumnOrdering ordering) {
    switch (ordering) {
        case ColumnOrdering::kByRomSize:
            SortByRomSize(entries);
            return true;
        case ColumnOrdering::kByRamSize:
            SortByRamSize(entries);
            return true;
        case ColumnOrdering::kNone:
            return false;
    }
    return false;
}
