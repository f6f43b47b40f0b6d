#pragma once

// Where a map's memory lies: its regions (program memory, the access RAM and each bank of data
// memory, the ID locations, configuration words and EEPROM), each with the room left in it. The
// regions of one memory never overlap. A reader finds them (the map's own linker classes, or the
// part's memory from the table of PIC18 parts); this is what is worked out from them.

#include <cstdint>
#include <string>
#include <vector>

#include "core/address_ranges.h"
#include "core/pic18_parts.h"

enum class MemoryKind : std::uint8_t;
struct SizePart;

// Ranges whose inner boundaries no section crosses: a linker class's range that stands for
// several in a row (0100h-01FFhx5, `block` 0x100), or one range of a part (`block` 0).
struct RegionRun {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;  // exclusive
    std::uint64_t block = 0;
};

struct MemoryRegion {
    std::string name;     // as the map or the part's linker script names it: "BANK0", "gpr1"
    MemoryKind memory{};  // what the bytes in it count as
    CAddressSet addresses;
    std::vector<RegionRun> runs;  // where its rooms end: the largest free block lies inside one
    std::int64_t size = 0;
    std::int64_t used = 0;
    std::int64_t free = 0;
    std::int64_t largestFree = 0;
    // The bytes of the counted sections that lie in it (bytes that two share counted twice),
    // which its `used` is checked against when `freeFromMap`.
    std::int64_t placed = 0;
    bool freeFromMap = false;             // `free` is what the map's own unused ranges give
    bool fromPart = false;                // a region of the part, not of the map's own classes
    std::vector<AddressRange> freeSpans;  // where the free bytes lie, in address order
    AddressRange largestSpan;             // where the largest free block lies (empty: none)

    std::uint64_t Start() const { return addresses.Empty() ? 0 : addresses.Ranges().front().begin; }
    // The last address in it.
    std::uint64_t Last() const { return addresses.Empty() ? 0 : addresses.Ranges().back().end - 1; }
};

// A region of `memory` over `runs` (put in order of their start), named so, with nothing placed
// in it yet.
MemoryRegion MakeRegion(std::string name, MemoryKind memory, std::vector<RegionRun> runs);

// The largest piece of the spans (in address order, apart) that no boundary of the runs (in
// order of their start) cuts; a span outside every run is one piece. Empty when there are none.
AddressRange LargestPiece(const std::vector<AddressRange>& spans,
                          const std::vector<RegionRun>& runs);

// Adds up, for every region, the bytes of the parts of its memory that lie in it (a part across
// two regions counts in each for what lies there). A region whose free room the map does not
// give (`freeFromMap` false) then takes its use from them: its free spans are the addresses they
// leave, its largest free block the largest of those, and its use the addresses they take (which
// is what they place unless two of them overlap).
// A region that has its free room from the map gets its largest free span marked where the
// map gives none. Then orders the regions: program memory and the memories above it (ID
// locations, configuration words, EEPROM) by address, then data memory by address.
void PlaceParts(std::vector<MemoryRegion>& regions, const std::vector<SizePart>& parts);

// The regions of a PIC18 part as its linker script names them: "page" (program memory),
// "idlocs", "config" and "eedata" where it has them, then "accessram" and "gpr0", "gpr1"...
// for its general-purpose RAM (the registers are no region). Nothing is placed in them yet.
std::vector<MemoryRegion> PartRegions(const Pic18Part& part);
