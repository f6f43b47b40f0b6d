#pragma once

// The checks of the complete tally against a map's own figures.

#include <string>

#include "core/size_table.h"
#include "readers/hlink/map_listing.h"

// The TOTAL section, whose records the tally classifies as it classifies the table's: their
// sums `map` against the report's, or not possible for `reason` when that is not empty.
MapCheck TotalSectionCheck(const std::string& reason, const MemoryTotals& map,
                           const MemoryTotals& report);

// The program-memory classes of the linker's -A options minus the map's UNUSED ADDRESS RANGES
// against the report's ROM, the data classes likewise against its RAM.
MapCheck CheckOccupancy(const MapListing& listing, const MemoryTotals& report);

// The failed check of a map whose section table runs to the end of the file without COMMON or
// TOTAL: copied while the linker was still writing it.
MapCheck CutShortCheck(long lastLine);
