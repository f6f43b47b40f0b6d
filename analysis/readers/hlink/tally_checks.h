#pragma once

// The checks of the complete tally against a map's own figures.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/address_ranges.h"
#include "core/size_table.h"
#include "readers/hlink/map_listing.h"

// The TOTAL section, whose records the tally classifies as it classifies the table's: their
// sums `map` against the report's, or not possible for `reason` when that is not empty.
MapCheck TotalSectionCheck(const std::string& reason, const MemoryTotals& map,
                           const MemoryTotals& report);

// The program-memory classes of the linker's -A options minus the map's UNUSED ADDRESS RANGES,
// and the segments that lie outside every class range of their memory, against the report's ROM;
// the data classes likewise against its RAM, the registers left out.
MapCheck CheckOccupancy(const MapListing& listing, const CAddressSet& registers,
                        const MemoryTotals& report);

// A piece of memory the report counts once: a section record, an overlay group, a class total.
struct PlacedPiece {
    std::string_view name;
    MemoryKind memory;
    std::uint64_t address;
    std::uint64_t bytes;
};

// Absolute psects may overlap by design (a bootloader's vectors over the reset code): every
// record counts, but the addresses are used once. Names each overlap among `pieces` in a note,
// with the bytes it counts twice, and lets the occupancy check agree when those are the whole
// difference.
void ExplainOverlaps(std::vector<PlacedPiece> pieces, MapCheck& occupancy,
                     std::vector<std::string>& notes);

// The failed check of a map that was cut short (copied while the linker was still writing it),
// with `detail` saying how that shows.
MapCheck CutShortCheck(std::string detail);

// The detail of a map whose section table runs to the end of the file (`lastLine`) without
// COMMON or TOTAL.
std::string TableToTheEndText(long lastLine);

// What is wrong with a map that ends after the linker's header ("Linker command line:", "Machine
// type is") and before its section table: the detail of the check when something was counted all
// the same, or the error (at the map's last line) when nothing was.
std::string EndsAfterHeaderText(long lastLine);
std::string EndsAfterHeaderError();

// The failed check of a file that holds a second map, or a map written twice, from `line` on: a
// second section table (`table`), or the linker's header again. The report is of what came
// before it.
MapCheck SecondMapCheck(long line, bool table);
