#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device_profile.h"
#include "object_file_entry.h"

inline constexpr int kReportColumnCount = 5;

// The five cell texts of one row: object file, ROM size, RAM size, ROM %, RAM %.
using ReportRow = std::array<std::string, kReportColumnCount>;

inline constexpr std::array<const char*, kReportColumnCount> kReportColumnHeaders = {
    "Object file", "ROM Size", "RAM Size", "ROM %", "RAM %"};
inline constexpr const char* kTotalRowLabel = "-- Total --";

// Largest first; entries with equal keys keep their relative order.
void SortByRomSize(EntryList& entries);
void SortByRamSize(EntryList& entries);

// One row per entry with a size other than 0, in list order, then a blank row and the total row.
std::vector<ReportRow> BuildReportRows(const EntryList& entries, const DeviceProfile& device);

// Hands the rows BuildReportRows makes to `visit` one at a time, in the same order, without
// holding them all: for writers that put a large report out row by row. The row object is
// reused from call to call; `visit` may move its cells out.
void ForEachReportRow(const EntryList& entries, const DeviceProfile& device,
                      const std::function<void(ReportRow&)>& visit);

// bytes as a percentage of capacity with four decimals, halves rounded away from zero.
std::string FormatPercent(std::int32_t bytes, std::int32_t capacity);

// What a click on the header of a report column does to the entries.
enum class ColumnOrdering { kNone, kByRomSize, kByRamSize };

ColumnOrdering OrderingForColumn(int column);

// Sorts by the ordering; kNone leaves the entries alone. Returns whether the entries were sorted.
bool ApplyOrdering(EntryList& entries, ColumnOrdering ordering);
