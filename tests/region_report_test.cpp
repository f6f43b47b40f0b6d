// tallyfold-report --by region: the regions in every format, compared by name, with the budgets
// of the complete tally.

#include "report/region_report.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

const std::string kKiln = kExamples + "/kiln-controller.map";

TEST(RegionReport, MatchesTheGoldenReports) {
    ExpectGoldenRuns(
        {"--by", "region"},
        {{{"@kiln-controller.map"}, "kiln-controller.by-region.table"},
         {{"--format", "markdown", "@mplink-c18-data-logger.map"},
          "mplink-c18-data-logger.by-region.md"},
         {{"--diff", "@blinky.map", "@blinky-v2.map"}, "blinky.by-region-diff.table"}});
}

// Addresses are numbers for scripts, and "total" holds program and data memory.
TEST(RegionReport, JsonGivesAddressesAsNumbersAndATotalPerMemory) {
    const Result json = RunReport({"--by", "region", "--format", "json", kKiln});
    EXPECT_EQ(json.status, kExitSuccess);
    EXPECT_NE(json.out.find("    {\"region\": \"BANK0\", \"start\": 96, \"end\": 255, \"size\": "
                            "160, \"used\": 106, \"free\": 54, \"largest_free\": 54, "
                            "\"used_percent\": \"66.2500\"},\n"),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("  \"total\": {\"program\": {\"size\": 131072, \"used\": 1650, "
                            "\"free\": 129422, \"largest_free\": 129320, \"used_percent\": "
                            "\"1.2589\"}, \"data\": {\"size\": 767, "),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"regions\": {\"detail\": \"8 regions, each used as much as the "
                            "sections in it\", \"agrees\": true}"),
              std::string::npos);
}

// The budgets are of the complete tally's total, as in every view: 336 bytes of RAM are 9.3776 %
// of the map's 3583.
TEST(RegionReport, BudgetsStayThoseOfTheWholeTally) {
    const Result over = RunReport(
        {"--by", "region", "--device", "map", "--max-ram", "9.3775", "--max-rom", "1650B", kKiln});
    EXPECT_EQ(over.status, kExitBudgetExceeded);
    EXPECT_EQ(over.err, "tallyfold-report: RAM 9.3776% exceeds budget 9.3775%\n");
    const Result diff = RunReport({"--by", "region", "--device", "map", "--max-ram", "336B",
                                   "--max-rom", "1649B", "--diff", kKiln, kKiln});
    EXPECT_EQ(diff.status, kExitBudgetExceeded);
    EXPECT_EQ(diff.err, "tallyfold-report: ROM 1650 bytes exceeds budget 1649 bytes\n");
}

// A map of the MPLINK family has the regions of the part it names; one that names none takes
// the part chosen by name, and without one there are no regions to show.
TEST(RegionReport, TakesThePartChosenForAMapThatNamesNone) {
    const std::string irrigation = kExamples + "/mplink-mpasm-irrigation.map";
    const Result none = RunReport({"--by", "region", irrigation});
    EXPECT_EQ(none.status, kExitUsageOrMapError);
    EXPECT_EQ(none.out, "");
    EXPECT_NE(none.err.find("no memory regions"), std::string::npos) << none.err;
    const Result chosen =
        RunReport({"--by", "region", "--device", "18F4520", "--format", "tsv", irrigation});
    EXPECT_EQ(chosen.status, kExitSuccess) << chosen.err;
    EXPECT_EQ(chosen.out.rfind("page\t0x000000\t0x007FFF\t32768\t", 0), 0u) << chosen.out;
    // The listed names place nothing.
    EXPECT_EQ(RunReport({"--by", "region", "--sections", "listed", kKiln}).status,
              kExitUsageOrMapError);
}

TEST(RegionReport, ComparesRegionsByNameInTheNewMapsOrder) {
    MemoryRegion bank0 = MakeRegion("BANK0", MemoryKind::kRam, {{0x60, 0x100, 0}});
    MemoryRegion bank1 = MakeRegion("BANK1", MemoryKind::kRam, {{0x100, 0x200, 0}});
    MemoryRegion code = MakeRegion("CODE", MemoryKind::kRom, {{0, 0x8000, 0}});
    std::vector<MemoryRegion> before = {code, bank0};
    std::vector<MemoryRegion> after = {code, bank1, bank0};
    PlaceParts(before, {{0, "a", MemoryKind::kRam, 0x60, 0x10}});
    PlaceParts(after, {{0, "a", MemoryKind::kRam, 0x60, 0x10}});
    std::vector<std::string> lines;
    ForEachRegionDiffRow(before, after, [&](TableRow& row) {
        std::string line;
        for (const std::string& cell : row.cells) {
            line += cell + "|";
        }
        lines.push_back(line);
    });
    const std::vector<std::string> expected = {
        "CODE|unchanged|32768|32768|0|0|0|32768|32768|0|32768|32768|0|0.0000|",
        "BANK0|unchanged|160|160|16|16|0|144|144|0|144|144|0|10.0000|",
        "BANK1|added|0|256|0|0|0|0|256|256|0|256|256|0.0000|",
        "||||||||||||||",
        "-- Program memory --||32768|32768|0|0|0|32768|32768|0|32768|32768|0|0.0000|",
        "-- Data memory --||160|416|16|16|0|144|400|256|144|256|112|3.8462|",
    };
    EXPECT_EQ(lines, expected);
}

}  // namespace
