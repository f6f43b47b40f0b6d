#include "core/device_profile.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <optional>
#include <string>

#include "test_support.h"

namespace {

MapFacts Facts(const std::string& device, std::int64_t rom = 0, std::int64_t ram = 0) {
    MapFacts facts;
    facts.device = device;
    facts.hasCapacity = rom > 0 || ram > 0;
    facts.romCapacity = rom;
    facts.ramCapacity = ram;
    return facts;
}

DeviceSelection Named(const std::string& name) {
    const std::optional<DeviceSelection> selection = DeviceSelectionNamed(name);
    EXPECT_TRUE(selection) << name;
    return selection.value_or(DeviceSelection());
}

// Every rule against every kind of map: one that names a part of the table, a part newer than
// the table (with its own ranges), a part neither knows, an 18LF part the table lacks, and none.
TEST(ResolveDevice, TakesThePartAndItsCapacitiesFromWhereTheRuleSays) {
    const DeviceNamedBy kChosen = DeviceNamedBy::kChoice;
    const DeviceNamedBy kByMap = DeviceNamedBy::kMap;
    const CapacitySource kTable = CapacitySource::kPartTable;
    const CapacitySource kRanges = CapacitySource::kMapRanges;
    const CapacitySource kNone = CapacitySource::kNone;
    const struct {
        const char* what;
        DeviceSelection selection;
        MapFacts facts;
        std::string name;
        std::int64_t rom, ram;
        DeviceNamedBy namedBy;
        CapacitySource capacities;
        bool note;
    } cases[] = {
        {"auto, a part of the table", Named("auto"), Facts("18F46K22"), "18F46K22", 65536, 3896,
         kByMap, kTable, false},
        {"auto prefers the table to the map's ranges", Named("auto"),
         Facts("18F8722", 131072, 3800), "18F8722", 131072, 3936, kByMap, kTable, false},
        {"auto, a part newer than the table", Named("auto"), Facts("18F57K42", 131072, 8191),
         "18F57K42", 131072, 8191, kByMap, kRanges, false},
        {"auto, a part nothing knows", Named("auto"), Facts("16F84A"), "16F84A", 0, 0, kByMap,
         kNone, true},
        {"auto, an 18LF part by its twin", Named("auto"), Facts("18LF4550"), "18LF4550", 32768,
         2048, kByMap, kTable, true},
        {"auto, no part named", Named("auto"), Facts("", 4096, 512), "18F4680", 65536, 3328,
         DeviceNamedBy::kDefault, kTable, false},
        {"map, the map's ranges", Named("map"), Facts("18F46K22", 1000, 100), "18F46K22", 1000, 100,
         kByMap, kRanges, false},
        {"map without ranges: the table", Named("map"), Facts("18F8722"), "18F8722", 131072, 3936,
         kByMap, kTable, false},
        {"map, a part nothing knows", Named("map"), Facts("16F84A"), "16F84A", 0, 0, kByMap, kNone,
         true},
        {"map, ranges but no name", Named("map"), Facts("", 4096, 512), "", 4096, 512,
         DeviceNamedBy::kNobody, kRanges, false},
        {"map, nothing", Named("map"), Facts(""), "", 0, 0, DeviceNamedBy::kNobody, kNone, false},
        {"a name, whatever the map says", Named("pic18f2550"), Facts("18F46K22", 1000, 100),
         "18F2550", 32768, 2048, kChosen, kTable, false},
        {"an 18LF name the table lacks", Named("PIC18LF4550"), Facts(""), "18LF4550", 32768, 2048,
         kChosen, kTable, true},
        {"an 18LF name the table has", Named("18lf46k22"), Facts(""), "18LF46K22", 65536, 3896,
         kChosen, kTable, false},
        {"a Device menu item", &kDeviceChoices[1], Facts("18F46K22"), "18F458", 32768, 1536,
         kChosen, kTable, false},
        {"the From Map item", &MapDevice(), Facts("18F26K42", 65536, 4096), "18F26K42", 65536, 4096,
         kByMap, kRanges, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const DeviceProfile device = ResolveDevice(c.selection, c.facts);
        EXPECT_EQ(device.name, c.name);
        EXPECT_EQ(device.romCapacity, c.rom);
        EXPECT_EQ(device.ramCapacity, c.ram);
        EXPECT_EQ(device.namedBy, c.namedBy);
        EXPECT_EQ(device.capacities, c.capacities);
        EXPECT_EQ(!device.note.empty(), c.note) << device.note;
    }
    EXPECT_EQ(ResolveDevice(Named("18LF4550"), {}).note,
              "the table has no 18LF4550: these are the figures of the 18F4550, which has the "
              "same memory");
    EXPECT_EQ(ResolveDevice(Named("auto"), Facts("16F84A")).note,
              "the table of PIC18 parts has no 16F84A, and the map gives no memory ranges");
}

TEST(DeviceSelectionNamed, KnowsTheRulesByNameAndEveryPartInAnyCase) {
    EXPECT_EQ(Named("auto").rule, DeviceRule::kAuto);
    EXPECT_EQ(Named("map").rule, DeviceRule::kMap);
    for (const Pic18Part& part : AllPic18Parts()) {
        const std::string name(part.name);
        std::string lower = "pic" + name;
        for (char& c : lower) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        for (const std::string& spelling : {name, "PIC" + name, lower}) {
            const std::optional<DeviceSelection> selection = DeviceSelectionNamed(spelling);
            ASSERT_TRUE(selection) << spelling;
            EXPECT_EQ(selection->part, &part) << spelling;
            EXPECT_EQ(selection->name, name) << spelling;
        }
    }
    for (const char* name : {"", "Auto", "MAP", "PIC", "18LF", "18F46K23", "18LF46K23", "16F84A",
                             "18F4680 ", "PIC PIC18F4680"}) {
        EXPECT_FALSE(DeviceSelectionNamed(name)) << name;
    }
}

}  // namespace
