#include "report/map_report.h"

#include <algorithm>

#include "report/report_diff.h"
#include "report/report_html.h"

namespace {

// The device's members of a JSON document, after "device": who named it, where its capacities
// came from, and the capacities (null when unknown).
void AddDeviceMembers(JsonHeader& header, const DeviceProfile& device) {
    header.push_back({"device", device.name.empty() ? "unknown" : device.name});
    header.push_back({"device_source", std::string(NameOf(device.namedBy).field)});
    header.push_back({"capacities_source", std::string(NameOf(device.capacities).field)});
    for (const Memory& memory : kMemories) {
        if (memory.capacity != nullptr) {
            const std::int64_t capacity = device.*memory.capacity;
            header.push_back({std::string(memory.field) + "_capacity",
                              capacity > 0 ? std::to_string(capacity) : "null", true});
        }
    }
}

std::vector<CheckSet> ChecksOf(const SizeTable& table, const std::string& mapName,
                               std::string prefix = {}, std::string key = {}) {
    if (table.facts.checks.empty() && table.facts.notes.empty()) {
        return {};
    }
    // Warnings name standard input, which the report itself calls "-", as people read it.
    return {CheckSet{std::move(prefix), std::move(key), mapName == "-" ? "<stdin>" : mapName,
                     table.facts.checks, table.facts.notes}};
}

// JSON rows always carry "other", so that a script reads every map alike.
bool WithOther(const ReportRequest& request, SectionRule rule) {
    return rule == SectionRule::kAll || request.format == OutputFormat::kJson;
}

// Two maps compared: the old one, and the rows per name over the measures.
struct Comparison {
    const SizeTable* oldTable = nullptr;
    std::vector<Memory> measures;
    std::vector<DiffRow> rows;
};

// The page to look at: the treemaps of the map (with a comparison, of the new map, coloured by
// change) over the document's table: its first kHtmlTableRows rows, the largest, and the total
// row, which counts them all.
std::string FormatHtmlDocument(const ReportRequest& request, const ReportDocument& document,
                               const DeviceProfile& device, const SizeTable& sizes,
                               const Comparison* comparison) {
    ReportTable table;
    table.columns = document.columns;
    std::size_t rows = 0;
    document.rows([&table, &rows](TableRow& row) {
        const bool listed = row.kind == RowKind::kObject || row.kind == RowKind::kSpecial;
        if (!listed || rows++ < kHtmlTableRows) {
            table.rows.push_back(row);
        }
    });
    HtmlReport report;
    report.rowsLeftOut = rows - std::min(rows, kHtmlTableRows);
    report.sizes = &sizes;
    report.table = &table;
    report.device = device;
    report.fileName = request.mapName;
    report.time = ReportTime();
    if (comparison != nullptr) {
        report.changes = &comparison->rows;
        report.measures = comparison->measures;
        report.oldSizes = comparison->oldTable;
        report.oldFileName = request.oldMapName;
    }
    return FormatHtml(report);
}

// Writes the document in the chosen format, keeping its total row as it goes by; `sizes` (and
// with a comparison, the comparison) are what it was made from, which the page to look at draws.
ReportOutcome WriteDocument(const ReportRequest& request, ReportDocument& document,
                            const DeviceProfile& device, const SizeTable& sizes,
                            const Comparison* comparison, TextSink& out) {
    ReportOutcome outcome;
    document.rows = [&outcome, rows = std::move(document.rows)](const RowVisitor& visit) {
        rows([&](TableRow& row) {
            if (row.kind == RowKind::kTotal) {
                outcome.total = row;
            }
            visit(row);
        });
    };
    switch (request.format) {
        case OutputFormat::kHtml:
            out.Write(FormatHtmlDocument(request, document, device, sizes, comparison));
            break;
        case OutputFormat::kTsv:
            WriteTsv(document, out);
            break;
        case OutputFormat::kCsv:
            WriteCsv(document, out);
            break;
        case OutputFormat::kJson:
            WriteJson(document, out);
            break;
        case OutputFormat::kMarkdown:
            WriteMarkdown(document, out);
            break;
        case OutputFormat::kTable:
            WriteTable(document, out);
            break;
    }
    outcome.columns = std::move(document.columns);
    outcome.checks = std::move(document.checks);
    return outcome;
}

}  // namespace

ReportOutcome WriteMapReport(const ReportRequest& request, SizeTable& table, TextSink& out) {
    // The page to look at draws the map's rows in their order as well; the other formats only
    // take the rows in the order, which is cheaper than moving them into it.
    if (request.format == OutputFormat::kHtml) {
        ApplyOrdering(table.rows, request.sort);
    }
    const std::vector<std::uint32_t> order = RowOrder(table.rows, request.sort);
    const DeviceProfile device = ResolveDevice(request.device, table.facts);
    const bool withOther = WithOther(request, table.rule);
    ReportDocument document;
    document.columns = SizeReportColumns(withOther, table.view);
    document.rows = [&table, &order, device, withOther](const RowVisitor& visit) {
        ForEachReportRow(table, device, withOther, visit, &order);
    };
    document.header = {{"file", request.mapName}};
    AddDeviceMembers(document.header, device);
    document.header.push_back({"sections", std::string(NameOf(table.rule).name)});
    document.deviceLine = DeviceLine(device);
    document.checks = ChecksOf(table, request.mapName);
    return WriteDocument(request, document, device, table, nullptr, out);
}

ReportOutcome WriteComparisonReport(const ReportRequest& request, const SizeTable& oldTable,
                                    const SizeTable& newTable, TextSink& out) {
    const DeviceProfile device = ResolveDevice(request.device, newTable.facts);
    const SectionRule rule = DiffRule(oldTable, newTable);
    Comparison comparison;
    comparison.oldTable = &oldTable;
    comparison.measures = DiffMeasures(WithOther(request, rule));
    comparison.rows = CompareRows(oldTable, newTable, request.sort, comparison.measures);
    ReportDocument document;
    document.columns = DiffColumns(comparison.measures, newTable.view);
    document.rows = [&comparison, device, rule](const RowVisitor& visit) {
        ForEachDiffRow(comparison.rows, device, comparison.measures, rule, visit);
    };
    document.header = {{"old", request.oldMapName}, {"new", request.mapName}};
    AddDeviceMembers(document.header, device);
    document.header.push_back({"sections", std::string(NameOf(rule).name)});
    document.deviceLine = DeviceLine(device);
    document.checks = ChecksOf(oldTable, request.oldMapName, "Old ", "old");
    for (CheckSet& set : ChecksOf(newTable, request.mapName, "New ", "new")) {
        document.checks.push_back(std::move(set));
    }
    return WriteDocument(request, document, device, newTable, &comparison, out);
}
