#include "readers/hlink/section_classes.h"

#include <utility>

#include "text/names.h"

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
