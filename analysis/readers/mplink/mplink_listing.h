#pragma once

// What a map of the MPLINK family holds, read line by line: its header, the Section Info table,
// the program memory usage and the symbols.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/lines.h"

// What the first lines make of a map: none of this family, a map, or a failed link's error map.
enum class MplinkHeaderKind { kNone, kMap, kErrorMap };

struct MplinkHeader {
    MplinkHeaderKind kind = MplinkHeaderKind::kNone;
    long titleLine = 0;          // of the "... Map File ..." line
    std::string_view titleText;  // that line
};

// Reads the header from the first lines that are not blank: a linker line ("MPLINK 4.46,
// Linker", "gplink-1.4.0 ...") followed by "Linker Map File - Created ...", "Map File - Created
// ..." or a failed link's "Linker Error Map File ...". The lines are left after the title.
MplinkHeader ReadMplinkHeader(CTextLines& lines);

// A line of the Section Info table.
struct MplinkSection {
    long line = 0;
    std::string_view name;
    std::string_view type;
    std::uint64_t address = 0;
    std::uint64_t size = 0;
    bool program = false;  // program memory, else data memory
};

// A symbol of the first symbol table of the map (both list the same symbols).
struct MplinkSymbol {
    std::string_view name;
    std::uint64_t address = 0;
    bool program = false;
    std::string_view file;  // as the map spells it; empty for a label the linker made
};

struct UsageRange {
    std::uint64_t first = 0;
    std::uint64_t last = 0;  // included
};

// The map's tables; views into its bytes.
struct MplinkListing {
    std::vector<MplinkSection> sections;
    bool hasUsage = false;
    std::vector<UsageRange> usage;
    bool hasUsedCount = false;
    std::uint64_t usedCount = 0;
    bool hasSymbols = false;
    std::vector<MplinkSymbol> symbols;
};

// Reads the tables from the lines after the header. Throws MapError naming the line of one that
// cannot be read, and when the map has no Section Info table.
MplinkListing ReadMplinkListing(CTextLines& lines, const std::string& fileName);

// "0x" and at most eight hexadecimal digits of either case, as the family writes addresses.
bool ParseMplinkHex(std::string_view word, std::uint64_t& value);

// The symbols of each memory, in order of address (the order of the listing where equal).
class CSymbolsByAddress {
public:
    using Iterator = std::vector<const MplinkSymbol*>::const_iterator;

    explicit CSymbolsByAddress(const std::vector<MplinkSymbol>& symbols);

    const std::vector<const MplinkSymbol*>& Data() const { return m_data; }

    // The symbols of the section's memory that lie inside it.
    std::pair<Iterator, Iterator> In(const MplinkSection& section) const;

private:
    std::vector<const MplinkSymbol*> m_program;
    std::vector<const MplinkSymbol*> m_data;
};
