#include "report/report_table.h"

const ViewChoice& ViewChoiceOf(MapView view) {
    for (const ViewChoice& choice : kViewChoices) {
        if (choice.view == view) {
            return choice;
        }
    }
    return kViewChoices[0];
}

std::vector<ReportColumn> SizeReportColumns(bool withOther, MapView view) {
    const ViewChoice& choice = ViewChoiceOf(view);
    std::vector<ReportColumn> columns = {
        {std::string(choice.header), std::string(choice.field), CellType::kText},
        {"ROM Size", "rom", CellType::kCount},
        {"RAM Size", "ram", CellType::kCount},
    };
    if (withOther) {
        columns.push_back({"Other", "other", CellType::kCount});
    }
    columns.push_back({"ROM %", "rom_percent", CellType::kPercent});
    columns.push_back({"RAM %", "ram_percent", CellType::kPercent});
    return columns;
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
