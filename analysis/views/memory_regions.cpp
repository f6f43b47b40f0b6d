#include "views/memory_regions.h"

#include <algorithm>
#include <utility>

#include "core/device_profile.h"
#include "core/map_error.h"

namespace {

constexpr std::size_t kDisagreementsNamed = 3;

MapCheck StartCheck() {
    return NewCheck("Regions", "regions");
}

// Each region's use by the map's unused ranges against the sections placed in it.
MapCheck CheckClassRegions(const std::vector<MemoryRegion>& regions) {
    MapCheck check = StartCheck();
    check.source = "the map's unused ranges";
    check.possible = true;
    check.hasFigures = false;
    std::size_t checked = 0;
    std::vector<std::string> disagreements;
    for (const MemoryRegion& region : regions) {
        if (!region.freeFromMap) {
            continue;
        }
        ++checked;
        if (region.used != region.placed) {
            disagreements.push_back(region.name + " uses " + std::to_string(region.used) +
                                    " bytes by the map's unused ranges, its sections " +
                                    std::to_string(region.placed));
        }
    }
    check.agrees = disagreements.empty();
    if (check.agrees) {
        check.detail =
            std::to_string(checked) + " regions, each used as much as the sections in it";
        return check;
    }
    for (std::size_t i = 0; i < disagreements.size() && i < kDisagreementsNamed; ++i) {
        check.detail += (i > 0 ? "; " : "") + disagreements[i];
    }
    if (disagreements.size() > kDisagreementsNamed) {
        check.detail +=
            "; and " + std::to_string(disagreements.size() - kDisagreementsNamed) + " more";
    }
    return check;
}

// The sections placed in a part's regions against every byte the tally counted.
MapCheck CheckPartRegions(const std::vector<MemoryRegion>& regions, const MemoryTotals& tally) {
    MapCheck check = StartCheck();
    check.source = "the part's memory regions";
    check.possible = true;
    for (const MemoryRegion& region : regions) {
        AddBytes(check.map, region.memory, region.placed);
    }
    check.report = tally;
    check.agrees = check.map == check.report;
    return check;
}

MapCheck CheckRegions(const SizeTable& table) {
    const std::vector<MemoryRegion>& regions = table.regions;
    if (std::any_of(regions.begin(), regions.end(),
                    [](const MemoryRegion& region) { return region.fromPart; })) {
        return CheckPartRegions(regions, TotalsOf(table));
    }
    if (std::any_of(regions.begin(), regions.end(),
                    [](const MemoryRegion& region) { return region.freeFromMap; })) {
        return CheckClassRegions(regions);
    }
    MapCheck check = StartCheck();
    check.reason = "the map has no UNUSED ADDRESS RANGES";
    return check;
}

}  // namespace

void AddPartRegions(SizeTable& table, const Pic18Part* chosen) {
    if (!table.regions.empty()) {
        return;
    }
    const std::optional<DeviceSelection> named = DeviceSelectionNamed(table.facts.device);
    const Pic18Part* part =
        named && named->rule == DeviceRule::kPart && named->part != nullptr ? named->part : chosen;
    if (part == nullptr) {
        return;
    }
    table.regions = PartRegions(*part);
    PlaceParts(table.regions, table.parts);
}

SizeTable RegionView(SizeTable table, const std::string& fileName) {
    if (table.regions.empty()) {
        throw MapError(fileName, 0,
                       "no memory regions: the map neither gives the ranges of its memory nor "
                       "names a PIC18 part the table of parts knows; choose the part it was "
                       "linked for as the device (--device NAME, or the Device menu)");
    }
    table.view = MapView::kRegions;
    table.facts.checks.push_back(CheckRegions(table));
    return table;
}
