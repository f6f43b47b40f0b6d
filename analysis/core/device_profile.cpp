#include "core/device_profile.h"

namespace {

// A part found by name: its name as the report gives it, and the table's figures for it.
struct FoundPart {
    std::string name;
    const Pic18Part* figures;
};

// The part of that name in the table, or, for an 18LF part the table lacks, its 18F twin (an
// 18LF part differs from its twin in supply voltage, not in memory).
std::optional<FoundPart> FindPartOrTwin(std::string_view name) {
    if (const Pic18Part* part = FindPic18Part(name)) {
        return FoundPart{std::string(part->name), part};
    }
    const std::string upper = TableName(name);
    if (upper.compare(0, 4, "18LF") != 0) {
        return std::nullopt;
    }
    if (const Pic18Part* twin = FindPic18Part("18F" + upper.substr(4))) {
        return FoundPart{upper, twin};
    }
    return std::nullopt;
}

DeviceProfile FromTable(const FoundPart& found, DeviceNamedBy namedBy) {
    DeviceProfile profile;
    profile.name = found.name;
    profile.romCapacity = found.figures->programBytes;
    profile.ramCapacity = found.figures->ramBytes;
    profile.namedBy = namedBy;
    profile.capacities = CapacitySource::kPartTable;
    if (found.name != found.figures->name) {
        profile.note = "the table has no " + found.name + ": these are the figures of the " +
                       std::string(found.figures->name) + ", which has the same memory";
    }
    return profile;
}

DeviceProfile FromMapRanges(const MapFacts& facts) {
    DeviceProfile profile;
    profile.name = facts.device;
    profile.romCapacity = facts.romCapacity;
    profile.ramCapacity = facts.ramCapacity;
    profile.namedBy = facts.device.empty() ? DeviceNamedBy::kNobody : DeviceNamedBy::kMap;
    profile.capacities = CapacitySource::kMapRanges;
    return profile;
}

// The part the map names, whose capacities neither the table nor the map gives.
DeviceProfile WithoutCapacities(const MapFacts& facts) {
    DeviceProfile profile;
    profile.name = facts.device;
    profile.namedBy = facts.device.empty() ? DeviceNamedBy::kNobody : DeviceNamedBy::kMap;
    profile.capacities = CapacitySource::kNone;
    if (!facts.device.empty()) {
        profile.note = "the table of PIC18 parts has no " + facts.device +
                       ", and the map gives no memory ranges";
    }
    return profile;
}

}  // namespace

DeviceSelection::DeviceSelection(const DeviceChoice* choice) {
    if (choice->fromMap) {
        rule = DeviceRule::kMap;
        return;
    }
    // Every fixed device is a part of the table (pic18_parts.cpp checks it as it builds).
    rule = DeviceRule::kPart;
    part = FindPic18Part(choice->name);
    name = std::string(choice->name);
}

std::optional<DeviceSelection> DeviceSelectionNamed(std::string_view name) {
    for (const DeviceRuleChoice& choice : kDeviceRuleChoices) {
        if (choice.rule != DeviceRule::kPart && choice.name == name) {
            DeviceSelection selection;
            selection.rule = choice.rule;
            return selection;
        }
    }
    const std::optional<FoundPart> found = FindPartOrTwin(name);
    if (!found) {
        return std::nullopt;
    }
    DeviceSelection selection;
    selection.rule = DeviceRule::kPart;
    selection.name = found->name;
    selection.part = found->figures;
    return selection;
}

DeviceProfile ResolveDevice(const DeviceSelection& selection, const MapFacts& facts) {
    switch (selection.rule) {
        case DeviceRule::kPart:
            return FromTable({selection.name, selection.part}, DeviceNamedBy::kChoice);
        case DeviceRule::kMap:
            if (facts.hasCapacity) {
                return FromMapRanges(facts);
            }
            if (const std::optional<FoundPart> found = FindPartOrTwin(facts.device)) {
                return FromTable(*found, DeviceNamedBy::kMap);
            }
            return WithoutCapacities(facts);
        case DeviceRule::kAuto:
            break;
    }
    if (facts.device.empty()) {
        return FromTable({std::string(kDefaultDevice.name), FindPic18Part(kDefaultDevice.name)},
                         DeviceNamedBy::kDefault);
    }
    if (const std::optional<FoundPart> found = FindPartOrTwin(facts.device)) {
        return FromTable(*found, DeviceNamedBy::kMap);
    }
    return facts.hasCapacity ? FromMapRanges(facts) : WithoutCapacities(facts);
}

DeviceProfile ProfileOf(const DeviceChoice& choice, const MapFacts& facts) {
    return ResolveDevice(DeviceSelection(&choice), facts);
}
