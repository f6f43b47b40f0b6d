#pragma once

// Maps with a per-object table ("Name Link Load Length Selector Space"), as the linkers of the
// HLINK family write them for every compiler generation, and anything no other family
// recognises: a map without that table is counted by the 27 listed section names, which is also
// what tells a file that is no map at all.

#include <string_view>

#include "core/size_table.h"
#include "readers/map_family.h"

// The family's reader: the listed token scan, the complete tally (both as a file streams in), and
// the views by source file and by symbol.
const CMapFamily& HlinkFamily();
