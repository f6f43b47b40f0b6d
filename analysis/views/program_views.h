#pragma once

#include <string>

#include "core/size_table.h"
#include "readers/hlink/map_listing.h"
#include "readers/hlink/program_listing.h"

// Views of a map by what is inside the program rather than by object file. Both split the bytes
// of the map's complete tally (every section, counted once) further, so that their rows add up
// exactly to its ROM, RAM and other; bytes that nothing in the view covers stay with their psect
// in a special row "<psect NAME>". Both carry the complete tally's facts (device, capacities,
// checks), and the table's rule is SectionRule::kAll.

// One row per source file of MODULE INFORMATION, named as the map writes it, holding the bytes
// of its functions and constants (a name written twice is one row); the row's parts are those
// items, each with the bytes counted for it. Items take the counted sections' bytes of their
// address range in the memory of their class, each byte once. A note compares each source
// file's items with its "estimated size", another names bytes of items that no counted section
// holds. Throws MapError when the map has no MODULE INFORMATION or it lists no source file.
SizeTable ModuleView(const MapListing& map, const ProgramListing& program,
                     const std::string& fileName);

// One row per function (from _f to __end_of_f in its psect), per constant and per variable (from
// its address to the next symbol's address in the same psect, or the psect's end), named as the
// map writes them: "_main", "_buffer", "Ramp_Step@last" for a static local. The compiled stack
// (psects cstack...), whose locals overlap, and bit psects stay whole "<psect NAME>" rows, as do
// the bytes of every psect that no such symbol covers: the toolchain's own symbols (__p, __L,
// __H...) and assembler labels only bound the symbol before them. Throws MapError when the map
// has no Symbol Table or it bounds no function, and on a function that ends before it starts.
SizeTable SymbolView(const MapListing& map, const ProgramListing& program,
                     const std::string& fileName);
