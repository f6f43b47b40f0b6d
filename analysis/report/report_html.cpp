#include "report/report_html.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <string_view>
#include <vector>

#include "report/html_text.h"
#include "report/html_treemap.h"
#include "report/report_formats.h"

namespace {

constexpr const char* kStyle = R"(
body{font:14px/1.45 system-ui,-apple-system,"Segoe UI",Roboto,"Noto Sans",sans-serif;color:#1b1b1b;background:#fff;max-width:1000px;margin:24px auto;padding:0 16px}
h1{font-size:20px;margin:0 0 4px;overflow-wrap:anywhere}
h2{font-size:16px;margin:0}
.sub{margin:0;color:#444}
figure{margin:24px 0}
figcaption{display:flex;flex-wrap:wrap;gap:4px 14px;align-items:baseline;margin-bottom:6px}
svg.treemap{display:block;width:100%;height:auto;border:1px solid #8a8a8a}
svg.treemap rect{stroke:#fff;stroke-width:1}
svg.treemap text{pointer-events:none;fill:#1b1b1b;font-family:ui-monospace,"Cascadia Mono",Consolas,"DejaVu Sans Mono","Liberation Mono",Menlo,monospace;font-size:11px}
.legend{display:flex;flex-wrap:wrap;gap:4px 18px;list-style:none;margin:6px 0 0;padding:0;font-size:13px}
.legend svg{vertical-align:-2px;margin-right:5px}
.note{font-size:13px;color:#444;margin:6px 0 0}
.wide{overflow-x:auto}
table{border-collapse:collapse;margin:8px 0 16px;font-variant-numeric:tabular-nums}
th,td{padding:2px 10px;border-bottom:1px solid #ddd;text-align:left;white-space:nowrap}
th{border-bottom:2px solid #8a8a8a}
.num{text-align:right}
tfoot td{font-weight:600;border-top:2px solid #8a8a8a;border-bottom:0}
tr.special td:first-child{color:#7a4300}
.grew{color:#a1261b}
.shrank{color:#1d5799}
dl{display:grid;grid-template-columns:max-content 1fr;gap:2px 14px;margin:8px 0}
dt{color:#444}
dd{margin:0;overflow-wrap:anywhere}
.disagrees{color:#a1261b;font-weight:600}
)";

// The heights of the memories' pictures, in the order of the memories.
constexpr int kPictureHeights[] = {400, 300, 200};
static_assert(std::size(kPictureHeights) == kMemories.size(), "every memory has its picture");

class CHtmlWriter {
public:
    explicit CHtmlWriter(const HtmlReport& report)
        : m_report(report),
          m_sizes(report.sizes != nullptr ? *report.sizes : kNoSizes),
          m_treemaps(report, m_sizes, m_out) {}

    std::string Write() {
        const std::string shortName(ShortName(m_report.fileName));
        m_out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
        // Nothing is to be loaded from anywhere, and no script is to run.
        m_out +=
            "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
            "style-src 'unsafe-inline'; base-uri 'none'; form-action 'none'\">\n";
        m_out += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
        m_out += "<title>" + std::string(Diff() ? "Size changes: " : "Size report: ") +
                 Html(shortName) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
        m_out += "<h1>" + std::string(Diff() ? "Size changes: " : "Size report: ") +
                 Html(m_report.fileName) + "</h1>\n";
        if (Diff()) {
            m_out += "<p class=\"sub\">compared with " + Html(m_report.oldFileName) + "</p>\n";
        } else {
            m_treemaps.AppendLegend(m_report.table != nullptr && !m_report.table->columns.empty()
                                        ? m_report.table->columns[0].header
                                        : ViewChoiceOf(MapView::kObjects).header);
        }
        // Other bytes get a picture only when there are any.
        const bool anyOther = std::any_of(m_sizes.rows.begin(), m_sizes.rows.end(),
                                          [](const SizeRow& row) { return row.other > 0; });
        for (std::size_t m = 0; m < kMemories.size(); ++m) {
            if (kMemories[m].capacity != nullptr || anyOther) {
                m_treemaps.AppendPicture(kMemories[m].kind, kPictureHeights[m]);
            }
        }
        AppendTable();
        AppendFacts();
        AppendChecks();
        m_out += "</body>\n</html>\n";
        return std::move(m_out);
    }

private:
    bool Diff() const { return m_report.changes != nullptr; }

    static std::size_t RowsShown(const ReportTable& table) {
        return static_cast<std::size_t>(
            std::count_if(table.rows.begin(), table.rows.end(), [](const TableRow& row) {
                return row.kind == RowKind::kObject || row.kind == RowKind::kSpecial;
            }));
    }

    void AppendTable() {
        if (m_report.table == nullptr) {
            return;
        }
        const ReportTable& table = *m_report.table;
        m_out += "<h2>Table</h2>\n<div class=\"wide\">\n<table>\n<thead><tr>";
        for (const ReportColumn& column : table.columns) {
            m_out += column.type == CellType::kText ? "<th>" : "<th class=\"num\">";
            m_out += Html(column.header) + "</th>";
        }
        m_out += "</tr></thead>\n<tbody>\n";
        std::string footer;
        for (const TableRow& row : table.rows) {
            if (row.kind == RowKind::kBlank) {
                continue;
            }
            std::string line = row.kind == RowKind::kSpecial ? "<tr class=\"special\">" : "<tr>";
            for (std::size_t column = 0; column < table.columns.size(); ++column) {
                const ReportColumn& description = table.columns[column];
                const std::string cell = column < row.cells.size()
                                             ? DisplayCell(description, row.cells[column])
                                             : std::string();
                if (description.type == CellType::kText) {
                    line += "<td>";
                } else if (description.type == CellType::kChange && !cell.empty() &&
                           (cell[0] == '+' || cell[0] == '-')) {
                    line +=
                        cell[0] == '+' ? "<td class=\"num grew\">" : "<td class=\"num shrank\">";
                } else {
                    line += "<td class=\"num\">";
                }
                line += Html(cell) + "</td>";
            }
            line += "</tr>\n";
            (row.kind == RowKind::kTotal ? footer : m_out) += line;
        }
        m_out += "</tbody>\n<tfoot>\n" + footer + "</tfoot>\n</table>\n</div>\n";
        if (m_report.rowsLeftOut > 0) {
            const std::size_t shown = RowsShown(table);
            m_out += "<p class=\"note\">The table shows the first " + std::to_string(shown) +
                     " of " + std::to_string(shown + m_report.rowsLeftOut) +
                     " rows, the largest first; the total counts them all. Every row is in the "
                     "CSV or JSON report (tallyfold-report --format csv or --format json).</p>\n";
        }
    }

    void AppendFacts() {
        const DeviceProfile& device = m_report.device;
        const std::string name(device.name);
        m_out += "<dl>\n";
        if (Diff()) {
            m_out += "<dt>Old map</dt><dd>" + Html(m_report.oldFileName) + "</dd>\n";
            m_out += "<dt>New map</dt><dd>" + Html(m_report.fileName) + "</dd>\n";
        } else {
            m_out += "<dt>Map</dt><dd>" + Html(m_report.fileName) + "</dd>\n";
        }
        m_out += "<dt>Device</dt><dd>" + Html(DeviceDescription(device)) + "</dd>\n";
        const MapFacts& facts = m_sizes.facts;
        if (!facts.device.empty() && facts.device != name) {
            m_out += "<dt>The map names</dt><dd>" + Html(facts.device) + "</dd>\n";
        }
        const SectionRuleName& rule = NameOf(m_sizes.rule);
        m_out += "<dt>Sections counted</dt><dd>" + std::string(rule.name) + ": " +
                 std::string(rule.meaning) + "</dd>\n<dt>Made</dt><dd>" + Html(m_report.time) +
                 "</dd>\n</dl>\n";
    }

    static std::string CheckFigures(const MemoryTotals& totals, bool withOther) {
        return FiguresText(totals, withOther, " ");
    }

    // "ROM +12, RAM -3": what the report counts beyond the map's own figure.
    static std::string Differences(const MemoryTotals& report, const MemoryTotals& map,
                                   bool withOther) {
        std::string text;
        for (const Memory& memory : kMemories) {
            const std::int64_t a = report.*memory.total;
            const std::int64_t b = map.*memory.total;
            if ((memory.capacity != nullptr || withOther) && a != b) {
                // In unsigned arithmetic, where the difference of any two sizes is defined.
                const auto difference = static_cast<std::int64_t>(static_cast<std::uint64_t>(a) -
                                                                  static_cast<std::uint64_t>(b));
                text += (text.empty() ? "" : ", ") + std::string(memory.word) + " " +
                        Signed(difference);
            }
        }
        return text;
    }

    void AppendCheckLines(const SizeTable& sizes, const std::string& prefix) {
        const MemoryTotals report = TotalsOf(sizes);
        for (const MapCheck& check : sizes.facts.checks) {
            const std::string label = Html(prefix + check.label);
            if (!check.possible) {
                m_out += "<li>" + label + ": not possible: " + Html(check.reason) + "</li>\n";
            } else if (!check.hasFigures) {
                m_out += std::string("<li class=\"") + (check.agrees ? "agrees" : "disagrees") +
                         "\">" + label + (check.agrees ? ": agrees" : ": disagrees") +
                         (check.detail.empty() ? "" : " (" + Html(check.detail) + ")") + "</li>\n";
            } else if (check.agrees) {
                m_out += "<li class=\"agrees\">" + label + ": " +
                         CheckFigures(check.map, check.withOther) + ": agrees</li>\n";
            } else {
                m_out += "<li class=\"disagrees\">" + label + ": " +
                         CheckFigures(check.map, check.withOther) + ": disagrees by " +
                         Differences(report, check.map, check.withOther) + " (the report counts " +
                         CheckFigures(report, check.withOther) + ")</li>\n";
            }
        }
        for (const std::string& note : sizes.facts.notes) {
            m_out += "<li>" + Html(prefix + note) + "</li>\n";
        }
    }

    void AppendChecks() {
        m_out += "<h2>Checks against the map's own figures</h2>\n<ul class=\"checks\">\n";
        const std::size_t start = m_out.size();
        if (Diff() && m_report.oldSizes != nullptr) {
            AppendCheckLines(*m_report.oldSizes, "Old ");
            AppendCheckLines(m_sizes, "New ");
        } else {
            AppendCheckLines(m_sizes, "");
        }
        if (m_out.size() == start) {
            m_out += "<li>none: the map was not read for figures of its own</li>\n";
        }
        m_out += "</ul>\n";
    }

    static const SizeTable kNoSizes;

    const HtmlReport& m_report;
    const SizeTable& m_sizes;
    std::string m_out;
    CHtmlTreemaps m_treemaps;
};

const SizeTable CHtmlWriter::kNoSizes{};

}  // namespace

std::string FormatHtml(const HtmlReport& report) {
    return CHtmlWriter(report).Write();
}

SourceDateEpoch ReadSourceDateEpoch(const char* value) {
    SourceDateEpoch epoch;
    if (value == nullptr || *value == '\0') {
        return epoch;
    }
    const std::string_view text(value);
    std::int64_t seconds = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || seconds > kLastSourceDateEpoch) {
            seconds = -1;
            break;
        }
        seconds = seconds * 10 + (c - '0');
    }
    if (seconds < 0 || seconds > kLastSourceDateEpoch) {
        epoch.problem = "SOURCE_DATE_EPOCH '" + std::string(text) +
                        "' is not a number of seconds since 1970 (digits only, at most " +
                        std::to_string(kLastSourceDateEpoch) + ")";
        return epoch;
    }
    epoch.seconds = seconds;
    return epoch;
}

std::string ReportTime() {
    const SourceDateEpoch epoch = ReadSourceDateEpoch(std::getenv("SOURCE_DATE_EPOCH"));
    if (!epoch.problem.empty()) {
        return "unknown time (" + epoch.problem + ")";
    }
    const std::time_t now =
        epoch.seconds ? static_cast<std::time_t>(*epoch.seconds) : std::time(nullptr);
    const std::tm* utc = std::gmtime(&now);  // the report runs on one thread
    char text[32] = "unknown time";
    if (utc != nullptr) {
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", utc);
    }
    return text;
}
