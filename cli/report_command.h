#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Exit statuses of tallyfold-report.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitBudgetExceeded = 1;
inline constexpr int kExitUsageOrMapError = 2;
inline constexpr int kExitDisagreement = 3;  // --sections all: the map's own totals differ

// Runs tallyfold-report with the arguments after the program name. The report goes to `out`,
// error lines to `err`; `in` is read for the map file "-". Returns the exit status.
int RunReportCommand(const std::vector<std::string>& args, std::FILE* in, std::string& out,
                     std::string& err);

// The same with the report written to `out`, the tab-separated report of a map in pieces as its
// rows are made, so that a large report is never held whole. Nothing is written when the run
// fails with status 2. Check `out` for write errors afterwards.
int RunReportCommand(const std::vector<std::string>& args, std::FILE* in, std::FILE* out,
                     std::string& err);
