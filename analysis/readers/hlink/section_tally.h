#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "readers/hlink/map_lines.h"
#include "core/size_table.h"

// The complete tally of a map: every section, counted once, as ROM, RAM or other (configuration
// words, ID locations, EEPROM data), checked against the map's own totals.

// What a linker class holds, judged by its name.
enum class ClassMemory {
    kProgram,       // CODE, CONST, SMALLCONST, MEDIUMCONST, STRING, ENTRY, STRCODE, ...
    kData,          // RAM, COMRAM, BIGRAM, FARRAM, BANKn, ...
    kAbsoluteData,  // ABS1 and the special function registers: data memory, but not allocated
    kOther,         // CONFIG, IDLOC, EEDATA
    kUnknown,
};

ClassMemory ClassMemoryOf(std::string_view className);

// The same section in the two tables of a map: equal names, or a name cut to 9 characters and
// the whole name it was cut from.
bool SameSectionName(std::string_view a, std::string_view b);

// ROM, RAM or other for a section of that class (empty: none known), name, link address (in
// bytes) and memory space.
MemoryKind ClassifySection(std::string_view className, std::string_view name,
                           std::uint64_t byteAddress, std::int64_t space);

// A record with Scale 8, or one in a data space (not space 0, program memory) whose link address
// is 8 times its load address, has its length in bits. Address 0 is excluded: there both
// addresses are 0 for any section.
bool IsBitSection(std::uint64_t link, std::uint64_t load, std::int64_t scale, std::int64_t space);

// The bytes a section takes: its length, or its length in bits rounded up to whole bytes.
std::uint64_t SectionBytes(std::uint64_t length, bool bits);

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

// The device the map names ("Machine type is ...") and the program-memory and data-memory
// addresses its class ranges cover (placeholder ranges, absolute and SFR classes excluded).
void DescribeMapDevice(const MapListing& listing, MapFacts& facts);

// The failed check of a map whose section table runs to the end of the file without COMMON or
// TOTAL: copied while the linker was still writing it.
MapCheck CutShortCheck(long lastLine);
