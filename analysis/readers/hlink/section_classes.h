#pragma once

// What memory a section of a map with a per-object table is in: its class (from the TOTAL
// section, or the class ranges of the linker's -A options), its name, address and memory space.

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/address_ranges.h"
#include "core/size_table.h"
#include "readers/hlink/map_listing.h"

// What a linker class holds, judged by its name.
enum class ClassMemory {
    kProgram,       // CODE, CONST, SMALLCONST, MEDIUMCONST, STRING, ENTRY, STRCODE, ...
    kData,          // RAM, COMRAM, BIGRAM, FARRAM, BANKn, ...
    kAbsoluteData,  // ABS1 and the special function registers: data memory, but not allocated
    kOther,         // CONFIG, IDLOC, EEDATA
    kUnknown,
};

ClassMemory ClassMemoryOf(std::string_view className);

// Some compilers cut section names to this many characters in the per-object table: such a name
// and the whole one it was cut from are the same section.
inline constexpr std::size_t kCutNameLength = 9;

// Whether a section's name is one of configuration words, ID locations or EEPROM data
// (config..., idloc..., eeprom...).
bool IsOtherSectionName(std::string_view name);

// ROM, RAM or other for a section, from what is known of it: whether a class holds it
// (`hasClass`), and then whether that class is CONFIG, IDLOC or EEDATA (`otherClass`), else
// whether its name is that of such memory (`otherName`): other memory; else by its memory space
// and its address in bytes: space 0 below 0x200000 is ROM, space 1 RAM, anything else other.
// Inline: the tally asks twice for every record.
inline MemoryKind SectionMemory(bool hasClass, bool otherClass, bool otherName,
                                std::uint64_t byteAddress, std::int64_t space) {
    // Data memory starts at 0x200000 in space 0 of a PIC18 map: ID locations, configuration
    // words and EEPROM data live there, never program code.
    constexpr std::uint64_t kSpecialAddressStart = 0x200000;
    if (hasClass ? otherClass : otherName) {
        return MemoryKind::kOther;
    }
    if (space == 0) {
        return byteAddress >= kSpecialAddressStart ? MemoryKind::kOther : MemoryKind::kRom;
    }
    return space == 1 ? MemoryKind::kRam : MemoryKind::kOther;
}

// A record with Scale 8, or one in a data space (not space 0, program memory) whose link address
// is 8 times its load address, has its length in bits. Address 0 is excluded: there both
// addresses are 0 for any section.
inline bool IsBitSection(std::uint64_t link, std::uint64_t load, std::int64_t scale,
                         std::int64_t space) {
    return scale == 8 || (space != 0 && load != 0 && load <= (UINT64_MAX / 8) && link == load * 8);
}

// The bytes a section takes: its length, or its length in bits rounded up to whole bytes.
inline std::uint64_t SectionBytes(std::uint64_t length, bool bits) {
    return bits ? length / 8 + (length % 8 != 0 ? 1 : 0) : length;
}

// The addresses of the program-memory and of the data classes among the ranges (placeholder
// ranges, absolute and SFR classes left out).
struct MemorySets {
    CAddressSet program;
    CAddressSet data;
};
MemorySets SetsOfClasses(const std::vector<ClassRange>& ranges);

// The device the map names ("Machine type is ...") and the program-memory and data-memory
// addresses its class ranges cover.
void DescribeMapDevice(const MapListing& listing, MapFacts& facts);
