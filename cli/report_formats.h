#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "report_table.h"

// The version of the JSON documents' layout; it changes only when a consumer would break.
inline constexpr int kJsonFormatVersion = 1;

// One line per row, the cells exactly as the window shows them joined by tabs; no heading.
std::string FormatTsv(const ReportTable& table);

// An aligned table under the column headings: text left-aligned, numbers right-aligned.
std::string FormatTable(const ReportTable& table);

// RFC 4180: a heading line, CR LF line ends, cells quoted where they hold a comma, a quote or a
// line break. Names keep their bytes.
std::string FormatCsv(const ReportTable& table);

// A Markdown pipe table; names are escaped so that they render as written, and the text is
// valid UTF-8.
std::string FormatMarkdown(const ReportTable& table);

// String members written after "format_version" and before "rows", in this order.
using JsonHeader = std::vector<std::pair<std::string, std::string>>;

// One JSON document: the header members, "rows" (the object rows) and "total" (the total row
// without its text columns). Counts are numbers, percentages strings. `trailingMembers`, when
// given, is written after "total" as it is: JSON members such as "reconciliation": {...}.
std::string FormatJson(const ReportTable& table, const JsonHeader& header,
                       std::string_view trailingMembers = {});

// The cell as people read it: changes carry their sign ("+120", "-8", "0").
std::string DisplayCell(const ReportColumn& column, const std::string& cell);
