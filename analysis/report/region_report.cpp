#include "report/region_report.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "report/report_diff.h"
#include "report/size_report.h"
#include "text/numbers.h"
#include "text/visible_text.h"

namespace {

// What a row of the region report says of a region or of a memory's regions together.
struct RegionFigures {
    std::int64_t size = 0;
    std::int64_t used = 0;
    std::int64_t free = 0;
    std::int64_t largestFree = 0;

    bool operator==(const RegionFigures& b) const {
        return size == b.size && used == b.used && free == b.free && largestFree == b.largestFree;
    }
};

RegionFigures FiguresOf(const MemoryRegion& region) {
    return {region.size, region.used, region.free, region.largestFree};
}

// The memories that get a total row, with its label and JSON name.
struct RegionTotal {
    MemoryKind memory;
    const char* label;
    const char* key;
};

constexpr std::array<RegionTotal, 2> kRegionTotals = {{
    {MemoryKind::kRom, "-- Program memory --", "program"},
    {MemoryKind::kRam, "-- Data memory --", "data"},
}};

// The regions of each memory that has a total row, added up.
std::array<RegionFigures, kRegionTotals.size()> TotalsOf(const std::vector<MemoryRegion>& regions) {
    std::array<RegionFigures, kRegionTotals.size()> totals{};
    for (const MemoryRegion& region : regions) {
        for (std::size_t t = 0; t < kRegionTotals.size(); ++t) {
            if (kRegionTotals[t].memory == region.memory) {
                RegionFigures& total = totals[t];
                total.size += region.size;
                total.used += region.used;
                total.free += region.free;
                total.largestFree = std::max(total.largestFree, region.largestFree);
            }
        }
    }
    return totals;
}

// The figures' cells, in the order of the columns.
void AppendFigures(std::vector<std::string>& cells, const RegionFigures& figures) {
    cells.push_back(std::to_string(figures.size));
    cells.push_back(std::to_string(figures.used));
    cells.push_back(std::to_string(figures.free));
    cells.push_back(std::to_string(figures.largestFree));
    cells.push_back(FormatPercent(figures.used, figures.size));
}

std::string Change(std::int64_t oldValue, std::int64_t newValue) {
    // In unsigned arithmetic, where the difference of any two sizes is defined.
    return std::to_string(static_cast<std::int64_t>(static_cast<std::uint64_t>(newValue) -
                                                    static_cast<std::uint64_t>(oldValue)));
}

void AppendComparison(std::vector<std::string>& cells, const RegionFigures& oldFigures,
                      const RegionFigures& newFigures) {
    cells.push_back(std::to_string(oldFigures.size));
    cells.push_back(std::to_string(newFigures.size));
    for (const std::int64_t RegionFigures::*measure :
         {&RegionFigures::used, &RegionFigures::free, &RegionFigures::largestFree}) {
        cells.push_back(std::to_string(oldFigures.*measure));
        cells.push_back(std::to_string(newFigures.*measure));
        cells.push_back(Change(oldFigures.*measure, newFigures.*measure));
    }
    cells.push_back(FormatPercent(newFigures.used, newFigures.size));
}

void VisitBlank(TableRow& row, std::size_t columns, const RowVisitor& visit) {
    row.kind = RowKind::kBlank;
    row.cells.assign(columns, std::string());
    visit(row);
}

}  // namespace

std::string AddressText(std::uint64_t address) {
    return "0x" + HexText(address, 6);
}

std::vector<ReportColumn> RegionColumns() {
    const ViewChoice& choice = ViewChoiceOf(MapView::kRegions);
    return {{std::string(choice.header), std::string(choice.field), CellType::kText},
            {"Start", "start", CellType::kAddress},
            {"End", "end", CellType::kAddress},
            {"Size", "size", CellType::kCount},
            {"Used", "used", CellType::kCount},
            {"Free", "free", CellType::kCount},
            {"Largest free block", "largest_free", CellType::kCount},
            {"Used %", "used_percent", CellType::kPercent}};
}

std::vector<std::string> RegionTotalKeys() {
    std::vector<std::string> keys;
    for (const RegionTotal& total : kRegionTotals) {
        keys.emplace_back(total.key);
    }
    return keys;
}

void ForEachRegionRow(const std::vector<MemoryRegion>& regions, const RowVisitor& visit) {
    TableRow row;
    for (const MemoryRegion& region : regions) {
        row.kind = RowKind::kObject;
        row.cells.assign(1, std::string());
        AssignVisibleName(row.cells[0], region.name);
        row.cells.push_back(AddressText(region.Start()));
        row.cells.push_back(AddressText(region.Last()));
        AppendFigures(row.cells, FiguresOf(region));
        visit(row);
    }
    const std::size_t columns = RegionColumns().size();
    VisitBlank(row, columns, visit);
    const auto totals = TotalsOf(regions);
    for (std::size_t t = 0; t < kRegionTotals.size(); ++t) {
        row.kind = RowKind::kTotal;
        row.cells.assign({kRegionTotals[t].label, "", ""});
        AppendFigures(row.cells, totals[t]);
        visit(row);
    }
}

std::vector<ReportColumn> RegionDiffColumns() {
    const ViewChoice& choice = ViewChoiceOf(MapView::kRegions);
    std::vector<ReportColumn> columns = {
        {std::string(choice.header), std::string(choice.field), CellType::kText},
        {"Status", "status", CellType::kText},
        {"Old Size", "old_size", CellType::kCount},
        {"New Size", "new_size", CellType::kCount}};
    for (const auto& [label, field] :
         {std::make_pair("Used", "used"), std::make_pair("Free", "free"),
          std::make_pair("Largest free block", "largest_free")}) {
        columns.push_back(
            {std::string("Old ") + label, std::string("old_") + field, CellType::kCount});
        columns.push_back(
            {std::string("New ") + label, std::string("new_") + field, CellType::kCount});
        columns.push_back(
            {std::string(label) + " Change", std::string(field) + "_change", CellType::kChange});
    }
    columns.push_back({"New Used %", "new_used_percent", CellType::kPercent});
    return columns;
}

void ForEachRegionDiffRow(const std::vector<MemoryRegion>& oldRegions,
                          const std::vector<MemoryRegion>& newRegions, const RowVisitor& visit) {
    std::unordered_map<std::string_view, const MemoryRegion*> oldByName;
    for (const MemoryRegion& region : oldRegions) {
        oldByName.try_emplace(region.name, &region);
    }
    std::unordered_map<std::string_view, bool> inNew;
    TableRow row;
    const auto emit = [&](const std::string& name, const MemoryRegion* oldRegion,
                          const MemoryRegion* newRegion) {
        const RegionFigures oldFigures =
            oldRegion != nullptr ? FiguresOf(*oldRegion) : RegionFigures{};
        const RegionFigures newFigures =
            newRegion != nullptr ? FiguresOf(*newRegion) : RegionFigures{};
        const DiffStatus status = oldRegion == nullptr       ? DiffStatus::kAdded
                                  : newRegion == nullptr     ? DiffStatus::kRemoved
                                  : oldFigures == newFigures ? DiffStatus::kUnchanged
                                                             : DiffStatus::kChanged;
        row.kind = RowKind::kObject;
        row.cells.assign(1, std::string());
        AssignVisibleName(row.cells[0], name);
        row.cells.emplace_back(DiffStatusText(status));
        AppendComparison(row.cells, oldFigures, newFigures);
        visit(row);
    };
    for (const MemoryRegion& region : newRegions) {
        if (inNew.try_emplace(region.name, true).second) {
            const auto found = oldByName.find(region.name);
            emit(region.name, found != oldByName.end() ? found->second : nullptr, &region);
        }
    }
    for (const MemoryRegion& region : oldRegions) {
        if (inNew.try_emplace(region.name, true).second) {
            emit(region.name, &region, nullptr);
        }
    }
    const std::size_t columns = RegionDiffColumns().size();
    VisitBlank(row, columns, visit);
    const auto oldTotals = TotalsOf(oldRegions);
    const auto newTotals = TotalsOf(newRegions);
    for (std::size_t t = 0; t < kRegionTotals.size(); ++t) {
        row.kind = RowKind::kTotal;
        row.cells.assign({kRegionTotals[t].label, ""});
        AppendComparison(row.cells, oldTotals[t], newTotals[t]);
        visit(row);
    }
}
