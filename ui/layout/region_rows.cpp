#include "layout/region_rows.h"

#include <algorithm>
#include <set>
#include <string_view>

#include "core/size_table.h"
#include "report/region_report.h"

bool IsNearlyFull(const MemoryRegion& region) {
    if (region.memory == MemoryKind::kOther || region.size <= 0) {
        return false;
    }
    // free / size < 10%, in whole numbers: every PIC18 size is far from overflowing.
    return region.free * 100 < region.size * kNearlyFullPercent;
}

std::vector<bool> NearlyFullRows(const std::vector<MemoryRegion>& regions, bool compared) {
    std::vector<bool> rows;
    std::set<std::string_view> names;
    for (const MemoryRegion& region : regions) {
        // A comparison pairs regions by name: a second region of a name has no row of its own.
        if (compared && !names.insert(region.name).second) {
            continue;
        }
        rows.push_back(IsNearlyFull(region));
    }
    return rows;
}

std::string NearlyFullNote(const std::vector<bool>& rows) {
    const auto count = static_cast<std::size_t>(std::count(rows.begin(), rows.end(), true));
    if (count == 0) {
        return {};
    }
    return std::to_string(count) + (count == 1 ? " region" : " regions") + " nearly full (under " +
           std::to_string(kNearlyFullPercent) + "% free)";
}

std::string RegionUseChangeText(const ReportTable& report) {
    const auto column =
        std::find_if(report.columns.begin(), report.columns.end(),
                     [](const ReportColumn& c) { return c.field == "used_change"; });
    if (column == report.columns.end()) {
        return {};
    }
    const auto place = static_cast<std::size_t>(column - report.columns.begin());
    // The total rows come in the order of their keys: "program", then "data".
    const std::vector<std::string> keys = RegionTotalKeys();
    std::size_t total = 0;
    std::string text;
    for (const TableRow& row : report.rows) {
        if (row.kind != RowKind::kTotal || total >= keys.size() || row.cells.size() <= place) {
            continue;
        }
        text += (text.empty() ? "used: " : ", ") + keys[total++] + " memory " + row.cells[place];
    }
    return text.empty() ? text : text + " bytes";
}
