#include "report/report_diff.h"

#include <algorithm>
#include <functional>

#include "text/visible_text.h"

std::vector<Memory> DiffMeasures(bool withOther) {
    std::vector<Memory> measures;
    for (const Memory& memory : kMemories) {
        if (memory.capacity != nullptr || withOther) {
            measures.push_back(memory);
        }
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

}  // namespace

std::int64_t SizeChange(const DiffRow& row, std::size_t measure) {
    return Change(row.oldSizes[measure], row.newSizes[measure]);
}

namespace {

std::uint64_t AbsoluteChange(const DiffRow& row, std::size_t measure) {
    const std::int64_t change = SizeChange(row, measure);
    return change < 0 ? 0u - static_cast<std::uint64_t>(change)
                      : static_cast<std::uint64_t>(change);
}

bool HasSize(const SizeRow& row, const std::vector<Memory>& measures) {
    return std::any_of(measures.begin(), measures.end(),
                       [&](const Memory& measure) { return row.*measure.size != 0; });
}

// Finds the row made for a name: open addressing over the rows' indices, in a table sized once
// for every name the two maps could bring.
class CRowsByName {
public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    explicit CRowsByName(std::size_t names) {
        std::size_t size = 16;
        while (size < 2 * names) {
            size *= 2;
        }
        m_slots.assign(size, kNone);
        m_mask = size - 1;
    }

    // The slot holding the index of the row named `name`, or the empty slot (kNone) it goes in.
    std::uint32_t& Find(std::string_view name, const std::vector<DiffRow>& rows) {
        std::size_t slot = std::hash<std::string_view>{}(name)&m_mask;
        while (m_slots[slot] != kNone && rows[m_slots[slot]].name != name) {
            slot = (slot + 1) & m_mask;
        }
        return m_slots[slot];
    }

private:
    std::vector<std::uint32_t> m_slots;
    std::size_t m_mask = 0;
};

}  // namespace

// Rows are made in the order the names first appear (new map first, then names only the old map
// has) and keep that order among equal changes, so that the output does not vary between runs.
std::vector<DiffRow> CompareRows(const SizeTable& oldTable, const SizeTable& newTable,
                                 ColumnOrdering sort, const std::vector<Memory>& measures) {
    const std::size_t count = measures.size();
    struct Presence {
        bool inOld = false;
        bool inNew = false;
    };
    // Room for every name of both maps is reserved, not touched: growing the rows step by step
    // would copy them over and over.
    const std::size_t most = oldTable.rows.size() + newTable.rows.size();
    std::vector<DiffRow> rows;
    rows.reserve(most);
    std::vector<Presence> presence;
    presence.reserve(most);
    CRowsByName rowOfName(most);
    const auto gather = [&](const SizeTable& table, bool isNew) {
        for (const SizeRow& size : table.rows) {
            if (!HasSize(size, measures)) {
                continue;
            }
            std::uint32_t& index = rowOfName.Find(size.name, rows);
            if (index == CRowsByName::kNone) {
                index = static_cast<std::uint32_t>(rows.size());
                rows.push_back({size.name, size.kind, DiffStatus::kUnchanged});
                presence.emplace_back();
            }
            DiffRow& row = rows[index];
            DiffSizes& sizes = isNew ? row.newSizes : row.oldSizes;
            for (std::size_t m = 0; m < count; ++m) {
                sizes[m] = SumSizes(table.rule, sizes[m], size.*measures[m].size);
            }
            (isNew ? presence[index].inNew : presence[index].inOld) = true;
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
    const MemoryKind key = SortedMemory(sort);
    std::vector<std::size_t> keys;
    for (std::size_t m = 0; m < count; ++m) {
        if (measures[m].kind == key) {
            keys.push_back(m);
        }
    }
    for (std::size_t m = 0; m < count; ++m) {
        if (measures[m].kind != key) {
            keys.push_back(m);
        }
    }
    // The rows' order is sorted, on the changes taken out beforehand, rather than the rows; then
    // the rows are moved in place: a copy of a few hundred thousand rows would be memory to
    // fault in.
    struct Place {
        std::array<std::uint64_t, 3> changes;  // in the order of `keys`
        std::uint32_t index;
    };
    std::vector<Place> order(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        order[i].index = static_cast<std::uint32_t>(i);
        for (std::size_t k = 0; k < keys.size(); ++k) {
            order[i].changes[k] = AbsoluteChange(rows[i], keys[k]);
        }
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const Place& a, const Place& b) { return a.changes > b.changes; });
    PermuteInPlace(rows,
                   [&order](std::size_t place) -> std::uint32_t& { return order[place].index; });
    return rows;
}
std::vector<ReportColumn> DiffColumns(const std::vector<Memory>& measures, MapView view) {
    std::vector<ReportColumn> columns;
    columns.push_back(SizeReportColumns(false, view).front());
    columns.push_back({"Status", "status", CellType::kText});
    for (const Memory& measure : measures) {
        const std::string label(measure.label);
        const std::string field(measure.field);
        columns.push_back({"Old " + label, "old_" + field, CellType::kCount});
        columns.push_back({"New " + label, "new_" + field, CellType::kCount});
        columns.push_back({label + " Change", field + "_change", CellType::kChange});
    }
    for (const Memory& measure : measures) {
        if (measure.capacity != nullptr) {
            const std::string label(measure.label);
            const std::string field(measure.field);
            columns.push_back(
                {"New " + label + " %", "new_" + field + "_percent", CellType::kPercent});
        }
    }
    return columns;
}

void ForEachDiffRow(const std::vector<DiffRow>& rows, const DeviceProfile& device,
                    const std::vector<Memory>& measures, SectionRule rule,
                    const RowVisitor& visit) {
    const std::size_t count = measures.size();
    std::size_t percents = 0;
    for (const Memory& measure : measures) {
        percents += measure.capacity != nullptr ? 1 : 0;
    }
    TableRow row;
    const auto fill = [&](RowKind kind, std::string_view name, std::string_view status,
                          const DiffSizes& oldSizes, const DiffSizes& newSizes) {
        row.kind = kind;
        row.cells.resize(2 + 3 * count + percents);
        AssignVisibleName(row.cells[0], name);
        row.cells[1].assign(status);
        std::size_t cell = 2;
        for (std::size_t m = 0; m < count; ++m) {
            row.cells[cell++] = std::to_string(oldSizes[m]);
            row.cells[cell++] = std::to_string(newSizes[m]);
            row.cells[cell++] = std::to_string(Change(oldSizes[m], newSizes[m]));
        }
        for (std::size_t m = 0; m < count; ++m) {
            if (measures[m].capacity != nullptr) {
                row.cells[cell++] = FormatPercent(newSizes[m], device.*measures[m].capacity);
            }
        }
        visit(row);
    };

    DiffSizes oldTotal{};
    DiffSizes newTotal{};
    // The rows are in the order of their changes, their names anywhere in memory: a name a few
    // rows ahead is asked for early, so that it is in the cache when its row is made.
    constexpr std::size_t kNamesAhead = 8;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i + kNamesAhead < rows.size()) {
            __builtin_prefetch(rows[i + kNamesAhead].name.data());
        }
        const DiffRow& diff = rows[i];
        fill(diff.kind, diff.name, DiffStatusText(diff.status), diff.oldSizes, diff.newSizes);
        for (std::size_t m = 0; m < count; ++m) {
            oldTotal[m] = SumSizes(rule, oldTotal[m], diff.oldSizes[m]);
            newTotal[m] = SumSizes(rule, newTotal[m], diff.newSizes[m]);
        }
    }
    row.kind = RowKind::kBlank;
    row.cells.assign(2 + 3 * count + percents, std::string());
    visit(row);
    fill(RowKind::kTotal, kTotalRowLabel, "", oldTotal, newTotal);
}
