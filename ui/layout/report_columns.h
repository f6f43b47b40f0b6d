#pragma once

// What the window decides about the report's columns: the order a header click chooses, which
// header shows the sort arrow, the heading of the first column, and the widths the user gave
// the columns, kept by the columns' fields so that each column set finds its own.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "report/report_table.h"
#include "report/size_report.h"

// What a click on a column's header orders the rows by: the memory the column is of (its size,
// its percentage, its old or new size or its change); nothing for the first column, a
// comparison's status and the Other bytes.
ColumnOrdering OrderingForField(std::string_view field);

// The column whose header shows the sort arrow: the one clicked when it orders that way, else the
// column the order is of (a comparison's change, a map's size); -1 for none.
int SortArrowColumn(const std::vector<ReportColumn>& columns, ColumnOrdering ordering,
                    std::string_view clickedField);

// The rows of a map of the MPLINK family are its source files (its map names no object files):
// under the object view their column is headed as the view by source file heads it.
void HeadRowsAsSourceFiles(std::vector<ReportColumn>& columns);

// The weights (see window_layout.h) the user gave columns, by the columns' fields; the first
// column of every view is "name".
using ColumnWeights = std::map<std::string, int>;

// The weights of the columns: the user's where kept, the default ones elsewhere.
std::vector<int> WeightsFor(const std::vector<ReportColumn>& columns, const ColumnWeights& kept);

// Keeps the weights of the columns, one per column.
void KeepWeights(ColumnWeights& kept, const std::vector<ReportColumn>& columns,
                 const std::vector<int>& weights);
