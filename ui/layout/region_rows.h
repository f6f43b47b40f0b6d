#pragma once

// What the window makes of the rows of the view by memory region besides their cells: which
// regions are nearly full, so that their rows stand out, and what the status bar says of them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/memory_regions.h"
#include "report/report_table.h"

// A region is nearly full when less than this share of it, in percent, is free.
inline constexpr std::int64_t kNearlyFullPercent = 10;

// The colours a nearly full region's row is drawn in: dark red on a pale red, apart from every
// other row and still easy to read.
struct RowColour {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};
inline constexpr RowColour kNearlyFullText = {160, 0, 0};
inline constexpr RowColour kNearlyFullBackground = {255, 228, 225};

// Whether the region of program or data memory has less than kNearlyFullPercent of its size
// free. The ID locations, configuration words and EEPROM are never: they are written whole on
// purpose, and a full one is no sign of a program outgrowing its part.
bool IsNearlyFull(const MemoryRegion& region);

// For the leading rows of a region report of `regions`, whether each is a nearly full region:
// one flag per region as ForEachRegionRow lists them, or, for a comparison (`compared`), one per
// region name of the new map as ForEachRegionDiffRow lists them (the first region of a name).
// The rows after them (the old map's own regions, the blank row, the totals) are never marked.
std::vector<bool> NearlyFullRows(const std::vector<MemoryRegion>& regions, bool compared);

// The status bar's note, "2 regions nearly full (under 10% free)"; empty when none is.
std::string NearlyFullNote(const std::vector<bool>& rows);

// The change of use since the older map of a region comparison, from its total rows
// (RegionDiffColumns): "used: program memory +120, data memory -8 bytes"; empty without them.
std::string RegionUseChangeText(const ReportTable& report);
