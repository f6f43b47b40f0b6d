#include "readers/hlink/tally_checks.h"

#include <string>
#include <utility>

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

MapCheck CutShortCheck(std::string detail) {
    MapCheck check;
    check.label = "Complete map";
    check.field = "complete_map";
    check.possible = true;
    check.agrees = false;
    check.hasFigures = false;
    check.detail = std::move(detail);
    return check;
}

std::string TableToTheEndText(long lastLine) {
    return "the section table runs to the end of the file (line " + std::to_string(lastLine) +
           ") without COMMON or TOTAL: the map was cut short and the report may be incomplete";
}

std::string EndsAfterHeaderText(long lastLine) {
    return "the map ends at line " + std::to_string(lastLine) +
           ", after the linker's header and before its section table: it was cut short and the "
           "report may be incomplete";
}

std::string EndsAfterHeaderError() {
    return "the map ends here, after the linker's header and before its section table ('Name "
           "Link Load Length Selector Space'): it was cut short, and there is nothing to count";
}

MapCheck SecondMapCheck(long line, bool table) {
    MapCheck check = CutShortCheck("");
    check.label = "One map";
    check.field = "one_map";
    check.detail =
        std::string(table ? "a second section table starts" : "the linker's header comes again") +
        " at line " + std::to_string(line) +
        ": the file holds two maps, or one written twice, and the report is of what "
        "comes before";
    return check;
}
