#include "layout/status_text.h"

#include <gtest/gtest.h>

#include <string>

#include "readers/map_reader.h"
#include "test_support.h"

namespace {

SizeTable Count(const std::string& map, SectionRule rule) {
    return CountMap(ReadFile(kExamples + "/" + map), map, rule, true);
}

TEST(StatusText, SaysTheRuleTheDeviceAndWhatTheChecksFound) {
    const DeviceProfile big = ProfileOf(kDefaultDevice, {});
    const SizeTable all = Count("blinky.map", SectionRule::kAll);
    EXPECT_EQ(StatusText(all, big, nullptr),
              "All sections, 18F4680 (ROM 65536, RAM 3328 bytes): agrees with the map's TOTAL "
              "section and the map's used address ranges; 14 bytes in neither memory (Other)");

    const SizeTable listed = Count("blinky.map", SectionRule::kListed);
    EXPECT_EQ(StatusText(listed, ProfileOf(MapDevice(), listed.facts), &all),
              "Listed sections, 18F4680 (ROM 65536, RAM 3327 bytes); the listed names found ROM "
              "586 of 572 and RAM 10 of 14 bytes that the TOTAL section lists");

    SizeTable disagreeing = Count("blinky.map", SectionRule::kAll);
    disagreeing.facts.checks[1].agrees = false;
    disagreeing.facts.checks[1].map.rom = 600;
    disagreeing.facts.checks[0].possible = false;
    disagreeing.facts.checks[0].reason = "the map has no TOTAL section";
    EXPECT_EQ(StatusText(disagreeing, DeviceProfile{}, nullptr),
              "All sections, device not named in the map (no capacities); TOTAL section not "
              "possible: the map has no TOTAL section; disagrees with the map's used address "
              "ranges: ROM 600, RAM 14 there, ROM 572, RAM 14 here; 14 bytes in neither memory "
              "(Other)");
}

// A map cut short says so in the status bar, where the checks that could be made agree.
TEST(StatusText, SaysThatAMapWasCutShort) {
    const std::string whole = ReadFile(kExamples + "/mplink-c18-data-logger.map");
    const std::string cut =
        whole.substr(0, whole.rfind('\n', whole.find("Symbols - Sorted by Address")) + 1);
    const SizeTable table = CountMap(cut, "cut.map", SectionRule::kAll, true);
    const std::string status = StatusText(table, ProfileOf(kDefaultDevice, {}), nullptr);
    EXPECT_NE(status.find("; the map ends at line 88, inside its Symbols - Sorted by Name, before "
                          "its symbols sorted by address: the map was cut short and the report "
                          "may be incomplete"),
              std::string::npos)
        << status;
}

}  // namespace
