#include "report_table.h"

#include <array>

namespace {

constexpr std::array<const char*, kReportColumnCount> kReportFields = {
    "object", "rom", "ram", "rom_percent", "ram_percent"};
constexpr std::array<CellType, kReportColumnCount> kReportCellTypes = {
    CellType::kText, CellType::kCount, CellType::kCount, CellType::kPercent, CellType::kPercent};

}  // namespace

// BuildReportRows always ends with the blank row and the total row; everything before them is
// an object row.
ReportTable MakeReportTable(const std::vector<ReportRow>& rows) {
    ReportTable table;
    for (std::size_t column = 0; column < kReportColumnCount; ++column) {
        table.columns.push_back(
            {kReportColumnHeaders[column], kReportFields[column], kReportCellTypes[column]});
    }
    table.rows.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        RowKind kind = RowKind::kObject;
        if (i + 1 == rows.size()) {
            kind = RowKind::kTotal;
        } else if (i + 2 == rows.size()) {
            kind = RowKind::kBlank;
        }
        table.rows.push_back({kind, std::vector<std::string>(rows[i].begin(), rows[i].end())});
    }
    return table;
}

const std::string* FindTotalCell(const ReportTable& table, std::string_view field) {
    for (std::size_t column = 0; column < table.columns.size(); ++column) {
        if (table.columns[column].field != field) {
            continue;
        }
        for (const TableRow& row : table.rows) {
            if (row.kind == RowKind::kTotal) {
                return &row.cells[column];
            }
        }
    }
    return nullptr;
}
