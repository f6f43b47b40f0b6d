#pragma once

// The memory regions of a map with a per-object table: the linker classes of its -A options
// that divide memory among them, with the room its UNUSED ADDRESS RANGES leave in each.

#include <vector>

#include "core/memory_regions.h"
#include "core/size_table.h"
#include "readers/hlink/map_listing.h"

// One region per class, named as the map names it: CODE for program memory; COMRAM (COMMON on
// PIC16 parts) and BANK0...BANKn for data memory, or where a map has no bank classes, RAM;
// IDLOC, CONFIG and EEDATA. The classes that span these (BIGRAM, CONST, SFR, ABS1...) are none.
// Where two overlap (COMRAM inside BANK0, as PICC-18 9.6x sets them), the access RAM keeps its
// addresses and the bank its others. With UNUSED ADDRESS RANGES, each region's free bytes are
// its class's unused ranges (within the region), its largest free block the map's "Largest
// block" where it gives one for the whole class, and its use the rest, checked against the
// parts placed in it; without them, its use is the parts placed in it. Empty when the map gives
// none of these classes.
std::vector<MemoryRegion> ClassRegions(const MapListing& listing,
                                       const std::vector<SizePart>& parts);
