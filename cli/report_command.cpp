#include "report_command.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include "map_error.h"
#include "object_section_scan.h"
#include "report_diff.h"
#include "report_formats.h"
#include "report_options.h"
#include "report_table.h"

#ifndef TALLYFOLD_VERSION
#define TALLYFOLD_VERSION "unknown"
#endif

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Maps are read in binary mode so that every platform sees the same bytes (a text-mode read
// on Windows would stop at a 0x1A byte).
EntryList ReadMap(const std::string& path, std::FILE* in) {
    EntryList entries;
    if (path == "-") {
        CMapStream stream(in, "<stdin>");
        ScanObjectSection(stream, entries);
        return entries;
    }
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        throw MapError(path, 0, std::string("cannot open: ") + std::strerror(errno));
    }
    CMapStream stream(file.get(), path);
    ScanObjectSection(stream, entries);
    return entries;
}

std::string FormatReport(OutputFormat format, const ReportTable& table, const JsonHeader& header) {
    switch (format) {
        case OutputFormat::kTsv:
            return FormatTsv(table);
        case OutputFormat::kCsv:
            return FormatCsv(table);
        case OutputFormat::kJson:
            return FormatJson(table, header);
        case OutputFormat::kMarkdown:
            return FormatMarkdown(table);
        case OutputFormat::kTable:
            break;
    }
    return FormatTable(table);
}

// One line per exceeded budget, compared with the total row's printed percentages.
std::string CheckBudgets(const ReportOptions& options, const ReportTable& table,
                         const std::string& fieldPrefix) {
    std::string lines;
    const auto check = [&](const std::optional<Budget>& budget, const char* label,
                           const char* field) {
        if (!budget) {
            return;
        }
        const std::string* percent = FindTotalCell(table, fieldPrefix + field);
        const std::string line = CheckBudget(label, percent ? *percent : "", *budget);
        if (!line.empty()) {
            lines += "tallyfold-report: " + line + "\n";
        }
    };
    check(options.maxRom, "ROM", "rom_percent");
    check(options.maxRam, "RAM", "ram_percent");
    return lines;
}

}  // namespace

int RunReportCommand(const std::vector<std::string>& args, std::FILE* in, std::string& out,
                     std::string& err) {
    try {
        const ReportOptions options = ParseReportOptions(args);
        if (options.showHelp) {
            out = kReportUsage;
            return kExitSuccess;
        }
        if (options.showVersion) {
            out = "tallyfold-report " TALLYFOLD_VERSION "\n";
            return kExitSuccess;
        }
        const std::string device(options.device->name);
        ReportTable table;
        JsonHeader header;
        std::string percentPrefix;
        if (options.diff) {
            const EntryList oldEntries = ReadMap(options.oldMapPath, in);
            const EntryList newEntries = ReadMap(options.mapPath, in);
            table = BuildDiffTable(CompareEntries(oldEntries, newEntries, options.sort),
                                   *options.device);
            header = {{"old", options.oldMapPath}, {"new", options.mapPath}, {"device", device}};
            percentPrefix = "new_";
        } else {
            EntryList entries = ReadMap(options.mapPath, in);
            ApplyOrdering(entries, options.sort);
            table = MakeReportTable(BuildReportRows(entries, *options.device));
            header = {{"file", options.mapPath}, {"device", device}};
        }
        out = FormatReport(options.format, table, header);
        err = CheckBudgets(options, table, percentPrefix);
        return err.empty() ? kExitSuccess : kExitBudgetExceeded;
    } catch (const UsageError& error) {
        err = std::string("tallyfold-report: ") + error.what() + " (see --help)\n";
    } catch (const MapError& error) {
        err = std::string("tallyfold-report: ") + error.what() + "\n";
    } catch (const std::bad_alloc&) {
        err = "tallyfold-report: out of memory\n";
    }
    out.clear();
    return kExitUsageOrMapError;
}
