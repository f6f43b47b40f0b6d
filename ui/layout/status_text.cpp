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

// "agrees with A and B", then one clause per check that disagrees or could not be made.
std::string ChecksText(const std::vector<MapCheck>& checks) {
    std::string agreeing;
    std::string rest;
    for (const MapCheck& check : checks) {
        if (check.possible && check.agrees) {
            agreeing += (agreeing.empty() ? "" : " and ") + check.source;
        } else if (!check.possible) {
            rest += "; " + check.label + " not possible: " + check.reason;
        } else if (!check.hasFigures) {
            rest += "; " + check.detail;
        } else {
            rest += "; disagrees with " + check.source + ": " +
                    Figures(check.map, check.withOther) + " there, " +
                    Figures(check.report, check.withOther) + " here";
        }
    }
    return (agreeing.empty() ? "" : ": agrees with " + agreeing) + rest;
}

}  // namespace

std::string StatusText(const SizeTable& shown, const DeviceProfile& device,
                       const SizeTable* complete) {
    const MemoryTotals totals = TotalsOf(shown);
    std::string text = std::string(NameOf(shown.rule).shown) + ", " + DeviceText(device) +
                       ChecksText(shown.facts.checks);
    if (totals.other != 0) {
        text += "; " + std::to_string(totals.other) + " bytes in neither memory (Other)";
    }
    if (shown.rule == SectionRule::kListed && complete != nullptr) {
        // The TOTAL section's own figures where it gives them, else the complete tally's.
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
        text += "; the listed names found " + found + " bytes that the TOTAL section lists";
    }
    return text;
}
