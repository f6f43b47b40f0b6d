#pragma once

// The address bars of the HTML page: program memory and data memory each drawn along their
// addresses, so that where the room is shows beside how much of it there is.

#include <string>

#include "core/size_table.h"

// For program memory and for data memory, when the map's regions (SizeTable::regions) give any
// of it, a figure with one bar from the first address of their regions to the last: the rows'
// parts coloured by their owner, the free spans plain, what is used by no part the table names
// in grey, the memory's largest free block outlined, and each region's bounds ticked and named
// under the bar. Pieces too narrow to see are drawn together, so that a bar has at most a few
// thousand shapes however many parts the map has. Every shape has a title with its addresses
// and bytes. Nothing when the table has no regions.
void AppendAddressBars(const SizeTable& sizes, std::string& out);
