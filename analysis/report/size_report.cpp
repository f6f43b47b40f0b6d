#include "report/size_report.h"

#include <numeric>
#include <utility>

#include "core/large_pages.h"
#include "text/visible_text.h"

namespace {

// The ascending order of these keys is the descending order of the sizes.
std::uint64_t DescendingKey(std::int64_t size) {
    return static_cast<std::uint64_t>(size) ^ 0x7FFFFFFFFFFFFFFFu;
}

// Sorts the items on the bits of their keys that differ, a byte at a time, stably.
template <typename Items>
void RadixSort(Items& items, std::uint64_t differing) {
    Items scratch(items.size());
    for (unsigned shift = 0; shift < 8 * sizeof(items[0].key); shift += 8) {
        if (((differing >> shift) & 0xFFu) == 0) {
            continue;  // every key has the same byte here
        }
        std::size_t offsets[257] = {};
        for (const auto& item : items) {
            ++offsets[((item.key >> shift) & 0xFFu) + 1];
        }
        for (std::size_t b = 1; b < 257; ++b) {
            offsets[b] += offsets[b - 1];
        }
        for (const auto& item : items) {
            scratch[offsets[(item.key >> shift) & 0xFFu]++] = item;
        }
        items.swap(scratch);
    }
}

// The places of the rows, sorted on their keys (of type Key: the low bits of DescendingKey).
template <typename Key>
std::vector<std::uint32_t> SortedPlaces(const SizeRows& rows, std::int64_t SizeRow::*key,
                                        std::uint64_t differing) {
    struct Item {
        Key key;
        std::uint32_t index;
    };
    // A few hundred thousand rows make items of a megabyte or more, twice over: in large pages
    // they cost a page fault each rather than hundreds.
    std::vector<Item, CLargePageAllocator<Item>> items(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        items[i] = {static_cast<Key>(DescendingKey(rows[i].*key)), static_cast<std::uint32_t>(i)};
    }
    RadixSort(items, differing);
    std::vector<std::uint32_t> places(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        places[i] = items[i].index;
    }
    return places;
}

// Orders the rows largest key first, keeping equal keys in their order. A stable radix sort on
// the keys alone: maps can hold hundreds of thousands of object files, and only the bytes in
// which the keys differ are sorted on. Where the keys differ only in their low 32 bits (nearly
// always), the items are half as large.
std::vector<std::uint32_t> OrderLargestFirst(const SizeRows& rows, std::int64_t SizeRow::*key) {
    const std::size_t n = rows.size();
    if (n < 2) {
        return std::vector<std::uint32_t>(n, 0);
    }
    const std::uint64_t first = DescendingKey(rows[0].*key);
    std::uint64_t differing = 0;  // the bits in which any key differs from the first
    for (const SizeRow& row : rows) {
        differing |= DescendingKey(row.*key) ^ first;
    }
    if ((differing >> 32) == 0) {
        return SortedPlaces<std::uint32_t>(rows, key, differing);
    }
    return SortedPlaces<std::uint64_t>(rows, key, differing);
}

void SortLargestFirst(SizeRows& rows, std::int64_t SizeRow::*key) {
    std::vector<std::uint32_t> places = OrderLargestFirst(rows, key);
    PermuteInPlace(rows, [&places](std::size_t place) -> std::uint32_t& { return places[place]; });
}

// Appends the decimal digits of value.
void AssignNumber(std::string& cell, std::int64_t value) {
    char text[24];
    char* const end = text + sizeof(text);
    char* p = end;
    std::uint64_t magnitude =
        value < 0 ? 0u - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        *--p = static_cast<char>('0' + magnitude % 10u);
        magnitude /= 10u;
    } while (magnitude != 0);
    if (value < 0) {
        *--p = '-';
    }
    cell.assign(p, end);
}

void FillCells(TableRow& row, const std::string_view name, std::int64_t rom, std::int64_t ram,
               std::int64_t other, const DeviceProfile& device, bool withOther) {
    std::size_t cell = 0;
    row.cells.resize(withOther ? 6 : 5);
    AssignVisibleName(row.cells[cell++], name);
    AssignNumber(row.cells[cell++], rom);
    AssignNumber(row.cells[cell++], ram);
    if (withOther) {
        AssignNumber(row.cells[cell++], other);
    }
    row.cells[cell++] = FormatPercent(rom, device.romCapacity);
    row.cells[cell] = FormatPercent(ram, device.ramCapacity);
}

}  // namespace

void SortByRomSize(SizeRows& rows) {
    SortLargestFirst(rows, &SizeRow::rom);
}

void SortByRamSize(SizeRows& rows) {
    SortLargestFirst(rows, &SizeRow::ram);
}

MemoryKind SortedMemory(ColumnOrdering ordering) {
    for (const SortChoice& choice : kSortChoices) {
        if (choice.ordering == ordering) {
            return choice.memory;
        }
    }
    return kSortChoices[0].memory;
}

std::vector<std::uint32_t> RowOrder(const SizeRows& rows, ColumnOrdering ordering) {
    switch (ordering) {
        case ColumnOrdering::kByRomSize:
            return OrderLargestFirst(rows, &SizeRow::rom);
        case ColumnOrdering::kByRamSize:
            return OrderLargestFirst(rows, &SizeRow::ram);
        case ColumnOrdering::kNone:
            break;
    }
    std::vector<std::uint32_t> places(rows.size());
    std::iota(places.begin(), places.end(), 0u);
    return places;
}

bool ApplyOrdering(SizeRows& rows, ColumnOrdering ordering) {
    switch (ordering) {
        case ColumnOrdering::kByRomSize:
            SortByRomSize(rows);
            return true;
        case ColumnOrdering::kByRamSize:
            SortByRamSize(rows);
            return true;
        case ColumnOrdering::kNone:
            return false;
    }
    return false;
}

// bytes / capacity * 100 to four decimals is bytes * 10^6 / capacity in units of 0.0001. Done in
// integers (128-bit where 64 could overflow) it is exact for every 64-bit size and rounds halves
// away from zero, whatever the C runtime's printf does.
std::string FormatPercent(std::int64_t bytes, std::int64_t capacity) {
    if (capacity <= 0) {
        return "n/a";
    }
    const std::uint64_t magnitude =
        bytes < 0 ? 0u - static_cast<std::uint64_t>(bytes) : static_cast<std::uint64_t>(bytes);
    const auto cap = static_cast<std::uint64_t>(capacity);
    // Written from the right: four decimals, the point, then the whole part.
    char text[48];
    char* const end = text + sizeof(text);
    char* p = end;
    const auto write = [&p](auto units) {
        for (int digit = 0; digit < 4; ++digit) {
            *--p = static_cast<char>('0' + static_cast<int>(units % 10u));
            units /= 10u;
        }
        *--p = '.';
        do {
            *--p = static_cast<char>('0' + static_cast<int>(units % 10u));
            units /= 10u;
        } while (units != 0);
    };
    // round(magnitude * 10^6 / cap) is (magnitude * 2 * 10^6 + cap) / (2 * cap), in 64 bits where
    // that cannot overflow (sizes below 2^42 bytes, capacities up to 2^62), else in 128.
    constexpr std::uint64_t kScale = 2000000;
    static_assert((std::uint64_t{1} << 42) * kScale <= UINT64_MAX - (std::uint64_t{1} << 62),
                  "the 64-bit dividend cannot overflow");
    if (magnitude < (std::uint64_t{1} << 42) && cap <= (std::uint64_t{1} << 62)) {
        write((magnitude * kScale + cap) / (2 * cap));
    } else {
        __extension__ using Wide = unsigned __int128;
        write((static_cast<Wide>(magnitude) * kScale + cap) / (2 * static_cast<Wide>(cap)));
    }
    if (bytes < 0) {
        *--p = '-';
    }
    return std::string(p, end);
}

void ForEachReportRow(const SizeTable& table, const DeviceProfile& device, bool withOther,
                      const RowVisitor& visit, const std::vector<std::uint32_t>* order) {
    TableRow row;
    MemoryTotals total;
    const std::size_t count = order != nullptr ? order->size() : table.rows.size();
    const auto rowAt = [&](std::size_t i) -> const SizeRow& {
        return table.rows[order != nullptr ? (*order)[i] : i];
    };
    // Rows taken in an order of their sizes lie anywhere in memory, and so do their names: a row
    // some places ahead, and the name of one nearer, are asked for early, so that they are in
    // the cache when their turn comes.
    constexpr std::size_t kRowsAhead = 16;
    constexpr std::size_t kNamesAhead = 8;
    for (std::size_t i = 0; i < count; ++i) {
        if (i + kRowsAhead < count) {
            __builtin_prefetch(&rowAt(i + kRowsAhead));
        }
        if (i + kNamesAhead < count) {
            __builtin_prefetch(rowAt(i + kNamesAhead).name.data());
        }
        const SizeRow& size = rowAt(i);
        if (size.rom == 0 && size.ram == 0 && size.other == 0) {
            continue;
        }
        row.kind = size.kind;
        FillCells(row, size.name, size.rom, size.ram, size.other, device, withOther);
        visit(row);
        total.rom = SumSizes(table.rule, total.rom, size.rom);
        total.ram = SumSizes(table.rule, total.ram, size.ram);
        total.other = SumSizes(table.rule, total.other, size.other);
    }
    row.kind = RowKind::kBlank;
    row.cells.assign(withOther ? 6 : 5, std::string());
    visit(row);
    row.kind = RowKind::kTotal;
    FillCells(row, kTotalRowLabel, total.rom, total.ram, total.other, device, withOther);
    visit(row);
}

ReportTable BuildReportRows(const SizeTable& table, const DeviceProfile& device, bool withOther) {
    ReportTable report;
    report.columns = SizeReportColumns(withOther, table.view);
    std::size_t count = 2;
    for (const SizeRow& size : table.rows) {
        count += size.rom != 0 || size.ram != 0 || size.other != 0 ? 1 : 0;
    }
    report.rows.reserve(count);
    ForEachReportRow(table, device, withOther,
                     [&report](TableRow& row) { report.rows.push_back(std::move(row)); });
    return report;
}
