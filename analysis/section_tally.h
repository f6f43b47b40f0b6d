#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "map_lines.h"
#include "size_table.h"

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

// A record with Scale 8, or whose link address is 8 times its load address, has its length in
// bits. Address 0 is excluded: there both addresses are 0 for any section.
bool IsBitSection(std::uint64_t link, std::uint64_t load, std::int64_t scale);

// The bytes a section takes: its length, or its length in bits rounded up to whole bytes.
std::uint64_t SectionBytes(std::uint64_t length, bool bits);

struct TallyRow {
    std::string name;
    std::int64_t rom = 0;
    std::int64_t ram = 0;
    std::int64_t other = 0;
};

// One reconciliation: the figures the map gives and whether they equal the report's. `possible`
// is false when the map lacks what the check needs; `reason` then says what.
struct ReconciliationCheck {
    bool possible = false;
    std::string reason;
    MemoryTotals map;
    bool agrees = false;
};

struct SectionTally {
    std::vector<TallyRow> rows;  // objects in file order, then the special rows
    MemoryTotals totals;         // over all rows
    ReconciliationCheck totalSection;
    ReconciliationCheck occupancy;  // compares ROM and RAM only
};

// Counts every section of the map and runs both reconciliation checks.
SectionTally TallySections(const MapListing& listing);

// The program-memory and data-memory addresses the map's class ranges cover (placeholder ranges,
// absolute and SFR classes excluded).
struct MapCapacity {
    std::uint64_t rom = 0;
    std::uint64_t ram = 0;
};
MapCapacity CapacityFromClassRanges(const MapListing& listing);

// Largest first by the key; equal keys keep their order.
void SortTallyRowsByRom(std::vector<TallyRow>& rows);
void SortTallyRowsByRam(std::vector<TallyRow>& rows);

inline constexpr int kTallyColumnCount = 6;
using TallyReportRow = std::array<std::string, kTallyColumnCount>;
inline constexpr std::array<const char*, kTallyColumnCount> kTallyColumnHeaders = {
    "Object file", "ROM Size", "RAM Size", "Other", "ROM %", "RAM %"};

// One row per row with a size other than 0, in order, then a blank row and the total row.
std::vector<TallyReportRow> BuildTallyReportRows(const std::vector<TallyRow>& rows,
                                                 std::int64_t romCapacity,
                                                 std::int64_t ramCapacity);

// bytes as a percentage of capacity with four decimals, halves rounded away from zero, for sizes
// beyond 32 bits; "n/a" for a capacity of 0 or less.
std::string FormatPercentWide(std::int64_t bytes, std::int64_t capacity);
