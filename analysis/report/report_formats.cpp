#include "report/report_formats.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "report/json_writer.h"
#include "text/utf8.h"
#include "text/visible_text.h"

namespace {

// Whether a cell is shown with a plus sign: a change that is not negative and not 0.
bool IsSigned(const ReportColumn& column, const std::string& cell) {
    return column.type == CellType::kChange && !cell.empty() && cell[0] != '-' && cell != "0";
}

}  // namespace

std::string DisplayCell(const ReportColumn& column, const std::string& cell) {
    return IsSigned(column, cell) ? "+" + cell : cell;
}

namespace {

// Collects a format's text and hands it to the sink in pieces of about 64 KiB, so that a report
// of any length is written without being held.
class CPieceWriter {
public:
    explicit CPieceWriter(TextSink& sink) : m_sink(sink) { m_text.reserve(kPieceSize + 1024); }

    std::string& Text() { return m_text; }

    // Called after each line: a full piece goes out.
    void LineDone() {
        if (m_text.size() >= kPieceSize) {
            Flush();
        }
    }

    void Flush() {
        if (!m_text.empty()) {
            m_sink.Write(m_text);
            m_text.clear();
        }
    }

private:
    static constexpr std::size_t kPieceSize = 64 * 1024;
    TextSink& m_sink;
    std::string m_text;
};

void AppendDisplayCell(std::string& text, const ReportColumn& column, const std::string& cell) {
    if (IsSigned(column, cell)) {
        text += '+';
    }
    text += cell;
}

// The first column starts the line; every later one is two spaces away from the one before.
// Spaces at the end of the line are left out.
void AppendAlignedLine(std::string& text, const std::vector<ReportColumn>& columns,
                       const std::vector<std::string>& cells,
                       const std::vector<std::size_t>& widths, bool display) {
    for (std::size_t column = 0; column < cells.size(); ++column) {
        const std::string& cell = cells[column];
        const std::size_t shown = cell.size() + (display && IsSigned(columns[column], cell));
        const std::size_t fill = widths[column] - std::min(widths[column], shown);
        if (column > 0) {
            text.append(2, ' ');
        }
        if (columns[column].type == CellType::kText) {
            text += cell;
            text.append(fill, ' ');
        } else {
            text.append(fill, ' ');
            if (display) {
                AppendDisplayCell(text, columns[column], cell);
            } else {
                text += cell;
            }
        }
    }
    text.erase(text.find_last_not_of(' ') + 1);
    text += '\n';
}

void AppendCsvCell(std::string& line, const std::string& cell) {
    if (cell.find_first_of(",\"\r\n") == std::string::npos) {
        line += cell;
        return;
    }
    line += '"';
    for (const char c : cell) {
        if (c == '"') {
            line += '"';
        }
        line += c;
    }
    line += '"';
}

// Every ASCII punctuation character that means something inside a table cell (emphasis, code,
// links, HTML, entities, the cell separator, maths) is escaped, so that a path reads as written.
void AppendMarkdownText(std::string& text, const std::string& plain) {
    static const char kSpecial[] = "\\`*_[]<>|~&!$";
    for (const char c : ToValidUtf8(plain)) {
        if (c != '\0' && std::strchr(kSpecial, c) != nullptr) {
            text += '\\';
        }
        text += c;
    }
}

void AppendMarkdownCell(std::string& text, const std::string& cell) {
    text += "| ";
    AppendMarkdownText(text, cell);
    text += ' ';
}

void AppendJsonValue(std::string& text, const ReportColumn& column, const std::string& cell) {
    if (column.type == CellType::kCount || column.type == CellType::kChange) {
        text += cell.empty() ? "null" : cell;
    } else {
        AppendJsonString(text, cell);
    }
}

void AppendJsonRow(std::string& text, const std::vector<ReportColumn>& columns, const TableRow& row,
                   bool withText) {
    text += '{';
    bool first = true;
    for (std::size_t column = 0; column < columns.size(); ++column) {
        const ReportColumn& description = columns[column];
        if (!withText && description.type == CellType::kText) {
            continue;
        }
        if (!first) {
            text += ", ";
        }
        first = false;
        AppendJsonString(text, description.field);
        text += ": ";
        AppendJsonValue(text, description, row.cells[column]);
    }
    text += '}';
}

std::vector<std::string> Headers(const std::vector<ReportColumn>& columns) {
    std::vector<std::string> headers;
    for (const ReportColumn& column : columns) {
        headers.push_back(column.header);
    }
    return headers;
}

}  // namespace

void WriteTsv(const ReportDocument& document, TextSink& sink) {
    CPieceWriter writer(sink);
    std::string& text = writer.Text();
    document.rows([&](TableRow& row) {
        for (std::size_t column = 0; column < row.cells.size(); ++column) {
            if (column > 0) {
                text += '\t';
            }
            text += row.cells[column];
        }
        text += '\n';
        writer.LineDone();
    });
    writer.Flush();
}

namespace {

std::string Figures(const MemoryTotals& totals, bool withOther) {
    return FiguresText(totals, withOther, " ");
}

std::string CheckLine(const std::string& label, const MapCheck& check) {
    if (!check.possible) {
        return label + ": not possible: " + check.reason + "\n";
    }
    if (!check.hasFigures) {
        return label + (check.agrees ? ": agrees" : ": disagrees") +
               (check.detail.empty() ? "" : " (" + check.detail + ")") + "\n";
    }
    const std::string line = label + ": " + Figures(check.map, check.withOther);
    if (check.agrees) {
        return line + ": agrees\n";
    }
    return line + ": disagrees (report: " + Figures(check.report, check.withOther) + ")\n";
}

void AppendCheckJson(std::string& text, const MapCheck& check) {
    if (!check.possible) {
        text += "null";
        return;
    }
    text += '{';
    if (check.hasFigures) {
        for (const Memory& memory : kMemories) {
            if (memory.capacity != nullptr || check.withOther) {
                AppendJsonString(text, memory.field);
                text += ": " + std::to_string(check.map.*memory.total) + ", ";
            }
        }
    } else if (!check.detail.empty()) {
        text += "\"detail\": ";
        AppendJsonString(text, check.detail);
        text += ", ";
    }
    text += std::string("\"agrees\": ") + (check.agrees ? "true" : "false") + "}";
}

// A JSON object with one member per item: its name, then its value as `appendValue` writes it.
template <typename Items, typename NameOf, typename AppendValue>
void AppendJsonObject(std::string& text, const Items& items, NameOf nameOf,
                      AppendValue appendValue) {
    text += '{';
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += i > 0 ? ", " : "";
        AppendJsonString(text, nameOf(items[i]));
        text += ": ";
        appendValue(text, items[i]);
    }
    text += '}';
}

void AppendCheckSetJson(std::string& text, const CheckSet& checks) {
    AppendJsonObject(
        text, checks.checks, [](const MapCheck& check) { return check.field; }, AppendCheckJson);
}

}  // namespace

std::string FormatCheckLines(const CheckSet& checks) {
    std::string text;
    for (const MapCheck& check : checks.checks) {
        text += CheckLine(checks.prefix + check.label, check);
    }
    for (const std::string& note : checks.notes) {
        text += checks.prefix + note + "\n";
    }
    return text;
}

std::string FormatDisagreementWarnings(const CheckSet& checks) {
    std::string text;
    for (const MapCheck& check : checks.checks) {
        if (!check.possible || check.agrees) {
            continue;
        }
        std::string name;
        AssignVisibleName(name, checks.mapName);
        text += "tallyfold-report: warning: " + name + ": ";
        text += check.hasFigures ? "the report disagrees with " + check.source + ": " +
                                       Figures(check.map, check.withOther) + " there, " +
                                       Figures(check.report, check.withOther) + " in the report"
                                 : check.detail;
        text += "\n";
    }
    return text;
}

void WriteTable(const ReportDocument& document, TextSink& sink) {
    const std::vector<ReportColumn>& columns = document.columns;
    const std::vector<std::string> headers = Headers(columns);
    // A first pass over the rows measures the columns; the second writes them.
    std::vector<std::size_t> widths;
    for (const std::string& header : headers) {
        widths.push_back(header.size());
    }
    document.rows([&](TableRow& row) {
        for (std::size_t column = 0; column < widths.size(); ++column) {
            const std::string& cell = row.cells[column];
            widths[column] =
                std::max(widths[column], cell.size() + IsSigned(columns[column], cell));
        }
    });
    CPieceWriter writer(sink);
    std::string& text = writer.Text();
    if (!document.deviceLine.empty()) {
        text += document.deviceLine + "\n\n";
    }
    AppendAlignedLine(text, columns, headers, widths, false);
    document.rows([&](TableRow& row) {
        AppendAlignedLine(text, columns, row.cells, widths, true);
        writer.LineDone();
    });
    std::string checks;
    for (const CheckSet& set : document.checks) {
        checks += FormatCheckLines(set);
    }
    if (!checks.empty()) {
        text += "\n" + checks;
    }
    writer.Flush();
}

void WriteCsv(const ReportDocument& document, TextSink& sink) {
    CPieceWriter writer(sink);
    std::string& text = writer.Text();
    const std::vector<ReportColumn>& columns = document.columns;
    for (std::size_t column = 0; column < columns.size(); ++column) {
        text += column > 0 ? "," : "";
        AppendCsvCell(text, columns[column].header);
    }
    text += "\r\n";
    document.rows([&](TableRow& row) {
        for (std::size_t column = 0; column < row.cells.size(); ++column) {
            text += column > 0 ? "," : "";
            // A sign never needs quoting.
            if (IsSigned(columns[column], row.cells[column])) {
                text += '+';
            }
            AppendCsvCell(text, row.cells[column]);
        }
        text += "\r\n";
        writer.LineDone();
    });
    writer.Flush();
}

void WriteMarkdown(const ReportDocument& document, TextSink& sink) {
    CPieceWriter writer(sink);
    std::string& text = writer.Text();
    if (!document.deviceLine.empty()) {
        AppendMarkdownText(text, document.deviceLine);
        text += "\n\n";
    }
    const std::vector<ReportColumn>& columns = document.columns;
    for (const ReportColumn& column : columns) {
        AppendMarkdownCell(text, column.header);
    }
    text += "|\n";
    for (const ReportColumn& column : columns) {
        text += column.type == CellType::kText ? "| --- " : "| ---: ";
    }
    text += "|\n";
    std::string shown;
    document.rows([&](TableRow& row) {
        for (std::size_t column = 0; column < row.cells.size(); ++column) {
            shown.clear();
            AppendDisplayCell(shown, columns[column], row.cells[column]);
            AppendMarkdownCell(text, shown);
        }
        text += "|\n";
        writer.LineDone();
    });
    writer.Flush();
}

void WriteJson(const ReportDocument& document, TextSink& sink) {
    CPieceWriter writer(sink);
    std::string& text = writer.Text();
    text += "{\n  \"format_version\": " + std::to_string(kJsonFormatVersion) + ",\n";
    for (const JsonHeaderMember& member : document.header) {
        text += "  ";
        AppendJsonString(text, member.name);
        text += ": ";
        if (member.literal) {
            text += member.value;
        } else {
            AppendJsonString(text, member.value);
        }
        text += ",\n";
    }
    text += "  \"rows\": [";
    bool first = true;
    std::optional<TableRow> total;
    document.rows([&](TableRow& row) {
        if (row.kind == RowKind::kTotal) {
            total = row;
        }
        if (row.kind != RowKind::kObject && row.kind != RowKind::kSpecial) {
            return;
        }
        text += first ? "\n    " : ",\n    ";
        first = false;
        AppendJsonRow(text, document.columns, row, true);
        writer.LineDone();
    });
    text += first ? "],\n" : "\n  ],\n";
    text += "  \"total\": ";
    if (total) {
        AppendJsonRow(text, document.columns, *total, false);
    } else {
        text += "null";
    }
    if (!document.checks.empty()) {
        text += ",\n  \"reconciliation\": ";
        if (document.checks.size() == 1 && document.checks[0].key.empty()) {
            AppendCheckSetJson(text, document.checks[0]);
        } else {
            AppendJsonObject(
                text, document.checks, [](const CheckSet& set) { return set.key; },
                AppendCheckSetJson);
        }
    }
    text += "\n}\n";
    writer.Flush();
}
