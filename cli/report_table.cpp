#include "report_table.h"

#include <array>
#include <iterator>

namespace {

constexpr std::array<const char*, kReportColumnCount> kReportFields = {
    "object", "rom", "ram", "rom_percent", "ram_percent"};
constexpr std::array<CellType, kReportColumnCount> kReportCellTypes = {
    CellType::kText, CellType::kCount, CellType::kCount, CellType::kPercent, CellType::kPercent};

}  // namespace

RowKind RowKindAt(std::size_t index, std::size_t rowCount) {
    if (index + 1 == rowCount) {
        return RowKind::kTotal;
    }
    if (index + 2 == rowCount) {
        return RowKind::kBlank;
    }
    return RowKind::kObject;
}

ReportTable MakeReportTable(std::vector<ReportRow> rows) {
    ReportTable table;
    for (std::size_t column = 0; column < kReportColumnCount; ++column) {
        table.columns.push_back(
            {kReportColumnHeaders[column], kReportFields[column], kReportCellTypes[column]});
    }
    table.rows.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        table.rows.push_back({RowKindAt(i, rows.size()),
                              std::vector<std::string>(std::make_move_iterator(rows[i].begin()),
                                                       std::make_move_iterator(rows[i].end()))});
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
