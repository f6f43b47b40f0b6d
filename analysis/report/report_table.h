#pragma once

// A report as cells: the one table that every output format prints and the window shows.

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

// The total row's cell in the column with that JSON field name, or nullptr.
const std::string* FindTotalCell(const ReportTable& table, std::string_view field);
