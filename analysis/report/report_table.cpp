#include "report/report_table.h"

const ViewChoice& ViewChoiceOf(MapView view) {
    for (const ViewChoice& choice : kViewChoices) {
        if (choice.view == view) {
            return choice;
        }
    }
    return kViewChoices[0];
}

std::string CapacitiesText(const DeviceProfile& device) {
    std::string text;
    for (const Memory& memory : kMemories) {
        if (memory.capacity != nullptr) {
            text += std::string(text.empty() ? "" : ", ") + std::string(memory.word) + " " +
                    std::to_string(device.*memory.capacity) + " bytes";
        }
    }
    return text;
}

std::string DeviceDescription(const DeviceProfile& device) {
    std::string text = (device.name.empty() ? "unknown" : device.name) + " (" +
                       std::string(NameOf(device.namedBy).words) + "; " +
                       std::string(NameOf(device.capacities).words);
    if (!device.note.empty()) {
        text += "; " + device.note;
    }
    text += ")";
    if (device.capacities != CapacitySource::kNone) {
        text += ": " + CapacitiesText(device);
    }
    return text;
}

std::string DeviceLine(const DeviceProfile& device) {
    return "Device: " + DeviceDescription(device);
}

std::vector<ReportColumn> SizeReportColumns(bool withOther, MapView view) {
    const ViewChoice& choice = ViewChoiceOf(view);
    std::vector<ReportColumn> columns = {
        {std::string(choice.header), std::string(choice.field), CellType::kText}};
    for (const Memory& memory : kMemories) {
        if (memory.capacity != nullptr || withOther) {
            columns.push_back(
                {std::string(memory.sizeHeader), std::string(memory.field), CellType::kCount});
        }
    }
    for (const Memory& memory : kMemories) {
        if (memory.capacity != nullptr) {
            columns.push_back({std::string(memory.label) + " %",
                               std::string(memory.field) + "_percent", CellType::kPercent});
        }
    }
    return columns;
}

std::string TotalCell(const std::vector<ReportColumn>& columns, const TableRow& total,
                      std::string_view field) {
    for (std::size_t column = 0; column < columns.size() && column < total.cells.size(); ++column) {
        if (columns[column].field == field) {
            return total.cells[column];
        }
    }
    return {};
}
