#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/size_table.h"
#include "report/report_table.h"

// The version of the JSON documents' layout; it changes only when a consumer would break.
inline constexpr int kJsonFormatVersion = 1;

// The checks of one map, as a report shows them.
struct CheckSet {
    std::string prefix;   // starts each check's label: "Old ", "New " or nothing
    std::string key;      // its member in JSON's "reconciliation" ("old", "new"); empty for one map
    std::string mapName;  // names the map in warnings
    std::vector<MapCheck> checks;
    std::vector<std::string> notes;
};

// A member of a JSON document's header: a string, or (`literal`) a number or null written as it is.
struct JsonHeaderMember {
    std::string name;
    std::string value;
    bool literal = false;
};

// Members written after "format_version" and before "rows", in this order.
using JsonHeader = std::vector<JsonHeaderMember>;

// Where a report's text goes, piece by piece as it is written.
class TextSink {
public:
    virtual void Write(std::string_view text) = 0;

protected:
    ~TextSink() = default;
};

// Keeps the text whole.
class StringSink final : public TextSink {
public:
    explicit StringSink(std::string& text) : m_text(text) {}
    void Write(std::string_view text) override { m_text.append(text); }

private:
    std::string& m_text;
};

// A report's rows in order, each handed to the visitor (which may be given the same row object
// again, refilled). A source can be run more than once: the aligned table measures its columns
// first. A report of a map with hundreds of thousands of object files is so written without its
// rows, cells or text ever being held.
using RowSource = std::function<void(const RowVisitor&)>;

// Everything a report prints: the table, and what the formats put around it.
struct ReportDocument {
    std::vector<ReportColumn> columns;
    RowSource rows;  // the rows of the map, then the blank row and the total row
    JsonHeader header;
    std::string deviceLine;        // above the table and the Markdown table: which device, and
                                   // where its capacities came from (see DeviceLine)
    std::vector<CheckSet> checks;  // under an aligned table, and JSON's "reconciliation"
};

// One line per row, the cells exactly as the window shows them joined by tabs; no heading.
void WriteTsv(const ReportDocument& document, TextSink& sink);

// The device line and a blank line, then an aligned table under the column headings (text
// left-aligned, numbers right-aligned), then the checks' lines.
void WriteTable(const ReportDocument& document, TextSink& sink);

// RFC 4180: a heading line, CR LF line ends, cells quoted where they hold a comma, a quote or a
// line break. Names keep their bytes.
void WriteCsv(const ReportDocument& document, TextSink& sink);

// The device line as a paragraph, then a Markdown pipe table; names are escaped so that they
// render as written, and the text is valid UTF-8.
void WriteMarkdown(const ReportDocument& document, TextSink& sink);

// One JSON document: the header members, "rows" (the rows of the map), "total" (the total row
// without its text columns) and, when there are checks, "reconciliation". Counts are numbers,
// percentages strings.
void WriteJson(const ReportDocument& document, TextSink& sink);

// The check lines under a table: "TOTAL section: ROM 42064 RAM 556 other 14: agrees", or
// "... disagrees (report: ...)", or "...: not possible: " and why; then the notes.
std::string FormatCheckLines(const CheckSet& checks);

// Warning lines for standard error, one per check that disagrees, naming the map; empty when
// none does.
std::string FormatDisagreementWarnings(const CheckSet& checks);

// The cell as people read it: changes carry their sign ("+120", "-8", "0").
std::string DisplayCell(const ReportColumn& column, const std::string& cell);
