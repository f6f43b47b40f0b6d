#pragma once

#include <string>
#include <vector>

#include "size_report.h"

// The rows as tab-separated lines, the cells exactly as the window shows them.
std::string FormatTsv(const std::vector<ReportRow>& rows);

// The rows under the column headers, names left-aligned and numbers right-aligned.
std::string FormatTable(const std::vector<ReportRow>& rows);
