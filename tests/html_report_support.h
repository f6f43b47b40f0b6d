#pragma once

// Size tables of example maps for the HTML report's tests, made from the complete tally with the
// sections of each object as its parts, and the report of one map or of two as the report
// command will give it.

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "map_lines.h"
#include "report_diff.h"
#include "report_html.h"
#include "section_tally.h"
#include "size_table.h"
#include "tally_output.h"

struct MapSizes {
    std::string name;
    SizeTable sizes;
    std::string device;
    MapCapacity capacity;
    std::vector<TallyRow> tallyRows;
};

// TOTAL records by name and link address.
using TotalIndex = std::map<std::pair<std::string_view, std::uint64_t>, const TotalRecord*>;

// The memory of a section record: the class of the TOTAL record of its name that holds it, as
// the tally finds it, for the example maps' plain cases (no cut names).
inline MemoryKind MemoryOfRecord(const TotalIndex& totals, const SectionRecord& record) {
    std::string className;
    auto next = totals.upper_bound({record.name, record.link});
    if (next != totals.begin() && std::prev(next)->first.first == record.name) {
        const TotalRecord& total = *std::prev(next)->second;
        if (record.link == total.link || record.link - total.link < total.length) {
            className = total.className;
        }
    }
    const bool bits = IsBitSection(record.link, record.load, record.scale);
    return ClassifySection(className, record.name, bits ? record.link / 8 : record.link,
                           record.space);
}

inline std::unique_ptr<MapSizes> ReadMapSizes(const std::string& bytes, const std::string& name) {
    auto map = std::make_unique<MapSizes>();
    map->name = name;
    const MapListing listing = ReadMapListing(bytes, name);
    const SectionTally tally = TallySections(listing);
    map->device = listing.machineType;
    map->capacity = CapacityFromClassRanges(listing);
    map->tallyRows = tally.rows;

    SizeTable& sizes = map->sizes;
    sizes.rule = SectionRule::kAll;
    for (std::size_t i = 0; i < tally.rows.size(); ++i) {
        const TallyRow& row = tally.rows[i];
        SizeRow& added = sizes.AddRow(
            row.name, i < listing.objects.size() ? RowKind::kObject : RowKind::kSpecial);
        added.rom = row.rom;
        added.ram = row.ram;
        added.other = row.other;
    }
    TotalIndex totals;
    for (const TotalRecord& total : listing.totals) {
        totals.emplace(std::make_pair(std::string_view(total.name), total.link), &total);
    }
    for (const SectionRecord& record : listing.records) {
        if (record.common || record.object < 0 || record.length == 0) {
            continue;
        }
        SizePart part;
        part.rowId = static_cast<std::uint32_t>(record.object);
        part.name = sizes.names.Add(record.name);
        part.memory = MemoryOfRecord(totals, record);
        part.address = record.link;
        part.bytes = static_cast<std::int64_t>(
            SectionBytes(record.length, IsBitSection(record.link, record.load, record.scale)));
        sizes.parts.push_back(part);
    }
    const auto toCheck = [](const char* label, const char* source, bool withOther,
                            const ReconciliationCheck& from) {
        MapCheck check;
        check.label = label;
        check.source = source;
        check.withOther = withOther;
        check.possible = from.possible;
        check.reason = from.reason;
        check.map = from.map;
        check.agrees = from.agrees;
        return check;
    };
    sizes.facts.device = listing.machineType;
    sizes.facts.hasCapacity = true;
    sizes.facts.romCapacity = static_cast<std::int64_t>(map->capacity.rom);
    sizes.facts.ramCapacity = static_cast<std::int64_t>(map->capacity.ram);
    sizes.facts.checks.push_back(
        toCheck("TOTAL section", "the map's TOTAL section", true, tally.totalSection));
    sizes.facts.checks.push_back(
        toCheck("Occupancy", "the map's used address ranges", false, tally.occupancy));
    return map;
}

// The device the map describes, as --device map takes it.
inline DeviceProfile DeviceOfMap(const MapSizes& map) {
    const auto clamp = [](std::uint64_t value) {
        return static_cast<std::int32_t>(
            std::min<std::uint64_t>(value, std::numeric_limits<std::int32_t>::max()));
    };
    return DeviceProfile{map.device, clamp(map.capacity.rom), clamp(map.capacity.ram)};
}

// The table of one map, as --sections all gives it; rows of special names are marked special.
inline ReportTable TableOfMap(const MapSizes& map, const DeviceProfile& device) {
    std::vector<TallyRow> rows = map.tallyRows;
    SortTallyRowsByRom(rows);
    ReportTable table =
        MakeTallyTable(BuildTallyReportRows(rows, device.romCapacity, device.ramCapacity));
    std::set<std::string> special;
    for (const SizeRow& row : map.sizes.rows) {
        if (row.kind == RowKind::kSpecial) {
            special.emplace(row.name);
        }
    }
    for (TableRow& row : table.rows) {
        if (row.kind == RowKind::kObject && special.count(row.cells[0]) != 0) {
            row.kind = RowKind::kSpecial;
        }
    }
    return table;
}

// The new map's bytes minus the old map's, per row name.
inline SizeChanges ChangesBetween(const SizeTable& oldSizes, const SizeTable& newSizes) {
    SizeChanges changes;
    for (const SizeRow& row : newSizes.rows) {
        MemoryTotals& change = changes[std::string(row.name)];
        change.rom += row.rom;
        change.ram += row.ram;
        change.other += row.other;
    }
    for (const SizeRow& row : oldSizes.rows) {
        MemoryTotals& change = changes[std::string(row.name)];
        change.rom -= row.rom;
        change.ram -= row.ram;
        change.other -= row.other;
    }
    return changes;
}

inline ReportTable DiffTableOf(const MapSizes& oldMap, const MapSizes& newMap,
                               const DeviceProfile& device) {
    const std::vector<DiffMeasure>& measures = TallyDiffMeasures();
    return BuildDiffTable(
        CompareEntries(EntriesOfTally(oldMap.tallyRows), EntriesOfTally(newMap.tallyRows),
                       ColumnOrdering::kByRomSize, measures),
        device, measures);
}
