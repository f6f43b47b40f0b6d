#pragma once

// The view of a map by the regions of its memory: where room is left, bank by bank.

#include <string>

#include "core/pic18_parts.h"
#include "core/size_table.h"

// For a table whose reader found no regions of the map's own (a map of the MPLINK family, a map
// without -A class ranges): the regions of the part the map names, from the table of PIC18
// parts, or of `chosen` when the map names none the table knows, with the table's parts placed
// in them. Leaves the table as it is when it has regions and when neither part is known.
void AddPartRegions(SizeTable& table, const Pic18Part* chosen);

// The view by region: the counted table (its rows stay those of the complete tally, which its
// totals and budgets are of) showing its regions, with the check of their use ("Regions"):
//  - regions of the map's own classes with UNUSED ADDRESS RANGES: each region's use, its size
//    less the map's unused ranges, against the sections placed in it;
//  - regions of a part: the sections placed in them against the tally's ROM, RAM and other, so
//    that every byte counted lies in the part's memory;
//  - not possible for the map's own classes without UNUSED ADDRESS RANGES.
// Throws MapError when the table has no regions, naming what the map lacks.
SizeTable RegionView(SizeTable table, const std::string& fileName);
