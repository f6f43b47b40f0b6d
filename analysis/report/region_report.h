#pragma once

// The report of a map's memory regions, and of two maps' regions compared by name.

#include <string>
#include <vector>

#include "core/memory_regions.h"
#include "report/report_table.h"

// "0x000F60": an address as the region report writes it, at least six hexadecimal digits (every
// PIC18 address fits).
std::string AddressText(std::uint64_t address);

// "Region", "Start", "End", "Size", "Used", "Free", "Largest free block", "Used %" (JSON: region,
// start, end, size, used, free, largest_free, used_percent).
std::vector<ReportColumn> RegionColumns();

// The JSON names of the total rows, in their order: "program" and "data".
std::vector<std::string> RegionTotalKeys();

// One row per region in the order given (program memory and the memories above it, then data
// memory, each by address), then the blank row and a total row for program memory ("-- Program
// memory --") and for data memory ("-- Data memory --"): the sums of their regions' size, use
// and free room, the largest free block of any of them, and the share used. A region's used
// percentage is of its own size.
void ForEachRegionRow(const std::vector<MemoryRegion>& regions, const RowVisitor& visit);

// The comparison's columns: "Region", "Status", "Old Size", "New Size", then old, new and change
// of the use, the free room and the largest free block ("Old Used", "New Used", "Used Change",
// ...; JSON: old_used, new_used, used_change, ..., old_largest_free...), and "New Used %".
std::vector<ReportColumn> RegionDiffColumns();

// One row per region name of either map: the new map's in its order, then those only the old
// map has; then the blank row and the totals of program and of data memory as ForEachRegionRow
// makes them, old, new and changed. A region is unchanged when its size, use, free room and
// largest free block are.
void ForEachRegionDiffRow(const std::vector<MemoryRegion>& oldRegions,
                          const std::vector<MemoryRegion>& newRegions, const RowVisitor& visit);
