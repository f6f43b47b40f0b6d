#include "layout/device_menu.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace {

std::vector<std::string> NamesOf(const std::vector<const Pic18Part*>& parts) {
    std::vector<std::string> names;
    for (const Pic18Part* part : parts) {
        names.emplace_back(part->name);
    }
    return names;
}

TEST(DeviceMenu, TypedTextFiltersThePartsInAnyCaseWithOrWithoutPic) {
    EXPECT_EQ(PartsMatching("").size(), AllPic18Parts().size());
    EXPECT_EQ(PartsMatching("   ").size(), AllPic18Parts().size());
    for (const char* typed : {"46k22", "46K22", " PIC18F46K22 ", "pic18f46k22"}) {
        SCOPED_TRACE(typed);
        const std::vector<std::string> names = NamesOf(PartsMatching(typed));
        ASSERT_FALSE(names.empty());
        for (const std::string& name : names) {
            EXPECT_NE(name.find("46K22"), std::string::npos) << name;
        }
        EXPECT_NE(std::find(names.begin(), names.end(), "18F46K22"), names.end());
    }
    EXPECT_TRUE(PartsMatching("18F9999").empty());
    EXPECT_TRUE(PartsMatching("PIC").size() == AllPic18Parts().size());  // "PIC" alone is no name
}

TEST(DeviceMenu, EnterTakesThePartOfTheNameTypedElseTheFirst) {
    const std::vector<const Pic18Part*> parts = PartsMatching("F45");
    ASSERT_GT(parts.size(), 2u);
    const int exact = PartForEnter(parts, "pic18f458");
    ASSERT_GE(exact, 0);
    EXPECT_EQ(parts[static_cast<size_t>(exact)]->name, "18F458");
    EXPECT_EQ(PartForEnter(parts, "F45"), 0);
    EXPECT_EQ(PartForEnter({}, "F45"), -1);
}

TEST(DeviceMenu, ADeviceChecksItsMenuItemAndIsKeptUnderItsName) {
    const struct {
        DeviceSelection device;
        size_t item;
        const char* kept;
    } cases[] = {
        {DeviceSelection(&kDeviceChoices[0]), 0, "18F4680"},
        {DeviceSelection(&kDeviceChoices[1]), 1, "18F458"},
        {DeviceSelection(&kDeviceChoices[2]), 2, "map"},
        {*DeviceSelectionNamed("18f458"), 1, "18F458"},  // a part that is a menu item
        {*DeviceSelectionNamed("PIC18F46K22"), kDeviceChoices.size(), "18F46K22"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kept);
        EXPECT_EQ(ChoiceItemOf(c.device), c.item);
        EXPECT_EQ(DeviceSettingName(c.device), c.kept);
        const std::optional<DeviceSelection> back = DeviceFromSetting(c.kept);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->rule, c.device.rule);
        EXPECT_EQ(back->name, c.device.name);
        EXPECT_EQ(back->part, c.device.part);
    }
    // What the window does not offer, or what is no device, is read back as nothing.
    for (const char* kept : {"auto", "", "18F9999", "MAP", "18F4680\n"}) {
        SCOPED_TRACE(kept);
        EXPECT_FALSE(DeviceFromSetting(kept).has_value());
    }
}

}  // namespace
