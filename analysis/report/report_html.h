#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/device_profile.h"
#include "core/size_table.h"
#include "report/report_diff.h"
#include "report/report_table.h"

// The most rows the page's table shows: a browser lays out a table of a few hundred rows at once,
// one of a hundred thousand in a minute.
inline constexpr std::size_t kHtmlTableRows = 500;

// Everything a size report for people to look at shows.
struct HtmlReport {
    const SizeTable* sizes = nullptr;  // the map's rows, parts and facts (with --diff, the new map)
    // The table under the pictures, as the other formats give it: at most kHtmlTableRows of its
    // rows, the rest left out (`rowsLeftOut`, which the page counts), then the total row.
    const ReportTable* table = nullptr;
    std::size_t rowsLeftOut = 0;
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

// SOURCE_DATE_EPOCH read as the time a report is made: `value` is the variable's value, or null
// when it is not set. A value of decimal digits only, at most kLastSourceDateEpoch, gives that many
// seconds since 1970; no value, or an empty one (as a shell writes to clear it), gives none, and
// the report is made now. Anything else (a sign, a space, an exponent, a fraction) is a mistake
// that `problem` names, to be reported rather than replaced by the time now.
struct SourceDateEpoch {
    std::optional<std::int64_t> seconds;
    std::string problem;  // empty when the value can be used
};

inline constexpr std::int64_t kLastSourceDateEpoch = 253402300799;  // 9999-12-31 23:59:59 UTC

SourceDateEpoch ReadSourceDateEpoch(const char* value);

// When a report is made, as its page shows it: SOURCE_DATE_EPOCH when that is set, so that a build
// that is repeated gives the same page, else the time now; in UTC. A value ReadSourceDateEpoch
// finds a mistake in is shown as such (a front end refuses it before it gets here).
std::string ReportTime();

// One self-contained HTML5 document: a treemap of the ROM and of the RAM (and of the other bytes,
// when there are any) as inline SVG, then the table, the device, the rule that counted, the
// checks against the map's own figures, the file name and the time. It loads nothing from
// anywhere, needs no script, and shows every name as the text it is.
std::string FormatHtml(const HtmlReport& report);
