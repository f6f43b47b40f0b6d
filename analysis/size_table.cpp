#include "size_table.h"

#include <cstring>

std::string_view CNameStore::Add(std::string_view name) {
    if (name.empty()) {
        return {};
    }
    if (name.size() > m_left) {
        // A name longer than a block gets a block of its own; the rest of the current block is
        // given up only when a name no longer fits in it.
        const std::size_t size = name.size() > kBlockSize ? name.size() : kBlockSize;
        m_blocks.push_back(std::make_unique<char[]>(size));
        m_free = m_blocks.back().get();
        m_left = size;
    }
    std::memcpy(m_free, name.data(), name.size());
    const std::string_view stored(m_free, name.size());
    m_free += name.size();
    m_left -= name.size();
    return stored;
}

SizeRow& SizeTable::AddRow(std::string_view name, RowKind kind) {
    SizeRow row;
    row.name = names.Add(name);
    row.kind = kind;
    row.id = static_cast<std::uint32_t>(rows.size());
    rows.push_back(row);
    return rows.back();
}

void AddBytes(MemoryTotals& totals, MemoryKind memory, std::int64_t bytes) {
    switch (memory) {
        case MemoryKind::kRom:
            totals.rom += bytes;
            break;
        case MemoryKind::kRam:
            totals.ram += bytes;
            break;
        case MemoryKind::kOther:
            totals.other += bytes;
            break;
    }
}

std::int64_t SumSizes(SectionRule rule, std::int64_t a, std::int64_t b) {
    if (rule == SectionRule::kListed) {
        // In unsigned arithmetic, so that the wrap is defined; converted to int32 once.
        const std::uint32_t sum = static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b);
        return static_cast<std::int32_t>(sum);
    }
    return a + b;
}

MemoryTotals TotalsOf(const SizeTable& table) {
    MemoryTotals totals;
    for (const SizeRow& row : table.rows) {
        totals.rom = SumSizes(table.rule, totals.rom, row.rom);
        totals.ram = SumSizes(table.rule, totals.ram, row.ram);
        totals.other = SumSizes(table.rule, totals.other, row.other);
    }
    return totals;
}
