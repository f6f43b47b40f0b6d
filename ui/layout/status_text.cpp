#include "layout/status_text.h"

#include "report/report_table.h"

namespace {

std::string Figures(const MemoryTotals& totals, bool withOther) {
    return FiguresText(totals, withOther, ", ");
}

std::string DeviceText(const DeviceProfile& device) {
    const std::string name = device.name.empty() ? "device not named in the map" : device.name;
    if (device.romCapacity <= 0 && device.ramCapacity <= 0) {
        return name + " (no capacities)";
    }
    std::string capacities;
    for (const Memory& memory : kMemories) {
        if (memory.capacity != nullptr) {
            capacities += std::string(capacities.empty() ? "" : ", ") + std::string(memory.word) +
                          " " + std::to_string(device.*memory.capacity);
        }
    }
    return name + " (" + capacities + " bytes)";
}

void AddClause(std::string& text, const std::string& clause) {
    text += (text.empty() ? "" : "; ") + clause;
}

// "agrees with A and B", then one clause per check that disagrees or could not be made.
void DescribeChecks(const std::vector<MapCheck>& checks, StatusParts& parts) {
    std::string agreeing;
    std::string rest;
    for (const MapCheck& check : checks) {
        if (check.possible && check.agrees) {
            agreeing += (agreeing.empty() ? "" : " and ") + check.source;
            continue;
        }
        if (!check.possible) {
            AddClause(rest, check.label + " not possible: " + check.reason);
            continue;
        }
        parts.disagrees = true;
        if (!check.hasFigures) {
            AddClause(rest, check.detail);
        } else {
            AddClause(rest, "disagrees with " + check.source + ": " +
                                Figures(check.map, check.withOther) + " there, " +
                                Figures(check.report, check.withOther) + " here");
        }
    }
    parts.checks = agreeing.empty() ? rest : "agrees with " + agreeing;
    if (!agreeing.empty() && !rest.empty()) {
        parts.checks += "; " + rest;
    }
}

}  // namespace

StatusParts StatusPartsOf(const SizeTable& shown, const DeviceProfile& device,
                          const SizeTable* complete, const std::string& hint) {
    StatusParts parts;
    parts.rule = NameOf(shown.rule).shown;
    parts.device = DeviceText(device);
    DescribeChecks(shown.facts.checks, parts);
    if (shown.rule == SectionRule::kListed && complete != nullptr) {
        // The TOTAL section's own figures where it gives them, else the complete tally's.
        const MemoryTotals totals = TotalsOf(shown);
        MemoryTotals all = TotalsOf(*complete);
        for (const MapCheck& check : complete->facts.checks) {
            if (check.field == "total_section" && check.possible) {
                all = check.map;
            }
        }
        std::string found;
        for (const Memory& memory : kMemories) {
            if (memory.capacity != nullptr) {
                found += std::string(found.empty() ? "" : " and ") + std::string(memory.word) +
                         " " + std::to_string(totals.*memory.total) + " of " +
                         std::to_string(all.*memory.total);
            }
        }
        AddClause(parts.notes,
                  "the listed names found " + found + " bytes that the TOTAL section lists");
    }
    if (!hint.empty()) {
        AddClause(parts.notes, hint);
    }
    return parts;
}

StatusParts ComparisonStatusPartsOf(const SizeTable& older, const SizeTable& newer,
                                    SectionRule rule, const DeviceProfile& device,
                                    const std::string& change, const std::string& olderName) {
    StatusParts parts;
    parts.rule = NameOf(rule).shown;
    parts.device = DeviceText(device);
    StatusParts old;
    StatusParts now;
    DescribeChecks(older.facts.checks, old);
    DescribeChecks(newer.facts.checks, now);
    parts.disagrees = old.disagrees || now.disagrees;
    const std::string agrees = "agrees with ";
    if (!parts.disagrees && old.checks == now.checks && now.checks.rfind(agrees, 0) == 0 &&
        now.checks.find(';') == std::string::npos) {
        parts.checks = "both maps agree with " + now.checks.substr(agrees.size());
    } else {
        if (!old.checks.empty()) {
            parts.checks = "old map " + old.checks;
        }
        if (!now.checks.empty()) {
            AddClause(parts.checks, "new map " + now.checks);
        }
    }
    if (!change.empty()) {
        parts.notes = change + " since " + olderName;
    }
    return parts;
}

std::string StatusText(const StatusParts& parts) {
    std::string text = parts.rule + ", " + parts.device;
    if (!parts.checks.empty()) {
        const bool agrees = parts.checks.rfind("agrees with ", 0) == 0 ||
                            parts.checks.rfind("both maps agree", 0) == 0;
        text += (agrees ? ": " : "; ") + parts.checks;
    }
    if (!parts.notes.empty()) {
        text += "; " + parts.notes;
    }
    return text;
}

std::string SourceFilesHint(const std::string& menuItem, std::size_t sourceFiles,
                            std::size_t shownRows) {
    if (sourceFiles <= shownRows) {
        return {};
    }
    return "View > " + menuItem + ": " + std::to_string(sourceFiles) +
           (sourceFiles == 1 ? " source file" : " source files");
}

std::size_t ShownRowCount(const SizeTable& table) {
    std::size_t count = 0;
    for (const SizeRow& row : table.rows) {
        count += row.rom != 0 || row.ram != 0 || row.other != 0 ? 1 : 0;
    }
    return count;
}
