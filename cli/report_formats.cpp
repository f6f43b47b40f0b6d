#include "report_formats.h"

#include <algorithm>
#include <cstring>

#include "json_writer.h"

std::string DisplayCell(const ReportColumn& column, const std::string& cell) {
    if (column.type == CellType::kChange && !cell.empty() && cell[0] != '-' && cell != "0") {
        return "+" + cell;
    }
    return cell;
}

std::string FormatTsv(const ReportTable& table) {
    // Sized first: for a large map the text runs to megabytes, and growing it step by step
    // would copy it over and over.
    std::size_t length = 0;
    for (const TableRow& row : table.rows) {
        for (const std::string& cell : row.cells) {
            length += cell.size() + 1;
        }
    }
    std::string text;
    text.reserve(length);
    for (const TableRow& row : table.rows) {
        for (std::size_t column = 0; column < row.cells.size(); ++column) {
            if (column > 0) {
                text += '\t';
            }
            text += row.cells[column];
        }
        text += '\n';
    }
    return text;
}

namespace {

std::vector<std::string> DisplayCells(const ReportTable& table, const TableRow& row) {
    std::vector<std::string> cells;
    cells.reserve(row.cells.size());
    for (std::size_t column = 0; column < row.cells.size(); ++column) {
        cells.push_back(DisplayCell(table.columns[column], row.cells[column]));
    }
    return cells;
}

std::vector<std::string> Headers(const ReportTable& table) {
    std::vector<std::string> headers;
    for (const ReportColumn& column : table.columns) {
        headers.push_back(column.header);
    }
    return headers;
}

// The first column starts the line; every later one is two spaces away from the one before.
void AppendAlignedLine(std::string& text, const ReportTable& table,
                       const std::vector<std::string>& cells,
                       const std::vector<std::size_t>& widths) {
    std::string line;
    for (std::size_t column = 0; column < cells.size(); ++column) {
        const std::string& cell = cells[column];
        const std::size_t fill = widths[column] - std::min(widths[column], cell.size());
        if (column > 0) {
            line.append(2, ' ');
        }
        if (table.columns[column].type == CellType::kText) {
            line += cell;
            line.append(fill, ' ');
        } else {
            line.append(fill, ' ');
            line += cell;
        }
    }
    line.erase(line.find_last_not_of(' ') + 1);
    text += line;
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

void AppendCsvLine(std::string& text, const std::vector<std::string>& cells) {
    for (std::size_t column = 0; column < cells.size(); ++column) {
        if (column > 0) {
            text += ',';
        }
        AppendCsvCell(text, cells[column]);
    }
    text += "\r\n";
}

// Every ASCII punctuation character that means something inside a table cell (emphasis, code,
// links, HTML, entities, the cell separator, maths) is escaped, so that a path reads as written.
std::string EscapeMarkdown(const std::string& cell) {
    static const char kSpecial[] = "\\`*_[]<>|~&!$";
    std::string text;
    for (const char c : ToValidUtf8(cell)) {
        if (c != '\0' && std::strchr(kSpecial, c) != nullptr) {
            text += '\\';
        }
        text += c;
    }
    return text;
}

void AppendMarkdownLine(std::string& text, const std::vector<std::string>& cells) {
    for (const std::string& cell : cells) {
        text += "| ";
        text += cell;
        text += ' ';
    }
    text += "|\n";
}

void AppendJsonValue(std::string& text, const ReportColumn& column, const std::string& cell) {
    if (column.type == CellType::kCount || column.type == CellType::kChange) {
        text += cell.empty() ? "null" : cell;
    } else {
        AppendJsonString(text, cell);
    }
}

void AppendJsonRow(std::string& text, const ReportTable& table, const TableRow& row,
                   bool withText) {
    text += '{';
    bool first = true;
    for (std::size_t column = 0; column < table.columns.size(); ++column) {
        const ReportColumn& description = table.columns[column];
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

}  // namespace

std::string FormatTable(const ReportTable& table) {
    const std::vector<std::string> headers = Headers(table);
    std::vector<std::size_t> widths;
    for (const std::string& header : headers) {
        widths.push_back(header.size());
    }
    std::vector<std::vector<std::string>> lines;
    lines.reserve(table.rows.size());
    for (const TableRow& row : table.rows) {
        lines.push_back(DisplayCells(table, row));
        for (std::size_t column = 0; column < widths.size(); ++column) {
            widths[column] = std::max(widths[column], lines.back()[column].size());
        }
    }
    std::string text;
    AppendAlignedLine(text, table, headers, widths);
    for (const std::vector<std::string>& cells : lines) {
        AppendAlignedLine(text, table, cells, widths);
    }
    return text;
}

std::string FormatCsv(const ReportTable& table) {
    std::string text;
    AppendCsvLine(text, Headers(table));
    for (const TableRow& row : table.rows) {
        AppendCsvLine(text, DisplayCells(table, row));
    }
    return text;
}

std::string FormatMarkdown(const ReportTable& table) {
    std::string text;
    std::vector<std::string> cells;
    for (const std::string& header : Headers(table)) {
        cells.push_back(EscapeMarkdown(header));
    }
    AppendMarkdownLine(text, cells);
    cells.clear();
    for (const ReportColumn& column : table.columns) {
        cells.push_back(column.type == CellType::kText ? "---" : "---:");
    }
    AppendMarkdownLine(text, cells);
    for (const TableRow& row : table.rows) {
        cells.clear();
        for (const std::string& cell : DisplayCells(table, row)) {
            cells.push_back(EscapeMarkdown(cell));
        }
        AppendMarkdownLine(text, cells);
    }
    return text;
}

namespace {

std::string Figures(const MemoryTotals& totals, bool withOther) {
    std::string text = "ROM " + std::to_string(totals.rom) + " RAM " + std::to_string(totals.ram);
    if (withOther) {
        text += " other " + std::to_string(totals.other);
    }
    return text;
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
        text += "\"rom\": " + std::to_string(check.map.rom) +
                ", \"ram\": " + std::to_string(check.map.ram) + ", ";
        if (check.withOther) {
            text += "\"other\": " + std::to_string(check.map.other) + ", ";
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

std::string FormatTableDocument(const ReportDocument& document) {
    std::string text = document.heading + FormatTable(document.table);
    std::string checks;
    for (const CheckSet& set : document.checks) {
        checks += FormatCheckLines(set);
    }
    if (!checks.empty()) {
        text += "\n" + checks;
    }
    return text;
}

std::string FormatJson(const ReportDocument& document) {
    const ReportTable& table = document.table;
    std::string text = "{\n  \"format_version\": " + std::to_string(kJsonFormatVersion) + ",\n";
    for (const auto& [name, value] : document.header) {
        text += "  ";
        AppendJsonString(text, name);
        text += ": ";
        AppendJsonString(text, value);
        text += ",\n";
    }
    text += "  \"rows\": [";
    bool first = true;
    const TableRow* total = nullptr;
    for (const TableRow& row : table.rows) {
        if (row.kind == RowKind::kTotal) {
            total = &row;
        }
        if (row.kind != RowKind::kObject && row.kind != RowKind::kSpecial) {
            continue;
        }
        text += first ? "\n    " : ",\n    ";
        first = false;
        AppendJsonRow(text, table, row, true);
    }
    text += first ? "],\n" : "\n  ],\n";
    text += "  \"total\": ";
    if (total != nullptr) {
        AppendJsonRow(text, table, *total, false);
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
    return text;
}
