#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "size_report.h"

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

enum class RowKind { kObject, kBlank, kTotal };

struct TableRow {
    RowKind kind;
    std::vector<std::string> cells;  // one per column, as "%d" and FormatPercent write them
};

struct ReportTable {
    std::vector<ReportColumn> columns;
    std::vector<TableRow> rows;
};

// The size report's rows (object rows, the blank row, the total row) with their five columns.
ReportTable MakeReportTable(const std::vector<ReportRow>& rows);

// The total row's cell in the column with that JSON field name, or nullptr.
const std::string* FindTotalCell(const ReportTable& table, std::string_view field);
