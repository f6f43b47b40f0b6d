#include "report_diff.h"

#include <algorithm>
#include <unordered_map>

#include "wrapping.h"

const std::vector<DiffMeasure>& ReportDiffMeasures() {
    static const std::vector<DiffMeasure> measures = {
        {"ROM", "rom", &CObjectFileEntry::m_romSize, &DeviceProfile::romCapacity},
        {"RAM", "ram", &CObjectFileEntry::m_ramSize, &DeviceProfile::ramCapacity},
    };
    return measures;
}

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

bool HasSize(const CObjectFileEntry& entry, const std::vector<DiffMeasure>& measures) {
    return std::any_of(measures.begin(), measures.end(),
                       [&](const DiffMeasure& measure) { return entry.*measure.size != 0; });
}

}  // namespace

// Rows are made in the order the names first appear (new map first, then names only the old map
// has) and keep that order among equal changes, so that the output does not vary between runs.
std::vector<DiffRow> CompareEntries(const EntryList& oldEntries, const EntryList& newEntries,
                                    ColumnOrdering sort, const std::vector<DiffMeasure>& measures) {
    const std::size_t count = measures.size();
    struct Presence {
        bool inOld = false;
        bool inNew = false;
    };
    std::vector<DiffRow> rows;
    std::vector<Presence> presence;
    std::unordered_map<std::string, std::size_t> rowOfName;
    const auto gather = [&](const EntryList& entries, bool isNew) {
        for (const auto& entry : entries) {
            if (!HasSize(*entry, measures)) {
                continue;
            }
            const auto [it, inserted] = rowOfName.try_emplace(entry->m_name, rows.size());
            if (inserted) {
                rows.push_back(
                    {entry->m_name, DiffStatus::kUnchanged, DiffSizes(count), DiffSizes(count)});
                presence.emplace_back();
            }
            DiffRow& row = rows[it->second];
            DiffSizes& sizes = isNew ? row.newSizes : row.oldSizes;
            for (std::size_t m = 0; m < count; ++m) {
                sizes[m] = WrappingAdd(sizes[m], (*entry).*measures[m].size);
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

    // The sort key's change decides; the other measures' changes, in their order, break ties.
    const std::string_view keyField = sort == ColumnOrdering::kByRamSize ? "ram" : "rom";
    std::vector<std::size_t> keys;
    for (std::size_t m = 0; m < count; ++m) {
        if (measures[m].field == keyField) {
            keys.push_back(m);
        }
    }
    for (std::size_t m = 0; m < count; ++m) {
        if (measures[m].field != keyField) {
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

ReportTable BuildDiffTable(const std::vector<DiffRow>& rows, const DeviceProfile& device,
                           const std::vector<DiffMeasure>& measures) {
    const std::size_t count = measures.size();
    ReportTable table;
    table.columns.push_back({"Object file", "object", CellType::kText});
    table.columns.push_back({"Status", "status", CellType::kText});
    for (const DiffMeasure& measure : measures) {
        const std::string label(measure.label);
        const std::string field(measure.field);
        table.columns.push_back({"Old " + label, "old_" + field, CellType::kCount});
        table.columns.push_back({"New " + label, "new_" + field, CellType::kCount});
        table.columns.push_back({label + " Change", field + "_change", CellType::kChange});
    }
    for (const DiffMeasure& measure : measures) {
        if (measure.capacity != nullptr) {
            const std::string label(measure.label);
            const std::string field(measure.field);
            table.columns.push_back(
                {"New " + label + " %", "new_" + field + "_percent", CellType::kPercent});
        }
    }

    const auto makeRow = [&](RowKind kind, std::string name, std::string status,
                             const DiffSizes& oldSizes, const DiffSizes& newSizes) {
        TableRow row{kind, {std::move(name), std::move(status)}};
        for (std::size_t m = 0; m < count; ++m) {
            row.cells.push_back(std::to_string(oldSizes[m]));
            row.cells.push_back(std::to_string(newSizes[m]));
            row.cells.push_back(std::to_string(Change(oldSizes[m], newSizes[m])));
        }
        for (std::size_t m = 0; m < count; ++m) {
            if (measures[m].capacity != nullptr) {
                row.cells.push_back(FormatPercent(newSizes[m], device.*measures[m].capacity));
            }
        }
        return row;
    };

    DiffSizes oldTotal(count);
    DiffSizes newTotal(count);
    table.rows.reserve(rows.size() + 2);
    for (const DiffRow& row : rows) {
        table.rows.push_back(makeRow(RowKind::kObject, row.name,
                                     std::string(DiffStatusText(row.status)), row.oldSizes,
                                     row.newSizes));
        for (std::size_t m = 0; m < count; ++m) {
            oldTotal[m] = WrappingAdd(oldTotal[m], row.oldSizes[m]);
            newTotal[m] = WrappingAdd(newTotal[m], row.newSizes[m]);
        }
    }
    table.rows.push_back(
        {RowKind::kBlank, std::vector<std::string>(table.columns.size(), std::string())});
    table.rows.push_back(makeRow(RowKind::kTotal, kTotalRowLabel, "", oldTotal, newTotal));
    return table;
}
