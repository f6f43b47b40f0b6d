#include "size_report.h"

#include <algorithm>
#include <cstdlib>

#include "wrapping.h"

void SortByRomSize(EntryList& entries) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a->m_romSize > b->m_romSize; });
}

void SortByRamSize(EntryList& entries) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a->m_ramSize > b->m_ramSize; });
}

std::vector<ReportRow> BuildReportRows(const EntryList& entries, const DeviceProfile& device) {
    std::vector<ReportRow> rows;
    rows.reserve(entries.size() + 2);
    std::int32_t romSum = 0;
    std::int32_t ramSum = 0;
    for (const auto& entry : entries) {
        if (entry->m_romSize == 0 && entry->m_ramSize == 0) {
            continue;
        }
        rows.push_back({entry->GetName(), std::to_string(entry->m_romSize),
                        std::to_string(entry->m_ramSize),
                        FormatPercent(entry->m_romSize, device.romCapacity),
                        FormatPercent(entry->m_ramSize, device.ramCapacity)});
        romSum = WrappingAdd(romSum, entry->m_romSize);
        ramSum = WrappingAdd(ramSum, entry->m_ramSize);
    }
    rows.push_back(ReportRow{});
    rows.push_back({kTotalRowLabel, std::to_string(romSum), std::to_string(ramSum),
                    FormatPercent(romSum, device.romCapacity),
                    FormatPercent(ramSum, device.ramCapacity)});
    return rows;
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
    const std::uint64_t units = (magnitude * 2000000u + cap) / (2u * cap);
    std::string fraction = std::to_string(units % 10000u);
    fraction.insert(0, 4 - fraction.size(), '0');
    std::string text = bytes < 0 ? "-" : "";
    text += std::to_string(units / 10000u);
    text += '.';
    text += fraction;
    return text;
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
