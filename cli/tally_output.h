#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report_diff.h"
#include "report_table.h"
#include "section_tally.h"

// The complete tally's rows (object and special rows, the blank row, the total row) with their
// six columns: the report's five and "Other" after "RAM Size".
ReportTable MakeTallyTable(const std::vector<TallyReportRow>& rows);

// ROM, RAM and Other, in that order, for --diff over complete tallies.
const std::vector<DiffMeasure>& TallyDiffMeasures();

// The tally's rows as entries, for --diff; sizes beyond 32 bits wrap as the entries' sums do.
EntryList EntriesOfTally(const std::vector<TallyRow>& rows);

// The line above the table when the capacities come from the map.
std::string FormatMapDeviceHeading(const std::string& machineType, std::int64_t romCapacity,
                                   std::int64_t ramCapacity);

// One line per check: "TOTAL section: ROM 42064 RAM 556 other 14: agrees"; each label starts
// with `prefix` ("Old ", "New " or nothing).
std::string FormatReconciliation(const SectionTally& tally, const std::string& prefix = "");

// The checks as a JSON object: {"total_section": {...} or null, "occupancy": {...} or null}.
std::string FormatReconciliationJson(const SectionTally& tally);

// Warning lines for standard error, one per check that disagrees, naming the map; empty when
// none does.
std::string FormatDisagreementWarnings(const SectionTally& tally, const std::string& mapName);
