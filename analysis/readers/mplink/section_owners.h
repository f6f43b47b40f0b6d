#pragma once

// Who owns the bytes of each section of an MPLINK-family map. Same-named sections of several
// objects are merged into one, so a section goes to the source file whose symbols lie in it (a
// merged section is split where the source file changes); the default section names
// (".code_X.o", ".udata_X.o", ".idata_X.o", ".config_ADDR_X") and SDCC's ("S_main__f") name their
// object, matched to a source file where one fits; a section with no owner is "<section NAME>".

#include <cstdint>
#include <string>
#include <vector>

#include "core/size_table.h"
#include "readers/mplink/mplink_listing.h"

enum class OwnerKind {
    kSource,   // a source file named by the symbols
    kObject,   // an object named by section names, matched to a source file where one fits
    kSpecial,  // "<section NAME>"
};

struct Owner {
    OwnerKind kind = OwnerKind::kSpecial;
    std::string name;  // file base name, object name or section name
};

// A run of a section's bytes that one owner takes.
struct OwnedPiece {
    std::size_t section = 0;
    std::uint64_t offset = 0;
    std::uint64_t bytes = 0;
    Owner owner;
};

struct SectionOwners {
    std::string device;  // the device of the map's processor-definition file; empty if none
    // Per section: whether it is special function registers, which are left out, not counted.
    std::vector<bool> leftOut;
    std::int64_t leftOutBytes = 0;
    std::vector<std::vector<OwnedPiece>> pieces;  // per section, in address order
};

SectionOwners FindSectionOwners(const MplinkListing& listing,
                                const CSymbolsByAddress& symbolsByAddress);

// Whether the section's bytes count: it has some, and it is not left out.
bool IsCounted(const MplinkSection& section, bool leftOut);

// Program memory below 0x200000 is ROM, above it other (ID locations, configuration, EEPROM
// data); data memory is RAM.
MemoryKind MemoryOf(const MplinkSection& section);

// Where program memory stops holding code.
inline constexpr std::uint64_t kMplinkOtherStart = 0x200000;
