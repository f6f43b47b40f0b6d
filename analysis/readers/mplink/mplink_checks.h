#pragma once

// The rows of an MPLINK-family map checked against the map's own figures: ROM plus other against
// the program memory usage ranges and the count of program addresses used, no two sections
// overlapping, every data symbol inside a counted section, and every initialised data section
// with an image of its size.

#include <string>
#include <vector>

#include "core/size_table.h"
#include "readers/mplink/mplink_listing.h"
#include "readers/mplink/section_owners.h"

// The checks of the rows' totals `report`, in the order a report shows them. What they find wrong
// one by one (a stray data symbol, an image of the wrong size) is added to `problems`.
std::vector<MapCheck> CheckMplinkRows(const MplinkListing& listing, const SectionOwners& owners,
                                      const CSymbolsByAddress& symbols, const MemoryTotals& report,
                                      std::vector<std::string>& problems);
