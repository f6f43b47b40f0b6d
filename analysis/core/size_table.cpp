#include "core/size_table.h"

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

std::string FiguresText(const MemoryTotals& totals, bool withOther, std::string_view separator) {
    std::string text = "ROM " + std::to_string(totals.rom);
    text.append(separator);
    text += "RAM " + std::to_string(totals.ram);
    if (withOther) {
        text.append(separator);
        text += "other " + std::to_string(totals.other);
    }
    return text;
}

void AddBytes(SizeRow& row, MemoryKind memory, std::int64_t bytes) {
    MemoryTotals totals{row.rom, row.ram, row.other};
    AddBytes(totals, memory, bytes);
    row.rom = totals.rom;
    row.ram = totals.ram;
    row.other = totals.other;
}

namespace {

// Uninitialised: names are copied over it, and room never written is never touched.
std::unique_ptr<char[]> NewBlock(std::size_t bytes) {
    return std::unique_ptr<char[]>(new char[bytes]);
}

}  // namespace

std::string_view CNameStore::Add(std::string_view name) {
    if (name.empty()) {
        return {};
    }
    if (name.size() > m_left) {
        // A name longer than a block gets a block of its own; the current block stays in use.
        if (name.size() > kBlockSize / 4) {
            m_blocks.push_back(NewBlock(name.size()));
            std::memcpy(m_blocks.back().get(), name.data(), name.size());
            return std::string_view(m_blocks.back().get(), name.size());
        }
        m_blocks.push_back(NewBlock(kBlockSize));
        m_free = m_blocks.back().get();
        m_left = kBlockSize;
    }
    std::memcpy(m_free, name.data(), name.size());
    const std::string_view stored(m_free, name.size());
    m_free += name.size();
    m_left -= name.size();
    return stored;
}

void CNameStore::LargeBlockFree::operator()(char* block) const {
    FreeLargeBlock(block, bytes);
}

void CNameStore::Reserve(std::size_t bytes) {
    if (bytes <= kBlockSize || bytes <= m_left) {
        return;
    }
    // Begins at a large page, so that no part of it is left to ordinary pages.
    m_largeBlocks.emplace_back(static_cast<char*>(NewLargeBlock(bytes)), LargeBlockFree{bytes});
    m_free = m_largeBlocks.back().get();
    m_left = bytes;
    AdviseLargePages(m_free, m_left);
}

SizeRow& SizeTable::AddRow(std::string_view name, RowKind kind) {
    SizeRow row;
    row.name = names.Add(name);
    row.kind = kind;
    row.id = static_cast<std::uint32_t>(rows.size());
    rows.push_back(row);
    return rows.back();
}

void SizeTable::ReserveFor(std::size_t mapBytes) {
    const std::size_t count = LikelyRowsAtMost(mapBytes);
    rows.reserve(count);
    // A name takes some tens of bytes, and most maps take far more than the bound's bytes a row.
    names.Reserve(16 * count);
}

std::size_t LikelyRowsAtMost(std::size_t mapBytes) {
    constexpr std::size_t kMapBytesPerRow = 128;
    constexpr std::size_t kMostRows = std::size_t{1} << 22;
    return std::min(mapBytes / kMapBytesPerRow, kMostRows);
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
