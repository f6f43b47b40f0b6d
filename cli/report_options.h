#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "device_profile.h"
#include "report_budget.h"
#include "size_report.h"
#include "size_table.h"

enum class OutputFormat { kTable, kTsv, kCsv, kJson, kMarkdown };

struct ReportOptions {
    const DeviceProfile* device = &kDevice18F4680;
    bool deviceFromMap = false;  // --device map: capacities from the map's class ranges
    SectionRule sections = SectionRule::kListed;
    ColumnOrdering sort = ColumnOrdering::kByRomSize;
    OutputFormat format = OutputFormat::kTable;
    std::string mapPath;     // the map reported on, the new map with --diff; "-" is standard input
    bool diff = false;       // compare oldMapPath with mapPath
    std::string oldMapPath;  // with --diff only
    std::optional<Budget> maxRom;
    std::optional<Budget> maxRam;
    bool showHelp = false;
    bool showVersion = false;
};

// A command line that cannot be carried out; the text is one line for standard error.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name. Throws UsageError.
ReportOptions ParseReportOptions(const std::vector<std::string>& args);

extern const char kReportUsage[];
