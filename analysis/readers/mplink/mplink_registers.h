#pragma once

// Where the data memory of an MPLINK-family map holds the device's special function registers:
// memory the device has, not memory the program takes. C18's processor-definition files and
// SDCC's device library declare the registers as data sections (SFR_UNBANKED0,
// ustat_pic18f2550_00), which are left out of the tally whatever they are called.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/pic18_parts.h"
#include "readers/mplink/mplink_listing.h"

// Where the range of registers was taken from.
enum class RegisterSource : std::uint8_t {
    kMapSections,  // the lowest of the map's own SFR_ sections
    kPart,         // the first register of the part the map names, from the table of parts
    kEveryPart,    // 0xF80, where every PIC18 part has registers
};

struct RegisterRange {
    std::uint64_t begin = 0;  // data memory from here to its end is registers
    RegisterSource source = RegisterSource::kEveryPart;
    std::string device;               // the part the map names; empty when none
    const Pic18Part* part = nullptr;  // its figures, when the table has it
};

// The registers of a map whose processor-definition file names `device` (empty: none): from the
// lowest SFR_ section of the map on, else from the part's first register, else from 0xF80.
RegisterRange FindRegisterRange(const MplinkListing& listing, const std::string& device);

// Whether a data section lies in the registers: it starts in the range, and not in a bank of
// general-purpose RAM that the part has among its registers (some J parts do).
bool InRegisters(const RegisterRange& range, const MplinkSection& section);

// The note that says how many bytes were left out, and from where: "registers left out: 130
// bytes (data memory from 0xF60 on, the 18F2550's registers)".
std::string RegistersNote(const RegisterRange& range, std::int64_t bytes);

// The device a processor-definition file stands for: C18's and MPASM's "p18f8520.asm" gives
// "18F8520", "p18lf45k22.asm" gives "18LF45K22"; SDCC's device library "pic18f2550.asm", also
// as libtool names it in the library, "libdev18f2550_a-pic18f2550.asm", gives "18F2550". Empty
// for any other file.
std::string DeviceOfFile(std::string_view file);
