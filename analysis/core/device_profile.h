#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/pic18_parts.h"
#include "core/size_table.h"

// Who named the device a report is of.
enum class DeviceNamedBy : std::uint8_t {
    kChoice,   // the user, by its name or a Device menu item
    kMap,      // the map (HLINK's "Machine type", the MPLINK family's processor file)
    kDefault,  // nobody: the map names no part, so the default device stands in
    kNobody,   // nobody, and the map's own capacities were asked for: the device is unknown
};

// Where the capacities of a report's device come from.
enum class CapacitySource : std::uint8_t {
    kPartTable,  // the table of PIC18 parts
    kMapRanges,  // the map's own memory ranges (HLINK's class ranges)
    kNone,       // nowhere: the percentages read "n/a"
};

// The device the percentages are of: its name and its memory capacities in bytes, and where each
// came from. A capacity of 0 means unknown (its percentages read "n/a").
struct DeviceProfile {
    std::string name;  // empty when unknown
    std::int64_t romCapacity = 0;
    std::int64_t ramCapacity = 0;
    DeviceNamedBy namedBy = DeviceNamedBy::kChoice;
    CapacitySource capacities = CapacitySource::kNone;
    std::string note;  // why the capacities are what they are, when that needs saying
};

// The names of each source: in JSON ("device_source", "capacities_source") and in the words of
// the line that names the device, in the order of the enumerations.
template <typename Source>
struct SourceName {
    Source source;
    std::string_view field;
    std::string_view words;
};

inline constexpr std::array<SourceName<DeviceNamedBy>, 4> kDeviceNamedByNames = {{
    {DeviceNamedBy::kChoice, "chosen", "chosen"},
    {DeviceNamedBy::kMap, "map", "named in the map"},
    {DeviceNamedBy::kDefault, "default", "the default: the map names no part"},
    {DeviceNamedBy::kNobody, "none", "the map names no part"},
}};

inline constexpr std::array<SourceName<CapacitySource>, 3> kCapacitySourceNames = {{
    {CapacitySource::kPartTable, "parts-table", "capacities from the table of PIC18 parts"},
    {CapacitySource::kMapRanges, "map-ranges", "capacities from the map's own memory ranges"},
    {CapacitySource::kNone, "none", "no capacities known, so no percentages"},
}};

constexpr const SourceName<DeviceNamedBy>& NameOf(DeviceNamedBy namedBy) {
    return kDeviceNamedByNames[static_cast<std::size_t>(namedBy)];
}

constexpr const SourceName<CapacitySource>& NameOf(CapacitySource source) {
    return kCapacitySourceNames[static_cast<std::size_t>(source)];
}

// Whether each name stands at the place of its source.
template <typename Source, std::size_t kCount>
constexpr bool InSourceOrder(const std::array<SourceName<Source>, kCount>& names) {
    for (std::size_t place = 0; place < kCount; ++place) {
        if (static_cast<std::size_t>(names[place].source) != place) {
            return false;
        }
    }
    return true;
}

static_assert(InSourceOrder(kDeviceNamedByNames) && InSourceOrder(kCapacitySourceNames),
              "the sources' names are in the order of the sources");

// The devices of the window's Device menu, in its order. "map" stands for the capacities and the
// name that the map itself gives. The first is the device the window starts with, and the one a
// report is of when the map names no part.
struct DeviceChoice {
    std::string_view name;  // the menu's text and a value of --device: "18F4680"
    std::int64_t romCapacity;
    std::int64_t ramCapacity;
    bool fromMap;
};

inline constexpr std::array<DeviceChoice, 3> kDeviceChoices = {{
    {"18F4680", 65536, 3328, false},
    {"18F458", 32768, 1536, false},
    {"map", 0, 0, true},
}};

inline constexpr const DeviceChoice& kDefaultDevice = kDeviceChoices[0];

// How a report's device is chosen.
enum class DeviceRule : std::uint8_t {
    kAuto,  // the part the map names, with the table's capacities (see ResolveDevice)
    kMap,   // the part the map names, with the capacities of the map's own ranges
    kPart,  // a part of the table, by name
};

// The values --device takes, in the order the usage text lists them; the first is the default.
// "NAME" stands for the name of any part.
struct DeviceRuleChoice {
    std::string_view name;
    DeviceRule rule;
    std::string_view description;
};

inline constexpr std::array<DeviceRuleChoice, 3> kDeviceRuleChoices = {{
    {"auto", DeviceRule::kAuto,
     "the part the map names, with its capacities from the table of PIC18 parts, or from the "
     "map's own memory ranges for a part newer than the table; the 18F4680 when the map names no "
     "part"},
    {"map", DeviceRule::kMap,
     "the part the map names, with the capacities of the map's own memory ranges (the table's "
     "when the map gives none)"},
    {"NAME", DeviceRule::kPart,
     "any PIC18 part by name, such as 18F4680, 18F458, 18F46K22 or PIC18F2550; case does not "
     "matter"},
}};

static_assert(kDeviceRuleChoices[0].rule == DeviceRule::kAuto &&
                  kDeviceRuleChoices[0].description.find(kDefaultDevice.name) !=
                      std::string_view::npos,
              "auto is the default, and its description names the default device");

// What a report's device is to be: the rule, and for kPart the part.
struct DeviceSelection {
    DeviceRule rule = DeviceRule::kAuto;
    std::string name;                 // kPart: the part's name in the table's spelling
    const Pic18Part* part = nullptr;  // kPart: its figures (see DeviceSelectionNamed)

    DeviceSelection() = default;
    // An item of the Device menu: its part, or the map's own device. Implicit, so that a Device
    // menu item stands wherever a selection is taken.
    DeviceSelection(const DeviceChoice* choice);  // NOLINT(google-explicit-constructor)
};

// The selection a value of --device names: "auto", "map", or a part of the table by name, in any
// case, with or without "PIC". An 18LF part the table lacks takes the figures of its 18F twin,
// which has the same memory ("18LF4550" those of the 18F4550). nullopt for any other name.
std::optional<DeviceSelection> DeviceSelectionNamed(std::string_view name);

// The device a report of a map is of, with where its name and capacities came from:
//  - kPart: the part, with the table's capacities;
//  - kMap: the part the map names (unknown when it names none), with the capacities of the map's
//    own memory ranges when it gives them, else the table's for the part it names, else none;
//  - kAuto: the part the map names, with the table's capacities, else those of the map's own
//    ranges (a part newer than the table), else none (a part neither knows: better no
//    percentages than those of another part); kDefaultDevice when the map names no part.
DeviceProfile ResolveDevice(const DeviceSelection& selection, const MapFacts& facts);

// The profile of a Device menu item for a map.
DeviceProfile ProfileOf(const DeviceChoice& choice, const MapFacts& facts);
