#pragma once

#include <string>
#include <vector>

#include "core/device_profile.h"
#include "core/size_table.h"
#include "report/report_diff.h"
#include "report/report_table.h"

// Everything a size report for people to look at shows.
struct HtmlReport {
    const SizeTable* sizes = nullptr;  // the map's rows, parts and facts (with --diff, the new map)
    // The table under the pictures, as the other formats give it.
    const ReportTable* table = nullptr;
    DeviceProfile device{};  // the percentages are of its capacities
    std::string fileName;    // the map (with --diff, the new map), as it was named
    std::string time;        // when the report was made, as people are to read it

    // With --diff: the row names compared, as the table compares them (CompareRows over
    // `measures`); each rectangle is coloured by its row name's change. The old map's checks are
    // shown next to the new map's.
    const std::vector<DiffRow>* changes = nullptr;
    std::vector<Memory> measures;
    const SizeTable* oldSizes = nullptr;
    std::string oldFileName;
};

// When a report is made, as its page shows it: SOURCE_DATE_EPOCH (seconds since 1970) when that
// is set, so that a build that is repeated gives the same page, else the time now; in UTC.
std::string ReportTime();

// One self-contained HTML5 document: a treemap of the ROM and of the RAM (and of the other bytes,
// when there are any) as inline SVG, then the table, the device, the rule that counted, the
// checks against the map's own figures, the file name and the time. It loads nothing from
// anywhere, needs no script, and shows every name as the text it is.
std::string FormatHtml(const HtmlReport& report);
