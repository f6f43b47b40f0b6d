#pragma once

// What Save Report As and Open Picture decide without Windows: the kinds of file a report is
// saved as, the name a saved report is offered, and the text of the total change of two maps.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "report/map_report.h"
#include "report/report_table.h"

// A kind of file Save Report As writes: the file dialog's filter and the report's format.
struct SaveFormat {
    const wchar_t* description;  // "CSV (*.csv)"
    const wchar_t* extension;    // "csv"
    OutputFormat format;
};

// In the order the dialog offers them; the first is the one it offers first.
inline constexpr std::array<SaveFormat, 6> kSaveFormats = {{
    {L"CSV (*.csv)", L"csv", OutputFormat::kCsv},
    {L"Tab-separated values (*.tsv)", L"tsv", OutputFormat::kTsv},
    {L"Markdown (*.md)", L"md", OutputFormat::kMarkdown},
    {L"JSON (*.json)", L"json", OutputFormat::kJson},
    {L"HTML page (*.html)", L"html", OutputFormat::kHtml},
    {L"Text table (*.txt)", L"txt", OutputFormat::kTable},
}};

// The file dialog's filter: each kind's description and pattern, separated by "|", ending "||".
std::wstring SaveFilter();

// The place in kSaveFormats of the format named as the command line names it ("csv"); 0 for a
// name that is none.
std::size_t SaveFormatNamed(const std::string& name);

// The command line's name of the format at that place.
std::string SaveFormatName(std::size_t place);

// The name a report of the map is offered under: the map's name with the kind's extension in
// place of its own ("app.map" as "app.csv").
std::wstring ReportFileName(const std::wstring& mapPath, std::size_t format);

// The path chosen, with the kind's extension added when its name has none.
std::wstring WithReportExtension(const std::wstring& path, std::size_t format);

// The name of the picture of a map, or of two maps compared: "app.html", "app since old.html".
std::wstring PictureFileName(const std::wstring& mapPath, const std::wstring& olderPath);

// "ROM +120, RAM -8, other 0 bytes": the total change of a comparison, from its total row as the
// window shows it (its changes signed as people read them); empty when it has no change columns.
std::string TotalChangeText(const std::vector<ReportColumn>& columns, const TableRow& total);
