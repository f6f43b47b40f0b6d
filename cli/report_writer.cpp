#include "report_writer.h"

#include <algorithm>
#include <array>

namespace {

template <std::size_t N>
std::string TsvLines(const std::vector<std::array<std::string, N>>& rows) {
    std::string text;
    for (const auto& row : rows) {
        for (std::size_t column = 0; column < N; ++column) {
            if (column > 0) {
                text += '\t';
            }
            text += row[column];
        }
        text += '\n';
    }
    return text;
}

template <std::size_t N>
void AppendLine(std::string& text, const std::array<std::string, N>& cells,
                const std::array<std::size_t, N>& widths) {
    std::string line;
    for (std::size_t column = 0; column < N; ++column) {
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

template <std::size_t N>
std::string AlignedTable(const std::array<const char*, N>& headerTexts,
                         const std::vector<std::array<std::string, N>>& rows) {
    std::array<std::string, N> headers;
    std::array<std::size_t, N> widths{};
    for (std::size_t column = 0; column < N; ++column) {
        headers[column] = headerTexts[column];
        widths[column] = headers[column].size();
    }
    for (const auto& row : rows) {
        for (std::size_t column = 0; column < N; ++column) {
            widths[column] = std::max(widths[column], row[column].size());
        }
    }
    std::string text;
    AppendLine(text, headers, widths);
    for (const auto& row : rows) {
        AppendLine(text, row, widths);
    }
    return text;
}

std::string Figures(const MemoryTotals& totals, bool withOther) {
    std::string text = "ROM " + std::to_string(totals.rom) + " RAM " + std::to_string(totals.ram);
    if (withOther) {
        text += " other " + std::to_string(totals.other);
    }
    return text;
}

std::string CheckLine(const char* label, const ReconciliationCheck& check,
                      const MemoryTotals& report, bool withOther) {
    std::string line = label;
    if (!check.possible) {
        return line + ": not possible: " + check.reason + "\n";
    }
    line += ": " + Figures(check.map, withOther);
    if (check.agrees) {
        return line + ": agrees\n";
    }
    return line + ": disagrees (report: " + Figures(report, withOther) + ")\n";
}

std::string WarningLine(const char* what, const ReconciliationCheck& check,
                        const MemoryTotals& report, bool withOther) {
    if (!check.possible || check.agrees) {
        return {};
    }
    return std::string("tallyfold-report: warning: the report disagrees with ") + what + ": " +
           Figures(check.map, withOther) + " there, " + Figures(report, withOther) +
           " in the report\n";
}

}  // namespace

std::string FormatTsv(const std::vector<ReportRow>& rows) {
    return TsvLines(rows);
}
std::string FormatTsv(const std::vector<TallyReportRow>& rows) {
    return TsvLines(rows);
}

std::string FormatTable(const std::vector<ReportRow>& rows) {
    return AlignedTable(kReportColumnHeaders, rows);
}

std::string FormatTable(const std::vector<TallyReportRow>& rows) {
    return AlignedTable(kTallyColumnHeaders, rows);
}

std::string FormatMapDeviceHeading(const std::string& machineType, std::int64_t romCapacity,
                                   std::int64_t ramCapacity) {
    const std::string name = machineType.empty() ? "not named in the map" : machineType;
    return "Device: " + name + ", capacities from the map: ROM " + std::to_string(romCapacity) +
           " bytes, RAM " + std::to_string(ramCapacity) + " bytes\n\n";
}

std::string FormatReconciliation(const SectionTally& tally) {
    return CheckLine("TOTAL section", tally.totalSection, tally.totals, true) +
           CheckLine("Occupancy", tally.occupancy, tally.totals, false);
}

std::string FormatDisagreementWarnings(const SectionTally& tally) {
    return WarningLine("the map's TOTAL section", tally.totalSection, tally.totals, true) +
           WarningLine("the map's used address ranges", tally.occupancy, tally.totals, false);
}
