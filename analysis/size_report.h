#pragma once

// Ordering a map's rows and turning them into the report's rows for a device.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device_profile.h"
#include "report_table.h"
#include "size_table.h"

// Largest first; rows with equal keys keep their relative order.
void SortByRomSize(std::vector<SizeRow>& rows);
void SortByRamSize(std::vector<SizeRow>& rows);

// What a click on the header of a report column does to the rows.
enum class ColumnOrdering { kNone, kByRomSize, kByRamSize };

ColumnOrdering OrderingForColumn(int column);

// Sorts by the ordering; kNone leaves the rows alone. Returns whether the rows were sorted.
bool ApplyOrdering(std::vector<SizeRow>& rows, ColumnOrdering ordering);

// bytes as a percentage of capacity with four decimals, halves rounded away from zero; "n/a" for
// a capacity of 0 or less.
std::string FormatPercent(std::int64_t bytes, std::int64_t capacity);

// The report's rows: one per row of the table with a size other than 0, in the table's order,
// then the blank row and the total row (its sums as the table's rule counts), with the cells of
// SizeReportColumns(withOther). Handed to `visit` one at a time, the row object reused from call
// to call (`visit` may move its cells out), so that a large report can be written out without
// being held.
void ForEachReportRow(const SizeTable& table, const DeviceProfile& device, bool withOther,
                      const std::function<void(TableRow&)>& visit);

// The same rows, held, with their columns.
ReportTable BuildReportRows(const SizeTable& table, const DeviceProfile& device, bool withOther);
