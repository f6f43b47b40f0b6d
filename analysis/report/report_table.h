#pragma once

// A report as cells: the one table that every output format prints and the window shows.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/device_profile.h"
#include "core/size_table.h"

// What a column holds. It decides alignment in the table, the JSON type and how a change is
// written; every output format works from this one description of the columns.
enum class CellType {
    kText,     // a name or a word: left-aligned, a JSON string
    kCount,    // a byte count: right-aligned, a JSON number
    kChange,   // a signed byte difference: "+120" for people, 120 for scripts
    kPercent,  // four decimals: right-aligned, a JSON string so that it reads as the table does
};

struct ReportColumn {
    std::string header;  // table, CSV and Markdown heading: "ROM Size"
    std::string field;   // JSON member name: "rom"
    CellType type;
};

struct TableRow {
    RowKind kind = RowKind::kObject;
    std::vector<std::string> cells;  // one per column
};

// Takes a report's rows one at a time.
using RowVisitor = std::function<void(TableRow&)>;

struct ReportTable {
    std::vector<ReportColumn> columns;
    std::vector<TableRow> rows;  // the rows of the map, then the blank row and the total row
};

inline constexpr const char* kTotalRowLabel = "-- Total --";

// The memories a report counts, with every name each one goes by, in the order of the columns.
struct Memory {
    MemoryKind kind;
    std::string_view label;       // in headings: "ROM" ("Old ROM", "ROM %"), "Other"
    std::string_view sizeHeader;  // the size column's heading: "ROM Size", "Other"
    std::string_view word;        // in a line of figures: "ROM 10 RAM 2 other 3"
    std::string_view field;       // in JSON: "rom" ("old_rom", "rom_percent")
    std::int64_t SizeRow::*size;
    std::int64_t MemoryTotals::*total;
    std::int64_t DeviceProfile::*capacity;  // what its percentages are of; none for other bytes
};

inline constexpr std::array<Memory, 3> kMemories = {{
    {MemoryKind::kRom, "ROM", "ROM Size", "ROM", "rom", &SizeRow::rom, &MemoryTotals::rom,
     &DeviceProfile::romCapacity},
    {MemoryKind::kRam, "RAM", "RAM Size", "RAM", "ram", &SizeRow::ram, &MemoryTotals::ram,
     &DeviceProfile::ramCapacity},
    {MemoryKind::kOther, "Other", "Other", "other", "other", &SizeRow::other, &MemoryTotals::other,
     nullptr},
}};

constexpr const Memory& MemoryOf(MemoryKind kind) {
    return kMemories[static_cast<std::size_t>(kind)];
}

static_assert(MemoryOf(MemoryKind::kRom).kind == MemoryKind::kRom &&
                  MemoryOf(MemoryKind::kRam).kind == MemoryKind::kRam &&
                  MemoryOf(MemoryKind::kOther).kind == MemoryKind::kOther,
              "the memories are in the order of their kinds");

// "ROM 65536 bytes, RAM 3328 bytes": the device's capacities.
std::string CapacitiesText(const DeviceProfile& device);

// The device, where it and its capacities came from, and the capacities when it has any:
// "18F46K22 (named in the map; capacities from the table of PIC18 parts): ROM 65536 bytes,
// RAM 3896 bytes", with the profile's note after the sources; "unknown" for a device without a
// name.
std::string DeviceDescription(const DeviceProfile& device);

// "Device: " and the DeviceDescription: the line above a report's table.
std::string DeviceLine(const DeviceProfile& device);

// The rules that count sections, with the names reports give them.
struct SectionRuleName {
    SectionRule rule;
    std::string_view name;     // in JSON's "sections" and the value of --sections: "listed"
    std::string_view meaning;  // what it counts, as the HTML page says it
    std::string_view shown;    // at the start of the window's status bar: "Listed sections"
};

inline constexpr std::array<SectionRuleName, 2> kSectionRuleNames = {{
    {SectionRule::kListed, "listed", "the section names the window counts", "Listed sections"},
    {SectionRule::kAll, "all", "every section of the map", "All sections"},
}};

constexpr const SectionRuleName& NameOf(SectionRule rule) {
    return kSectionRuleNames[static_cast<std::size_t>(rule)];
}

static_assert(NameOf(SectionRule::kListed).rule == SectionRule::kListed &&
                  NameOf(SectionRule::kAll).rule == SectionRule::kAll,
              "the rules' names are in the order of the rules");

// The views of a map, in the order the usage text and the View menu list them.
struct ViewChoice {
    std::string_view name;  // the value of --by: "object"
    MapView view;
    std::string_view header;  // the first column's heading: "Object file"
    std::string_view field;   // the first column's JSON member: "object"
    std::string_view description;
};

inline constexpr std::array<ViewChoice, 3> kViewChoices = {{
    {"object", MapView::kObjects, "Object file", "object", "one row per object file"},
    {"module", MapView::kModules, "Source file", "module",
     "one row per source file, with its functions and constants (MODULE INFORMATION)"},
    {"symbol", MapView::kSymbols, "Symbol", "symbol",
     "one row per function, constant and variable (the Symbol Table's bounds)"},
}};

const ViewChoice& ViewChoiceOf(MapView view);

// The size report's columns: the view's first column ("Object file"), "ROM Size", "RAM Size",
// "ROM %", "RAM %", with "Other" after "RAM Size" when `withOther`.
std::vector<ReportColumn> SizeReportColumns(bool withOther, MapView view = MapView::kObjects);

// The total row's cell in the column with that JSON field name; empty when there is none.
std::string TotalCell(const std::vector<ReportColumn>& columns, const TableRow& total,
                      std::string_view field);

