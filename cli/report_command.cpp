#include "report_command.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <string_view>

#include "map_error.h"
#include "map_lines.h"
#include "object_section_scan.h"
#include "report_diff.h"
#include "report_formats.h"
#include "report_options.h"
#include "report_table.h"
#include "section_tally.h"
#include "tally_output.h"

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

std::string StreamName(const std::string& path) {
    return path == "-" ? "<stdin>" : path;
}

void ReadAll(std::FILE* file, const std::string& name, std::string& bytes) {
    char block[64 * 1024];
    for (;;) {
        errno = 0;
        const std::size_t count = std::fread(block, 1, sizeof block, file);
        bytes.append(block, count);
        if (count < sizeof block) {
            break;
        }
    }
    if (std::ferror(file)) {
        const int error = errno;
        throw MapError(name, 0,
                       std::string("read error: ") +
                           (error != 0 ? std::strerror(error) : "the file could not be read"));
    }
}

// Reading line by line needs the whole map at hand (and standard input can be read only once).
std::string ReadWholeMap(const std::string& path, std::FILE* in) {
    std::string bytes;
    if (path == "-") {
        ReadAll(in, StreamName(path), bytes);
        return bytes;
    }
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        throw MapError(path, 0, std::string("cannot open: ") + std::strerror(errno));
    }
    ReadAll(file.get(), path, bytes);
    return bytes;
}

std::int32_t ClampToInt32(std::uint64_t value) {
    return static_cast<std::int32_t>(
        std::min<std::uint64_t>(value, std::numeric_limits<std::int32_t>::max()));
}

// One map as the options want it read: the listed scan's entries, or the complete tally; and,
// when it was read as lines, what it says about the device.
struct LoadedMap {
    std::string path;
    EntryList entries;
    SectionTally tally;
    std::string machineType;
    MapCapacity capacity;
};

LoadedMap LoadMap(const ReportOptions& options, const std::string& path, std::FILE* in) {
    LoadedMap map;
    map.path = path;
    const bool all = options.sections == SectionRule::kAll;
    if (!all && !options.deviceFromMap) {
        map.entries = ReadMap(path, in);
        return map;
    }
    const std::string name = StreamName(path);
    const std::string bytes = ReadWholeMap(path, in);
    const MapListing listing =
        ReadMapListing(bytes, name, all ? ListingScope::kWhole : ListingScope::kPreamble);
    map.machineType = listing.machineType;
    map.capacity = CapacityFromClassRanges(listing);
    if (all) {
        map.tally = TallySections(listing);
    } else {
        CMapStream stream(bytes, name);
        ScanObjectSection(stream, map.entries);
    }
    return map;
}

// The chosen device, or the one the map describes; its name points into `map`.
DeviceProfile DeviceFor(const ReportOptions& options, const LoadedMap& map) {
    if (!options.deviceFromMap) {
        return *options.device;
    }
    return DeviceProfile{map.machineType, ClampToInt32(map.capacity.rom),
                         ClampToInt32(map.capacity.ram)};
}

std::string DeviceName(const DeviceProfile& device) {
    return device.name.empty() ? "unknown" : std::string(device.name);
}

std::string FormatReport(OutputFormat format, const ReportTable& table, const JsonHeader& header,
                         const std::string& jsonTrailer) {
    switch (format) {
        case OutputFormat::kTsv:
            return FormatTsv(table);
        case OutputFormat::kCsv:
            return FormatCsv(table);
        case OutputFormat::kJson:
            return FormatJson(table, header, jsonTrailer);
        case OutputFormat::kMarkdown:
            return FormatMarkdown(table);
        case OutputFormat::kTable:
            break;
    }
    return FormatTable(table);
}

// One line per exceeded budget, compared with the total row's printed percentages.
std::string CheckTotalBudgets(const ReportOptions& options, std::string_view romPercent,
                              std::string_view ramPercent) {
    std::string lines;
    const auto check = [&lines](const std::optional<Budget>& budget, const char* label,
                                std::string_view percent) {
        if (!budget) {
            return;
        }
        const std::string line = CheckBudget(label, percent, *budget);
        if (!line.empty()) {
            lines += "tallyfold-report: " + line + "\n";
        }
    };
    check(options.maxRom, "ROM", romPercent);
    check(options.maxRam, "RAM", ramPercent);
    return lines;
}

std::string CheckBudgets(const ReportOptions& options, const ReportTable& table,
                         const std::string& fieldPrefix) {
    const std::string* rom = FindTotalCell(table, fieldPrefix + "rom_percent");
    const std::string* ram = FindTotalCell(table, fieldPrefix + "ram_percent");
    return CheckTotalBudgets(options, rom ? *rom : "", ram ? *ram : "");
}

// Where the report text goes.
class ReportSink {
public:
    virtual void Write(std::string_view text) = 0;

protected:
    ~ReportSink() = default;
};

// Kept whole, and cleared when the run fails.
class StringSink final : public ReportSink {
public:
    explicit StringSink(std::string& text) : m_text(text) {}
    void Write(std::string_view text) override { m_text.append(text); }

private:
    std::string& m_text;
};

// Written as it comes; a failed write shows in the stream's error indicator.
class FileSink final : public ReportSink {
public:
    explicit FileSink(std::FILE* file) : m_file(file) {}
    void Write(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), m_file); }

private:
    std::FILE* m_file;
};

// The size report as tab-separated lines, the same bytes as FormatTsv of its table, handed to
// the sink in pieces as the rows are made: the report of a map with a hundred thousand object
// files is never held whole, nor its rows. Returns the total row.
ReportRow WriteTsvReport(const EntryList& entries, const DeviceProfile& device, ReportSink& sink) {
    constexpr std::size_t kPieceSize = 64 * 1024;
    std::string piece;
    piece.reserve(kPieceSize);
    ReportRow last;
    ForEachReportRow(entries, device, [&](ReportRow& row) {
        for (std::size_t column = 0; column < row.size(); ++column) {
            if (column > 0) {
                piece += '\t';
            }
            piece += row[column];
        }
        piece += '\n';
        if (piece.size() >= kPieceSize) {
            sink.Write(piece);
            piece.clear();
        }
        last.swap(row);  // keeps the total row once the rows are done; row is refilled anyway
    });
    sink.Write(piece);
    return last;
}

// Everything a run prints, before it is put in the chosen format.
struct Report {
    ReportTable table;
    JsonHeader header;
    std::string percentPrefix;  // of the total row's fields that budgets are checked against
    std::string heading;        // above a table with --device map
    std::string checkLines;     // below a table with --sections all
    std::string jsonTrailer;    // the checks in JSON
    std::string warnings;       // the checks that disagree, for standard error
};

std::string MapDeviceHeading(const ReportOptions& options, const LoadedMap& map,
                             const DeviceProfile& device) {
    return options.deviceFromMap
               ? FormatMapDeviceHeading(map.machineType, device.romCapacity, device.ramCapacity)
               : std::string();
}

Report ReportMap(const ReportOptions& options, std::FILE* in) {
    Report report;
    LoadedMap map = LoadMap(options, options.mapPath, in);
    const DeviceProfile device = DeviceFor(options, map);
    if (options.sections == SectionRule::kAll) {
        SectionTally& tally = map.tally;
        if (options.sort == ColumnOrdering::kByRamSize) {
            SortTallyRowsByRam(tally.rows);
        } else {
            SortTallyRowsByRom(tally.rows);
        }
        report.table = MakeTallyTable(
            BuildTallyReportRows(tally.rows, device.romCapacity, device.ramCapacity));
        report.checkLines = FormatReconciliation(tally);
        report.jsonTrailer = "\"reconciliation\": " + FormatReconciliationJson(tally);
        report.warnings = FormatDisagreementWarnings(tally, StreamName(map.path));
    } else {
        ApplyOrdering(map.entries, options.sort);
        report.table = MakeReportTable(BuildReportRows(map.entries, device));
    }
    report.header = {{"file", options.mapPath}, {"device", DeviceName(device)}};
    report.heading = MapDeviceHeading(options, map, device);
    return report;
}

Report CompareMaps(const ReportOptions& options, std::FILE* in) {
    Report report;
    const LoadedMap oldMap = LoadMap(options, options.oldMapPath, in);
    const LoadedMap newMap = LoadMap(options, options.mapPath, in);
    const DeviceProfile device = DeviceFor(options, newMap);
    if (options.sections == SectionRule::kAll) {
        const std::vector<DiffMeasure>& measures = TallyDiffMeasures();
        report.table = BuildDiffTable(
            CompareEntries(EntriesOfTally(oldMap.tally.rows), EntriesOfTally(newMap.tally.rows),
                           options.sort, measures),
            device, measures);
        report.checkLines =
            FormatReconciliation(oldMap.tally, "Old ") + FormatReconciliation(newMap.tally, "New ");
        report.jsonTrailer =
            "\"reconciliation\": {\"old\": " + FormatReconciliationJson(oldMap.tally) +
            ", \"new\": " + FormatReconciliationJson(newMap.tally) + "}";
        report.warnings = FormatDisagreementWarnings(oldMap.tally, StreamName(oldMap.path)) +
                          FormatDisagreementWarnings(newMap.tally, StreamName(newMap.path));
    } else {
        report.table =
            BuildDiffTable(CompareEntries(oldMap.entries, newMap.entries, options.sort), device);
    }
    report.header = {
        {"old", options.oldMapPath}, {"new", options.mapPath}, {"device", DeviceName(device)}};
    report.percentPrefix = "new_";
    report.heading = MapDeviceHeading(options, newMap, device);
    return report;
}

// The tab-separated report of one map by the listed sections is what build pipelines run on
// every build, on maps of any size: it is written as its rows are made.
bool WritesRowByRow(const ReportOptions& options) {
    return options.format == OutputFormat::kTsv && !options.diff &&
           options.sections == SectionRule::kListed;
}

int RunReport(const ReportOptions& options, std::FILE* in, ReportSink& out, std::string& err) {
    if (WritesRowByRow(options)) {
        LoadedMap map = LoadMap(options, options.mapPath, in);
        const DeviceProfile device = DeviceFor(options, map);
        ApplyOrdering(map.entries, options.sort);
        const ReportRow total = WriteTsvReport(map.entries, device, out);
        err = CheckTotalBudgets(options, total[3], total[4]);
        return err.empty() ? kExitSuccess : kExitBudgetExceeded;
    }
    const Report report = options.diff ? CompareMaps(options, in) : ReportMap(options, in);
    std::string text =
        FormatReport(options.format, report.table, report.header, report.jsonTrailer);
    if (options.format == OutputFormat::kTable) {
        text = report.heading + text + (report.checkLines.empty() ? "" : "\n" + report.checkLines);
    }
    const std::string budgets = CheckBudgets(options, report.table, report.percentPrefix);
    err = report.warnings + budgets;
    out.Write(text);
    // A report that disagrees with its own map cannot vouch for its budgets either.
    if (!report.warnings.empty()) {
        return kExitDisagreement;
    }
    return budgets.empty() ? kExitSuccess : kExitBudgetExceeded;
}

// Every failure is found before the first byte of the report is written.
int Run(const std::vector<std::string>& args, std::FILE* in, ReportSink& out, std::string& err) {
    try {
        const ReportOptions options = ParseReportOptions(args);
        if (options.showHelp) {
            out.Write(kReportUsage);
            return kExitSuccess;
        }
        if (options.showVersion) {
            out.Write("tallyfold-report " TALLYFOLD_VERSION "\n");
            return kExitSuccess;
        }
        return RunReport(options, in, out, err);
    } catch (const UsageError& error) {
        err = std::string("tallyfold-report: ") + error.what() + " (see --help)\n";
    } catch (const MapError& error) {
        err = std::string("tallyfold-report: ") + error.what() + "\n";
    } catch (const std::bad_alloc&) {
        err = "tallyfold-report: out of memory\n";
    }
    return kExitUsageOrMapError;
}

}  // namespace

int RunReportCommand(const std::vector<std::string>& args, std::FILE* in, std::string& out,
                     std::string& err) {
    out.clear();
    StringSink sink(out);
    const int status = Run(args, in, sink, err);
    if (status == kExitUsageOrMapError) {
        out.clear();
    }
    return status;
}

int RunReportCommand(const std::vector<std::string>& args, std::FILE* in, std::FILE* out,
                     std::string& err) {
    FileSink sink(out);
    return Run(args, in, sink, err);
}
