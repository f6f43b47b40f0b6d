#include "report_command.h"

#include <optional>
#include <string_view>

#include "map_error.h"
#include "map_file.h"
#include "map_reader.h"
#include "report_diff.h"
#include "report_formats.h"
#include "report_html.h"
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

std::string RuleName(SectionRule rule) {
    return rule == SectionRule::kAll ? "all" : "listed";
}

// The line above the table when the capacities come from the map.
std::string MapDeviceHeading(const ReportOptions& options, const DeviceProfile& device) {
    if (!options.device->fromMap) {
        return {};
    }
    const std::string name = device.name.empty() ? "not named in the map" : device.name;
    return "Device: " + name + ", capacities from the map: ROM " +
           std::to_string(device.romCapacity) + " bytes, RAM " +
           std::to_string(device.ramCapacity) + " bytes\n\n";
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

// One line per exceeded budget, compared with the total row's printed percentages.
std::string CheckBudgets(const ReportOptions& options, std::string_view romPercent,
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

// The total row's cell in the column of that field.
std::string TotalCell(const std::vector<ReportColumn>& columns, const TableRow& total,
                      std::string_view field) {
    for (std::size_t column = 0; column < columns.size(); ++column) {
        if (columns[column].field == field) {
            return total.cells[column];
        }
    }
    return {};
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
TableRow WriteTsvReport(const SizeTable& table, const DeviceProfile& device, bool withOther,
                        ReportSink& sink) {
    constexpr std::size_t kPieceSize = 64 * 1024;
    std::string piece;
    piece.reserve(kPieceSize);
    TableRow last;
    ForEachReportRow(table, device, withOther, [&](TableRow& row) {
        for (std::size_t column = 0; column < row.cells.size(); ++column) {
            if (column > 0) {
                piece += '\t';
            }
            piece += row.cells[column];
        }
        piece += '\n';
        if (piece.size() >= kPieceSize) {
            sink.Write(piece);
            piece.clear();
        }
        if (row.kind == RowKind::kTotal) {
            last = row;
        }
    });
    sink.Write(piece);
    return last;
}

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

ReportDocument ReportMap(const ReportOptions& options, SizeTable& table) {
    ApplyOrdering(table.rows, options.sort);
    const DeviceProfile device = ProfileOf(*options.device, table.facts);
    ReportDocument document;
    // JSON rows always carry "other", so that a script reads every map alike.
    const bool withOther = table.rule == SectionRule::kAll || options.format == OutputFormat::kJson;
    document.table = BuildReportRows(table, device, withOther);
    document.header = {{"file", options.mapPath},
                       {"device", DeviceName(device)},
                       {"sections", RuleName(table.rule)}};
    document.heading = MapDeviceHeading(options, device);
    document.checks = ChecksOf(table, options.mapPath);
    return document;
}

ReportDocument CompareMaps(const ReportOptions& options, const SizeTable& oldTable,
                           const SizeTable& newTable) {
    const DeviceProfile device = ProfileOf(*options.device, newTable.facts);
    const SectionRule rule = DiffRule(oldTable, newTable);
    const std::vector<DiffMeasure> measures =
        DiffMeasures(rule == SectionRule::kAll || options.format == OutputFormat::kJson);
    ReportDocument document;
    document.table = BuildDiffTable(CompareRows(oldTable, newTable, options.sort, measures), device,
                                    measures, rule, newTable.view);
    document.header = {{"old", options.oldMapPath},
                       {"new", options.mapPath},
                       {"device", DeviceName(device)},
                       {"sections", RuleName(rule)}};
    document.heading = MapDeviceHeading(options, device);
    document.checks = ChecksOf(oldTable, options.oldMapPath, "Old ", "old");
    for (CheckSet& set : ChecksOf(newTable, options.mapPath, "New ", "new")) {
        document.checks.push_back(std::move(set));
    }
    return document;
}

// The page to look at: the treemaps of the map (with --diff, of the new map, coloured by change)
// over the document's table.
std::string FormatHtmlDocument(const ReportOptions& options, const ReportDocument& document,
                               const SizeTable& sizes, const SizeTable* oldSizes) {
    HtmlReport report;
    report.sizes = &sizes;
    report.table = &document.table;
    report.device = ProfileOf(*options.device, sizes.facts);
    report.fileName = options.mapPath;
    report.time = ReportTime();
    SizeChanges changes;
    if (oldSizes != nullptr) {
        changes = ChangesBetween(*oldSizes, sizes);
        report.changes = &changes;
        report.oldSizes = oldSizes;
        report.oldFileName = options.oldMapPath;
    }
    return FormatHtml(report);
}

// The document in the chosen format; `sizes` (and with --diff `oldSizes`) are the maps it was
// made from, which the page to look at draws.
std::string FormatDocument(const ReportOptions& options, const ReportDocument& document,
                           const SizeTable& sizes, const SizeTable* oldSizes) {
    switch (options.format) {
        case OutputFormat::kHtml:
            return FormatHtmlDocument(options, document, sizes, oldSizes);
        case OutputFormat::kTsv:
            return FormatTsv(document.table);
        case OutputFormat::kCsv:
            return FormatCsv(document.table);
        case OutputFormat::kJson:
            return FormatJson(document);
        case OutputFormat::kMarkdown:
            return FormatMarkdown(document.table);
        case OutputFormat::kTable:
            break;
    }
    return FormatTableDocument(document);
}

int RunReport(const ReportOptions& options, std::FILE* in, ReportSink& out, std::string& err) {
    Outcome outcome;
    if (options.diff) {
        const SizeTable oldTable = LoadMap(options, options.oldMapPath, in);
        const SizeTable newTable = LoadMap(options, options.mapPath, in);
        const ReportDocument document = CompareMaps(options, oldTable, newTable);
        const std::string text = FormatDocument(options, document, newTable, &oldTable);
        outcome.warnings = WarningsOf(document.checks);
        outcome.budgets = CheckBudgets(
            options,
            TotalCell(document.table.columns, document.table.rows.back(), "new_rom_percent"),
            TotalCell(document.table.columns, document.table.rows.back(), "new_ram_percent"));
        out.Write(text);
        return Finish(outcome, err);
    }
    SizeTable table = LoadMap(options, options.mapPath, in);
    outcome.warnings = WarningsOf(ChecksOf(table, options.mapPath));
    // The tab-separated report is what build pipelines run on every build, on maps of any
    // size: it is written as its rows are made.
    if (options.format == OutputFormat::kTsv) {
        ApplyOrdering(table.rows, options.sort);
        const DeviceProfile device = ProfileOf(*options.device, table.facts);
        const bool withOther = table.rule == SectionRule::kAll;
        const TableRow total = WriteTsvReport(table, device, withOther, out);
        const std::vector<ReportColumn> columns = SizeReportColumns(withOther, table.view);
        outcome.budgets = CheckBudgets(options, TotalCell(columns, total, "rom_percent"),
                                       TotalCell(columns, total, "ram_percent"));
        return Finish(outcome, err);
    }
    const ReportDocument document = ReportMap(options, table);
    const TableRow& total = document.table.rows.back();
    outcome.budgets = CheckBudgets(options, TotalCell(document.table.columns, total, "rom_percent"),
                                   TotalCell(document.table.columns, total, "ram_percent"));
    out.Write(FormatDocument(options, document, table, nullptr));
    return Finish(outcome, err);
}

// Every failure is found before the first byte of the report is written.
int Run(const std::vector<std::string>& args, std::FILE* in, ReportSink& out, std::string& err) {
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
