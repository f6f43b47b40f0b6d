#include "report_command.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include "map_error.h"
#include "object_section_scan.h"
#include "report_options.h"
#include "report_writer.h"

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
        EntryList entries = ReadMap(options.mapPath, in);
        ApplyOrdering(entries, options.sort);
        const std::vector<ReportRow> rows = BuildReportRows(entries, *options.device);
        out = options.format == OutputFormat::kTsv ? FormatTsv(rows) : FormatTable(rows);
        return kExitSuccess;
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
