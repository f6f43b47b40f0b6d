#include "readers/hlink/section_classes.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "core/device_profile.h"
#include "core/pic18_parts.h"

#include "text/names.h"
#include "text/numbers.h"

namespace {

bool IsBankClass(std::string_view name) {
    if (!StartsWith(name, "BANK") || name.size() == 4) {
        return false;
    }
    for (char c : name.substr(4)) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

}  // namespace

ClassMemory ClassMemoryOf(std::string_view name) {
    if (name == "CONFIG" || name == "IDLOC" || name == "EEDATA") {
        return ClassMemory::kOther;
    }
    if (StartsWith(name, "ABS") || EndsWith(name, "SFR")) {
        return ClassMemory::kAbsoluteData;
    }
    // COMMON: the RAM that mid-range parts map into every bank.
    if (IsBankClass(name) || EndsWith(name, "RAM") || name == "COMMON") {
        return ClassMemory::kData;
    }
    if (name == "STRING" || name == "ENTRY" || EndsWith(name, "CODE") || EndsWith(name, "CONST")) {
        return ClassMemory::kProgram;
    }
    return ClassMemory::kUnknown;
}

bool IsOtherSectionName(std::string_view name) {
    return StartsWith(name, "config") || StartsWith(name, "idloc") || StartsWith(name, "eeprom");
}

MemorySets SetsOfClasses(const std::vector<ClassRange>& ranges) {
    std::vector<AddressRange> program;
    std::vector<AddressRange> data;
    for (const ClassRange& range : ranges) {
        const ClassMemory memory = ClassMemoryOf(range.className);
        if (memory == ClassMemory::kProgram) {
            program.push_back({range.begin, range.end});
        } else if (memory == ClassMemory::kData) {
            data.push_back({range.begin, range.end});
        }
    }
    return MemorySets{CAddressSet::FromRanges(std::move(program)),
                      CAddressSet::FromRanges(std::move(data))};
}

void DescribeMapDevice(const MapListing& listing, MapFacts& facts) {
    facts.device = listing.machineType;
    const MemorySets sets = SetsOfClasses(listing.classRanges);
    facts.hasCapacity = !sets.program.Empty() || !sets.data.Empty();
    facts.romCapacity = static_cast<std::int64_t>(sets.program.Size());
    facts.ramCapacity = static_cast<std::int64_t>(sets.data.Size());
}

RegisterRanges RegistersOf(const MapListing& listing) {
    RegisterRanges registers;
    std::vector<AddressRange> ranges;
    for (const ClassRange& range : listing.classRanges) {
        if (range.className == "SFR" || range.className == "BIGSFR") {
            ranges.push_back({range.begin, range.end});
        }
    }
    if (!ranges.empty()) {
        registers.set = CAddressSet::FromRanges(std::move(ranges));
        registers.source = "the map's SFR classes";
        return registers;
    }
    const std::optional<DeviceSelection> device = DeviceSelectionNamed(listing.machineType);
    if (listing.machineType.empty() || !device || device->part == nullptr) {
        return registers;
    }
    for (const Pic18DataBank& bank : DataBanksOf(*device->part)) {
        if (bank.kind == Pic18DataKind::kSfr || bank.kind == Pic18DataKind::kAccessSfr) {
            ranges.push_back({bank.begin, bank.end});
        }
    }
    // Where the map's own data classes say otherwise, the map holds.
    registers.set =
        CAddressSet::FromRanges(std::move(ranges)).Minus(SetsOfClasses(listing.classRanges).data);
    if (!registers.set.Empty()) {
        registers.source = "the " + device->name + "'s from 0x" +
                           HexText(registers.set.Ranges().front().begin) +
                           ", as the table of PIC18 parts gives them";
    }
    return registers;
}

std::uint64_t BytesIn(const CAddressSet& set, std::uint64_t begin, std::uint64_t bytes) {
    const std::vector<AddressRange>& ranges = set.Ranges();
    const std::uint64_t end = begin + bytes;
    if (ranges.empty() || end <= ranges.front().begin || begin >= ranges.back().end) {
        return 0;
    }
    std::uint64_t inside = 0;
    auto at = std::upper_bound(ranges.begin(), ranges.end(), begin,
                               [](std::uint64_t a, const AddressRange& r) { return a < r.end; });
    for (; at != ranges.end() && at->begin < end; ++at) {
        inside += std::min(end, at->end) - std::max(begin, at->begin);
    }
    return inside;
}
