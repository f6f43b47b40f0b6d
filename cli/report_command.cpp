#include "report_command.h"

#include <optional>
#include <string_view>

#include "core/map_error.h"
#include "core/map_file.h"
#include "readers/map_reader.h"
#include "report/report_diff.h"
#include "report/report_formats.h"
#include "report/report_html.h"
#include "report_options.h"

#ifndef TALLYFOLD_VERSION
#define TALLYFOLD_VERSION "unknown"
#endif

namespace {

std::string StreamName(const std::string& path) {
    return path == "-" ? "<stdin>" : path;
}

// One map as the options want it counted: streamed where the map can be read as it comes (see
// CountMapFile), read whole where it must be.
SizeTable LoadMap(const ReportOptions& options, const std::string& path, std::FILE* in) {
    std::optional<CMapFile> file;
    if (path == "-") {
        file.emplace(in, StreamName(path));
    } else {
        file.emplace(path);
    }
    return CountMapFile(*file, options.sections, options.device->fromMap, options.view,
                        options.format == OutputFormat::kHtml);
}

// The line above the table when the capacities come from the map.
std::string MapDeviceHeading(const ReportOptions& options, const DeviceProfile& device) {
    if (!options.device->fromMap) {
        return {};
    }
    const std::string name = device.name.empty() ? "not named in the map" : device.name;
    return "Device: " + name + ", capacities from the map: " + CapacitiesText(device) + "\n\n";
}

std::string DeviceName(const DeviceProfile& device) {
    return device.name.empty() ? "unknown" : device.name;
}

std::vector<CheckSet> ChecksOf(const SizeTable& table, const std::string& path,
                               std::string prefix = {}, std::string key = {}) {
    if (table.facts.checks.empty() && table.facts.notes.empty()) {
        return {};
    }
    return {CheckSet{std::move(prefix), std::move(key), StreamName(path), table.facts.checks,
                     table.facts.notes}};
}

// One line per exceeded budget, compared with the total row's printed percentages (in the
// columns of the fields that start with `prefix`: "new_" with --diff).
std::string CheckBudgets(const ReportOptions& options, const std::vector<ReportColumn>& columns,
                         const TableRow& total, const std::string& prefix) {
    std::string lines;
    const auto check = [&](const std::optional<Budget>& budget, MemoryKind kind) {
        if (!budget) {
            return;
        }
        const Memory& memory = MemoryOf(kind);
        const std::string percent =
            TotalCell(columns, total, prefix + std::string(memory.field) + "_percent");
        const std::string line = CheckBudget(memory.label, percent, *budget);
        if (!line.empty()) {
            lines += "tallyfold-report: " + line + "\n";
        }
    };
    check(options.maxRom, MemoryKind::kRom);
    check(options.maxRam, MemoryKind::kRam);
    return lines;
}

// Written as it comes; a failed write shows in the stream's error indicator.
class FileSink final : public TextSink {
public:
    explicit FileSink(std::FILE* file) : m_file(file) {}
    void Write(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), m_file); }

private:
    std::FILE* m_file;
};

// What a run found besides its report: the lines for standard error and the exit status.
struct Outcome {
    std::string warnings;  // checks that disagree
    std::string budgets;   // budgets exceeded
};

int Finish(const Outcome& outcome, std::string& err) {
    err = outcome.warnings + outcome.budgets;
    // A report that disagrees with its own map cannot vouch for its budgets either.
    if (!outcome.warnings.empty()) {
        return kExitDisagreement;
    }
    return outcome.budgets.empty() ? kExitSuccess : kExitBudgetExceeded;
}

std::string WarningsOf(const std::vector<CheckSet>& checks) {
    std::string text;
    for (const CheckSet& set : checks) {
        text += FormatDisagreementWarnings(set);
    }
    return text;
}

// The report of one map, its rows made as they are written, in `order` (places of the table's
// rows). The table and the order must outlive it.
ReportDocument ReportMap(const ReportOptions& options, const SizeTable& table,
                         const std::vector<std::uint32_t>& order) {
    const DeviceProfile device = ProfileOf(*options.device, table.facts);
    ReportDocument document;
    // JSON rows always carry "other", so that a script reads every map alike.
    const bool withOther = table.rule == SectionRule::kAll || options.format == OutputFormat::kJson;
    document.columns = SizeReportColumns(withOther, table.view);
    document.rows = [&table, &order, device, withOther](const RowVisitor& visit) {
        ForEachReportRow(table, device, withOther, visit, &order);
    };
    document.header = {{"file", options.mapPath},
                       {"device", DeviceName(device)},
                       {"sections", std::string(NameOf(table.rule).name)}};
    document.heading = MapDeviceHeading(options, device);
    document.checks = ChecksOf(table, options.mapPath);
    return document;
}

// Two maps compared: the old one, and the rows per name over the measures.
struct Comparison {
    const SizeTable* oldTable = nullptr;
    std::vector<Memory> measures;
    std::vector<DiffRow> rows;
};

// The comparison of two maps, made into `comparison`, which must outlive the document (as must
// the maps, which hold the rows' names).
ReportDocument CompareMaps(const ReportOptions& options, const SizeTable& oldTable,
                           const SizeTable& newTable, Comparison& comparison) {
    const DeviceProfile device = ProfileOf(*options.device, newTable.facts);
    const SectionRule rule = DiffRule(oldTable, newTable);
    comparison.oldTable = &oldTable;
    comparison.measures =
        DiffMeasures(rule == SectionRule::kAll || options.format == OutputFormat::kJson);
    comparison.rows = CompareRows(oldTable, newTable, options.sort, comparison.measures);
    ReportDocument document;
    document.columns = DiffColumns(comparison.measures, newTable.view);
    document.rows = [&comparison, device, rule](const RowVisitor& visit) {
        ForEachDiffRow(comparison.rows, device, comparison.measures, rule, visit);
    };
    document.header = {{"old", options.oldMapPath},
                       {"new", options.mapPath},
                       {"device", DeviceName(device)},
                       {"sections", std::string(NameOf(rule).name)}};
    document.heading = MapDeviceHeading(options, device);
    document.checks = ChecksOf(oldTable, options.oldMapPath, "Old ", "old");
    for (CheckSet& set : ChecksOf(newTable, options.mapPath, "New ", "new")) {
        document.checks.push_back(std::move(set));
    }
    return document;
}

// The page to look at: the treemaps of the map (with --diff, of the new map, coloured by change)
// over the document's table, which the page holds whole.
std::string FormatHtmlDocument(const ReportOptions& options, const ReportDocument& document,
                               const SizeTable& sizes, const Comparison* comparison) {
    ReportTable table;
    table.columns = document.columns;
    document.rows([&table](TableRow& row) { table.rows.push_back(row); });
    HtmlReport report;
    report.sizes = &sizes;
    report.table = &table;
    report.device = ProfileOf(*options.device, sizes.facts);
    report.fileName = options.mapPath;
    report.time = ReportTime();
    if (comparison != nullptr) {
        report.changes = &comparison->rows;
        report.measures = comparison->measures;
        report.oldSizes = comparison->oldTable;
        report.oldFileName = options.oldMapPath;
    }
    return FormatHtml(report);
}

// Writes the document in the chosen format; `sizes` (and with --diff the comparison) are what it
// was made from, which the page to look at draws.
void WriteDocument(const ReportOptions& options, const ReportDocument& document,
                   const SizeTable& sizes, const Comparison* comparison, TextSink& out) {
    switch (options.format) {
        case OutputFormat::kHtml:
            out.Write(FormatHtmlDocument(options, document, sizes, comparison));
            return;
        case OutputFormat::kTsv:
            return WriteTsv(document, out);
        case OutputFormat::kCsv:
            return WriteCsv(document, out);
        case OutputFormat::kJson:
            return WriteJson(document, out);
        case OutputFormat::kMarkdown:
            return WriteMarkdown(document, out);
        case OutputFormat::kTable:
            break;
    }
    WriteTable(document, out);
}

// Writes the report and checks its total row against the budgets.
int WriteReport(const ReportOptions& options, ReportDocument& document, const SizeTable& sizes,
                const Comparison* comparison, TextSink& out, std::string& err) {
    // The total row is the last; it is kept as it goes by.
    TableRow total;
    document.rows = [&total, rows = std::move(document.rows)](const RowVisitor& visit) {
        rows([&](TableRow& row) {
            if (row.kind == RowKind::kTotal) {
                total = row;
            }
            visit(row);
        });
    };
    WriteDocument(options, document, sizes, comparison, out);
    const std::string prefix = comparison != nullptr ? "new_" : "";
    Outcome outcome;
    outcome.warnings = WarningsOf(document.checks);
    outcome.budgets = CheckBudgets(options, document.columns, total, prefix);
    return Finish(outcome, err);
}

// Every map is read before the first byte of the report is written; the rows are made as they
// are written.
int RunReport(const ReportOptions& options, std::FILE* in, TextSink& out, std::string& err) {
    if (options.diff) {
        const SizeTable oldTable = LoadMap(options, options.oldMapPath, in);
        const SizeTable newTable = LoadMap(options, options.mapPath, in);
        Comparison comparison;
        ReportDocument document = CompareMaps(options, oldTable, newTable, comparison);
        return WriteReport(options, document, newTable, &comparison, out, err);
    }
    SizeTable table = LoadMap(options, options.mapPath, in);
    // The page to look at draws the map's rows in their order as well; the other formats only
    // take the rows in the order, which is cheaper than moving them into it.
    if (options.format == OutputFormat::kHtml) {
        ApplyOrdering(table.rows, options.sort);
    }
    const std::vector<std::uint32_t> order = RowOrder(table.rows, options.sort);
    ReportDocument document = ReportMap(options, table, order);
    return WriteReport(options, document, table, nullptr, out, err);
}

// Every failure is found before the first byte of the report is written.
int Run(const std::vector<std::string>& args, std::FILE* in, TextSink& out, std::string& err) {
    try {
        const ReportOptions options = ParseReportOptions(args);
        if (options.showHelp) {
            out.Write(ReportUsage());
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
