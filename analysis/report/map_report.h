#pragma once

// A report of one map, or of two maps compared, written in any format: the one path from a
// counted map to the bytes of a report, which tallyfold-report prints and the window saves.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/device_profile.h"
#include "core/size_table.h"
#include "report/report_formats.h"
#include "report/size_report.h"

enum class OutputFormat { kTable, kTsv, kCsv, kJson, kMarkdown, kHtml };

// The formats, in the order the usage text lists them; the first is the default.
struct FormatChoice {
    std::string_view name;
    OutputFormat format;
    std::string_view description;
};

inline constexpr std::array<FormatChoice, 6> kFormatChoices = {{
    {"table", OutputFormat::kTable, "an aligned table with headers"},
    {"tsv", OutputFormat::kTsv, "one line per row, tab-separated cells, no header"},
    {"csv", OutputFormat::kCsv, "RFC 4180, a header line, CR LF line ends"},
    {"json", OutputFormat::kJson, "one document with format_version 1"},
    {"markdown", OutputFormat::kMarkdown, "a Markdown table for a pull-request comment"},
    {"html", OutputFormat::kHtml, "one self-contained HTML page: treemaps over the table"},
}};

// What a report is to show, besides the maps.
struct ReportRequest {
    DeviceSelection device;  // auto: the part the map names (see ResolveDevice)
    OutputFormat format = OutputFormat::kTable;
    ColumnOrdering sort = ColumnOrdering::kByRomSize;
    std::string mapName;     // the map (with a comparison, the new map) as the report names it
    std::string oldMapName;  // with a comparison, the old map
};

// What a written report found besides its text: its columns and total row, which budgets are
// checked against, and the checks of the maps against their own figures.
struct ReportOutcome {
    std::vector<ReportColumn> columns;
    TableRow total;
    std::vector<CheckSet> checks;
};

// Writes the report of the map counted in `table`, its rows in the request's order. The page to
// look at draws the rows in that order too, so for it the rows are sorted in place.
ReportOutcome WriteMapReport(const ReportRequest& request, SizeTable& table, TextSink& out);

// Writes the comparison of two maps, per row name (see CompareRows); the percentages are of the
// new map's sizes.
ReportOutcome WriteComparisonReport(const ReportRequest& request, const SizeTable& oldTable,
                                    const SizeTable& newTable, TextSink& out);
