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

}  // namespace
