#include "layout/region_rows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "readers/map_reader.h"
#include "report/region_report.h"
#include "test_support.h"

namespace {

MemoryRegion Region(const std::string& name, MemoryKind memory, std::int64_t size,
                    std::int64_t free) {
    MemoryRegion region;
    region.name = name;
    region.memory = memory;
    region.size = size;
    region.free = free;
    region.used = size - free;
    return region;
}

std::vector<MemoryRegion> RegionsOf(const std::string& map) {
    return CountMap(ReadFile(kExamples + "/" + map), map, SectionRule::kAll, true,
                    MapView::kRegions)
        .regions;
}

TEST(RegionRows, NearlyFullIsLessThanATenthFreeOfProgramOrDataMemory) {
    const struct {
        MemoryRegion region;
        bool nearlyFull;
    } cases[] = {
        {Region("gpr1", MemoryKind::kRam, 100, 9), true},
        {Region("gpr1", MemoryKind::kRam, 100, 10), false},
        {Region("page", MemoryKind::kRom, 32768, 3276), true},
        {Region("page", MemoryKind::kRom, 32768, 3277), false},
        {Region("gpr2", MemoryKind::kRam, 256, 0), true},
        {Region("empty", MemoryKind::kRam, 0, 0), false},
        {Region("config", MemoryKind::kOther, 14, 0), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.region.name + " free " + std::to_string(c.region.free));
        EXPECT_EQ(IsNearlyFull(c.region), c.nearlyFull);
    }
}

// Row for row as the region report lists them: in the data logger only gpr2 (256 of 256 used);
// the IDLOC and CONFIG regions used whole are not marked.
TEST(RegionRows, MarksTheRowsOfTheNearlyFullRegionsOfRealMaps) {
    for (const char* map : {"mplink-c18-data-logger.map", "common-and-absolute-ram.map"}) {
        SCOPED_TRACE(map);
        const std::vector<MemoryRegion> regions = RegionsOf(map);
        ReportTable report;
        ForEachRegionRow(regions, [&](TableRow& row) { report.rows.push_back(row); });
        const std::vector<bool> rows = NearlyFullRows(regions, false);
        ASSERT_EQ(rows.size(), regions.size());
        std::vector<std::string> marked;
        for (std::size_t row = 0; row < rows.size(); ++row) {
            if (rows[row]) {
                marked.push_back(report.rows[row].cells[0]);
            }
        }
        const bool logger = std::string(map) == "mplink-c18-data-logger.map";
        EXPECT_EQ(marked, logger ? std::vector<std::string>{"gpr2"} : std::vector<std::string>{});
        EXPECT_EQ(NearlyFullNote(rows), logger ? "1 region nearly full (under 10% free)" : "");
    }
    EXPECT_EQ(NearlyFullNote({true, false, true}), "2 regions nearly full (under 10% free)");
}

// A comparison has one row per name: a second region of a name takes no flag of its own.
TEST(RegionRows, ComparisonFlagsOneRowPerRegionName) {
    const std::vector<MemoryRegion> regions = {Region("gpr0", MemoryKind::kRam, 256, 200),
                                               Region("gpr0", MemoryKind::kRam, 256, 0),
                                               Region("gpr1", MemoryKind::kRam, 256, 0)};
    EXPECT_EQ(NearlyFullRows(regions, true), (std::vector<bool>{false, true}));
    EXPECT_EQ(NearlyFullRows(regions, false), (std::vector<bool>{false, true, true}));
}

TEST(RegionRows, UseChangeComesFromTheComparisonsTotalRows) {
    std::vector<MemoryRegion> older = RegionsOf("blinky.map");
    const std::vector<MemoryRegion> newer = RegionsOf("blinky-v2.map");
    ReportTable report;
    report.columns = RegionDiffColumns();
    ForEachRegionDiffRow(older, newer, [&](TableRow& row) { report.rows.push_back(row); });
    // blinky-v2 uses 1076 bytes of program memory and 41 of data memory, blinky 572 and 14.
    EXPECT_EQ(RegionUseChangeText(report), "used: program memory 504, data memory 27 bytes");
    report.columns = RegionColumns();
    EXPECT_EQ(RegionUseChangeText(report), "");
}

}  // namespace
