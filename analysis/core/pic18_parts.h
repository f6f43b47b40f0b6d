#pragma once

// Every PIC18 part the device linker scripts of gputils describe (the PIC18F, PIC18LF and PIC18C
// parts), with the memory ranges the linker may place code and data in. The table itself is
// generated (pic18_parts_table.inc, by tools/pic18_parts_table.cpp); this is its lookup.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What a range of data memory holds.
enum class Pic18DataKind : std::uint8_t {
    kAccessRam,  // general-purpose RAM in the access bank, [0, accessSplit)
    kGpr,        // banked general-purpose RAM (on USB parts the USB RAM counts here)
    kSfr,        // banked registers, or space the linker keeps free beside them
    kAccessSfr,  // registers in the access bank, [0xF00 + accessSplit, 0x1000)
};

// A range of data memory [begin, end). No range crosses a 256-byte bank boundary, so the bank
// number of a range is begin >> 8.
struct Pic18DataBank {
    std::uint16_t begin;
    std::uint16_t end;
    Pic18DataKind kind;
};

// A range of program-memory space [begin, end); empty (begin == end == 0) when the part has none.
struct Pic18Range {
    std::uint32_t begin;
    std::uint32_t end;

    constexpr std::uint32_t Size() const { return end - begin; }
};

struct Pic18Part {
    std::string_view name;       // upper case, without "PIC": "18F46K22", "18LF46K22"
    std::uint32_t programBytes;  // program memory [0, programBytes), configuration words in flash
                                 // (the J parts') excluded
    std::uint16_t ramBytes;      // general-purpose RAM: the access RAM and every GPR bank
    std::uint16_t eepromBytes;   // data EEPROM at 0xF00000, 0 when none
    std::uint16_t sfrBegin;      // the lowest register address; [sfrBegin, 0x1000) is registers
                                 // except where a kGpr bank says otherwise (some J parts)
    std::uint16_t accessSplit;   // the access bank is [0, accessSplit) and the registers
                                 // [0xF00 + accessSplit, 0x1000)
    Pic18Range idLocations;      // the ID locations (0x200000...), empty when none
    Pic18Range configuration;    // the configuration words: at 0x300000, or at the end of program
                                 // memory on the J parts
    std::uint16_t firstBank;     // the part's data banks in the shared bank table
    std::uint16_t bankCount;
};

// A run of records of the table, usable in a range-for.
template <typename T>
struct Pic18Run {
    const T* first = nullptr;
    std::size_t count = 0;

    const T* begin() const { return first; }
    const T* end() const { return first + count; }
    std::size_t size() const { return count; }
    const T& operator[](std::size_t index) const { return first[index]; }
};

// Every part, sorted by name (byte order of the upper-case names).
Pic18Run<Pic18Part> AllPic18Parts();

// The data banks of a part, in address order: access RAM, GPR banks and register banks. Together
// they cover the memory the part implements; addresses in none of them are unimplemented.
Pic18Run<Pic18DataBank> DataBanksOf(const Pic18Part& part);

// The part of that name, case-insensitive, with or without the "PIC" prefix ("18F46K22",
// "pic18f46k22", "PIC18LF46K22"); nullptr when there is none.
const Pic18Part* FindPic18Part(std::string_view name);

// A part's name as the table writes it: upper case, without "PIC" ("pic18f2550" is "18F2550").
std::string TableName(std::string_view name);

// For an unknown name, the parts a person most likely meant, best first: at most three, each
// within two edits of the name (without "PIC", an 18LF part counted as its 18F twin). Among
// equally near parts, those whose names share a longer beginning with the name go first, so that
// 18LF names stay with 18LF parts; an 18F part and its 18LF twin are never both given. Empty when
// nothing is that near.
std::vector<const Pic18Part*> ClosestPic18Parts(std::string_view name);
