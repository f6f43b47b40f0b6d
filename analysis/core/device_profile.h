#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/size_table.h"

// The device the percentages are of: its name and its memory capacities in bytes. A capacity of
// 0 means unknown (its percentages read "n/a").
struct DeviceProfile {
    std::string name;
    std::int64_t romCapacity = 0;
    std::int64_t ramCapacity = 0;
};

// The devices a report can be made for, in the order the usage text and the Device menu show
// them. "map" stands for the capacities and the name that the map itself gives.
struct DeviceChoice {
    std::string_view name;  // the option's value and the menu's text: "18F4680"
    std::int64_t romCapacity;
    std::int64_t ramCapacity;
    bool fromMap;
    std::string_view description;  // for the usage text
};

inline constexpr std::array<DeviceChoice, 3> kDeviceChoices = {{
    {"18F4680", 65536, 3328, false, "PIC18F4680: 65536 bytes of ROM, 3328 bytes of RAM"},
    {"18F458", 32768, 1536, false, "PIC18F458: 32768 bytes of ROM, 1536 bytes of RAM"},
    {"map", 0, 0, true, "the device and capacities the map itself gives"},
}};

inline constexpr const DeviceChoice& kDefaultDevice = kDeviceChoices[0];

// The profile of a choice; for "map", the map's own device name and capacities (0 where it gives
// none).
DeviceProfile ProfileOf(const DeviceChoice& choice, const MapFacts& facts);
