#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/size_table.h"
#include "readers/hlink/map_listing.h"

// The complete tally of a map: every section, counted once, as ROM, RAM or other (configuration
// words, ID locations, EEPROM data), checked against the map's own totals.

// The complete tally: every section of the map counted once, as ROM, RAM or other, in rows of
// the objects (in file order) and special rows after them: "<COMMON name>", "<overlaid
// name@ADDR>", "<CLASS name>" for what the TOTAL section lists and no object does, "<no object>".
// Each counted section is a part of its row. The facts hold the map's device, the capacities of
// its class ranges and both checks: the TOTAL section and the used address ranges.
SizeTable TallySections(const MapListing& listing);

// What a tally keeps: the rows only, or also each row's parts.
enum class TallyDetail { kRows, kRowsAndParts };

// The same tally of the map in `file`, read a block at a time: neither the map nor a listing of
// it is held, only a few bytes for each record until the map's end. Throws as ReadMapListing does.
SizeTable TallySections(CMapFile& file, TallyDetail detail);

// The same over a map's bytes in memory, without a listing of them.
SizeTable TallySections(std::string_view bytes, const std::string& fileName, TallyDetail detail);
