#include "report_diff.h"

#include <algorithm>
#include <unordered_map>

#include "wrapping.h"

const std::array<DiffMeasureSpec, kDiffMeasureCount> kDiffMeasures = {{
    {"ROM", "rom", &CObjectFileEntry::m_romSize, &DeviceProfile::romCapacity},
    {"RAM", "ram", &CObjectFileEntry::m_ramSize, &DeviceProfile::ramCapacity},
}};

std::string_view DiffStatusText(DiffStatus status) {
    switch (status) {
        case DiffStatus::kAdded:
            return "added";
        case DiffStatus::kRemoved:
            return "removed";
        case DiffStatus::kChanged:
            return "changed";
        case DiffStatus::kUnchanged:
            return "unchanged";
    }
    return "";
}

namespace {

// Sizes are wrapping 32-bit values, so their difference is taken in 64 bits where it is exact.
std::int64_t Change(std::int32_t oldSize, std::int32_t newSize) {
    return static_cast<std::int64_t>(newSize) - static_cast<std::int64_t>(oldSize);
}

std::int64_t AbsoluteChange(const DiffRow& row, std::size_t measure) {
    const std::int64_t change = Change(row.oldSizes[measure], row.newSizes[measure]);
    return change < 0 ? -change : change;
}

bool HasSize(const CObjectFileEntry& entry) {
    return std::any_of(kDiffMeasures.begin(), kDiffMeasures.end(),
                       [&](const DiffMeasureSpec& spec) { return entry.*spec.size != 0; });
}

}  // namespace

// Rows are made in the order the names first appear (new map first, then names only the old map
// has) and keep that order among equal changes, so that the output does not vary between runs.
std::vector<DiffRow> CompareEntries(const EntryList& oldEntries, const EntryList& newEntries,
                                    ColumnOrdering sort) {
    struct Presence {
        bool inOld = false;
        bool inNew = false;
    };
    std::vector<DiffRow> rows;
    std::vector<Presence> presence;
    std::unordered_map<std::string, std::size_t> rowOfName;
    const auto gather = [&](const EntryList& entries, bool isNew) {
        for (const auto& entry : entries) {
            if (!HasSize(*entry)) {
                continue;
            }
            const auto [it, inserted] = rowOfName.try_emplace(entry->m_name, rows.size());
            if (inserted) {
                rows.push_back({entry->m_name, DiffStatus::kUnchanged, {}, {}});
                presence.emplace_back();
            }
            DiffRow& row = rows[it->second];
            DiffSizes& sizes = isNew ? row.newSizes : row.oldSizes;
            for (std::size_t m = 0; m < kDiffMeasureCount; ++m) {
                sizes[m] = WrappingAdd(sizes[m], (*entry).*kDiffMeasures[m].size);
            }
            (isNew ? presence[it->second].inNew : presence[it->second].inOld) = true;
        }
    };
    gather(newEntries, true);
    gather(oldEntries, false);

    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!presence[i].inOld) {
            rows[i].status = DiffStatus::kAdded;
        } else if (!presence[i].inNew) {
            rows[i].status = DiffStatus::kRemoved;
        } else if (rows[i].oldSizes != rows[i].newSizes) {
            rows[i].status = DiffStatus::kChanged;
        }
    }

    // The sort key's change decides; the other measures' changes break ties.
    std::vector<std::size_t> keys;
    keys.push_back(sort == ColumnOrdering::kByRamSize ? kDiffRam : kDiffRom);
    for (std::size_t m = 0; m < kDiffMeasureCount; ++m) {
        if (m != keys.front()) {
            keys.push_back(m);
        }
    }
    std::stable_sort(rows.begin(), rows.end(), [&](const DiffRow& a, const DiffRow& b) {
        for (const std::size_t m : keys) {
            const std::int64_t changeA = AbsoluteChange(a, m);
            const std::int64_t changeB = AbsoluteChange(b, m);
            if (changeA != changeB) {
                return changeA > changeB;
            }
        }
        return false;
    });
    return rows;
}

ReportTable BuildDiffTable(const std::vector<DiffRow>& rows, const DeviceProfile& device) {
    ReportTable table;
    table.columns.push_back({"Object file", "object", CellType::kText});
    table.columns.push_back({"Status", "status", CellType::kText});
    for (const DiffMeasureSpec& spec : kDiffMeasures) {
        const std::string label(spec.label);
        const std::string field(spec.field);
        table.columns.push_back({"Old " + label, "old_" + field, CellType::kCount});
        table.columns.push_back({"New " + label, "new_" + field, CellType::kCount});
        table.columns.push_back({label + " Change", field + "_change", CellType::kChange});
    }
    for (const DiffMeasureSpec& spec : kDiffMeasures) {
        if (spec.capacity != nullptr) {
            const std::string label(spec.label);
            const std::string field(spec.field);
            table.columns.push_back(
                {"New " + label + " %", "new_" + field + "_percent", CellType::kPercent});
        }
    }

    const auto makeRow = [&](RowKind kind, std::string name, std::string status,
                             const DiffSizes& oldSizes, const DiffSizes& newSizes) {
        TableRow row{kind, {std::move(name), std::move(status)}};
        for (std::size_t m = 0; m < kDiffMeasureCount; ++m) {
            row.cells.push_back(std::to_string(oldSizes[m]));
            row.cells.push_back(std::to_string(newSizes[m]));
            row.cells.push_back(std::to_string(Change(oldSizes[m], newSizes[m])));
        }
        for (std::size_t m = 0; m < kDiffMeasureCount; ++m) {
            if (kDiffMeasures[m].capacity != nullptr) {
                row.cells.push_back(FormatPercent(newSizes[m], device.*kDiffMeasures[m].capacity));
            }
        }
        return row;
    };

    DiffSizes oldTotal{};
    DiffSizes newTotal{};
    table.rows.reserve(rows.size() + 2);
    for (const DiffRow& row : rows) {
        table.rows.push_back(makeRow(RowKind::kObject, row.name,
                                     std::string(DiffStatusText(row.status)), row.oldSizes,
                                     row.newSizes));
        for (std::size_t m = 0; m < kDiffMeasureCount; ++m) {
            oldTotal[m] = WrappingAdd(oldTotal[m], row.oldSizes[m]);
            newTotal[m] = WrappingAdd(newTotal[m], row.newSizes[m]);
        }
    }
    table.rows.push_back(
        {RowKind::kBlank, std::vector<std::string>(table.columns.size(), std::string())});
    table.rows.push_back(makeRow(RowKind::kTotal, kTotalRowLabel, "", oldTotal, newTotal));
    return table;
}
