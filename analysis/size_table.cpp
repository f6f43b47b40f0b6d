#include "size_table.h"

#include <algorithm>
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

std::string_view CNameStore::Add(std::string_view name) {
    if (name.empty()) {
        return {};
    }
    if (name.size() > m_left) {
        // A name longer than a block gets a block of its own.
        const std::size_t size = std::max(kBlockSize, name.size());
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
