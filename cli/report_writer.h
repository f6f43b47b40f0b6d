#pragma once

#include <string>
#include <vector>

#include "section_tally.h"
#include "size_report.h"

// The rows as tab-separated lines, the cells exactly as the window shows them.
std::string FormatTsv(const std::vector<ReportRow>& rows);
std::string FormatTsv(const std::vector<TallyReportRow>& rows);

// The rows under the column headers, names left-aligned and numbers right-aligned.
std::string FormatTable(const std::vector<ReportRow>& rows);
std::string FormatTable(const std::vector<TallyReportRow>& rows);

// The line above the table when the capacities come from the map.
std::string FormatMapDeviceHeading(const std::string& machineType, std::int64_t romCapacity,
                                   std::int64_t ramCapacity);

// One line per reconciliation check: "TOTAL section: ROM 42064 RAM 556 other 14: agrees".
std::string FormatReconciliation(const SectionTally& tally);

// Warning lines for standard error, one per check that disagrees; empty when none does.
std::string FormatDisagreementWarnings(const SectionTally& tally);
