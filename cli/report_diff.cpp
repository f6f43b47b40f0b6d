#include "report_diff.h"

#include <algorithm>
#include <unordered_map>

std::vector<DiffMeasure> DiffMeasures(bool withOther) {
    std::vector<DiffMeasure> measures = {
        {"ROM", "rom", &SizeRow::rom, &DeviceProfile::romCapacity},
        {"RAM", "ram", &SizeRow::ram, &DeviceProfile::ramCapacity},
    };
    if (withOther) {
        measures.push_back({"Other", "other", &SizeRow::other, nullptr});
    }
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

SectionRule DiffRule(const SizeTable& oldTable, const SizeTable& newTable) {
    return oldTable.rule == SectionRule::kListed && newTable.rule == SectionRule::kListed
               ? SectionRule::kListed
               : SectionRule::kAll;
}

namespace {

// Sizes stay far inside 64 bits, so their difference is exact; it is taken in unsigned
// arithmetic all the same, so that no input can make it undefined.
std::int64_t Change(std::int64_t oldSize, std::int64_t newSize) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(newSize) -
                                     static_cast<std::uint64_t>(oldSize));
}

std::uint64_t AbsoluteChange(const DiffRow& row, std::size_t measure) {
    const std::int64_t change = Change(row.oldSizes[measure], row.newSizes[measure]);
    return change < 0 ? 0u - static_cast<std::uint64_t>(change)
                      : static_cast<std::uint64_t>(change);
}

bool HasSize(const SizeRow& row, const std::vector<DiffMeasure>& measures) {
    return std::any_of(measures.begin(), measures.end(),
                       [&](const DiffMeasure& measure) { return row.*measure.size != 0; });
}

}  // namespace

// Rows are made in the order the names first appear (new map first, then names only the old map
// has) and keep that order among equal changes, so that the output does not vary between runs.
std::vector<DiffRow> CompareRows(const SizeTable& oldTable, const SizeTable& newTable,
                                 ColumnOrdering sort, const std::vector<DiffMeasure>& measures) {
    const std::size_t count = measures.size();
    struct Presence {
        bool inOld = false;
        bool inNew = false;
    };
    std::vector<DiffRow> rows;
    std::vector<Presence> presence;
    std::unordered_map<std::string_view, std::size_t> rowOfName;
    const auto gather = [&](const SizeTable& table, bool isNew) {
        for (const SizeRow& size : table.rows) {
            if (!HasSize(size, measures)) {
                continue;
            }
            const auto [it, inserted] = rowOfName.try_emplace(size.name, rows.size());
            if (inserted) {
                rows.push_back({std::string(size.name), size.kind, DiffStatus::kUnchanged,
                                DiffSizes(count), DiffSizes(count)});
                presence.emplace_back();
            }
            DiffRow& row = rows[it->second];
            DiffSizes& sizes = isNew ? row.newSizes : row.oldSizes;
            for (std::size_t m = 0; m < count; ++m) {
                sizes[m] = SumSizes(table.rule, sizes[m], size.*measures[m].size);
            }
            (isNew ? presence[it->second].inNew : presence[it->second].inOld) = true;
        }
    };
    gather(newTable, true);
    gather(oldTable, false);

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
            const std::uint64_t changeA = AbsoluteChange(a, m);
            const std::uint64_t changeB = AbsoluteChange(b, m);
            if (changeA != changeB) {
                return changeA > changeB;
            }
        }
        return false;
    });
    return rows;
}

ReportTable BuildDiffTable(const std::vector<DiffRow>& rows, const DeviceProfile& device,
                           const std::vector<DiffMeasure>& measures, SectionRule rule,
                           MapView view) {
    const std::size_t count = measures.size();
    ReportTable table;
    table.columns.push_back(SizeReportColumns(false, view).front());
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

    const auto makeRow = [&](RowKind kind, std::string_view name, std::string status,
                             const DiffSizes& oldSizes, const DiffSizes& newSizes) {
        TableRow row{kind, {std::string(), std::move(status)}};
        AssignVisibleName(row.cells[0], name);
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
        table.rows.push_back(makeRow(row.kind, row.name, std::string(DiffStatusText(row.status)),
                                     row.oldSizes, row.newSizes));
        for (std::size_t m = 0; m < count; ++m) {
            oldTotal[m] = SumSizes(rule, oldTotal[m], row.oldSizes[m]);
            newTotal[m] = SumSizes(rule, newTotal[m], row.newSizes[m]);
        }
    }
    table.rows.push_back(
        {RowKind::kBlank, std::vector<std::string>(table.columns.size(), std::string())});
    table.rows.push_back(makeRow(RowKind::kTotal, kTotalRowLabel, "", oldTotal, newTotal));
    return table;
}
