#include "readers/hlink/class_regions.h"

#include <algorithm>
#include <array>
#include <map>
#include <string_view>
#include <utility>

#include "text/names.h"

namespace {

// What a class is as a region, in the order the regions take their addresses: the access RAM
// before the banks that may hold it, the banks before RAM, which stands in only without them.
enum class Role { kAccess, kBank, kRam, kCode, kOther, kNone };

// The number of a bank class ("BANK12": 12), or -1 for any other name. No part has a thousand
// banks.
long BankNumber(std::string_view name) {
    constexpr std::string_view kBank = "BANK";
    if (!StartsWith(name, kBank) || name.size() == kBank.size() || name.size() > kBank.size() + 3) {
        return -1;
    }
    long number = 0;
    for (const char c : name.substr(kBank.size())) {
        if (c < '0' || c > '9') {
            return -1;
        }
        number = number * 10 + (c - '0');
    }
    return number;
}

Role RoleOf(std::string_view name) {
    if (name == "COMRAM" || name == "COMMON") {
        return Role::kAccess;
    }
    if (BankNumber(name) >= 0) {
        return Role::kBank;
    }
    if (name == "RAM") {
        return Role::kRam;
    }
    if (name == "CODE") {
        return Role::kCode;
    }
    if (name == "IDLOC" || name == "CONFIG" || name == "EEDATA") {
        return Role::kOther;
    }
    return Role::kNone;
}

MemoryKind MemoryOf(Role role) {
    switch (role) {
        case Role::kCode:
            return MemoryKind::kRom;
        case Role::kOther:
            return MemoryKind::kOther;
        case Role::kAccess:
        case Role::kBank:
        case Role::kRam:
        case Role::kNone:
            break;
    }
    return MemoryKind::kRam;
}

struct RegionClass {
    std::string_view name;
    Role role;
    long bank;
    std::vector<RegionRun> runs;
};

// The classes that make regions, each with its ranges, in the order they take their addresses.
// A range whose ends are equal is one address (-ACONFIG=02007h-02007h: a PIC16's configuration
// word, which the map's unused ranges give as such), but at address 0 a placeholder
// (-AFARRAM=00h-00h).
std::vector<RegionClass> RegionClassesOf(const std::vector<ClassRange>& ranges) {
    std::vector<RegionClass> classes;
    std::map<std::string_view, std::size_t> placeOf;
    for (const ClassRange& range : ranges) {
        const Role role = RoleOf(range.className);
        const std::uint64_t end =
            range.begin == range.end && range.begin != 0 ? range.end + 1 : range.end;
        if (role == Role::kNone || range.begin >= end) {
            continue;
        }
        const auto found = placeOf.try_emplace(range.className, classes.size());
        if (found.second) {
            classes.push_back({range.className, role, BankNumber(range.className), {}});
        }
        classes[found.first->second].runs.push_back({range.begin, end, range.block});
    }
    const bool banks = std::any_of(classes.begin(), classes.end(),
                                   [](const RegionClass& c) { return c.role == Role::kBank; });
    if (banks) {
        classes.erase(std::remove_if(classes.begin(), classes.end(),
                                     [](const RegionClass& c) { return c.role == Role::kRam; }),
                      classes.end());
    }
    std::stable_sort(classes.begin(), classes.end(),
                     [](const RegionClass& a, const RegionClass& b) {
                         return std::make_pair(a.role, a.bank) < std::make_pair(b.role, b.bank);
                     });
    return classes;
}

// The room the map's unused ranges leave in the region: within it where it lost addresses to
// another region, else as the map writes them (PIC16 maps give EEPROM data's unused range at
// its load address, not at the class's own).
void TakeFreeFromMap(MemoryRegion& region, bool clipped,
                     const std::vector<const ClassRange*>& unused) {
    region.freeFromMap = true;
    std::uint64_t free = 0;
    std::uint64_t largest = 0;
    for (const ClassRange* unusedRange : unused) {
        const ClassRange& range = *unusedRange;
        if (!clipped) {
            region.freeSpans.push_back({range.begin, range.end});
            free += range.end - range.begin;
            largest = std::max(largest, range.largest);
            continue;
        }
        const CAddressSet inside =
            CAddressSet::FromRanges({{range.begin, range.end}}).Intersect(region.addresses);
        for (const AddressRange& span : inside.Ranges()) {
            region.freeSpans.push_back(span);
            free += span.end - span.begin;
        }
    }
    std::sort(region.freeSpans.begin(), region.freeSpans.end(),
              [](const AddressRange& a, const AddressRange& b) { return a.begin < b.begin; });
    region.free = static_cast<std::int64_t>(free);
    region.used = region.size - region.free;
    if (largest == 0) {
        const AddressRange piece = LargestPiece(region.freeSpans, region.runs);
        largest = piece.end - piece.begin;
    }
    region.largestFree = static_cast<std::int64_t>(largest);
}

}  // namespace

std::vector<MemoryRegion> ClassRegions(const MapListing& listing,
                                       const std::vector<SizePart>& parts) {
    std::vector<MemoryRegion> regions;
    std::array<CAddressSet, 3> taken;  // by memory
    std::map<std::string_view, std::vector<const ClassRange*>> unusedOf;
    for (const ClassRange& range : listing.unusedRanges) {
        if (range.begin < range.end) {
            unusedOf[range.className].push_back(&range);
        }
    }
    for (RegionClass& regionClass : RegionClassesOf(listing.classRanges)) {
        const MemoryKind memory = MemoryOf(regionClass.role);
        CAddressSet& before = taken[static_cast<std::size_t>(memory)];
        MemoryRegion region =
            MakeRegion(std::string(regionClass.name), memory, std::move(regionClass.runs));
        const CAddressSet own = region.addresses;
        region.addresses = own.Minus(before);
        if (region.addresses.Empty()) {
            continue;
        }
        const bool clipped = region.addresses.Size() != own.Size();
        region.size = static_cast<std::int64_t>(region.addresses.Size());
        before.Add(region.addresses);
        if (listing.hasUnusedSection) {
            TakeFreeFromMap(region, clipped, unusedOf[regionClass.name]);
        }
        regions.push_back(std::move(region));
    }
    PlaceParts(regions, parts);
    return regions;
}
