#include "report_writer.h"

#include "report_formats.h"
#include "report_table.h"

std::string FormatTsv(const std::vector<ReportRow>& rows) {
    return FormatTsv(MakeReportTable(rows));
}

std::string FormatTable(const std::vector<ReportRow>& rows) {
    return FormatTable(MakeReportTable(rows));
}
