#include "tally_output.h"

#include <memory>

namespace {

std::string Figures(const MemoryTotals& totals, bool withOther) {
    std::string text = "ROM " + std::to_string(totals.rom) + " RAM " + std::to_string(totals.ram);
    if (withOther) {
        text += " other " + std::to_string(totals.other);
    }
    return text;
}

std::string CheckLine(const std::string& label, const ReconciliationCheck& check,
                      const MemoryTotals& report, bool withOther) {
    if (!check.possible) {
        return label + ": not possible: " + check.reason + "\n";
    }
    const std::string line = label + ": " + Figures(check.map, withOther);
    if (check.agrees) {
        return line + ": agrees\n";
    }
    return line + ": disagrees (report: " + Figures(report, withOther) + ")\n";
}

std::string CheckJson(const ReconciliationCheck& check, bool withOther) {
    if (!check.possible) {
        return "null";
    }
    std::string text = "{\"rom\": " + std::to_string(check.map.rom) +
                       ", \"ram\": " + std::to_string(check.map.ram);
    if (withOther) {
        text += ", \"other\": " + std::to_string(check.map.other);
    }
    text += std::string(", \"agrees\": ") + (check.agrees ? "true" : "false") + "}";
    return text;
}

std::string WarningLine(const std::string& mapName, const char* what,
                        const ReconciliationCheck& check, const MemoryTotals& report,
                        bool withOther) {
    if (!check.possible || check.agrees) {
        return {};
    }
    return "tallyfold-report: warning: " + mapName + ": the report disagrees with " + what + ": " +
           Figures(check.map, withOther) + " there, " + Figures(report, withOther) +
           " in the report\n";
}

}  // namespace

ReportTable MakeTallyTable(const std::vector<TallyReportRow>& rows) {
    static constexpr const char* kFields[kTallyColumnCount] = {
        "object", "rom", "ram", "other", "rom_percent", "ram_percent"};
    static constexpr CellType kTypes[kTallyColumnCount] = {CellType::kText,    CellType::kCount,
                                                           CellType::kCount,   CellType::kCount,
                                                           CellType::kPercent, CellType::kPercent};
    ReportTable table;
    for (std::size_t column = 0; column < kTallyColumnCount; ++column) {
        table.columns.push_back({kTallyColumnHeaders[column], kFields[column], kTypes[column]});
    }
    table.rows.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        table.rows.push_back(
            {RowKindAt(i, rows.size()), std::vector<std::string>(rows[i].begin(), rows[i].end())});
    }
    return table;
}

const std::vector<DiffMeasure>& TallyDiffMeasures() {
    static const std::vector<DiffMeasure> measures = {
        {"ROM", "rom", &CObjectFileEntry::m_romSize, &DeviceProfile::romCapacity},
        {"RAM", "ram", &CObjectFileEntry::m_ramSize, &DeviceProfile::ramCapacity},
        {"Other", "other", &CObjectFileEntry::m_otherSize, nullptr},
    };
    return measures;
}

EntryList EntriesOfTally(const std::vector<TallyRow>& rows) {
    const auto wrap = [](std::int64_t value) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    };
    EntryList entries;
    entries.reserve(rows.size());
    for (const TallyRow& row : rows) {
        auto entry = std::make_unique<CObjectFileEntry>();
        entry->SetName(row.name);
        entry->m_romSize = wrap(row.rom);
        entry->m_ramSize = wrap(row.ram);
        entry->m_otherSize = wrap(row.other);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string FormatMapDeviceHeading(const std::string& machineType, std::int64_t romCapacity,
                                   std::int64_t ramCapacity) {
    const std::string name = machineType.empty() ? "not named in the map" : machineType;
    return "Device: " + name + ", capacities from the map: ROM " + std::to_string(romCapacity) +
           " bytes, RAM " + std::to_string(ramCapacity) + " bytes\n\n";
}

std::string FormatReconciliation(const SectionTally& tally, const std::string& prefix) {
    return CheckLine(prefix + "TOTAL section", tally.totalSection, tally.totals, true) +
           CheckLine(prefix + "Occupancy", tally.occupancy, tally.totals, false);
}

std::string FormatReconciliationJson(const SectionTally& tally) {
    return "{\"total_section\": " + CheckJson(tally.totalSection, true) +
           ", \"occupancy\": " + CheckJson(tally.occupancy, false) + "}";
}

std::string FormatDisagreementWarnings(const SectionTally& tally, const std::string& mapName) {
    return WarningLine(mapName, "the map's TOTAL section", tally.totalSection, tally.totals, true) +
           WarningLine(mapName, "the map's used address ranges", tally.occupancy, tally.totals,
                       false);
}
