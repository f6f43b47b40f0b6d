#include "readers/hlink/tally_checks.h"

#include <string>

#include "readers/hlink/section_classes.h"

MapCheck TotalSectionCheck(const std::string& reason, const MemoryTotals& map,
                           const MemoryTotals& report) {
    MapCheck check;
    check.label = "TOTAL section";
    check.field = "total_section";
    check.source = "the map's TOTAL section";
    check.report = report;
    if (!reason.empty()) {
        check.reason = reason;
        return check;
    }
    check.map = map;
    check.possible = true;
    check.agrees = map == report;
    return check;
}

MapCheck CheckOccupancy(const MapListing& listing, const MemoryTotals& report) {
    MapCheck check;
    check.label = "Occupancy";
    check.field = "occupancy";
    check.source = "the map's used address ranges";
    check.withOther = false;
    check.report = report;
    const MemorySets ranges = SetsOfClasses(listing.classRanges);
    if (ranges.program.Empty() && ranges.data.Empty()) {
        check.reason = "the map has no -A class ranges for program or data memory";
        return check;
    }
    if (!listing.hasUnusedSection) {
        check.reason = "the map has no UNUSED ADDRESS RANGES";
        return check;
    }
    const MemorySets unused = SetsOfClasses(listing.unusedRanges);
    check.possible = true;
    check.map.rom = static_cast<std::int64_t>(ranges.program.Minus(unused.program).Size());
    check.map.ram = static_cast<std::int64_t>(ranges.data.Minus(unused.data).Size());
    check.agrees = check.map.rom == report.rom && check.map.ram == report.ram;
    return check;
}

MapCheck CutShortCheck(long lastLine) {
    MapCheck check;
    check.label = "Complete map";
    check.field = "complete_map";
    check.possible = true;
    check.agrees = false;
    check.hasFigures = false;
    check.detail = "the section table runs to the end of the file (line " +
                   std::to_string(lastLine) +
                   ") without COMMON or TOTAL: the map was cut short and the report may be "
                   "incomplete";
    return check;
}
