#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "size_report.h"
#include "size_table.h"

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

// A report always ends with the blank row and the total row; every row before them is an object.
RowKind RowKindAt(std::size_t index, std::size_t rowCount);

struct TableRow {
    RowKind kind;
    std::vector<std::string> cells;  // one per column, as "%d" and FormatPercent write them
};

struct ReportTable {
    std::vector<ReportColumn> columns;
    std::vector<TableRow> rows;
};

// The size report's rows (object rows, the blank row, the total row) with their five columns.
// The cells are moved out of the rows: a large map has hundreds of thousands of them.
ReportTable MakeReportTable(std::vector<ReportRow> rows);

// The total row's cell in the column with that JSON field name, or nullptr.
const std::string* FindTotalCell(const ReportTable& table, std::string_view field);
