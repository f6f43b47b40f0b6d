#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report_command.h"
#include "test_support.h"

namespace {

// Runs the report on map text given on standard input.
Result RunOnText(std::vector<std::string> args, const std::string& text) {
    args.push_back("-");
    return RunWithInput(args, text);
}

constexpr const char* kDisagreeingMap =
    "-ACODE=00h-0FFh -ARAM=060h-0FFh\n"
    "Machine type is 18F458\n"
    "\t\tName          Link     Load   Length Selector Space Scale\n"
    "a.obj\ttext 0 0 12 0 0\n"
    "\t\tbss 60 60 4 60 1\n"
    "TOTAL\tName Link Load Length Space\n"
    "\tCLASS CODE\n"
    "\t\ttext 0 0 10 0\n"
    "\tCLASS RAM\n"
    "\t\tbss 60 60 4 1\n"
    "UNUSED ADDRESS RANGES\n"
    "\tCODE 010-0FF\n"
    "\tRAM  064-0FF\n";

// The reports of every generation's example map by every section, in every format and as
// changes, with the other column.
TEST(SectionsAll, MatchesTheGoldenReportsOfEveryGeneration) {
    std::vector<GoldenRun> runs;
    for (const char* map :
         {"overlaid-temp-and-common", "common-and-absolute-ram", "short-names-and-bits",
          "dot-o-objects-config-idloc", "spaces-crlf-tabs", "blinky", "blinky-v2",
          "late-generation", "weather-station", "odd-names"}) {
        runs.push_back({{"--device", "map", "@" + std::string(map) + ".map"},
                        std::string(map) + ".sections-all.table"});
    }
    runs.insert(
        runs.end(),
        {
            {{"--format=tsv", "@dot-o-objects-config-idloc.map"},
             "dot-o-objects-config-idloc.sections-all.tsv"},
            {{"--sort", "ram", "@overlaid-temp-and-common.map"},
             "overlaid-temp-and-common.sections-all-ram.table"},
            {{"--format", "json", "--device", "map", "@common-and-absolute-ram.map"},
             "common-and-absolute-ram.sections-all.json"},
            {{"--format", "csv", "@spaces-crlf-tabs.map"}, "spaces-crlf-tabs.sections-all.csv"},
            {{"--format", "markdown", "@short-names-and-bits.map"},
             "short-names-and-bits.sections-all.md"},
            {{"--diff", "@overlaid-temp-and-common.map", "@spaces-crlf-tabs.map"},
             "sections-all-diff.table"},
            {{"--diff", "--format", "json", "@dot-o-objects-config-idloc.map",
              "@short-names-and-bits.map"},
             "sections-all-diff.json"},
            {{"--diff", "@blinky.map", "@blinky-v2.map"}, "blinky.sections-all-diff.table"},
            {{"--format", "json", "--device", "18F458", "@weather-station.map"},
             "weather-station.sections-all.json"},
        });
    ExpectGoldenRuns({"--sections", "all"}, runs);
}

TEST(SectionsAll, ADisagreementWinsOverABudgetAndBothAreNamed) {
    const Result result = RunOnText({"--sections", "all", "--max-rom", "0.01"}, kDisagreeingMap);
    EXPECT_EQ(result.status, kExitDisagreement);
    EXPECT_NE(result.err.find("tallyfold-report: warning: <stdin>: the report disagrees"),
              std::string::npos);
    EXPECT_NE(result.err.find("tallyfold-report: ROM 0.0549% exceeds budget 0.01%"),
              std::string::npos)
        << result.err;
    const Result budgetOnly = RunReport(
        {"--sections", "all", "--max-rom", "1", kExamples + "/overlaid-temp-and-common.map"});
    EXPECT_EQ(budgetOnly.status, kExitBudgetExceeded);
}

TEST(SectionsAll, DiffChecksBothMaps) {
    const Result result = RunOnText(
        {"--sections", "all", "--diff", kExamples + "/spaces-crlf-tabs.map"}, kDisagreeingMap);
    EXPECT_EQ(result.status, kExitDisagreement);
    EXPECT_NE(result.out.find("\nOld TOTAL section: ROM 1632 RAM 24 other 0: agrees\n"
                              "Old Occupancy: ROM 1632 RAM 24: agrees\n"
                              "New TOTAL section: ROM 16 RAM 4 other 0: disagrees"),
              std::string::npos)
        << result.out;
    EXPECT_EQ(result.err.find("spaces-crlf-tabs.map"), std::string::npos);
    EXPECT_NE(result.err.find("<stdin>: the report disagrees"), std::string::npos);
}

// A map added to examples/ must agree with itself too: each is a map a linker could have written
// (an excerpt without class totals is counted by the listed names and has nothing to agree with).
TEST(SectionsAll, EveryExampleMapAgreesOnBothChecks) {
    const std::vector<ExampleMap> maps = TalliedExampleMaps();
    EXPECT_GE(maps.size(), 10u);
    for (const ExampleMap& map : maps) {
        SCOPED_TRACE(map.name);
        const Result result = RunReport({"--sections", "all", kExamples + "/" + map.name});
        EXPECT_EQ(result.status, kExitSuccess);
        EXPECT_EQ(result.err, "");
        const std::size_t checks = result.out.rfind("\n\nTOTAL section: ");
        ASSERT_NE(checks, std::string::npos);
        const std::string lines = result.out.substr(checks + 2);
        const std::size_t occupancy = lines.find("\nOccupancy: ");
        ASSERT_NE(occupancy, std::string::npos);
        EXPECT_EQ(lines.substr(occupancy - 8, 9), ": agrees\n") << lines;
        EXPECT_EQ(lines.substr(lines.size() - 9), ": agrees\n") << lines;
    }
}

// The default counts a map that has a TOTAL section, as every map a linker writes has, with
// every section, and any other map with the listed names, byte for byte as before.
TEST(SectionsAll, TheDefaultFollowsTheMap) {
    for (const char* map : {"blinky.map", "weather-station.map", "late-generation.map",
                            "overlaid-temp-and-common.map", "spaces-crlf-tabs.map",
                            "oldest-generation-excerpt.map"}) {
        const std::string path = kExamples + "/" + map;
        const std::string rule =
            ReadFile(path).find("\nTOTAL") != std::string::npos ? "all" : "listed";
        for (const char* format : {"table", "tsv", "json"}) {
            SCOPED_TRACE(std::string(map) + " " + format);
            const Result plain = RunReport({"--format", format, path});
            const Result forced = RunReport({"--sections", rule, "--format", format, path});
            EXPECT_EQ(plain.status, kExitSuccess);
            EXPECT_EQ(forced.out, plain.out);
            EXPECT_EQ(forced.err, "");
            if (std::string(format) == "json") {
                EXPECT_NE(plain.out.find("\"sections\": \"" + rule + "\""), std::string::npos);
            }
        }
    }
}

TEST(SectionsAll, ADisagreementIsShownWarnedOfAndExitsWith3) {
    const Result result = RunOnText({"--sections", "all"}, kDisagreeingMap);
    EXPECT_EQ(result.status, kExitDisagreement);
    EXPECT_EQ(result.out,
              "Device: 18F458 (named in the map; capacities from the table of PIC18 parts): ROM "
              "32768 bytes, RAM 1536 bytes\n"
              "\n"
              "Object file  ROM Size  RAM Size  Other   ROM %   RAM %\n"
              "a.obj              18         4      0  0.0549  0.2604\n"
              "\n"
              "-- Total --        18         4      0  0.0549  0.2604\n"
              "\n"
              "TOTAL section: ROM 16 RAM 4 other 0: disagrees (report: ROM 18 RAM 4 other 0)\n"
              "Occupancy: ROM 16 RAM 4: disagrees (report: ROM 18 RAM 4)\n");
    EXPECT_EQ(
        result.err,
        "tallyfold-report: warning: <stdin>: the report disagrees with the map's TOTAL section: "
        "ROM 16 RAM 4 other 0 there, ROM 18 RAM 4 other 0 in the report\n"
        "tallyfold-report: warning: <stdin>: the report disagrees with the map's used address "
        "ranges: ROM 16 RAM 4 there, ROM 18 RAM 4 in the report\n");

    const Result tsv = RunOnText({"--sections", "all", "--format", "tsv"}, kDisagreeingMap);
    EXPECT_EQ(tsv.status, kExitDisagreement);
    EXPECT_EQ(tsv.out.find("TOTAL section"), std::string::npos);  // rows only
    EXPECT_NE(tsv.err, "");
}

// A check the map gives no material for is said to be not possible, in the table and as null in
// JSON, and is no failure.
TEST(SectionsAll, AMissingCheckIsNotAFailure) {
    const std::string map =
        "\t\tName Link Load Length Selector Space\n"
        "a.obj text 0 0 10 0 0\n"
        "COMMON\n";
    const Result result = RunOnText({"--sections", "all"}, map);
    EXPECT_EQ(result.status, kExitSuccess);
    EXPECT_EQ(result.err, "");
    EXPECT_NE(result.out.find("\nTOTAL section: not possible: the map has no TOTAL section\n"
                              "Occupancy: not possible: the map has no -A class ranges for "
                              "program or data memory\n"),
              std::string::npos);
    const Result json = RunOnText({"--sections", "all", "--format", "json"}, map);
    EXPECT_EQ(json.status, kExitSuccess);
    EXPECT_NE(json.out.find(
                  "\n  \"reconciliation\": {\"total_section\": null, \"occupancy\": null}\n}\n"),
              std::string::npos);
}

TEST(SectionsAll, DeviceMapTakesCapacitiesAndNameFromTheMap) {
    const Result all = RunOnText({"--sections", "all", "--device", "map"}, kDisagreeingMap);
    EXPECT_EQ(all.out.substr(0, all.out.find('\n') + 2),
              "Device: 18F458 (named in the map; capacities from the map's own memory ranges): "
              "ROM 256 bytes, RAM 160 bytes\n\n");
    EXPECT_NE(all.out.find("a.obj              18         4      0  7.0313  2.5000\n"),
              std::string::npos);

    const Result listed = RunOnText({"--sections", "listed", "--device", "map"}, kDisagreeingMap);
    EXPECT_EQ(listed.status, kExitSuccess);
    EXPECT_EQ(listed.out,
              "Device: 18F458 (named in the map; capacities from the map's own memory ranges): "
              "ROM 256 bytes, RAM 160 bytes\n\n"
              "Object file  ROM Size  RAM Size   ROM %   RAM %\n"
              "a.obj              18         4  7.0313  2.5000\n"
              "\n"
              "-- Total --        18         4  7.0313  2.5000\n");

    const Result unnamed = RunOnText({"--device=map", "--format=tsv"},
                                     "\t\tName Link Load Length Selector Space\n"
                                     "a.obj text 0 0 10 0 0\n"
                                     "COMMON\n");
    EXPECT_EQ(unnamed.status, kExitSuccess);
    EXPECT_EQ(unnamed.out, "a.obj\t16\t0\tn/a\tn/a\n\t\t\t\t\n-- Total --\t16\t0\tn/a\tn/a\n");
}

TEST(SectionsAll, BadInputIsAMapErrorWithStatus2) {
    const Result noTable = RunOnText({"--sections", "all"}, "just text\n");
    EXPECT_EQ(noTable.status, kExitUsageOrMapError);
    EXPECT_EQ(noTable.out, "");
    EXPECT_EQ(noTable.err,
              "tallyfold-report: <stdin>: no section table (no line 'Name Link Load Length "
              "Selector Space')\n");

    const Result usage = RunReport({"--sections", "some", kExamples + "/blinky.map"});
    EXPECT_EQ(usage.status, kExitUsageOrMapError);
    EXPECT_EQ(
        usage.err,
        "tallyfold-report: unknown section rule 'some' (use auto, listed or all) (see --help)\n");
}

}  // namespace
