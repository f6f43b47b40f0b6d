#include "readers/mplink/mplink_registers.h"

#include <algorithm>
#include <cctype>

#include "core/register_note.h"
#include "text/names.h"
#include "text/numbers.h"

namespace {

// Every PIC18 part has registers from here on: the access bank's upper half.
constexpr std::uint64_t kEveryPartsRegisters = 0xF80;

}  // namespace

RegisterRange FindRegisterRange(const MplinkListing& listing, const std::string& device) {
    RegisterRange range;
    range.device = device;
    range.part = device.empty() ? nullptr : FindPic18Part(device);
    bool fromMap = false;
    for (const MplinkSection& section : listing.sections) {
        if (!section.program && section.size > 0 && StartsWith(section.name, "SFR_") &&
            (!fromMap || section.address < range.begin)) {
            range.begin = section.address;
            fromMap = true;
        }
    }
    if (fromMap) {
        range.source = RegisterSource::kMapSections;
    } else if (range.part != nullptr) {
        range.begin = range.part->sfrBegin;
        range.source = RegisterSource::kPart;
    } else {
        range.begin = kEveryPartsRegisters;
        range.source = RegisterSource::kEveryPart;
    }
    return range;
}

bool InRegisters(const RegisterRange& range, const MplinkSection& section) {
    if (section.program || section.address < range.begin) {
        return false;
    }
    if (range.part == nullptr) {
        return true;
    }
    const Pic18Run<Pic18DataBank> banks = DataBanksOf(*range.part);
    return std::none_of(banks.begin(), banks.end(), [&](const Pic18DataBank& bank) {
        return bank.kind == Pic18DataKind::kGpr && section.address >= bank.begin &&
               section.address < bank.end;
    });
}

std::string RegistersNote(const RegisterRange& range, std::int64_t bytes) {
    std::string source = "data memory from 0x" + HexText(range.begin, 3) + " on, ";
    switch (range.source) {
        case RegisterSource::kMapSections:
            source += "where the map's SFR_ sections start";
            break;
        case RegisterSource::kPart:
            source += "the " + range.device + "'s registers";
            break;
        case RegisterSource::kEveryPart:
            source += "registers on every PIC18 part; " +
                      (range.device.empty() ? std::string("the map names no part")
                                            : "the table of PIC18 parts has no " + range.device);
            break;
    }
    return RegistersLeftOutNote(static_cast<std::uint64_t>(bytes), source);
}

std::string DeviceOfFile(std::string_view file) {
    std::string name = AsciiLower(BaseName(file));
    if (StartsWith(name, "libdev")) {
        const std::size_t dash = name.rfind('-');
        name = dash == std::string::npos ? std::string() : name.substr(dash + 1);
    }
    std::size_t prefix = 0;
    if (StartsWith(name, "pic18")) {
        prefix = 3;
    } else if (StartsWith(name, "p18")) {
        prefix = 1;
    }
    if (prefix == 0 || !EndsWith(name, ".asm")) {
        return {};
    }
    const std::string part = name.substr(prefix, name.size() - prefix - 4);  // "18f8520"
    std::size_t i = 2;
    while (i < part.size() && std::isalpha(static_cast<unsigned char>(part[i]))) {
        ++i;
    }
    const std::size_t letters = i - 2;
    if (letters < 1 || letters > 2 || i == part.size() ||
        !std::isdigit(static_cast<unsigned char>(part[i])) ||
        !std::all_of(part.begin(), part.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)); })) {
        return {};
    }
    return AsciiUpper(part);
}
