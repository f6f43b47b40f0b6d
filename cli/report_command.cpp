#include "report_command.h"

#include <cstdlib>
#include <optional>
#include <string_view>

#include "core/map_error.h"
#include "core/map_file.h"
#include "output_file.h"
#include "readers/map_reader.h"
#include "report/map_report.h"
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
    return CountMapFile(*file, options.sections, options.device.rule != DeviceRule::kPart,
                        options.view, options.format == OutputFormat::kHtml);
}

// One line per exceeded budget, compared with the total row's printed percentages or bytes (in
// the columns of the fields that start with `prefix`: "new_" with --diff).
std::string CheckBudgets(const ReportOptions& options, const std::vector<ReportColumn>& columns,
                         const TableRow& total, const std::string& prefix) {
    std::string lines;
    const auto check = [&](const std::optional<Budget>& budget, MemoryKind kind) {
        if (!budget) {
            return;
        }
        const Memory& memory = MemoryOf(kind);
        const std::string field = prefix + std::string(memory.field) +
                                  (budget->unit == BudgetUnit::kPercent ? "_percent" : "");
        const std::string line =
            CheckBudget(memory.label, TotalCell(columns, total, field), *budget);
        if (!line.empty()) {
            lines += "tallyfold-report: " + line + "\n";
        }
    };
    check(options.maxRom.percent, MemoryKind::kRom);
    check(options.maxRom.bytes, MemoryKind::kRom);
    check(options.maxRam.percent, MemoryKind::kRam);
    check(options.maxRam.bytes, MemoryKind::kRam);
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

// The report's request: the options that say what it shows.
ReportRequest RequestOf(const ReportOptions& options) {
    ReportRequest request;
    request.device = options.device;
    request.format = options.format;
    request.sort = options.sort;
    request.mapName = options.mapPath;
    request.oldMapName = options.oldMapPath;
    return request;
}

// The warnings of the checks that disagree and the budgets checked against the total row.
int Judge(const ReportOptions& options, const ReportOutcome& report, std::string& err) {
    Outcome outcome;
    outcome.warnings = WarningsOf(report.checks);
    outcome.budgets =
        CheckBudgets(options, report.columns, report.total, options.diff ? "new_" : "");
    return Finish(outcome, err);
}

// Every map is read before the first byte of the report is written; the rows are made as they
// are written.
int RunReport(const ReportOptions& options, std::FILE* in, TextSink& out, std::string& err) {
    if (options.diff) {
        const SizeTable oldTable = LoadMap(options, options.oldMapPath, in);
        const SizeTable newTable = LoadMap(options, options.mapPath, in);
        return Judge(options, WriteComparisonReport(RequestOf(options), oldTable, newTable, out),
                     err);
    }
    SizeTable table = LoadMap(options, options.mapPath, in);
    return Judge(options, WriteMapReport(RequestOf(options), table, out), err);
}

// The report into a file that holds it whole or not at all: replaced only when the run gives a
// report (budgets exceeded and disagreements included).
int RunToFile(const ReportOptions& options, std::FILE* in, std::string& err) {
    COutputFile file(options.outputPath);
    FileSink sink(file.Stream());
    const int status = RunReport(options, in, sink, err);
    file.Commit();
    return status;
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
        if (options.format == OutputFormat::kHtml) {
            // The page shows when it was made: a SOURCE_DATE_EPOCH that cannot say so is a
            // mistake in the build's environment, not a reason to show the time now.
            const SourceDateEpoch epoch = ReadSourceDateEpoch(std::getenv("SOURCE_DATE_EPOCH"));
            if (!epoch.problem.empty()) {
                throw UsageError(epoch.problem);
            }
        }
        if (!options.outputPath.empty()) {
            return RunToFile(options, in, err);
        }
        return RunReport(options, in, out, err);
    } catch (const UsageError& error) {
        err = std::string("tallyfold-report: ") + error.what() + " (see --help)\n";
    } catch (const MapError& error) {
        err = std::string("tallyfold-report: ") + error.what() + "\n";
    } catch (const OutputError& error) {
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
