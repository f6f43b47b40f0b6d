#pragma once

// The one model of a map's sizes. Every reader (the listed token scan, the complete tally, and
// the readers of other map families and views) fills a SizeTable; sorting, the report rows, every
// output format, --diff and the window all work from it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/large_pages.h"
#include "core/memory_regions.h"

// Where a section's bytes live: program memory, data memory, or neither (configuration words,
// ID locations, EEPROM data).
enum class MemoryKind : std::uint8_t { kRom, kRam, kOther };

// What a row stands for. Readers make only kObject and kSpecial rows; report tables add the
// blank row and the total row after them.
enum class RowKind : std::uint8_t {
    kObject,   // a part of the program the map names: an object file, a source file, a symbol
    kSpecial,  // bytes the map gives no such owner, labelled in angle brackets: "<COMMON buf>"
    kBlank,
    kTotal,
};

// Which sections counted: the 27 listed names, or every section of the map.
enum class SectionRule : std::uint8_t { kListed, kAll };

// What the rows of a table are: the object files of the map, its source files (their functions
// and constants), or its functions and variables one by one; or the regions of its memory.
enum class MapView : std::uint8_t { kObjects, kModules, kSymbols, kRegions };

// One row of a map: a name and the bytes it takes.
struct SizeRow {
    std::string_view name;  // held by the table's name store
    RowKind kind = RowKind::kObject;
    std::uint32_t id = 0;  // its place in file order, which sorting does not change
    std::int64_t rom = 0;
    std::int64_t ram = 0;
    std::int64_t other = 0;
};

// One piece of a row, for views that show what a row is made of (an object file's sections, a
// source file's functions). Readers that have no such detail leave the parts empty.
struct SizePart {
    std::uint32_t rowId = 0;  // SizeRow::id of the row it belongs to
    std::string_view name;
    MemoryKind memory = MemoryKind::kRom;
    std::uint64_t address = 0;  // of its first byte (bit sections: byte address), 0 if unknown
    std::int64_t bytes = 0;
};

struct MemoryTotals {
    std::int64_t rom = 0;
    std::int64_t ram = 0;
    std::int64_t other = 0;

    bool operator==(const MemoryTotals& b) const {
        return rom == b.rom && ram == b.ram && other == b.other;
    }
    bool operator!=(const MemoryTotals& b) const { return !(*this == b); }
};

void AddBytes(MemoryTotals& totals, MemoryKind memory, std::int64_t bytes);

// The totals as people read them, the figures apart by `separator`: "ROM 10 RAM 2 other 3" with
// " ", "ROM 10, RAM 2, other 3" with ", "; other bytes only when `withOther`.
std::string FiguresText(const MemoryTotals& totals, bool withOther, std::string_view separator);

// The report checking itself against one of the map's own figures.
struct MapCheck {
    std::string label;   // "TOTAL section": starts the check's line under a table
    std::string field;   // "total_section": its member in JSON
    std::string source;  // "the map's TOTAL section": what a warning says the report differs from
    bool possible = false;  // false when the map lacks what the check needs; `reason` says what
    std::string reason;
    bool agrees = false;
    // Figures: the map's and the report's, compared (other bytes only when withOther). A check
    // that compares no figures (hasFigures false) says in `detail` what it found.
    bool hasFigures = true;
    bool withOther = true;
    MemoryTotals map;
    MemoryTotals report;
    std::string detail;
};

// A check not yet made: its line's label, its JSON member and what it compares with.
inline MapCheck NewCheck(std::string label, std::string field, std::string source = {}) {
    MapCheck check;
    check.label = std::move(label);
    check.field = std::move(field);
    check.source = std::move(source);
    return check;
}

// What the map says about itself.
struct MapFacts {
    std::string device;  // the device the map names ("18F4520"); empty when it names none
    bool hasCapacity = false;
    std::int64_t romCapacity = 0;  // of the map's own memory ranges, when hasCapacity
    std::int64_t ramCapacity = 0;
    std::vector<MapCheck> checks;
    // Further lines a report shows under its checks ("registers left out: 160 bytes (...)").
    std::vector<std::string> notes;
};

// Names of rows and parts, copied once into blocks that never move, so that the views into them
// stay valid however many are added: one allocation per block rather than one per name.
class CNameStore {
public:
    CNameStore() = default;
    CNameStore(CNameStore&&) = default;
    CNameStore& operator=(CNameStore&&) = default;
    CNameStore(const CNameStore&) = delete;
    CNameStore& operator=(const CNameStore&) = delete;

    std::string_view Add(std::string_view name);

    // Makes the names added next go into one block of `bytes` bytes, where room that is never
    // used costs no memory (and whole large pages of it are asked for as such).
    void Reserve(std::size_t bytes);

private:
    // Room reserved for many names: whole large pages of its own, given back with the store.
    struct LargeBlockFree {
        std::size_t bytes = 0;
        void operator()(char* block) const;
    };

    static constexpr std::size_t kBlockSize = 64 * 1024;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::vector<std::unique_ptr<char, LargeBlockFree>> m_largeBlocks;
    char* m_free = nullptr;
    std::size_t m_left = 0;
};

// A map's rows. A large map's room for them is whole large pages of its own (see large_pages.h).
using SizeRows = std::vector<SizeRow, CLargePageAllocator<SizeRow>>;

struct SizeTable {
    SectionRule rule = SectionRule::kListed;
    MapView view = MapView::kObjects;
    SizeRows rows;  // in file order until sorted; special rows after the objects
    std::vector<SizePart> parts;
    MapFacts facts;
    CNameStore names;
    // Where the map's memory lies, as far as the reader knows it when it keeps the parts: the
    // rows of the view by region (whose table rows stay those of the complete tally, which its
    // totals are of), and the address bars of the page to look at.
    std::vector<MemoryRegion> regions;

    // Appends a row named `name` (copied into the store) with its id, and returns it.
    SizeRow& AddRow(std::string_view name, RowKind kind);

    // Makes room, before a reader fills the table from a map of `mapBytes` bytes, for as many
    // rows and names as such a map is likely to hold at most, so that they are not copied as
    // they grow. Only untouched room: a table that needs more grows as usual.
    void ReserveFor(std::size_t mapBytes);
};

// How many rows a map of `mapBytes` bytes is likely to hold at most, for making room for them
// before it is read: a map takes some hundreds of bytes for each object file (its name on the
// linker's command line, its records in the table, their class totals). Generous, and capped,
// because where memory is committed when it is allocated (Windows), room never used still counts
// against the system's limit.
std::size_t LikelyRowsAtMost(std::size_t mapBytes);

// Adds the bytes to the row's size of that memory.
void AddBytes(SizeRow& row, MemoryKind memory, std::int64_t bytes);

// The sum of two sizes as the rule counts: the listed rule's sums are 32-bit two's-complement
// values that wrap, as the window has always shown them; every other rule counts in 64 bits.
std::int64_t SumSizes(SectionRule rule, std::int64_t a, std::int64_t b);

// The totals of the rows, summed as the table's rule counts.
MemoryTotals TotalsOf(const SizeTable& table);
