#include "report_writer.h"

#include <algorithm>
#include <array>

std::string FormatTsv(const std::vector<ReportRow>& rows) {
    std::size_t length = 0;
    for (const ReportRow& row : rows) {
        for (const std::string& cell : row) {
            length += cell.size() + 1;
        }
    }
    std::string text;
    text.reserve(length);
    for (const ReportRow& row : rows) {
        for (int column = 0; column < kReportColumnCount; ++column) {
            if (column > 0) {
                text += '\t';
            }
            text += row[static_cast<std::size_t>(column)];
        }
        text += '\n';
    }
    return text;
}

namespace {

void AppendLine(std::string& text, const std::array<std::string, kReportColumnCount>& cells,
                const std::array<std::size_t, kReportColumnCount>& widths) {
    std::string line;
    for (std::size_t column = 0; column < cells.size(); ++column) {
        const std::string& cell = cells[column];
        const std::size_t fill = widths[column] - std::min(widths[column], cell.size());
        if (column == 0) {
            line += cell;
            line.append(fill, ' ');
        } else {
            line.append(2 + fill, ' ');
            line += cell;
        }
    }
    line.erase(line.find_last_not_of(' ') + 1);
    text += line;
    text += '\n';
}

}  // namespace

std::string FormatTable(const std::vector<ReportRow>& rows) {
    ReportRow headers;
    std::array<std::size_t, kReportColumnCount> widths{};
    for (std::size_t column = 0; column < headers.size(); ++column) {
        headers[column] = kReportColumnHeaders[column];
        widths[column] = headers[column].size();
    }
    for (const ReportRow& row : rows) {
        for (std::size_t column = 0; column < row.size(); ++column) {
            widths[column] = std::max(widths[column], row[column].size());
        }
    }
    std::string text;
    AppendLine(text, headers, widths);
    for (const ReportRow& row : rows) {
        AppendLine(text, row, widths);
    }
    return text;
}
