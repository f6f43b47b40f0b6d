#include "layout/status_text.h"

#include <gtest/gtest.h>

#include <string>

#include "readers/map_reader.h"
#include "test_support.h"

namespace {

SizeTable Count(const std::string& map, SectionRule rule) {
    return CountMap(ReadFile(kExamples + "/" + map), map, rule, true);
}

SizeTable Count(const std::string& map, SectionRule rule, MapView view) {
    return CountMap(ReadFile(kExamples + "/" + map), map, rule, true, view);
}

TEST(StatusText, SaysTheRuleTheDeviceAndWhatTheChecksFoundInParts) {
    const DeviceProfile big = ProfileOf(kDefaultDevice, {});
    const SizeTable all = Count("blinky.map", SectionRule::kAll);
    StatusParts parts = StatusPartsOf(all, big, nullptr);
    EXPECT_EQ(parts.rule, "All sections");
    EXPECT_EQ(parts.device, "18F4680 (ROM 65536, RAM 3328 bytes)");
    EXPECT_EQ(parts.checks,
              "agrees with the map's TOTAL section and the map's used address ranges");
    EXPECT_FALSE(parts.disagrees);
    EXPECT_EQ(parts.notes, "");
    EXPECT_EQ(StatusText(parts),
              "All sections, 18F4680 (ROM 65536, RAM 3328 bytes): agrees with the map's TOTAL "
              "section and the map's used address ranges");

    const SizeTable listed = Count("blinky.map", SectionRule::kListed);
    parts = StatusPartsOf(listed, ProfileOf(MapDevice(), listed.facts), &all);
    EXPECT_EQ(parts.checks, "");
    EXPECT_EQ(StatusText(parts),
              "Listed sections, 18F4680 (ROM 65536, RAM 3327 bytes); the listed names found ROM "
              "586 of 572 and RAM 10 of 14 bytes that the TOTAL section lists");

    SizeTable disagreeing = Count("blinky.map", SectionRule::kAll);
    disagreeing.facts.checks[1].agrees = false;
    disagreeing.facts.checks[1].map.rom = 600;
    disagreeing.facts.checks[0].possible = false;
    disagreeing.facts.checks[0].reason = "the map has no TOTAL section";
    parts = StatusPartsOf(disagreeing, DeviceProfile{}, nullptr, "View > Source Files: 2 files");
    EXPECT_TRUE(parts.disagrees);
    EXPECT_EQ(parts.checks,
              "TOTAL section not possible: the map has no TOTAL section; disagrees with the map's "
              "used address ranges: ROM 600, RAM 14 there, ROM 572, RAM 14 here");
    EXPECT_EQ(parts.notes, "View > Source Files: 2 files");
    EXPECT_EQ(StatusText(parts), "All sections, device not named in the map (no capacities); " +
                                     parts.checks + "; View > Source Files: 2 files");

    // A check that could not be made is no disagreement.
    disagreeing.facts.checks[1].agrees = true;
    EXPECT_FALSE(StatusPartsOf(disagreeing, DeviceProfile{}, nullptr).disagrees);
}

TEST(StatusText, NamesTheSourceFilesWhenTheyAreMoreThanTheRowsShown) {
    // The newest compiler generation puts the whole program in one object file.
    const SizeTable objects = Count("kiln-controller.map", SectionRule::kAll, MapView::kObjects);
    const SizeTable modules = Count("kiln-controller.map", SectionRule::kAll, MapView::kModules);
    ASSERT_LT(ShownRowCount(objects), ShownRowCount(modules));
    EXPECT_EQ(SourceFilesHint("Source Files", ShownRowCount(modules), ShownRowCount(objects)),
              "View > Source Files: " + std::to_string(ShownRowCount(modules)) + " source files");
    EXPECT_EQ(SourceFilesHint("Source Files", 1, 0), "View > Source Files: 1 source file");
    EXPECT_EQ(SourceFilesHint("Source Files", 3, 3), "");
    EXPECT_EQ(SourceFilesHint("Source Files", 2, 3), "");
}

TEST(StatusText, TwoMapsComparedSayWhatBothMapsFiguresSayAndTheChange) {
    const DeviceProfile big = ProfileOf(kDefaultDevice, {});
    const SizeTable older = Count("blinky.map", SectionRule::kAll);
    const SizeTable newer = Count("blinky-v2.map", SectionRule::kAll);
    StatusParts parts = ComparisonStatusPartsOf(older, newer, SectionRule::kAll, big,
                                                "ROM +504, RAM +27, other 0 bytes", "blinky.map");
    EXPECT_EQ(parts.rule, "All sections");
    EXPECT_EQ(parts.checks,
              "both maps agree with the map's TOTAL section and the map's used address ranges");
    EXPECT_FALSE(parts.disagrees);
    EXPECT_EQ(parts.notes, "ROM +504, RAM +27, other 0 bytes since blinky.map");
    EXPECT_EQ(StatusText(parts), "All sections, 18F4680 (ROM 65536, RAM 3328 bytes): " +
                                     parts.checks + "; " + parts.notes);

    SizeTable disagreeing = Count("blinky-v2.map", SectionRule::kAll);
    disagreeing.facts.checks[0].agrees = false;
    parts = ComparisonStatusPartsOf(older, disagreeing, SectionRule::kAll, big, "", "blinky.map");
    EXPECT_TRUE(parts.disagrees);
    EXPECT_EQ(parts.checks.rfind("old map agrees with the map's TOTAL section", 0), 0u)
        << parts.checks;
    EXPECT_NE(parts.checks.find("; new map agrees with the map's used address ranges; "
                                "disagrees with the map's TOTAL section"),
              std::string::npos)
        << parts.checks;
    EXPECT_EQ(parts.notes, "");
}

// A map cut short says so in the status bar, where the checks that could be made agree.
TEST(StatusText, SaysThatAMapWasCutShort) {
    const std::string whole = ReadFile(kExamples + "/mplink-c18-data-logger.map");
    const std::string cut =
        whole.substr(0, whole.rfind('\n', whole.find("Symbols - Sorted by Address")) + 1);
    const SizeTable table = CountMap(cut, "cut.map", SectionRule::kAll, true);
    const std::string status =
        StatusText(StatusPartsOf(table, ProfileOf(kDefaultDevice, {}), nullptr));
    EXPECT_NE(status.find("; the map ends at line 88, inside its Symbols - Sorted by Name, before "
                          "its symbols sorted by address: the map was cut short and the report "
                          "may be incomplete"),
              std::string::npos)
        << status;
}

}  // namespace
