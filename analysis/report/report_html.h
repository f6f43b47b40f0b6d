#pragma once

#include <functional>
#include <map>
#include <string>

#include "core/device_profile.h"
#include "report/report_table.h"
#include "core/size_table.h"

// Per row name: the new map's bytes minus the old map's (rows of the same name summed).
using SizeChanges = std::map<std::string, MemoryTotals, std::less<>>;

// Everything a size report for people to look at shows.
struct HtmlReport {
    const SizeTable* sizes = nullptr;  // the map's rows, parts and facts (with --diff, the new map)
    // The table under the pictures, as the other formats give it.
    const ReportTable* table = nullptr;
    DeviceProfile device{};  // the percentages are of its capacities
    std::string fileName;    // the map (with --diff, the new map), as it was named
    std::string time;        // when the report was made, as people are to read it

    // With --diff: each rectangle is coloured by its row name's change, and the old map's checks
    // are shown next to the new map's.
    const SizeChanges* changes = nullptr;
    const SizeTable* oldSizes = nullptr;
    std::string oldFileName;
};

// The new map's bytes minus the old map's, per row name (rows of one name summed).
SizeChanges ChangesBetween(const SizeTable& oldSizes, const SizeTable& newSizes);

// When a report is made, as its page shows it: SOURCE_DATE_EPOCH (seconds since 1970) when that
// is set, so that a build that is repeated gives the same page, else the time now; in UTC.
std::string ReportTime();

// One self-contained HTML5 document: a treemap of the ROM and of the RAM (and of the other bytes,
// when there are any) as inline SVG, then the table, the device, the rule that counted, the
// checks against the map's own figures, the file name and the time. It loads nothing from
// anywhere, needs no script, and shows every name as the text it is.
std::string FormatHtml(const HtmlReport& report);
