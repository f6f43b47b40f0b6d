#include "size_table.h"

#include <cstring>

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

void AddBytes(SizeRow& row, MemoryKind memory, std::int64_t bytes) {
    MemoryTotals totals{row.rom, row.ram, row.other};
    AddBytes(totals, memory, bytes);
    row.rom = totals.rom;
    row.ram = totals.ram;
    row.other = totals.other;
}

std::string_view CNameStore::Add(std::string_view name) {
    if (name.empty()) {
        return {};
    }
    if (name.size() > m_left) {
        // A name longer than a block gets a block of its own; the current block stays in use.
        if (name.size() > kBlockSize / 4) {
            m_blocks.push_back(std::make_unique<char[]>(name.size()));
            std::memcpy(m_blocks.back().get(), name.data(), name.size());
            return std::string_view(m_blocks.back().get(), name.size());
        }
        m_blocks.push_back(std::make_unique<char[]>(kBlockSize));
        m_free = m_blocks.back().get();
        m_left = kBlockSize;
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

std::int64_t SumSizes(SectionRule rule, std::int64_t a, std::int64_t b) {
    const std::uint64_t sum = static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b);
    if (rule == SectionRule::kListed) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(sum));
    }
    return static_cast<std::int64_t>(sum);
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
