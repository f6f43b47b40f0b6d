#pragma once

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/device_profile.h"
#include "readers/map_reader.h"
#include "report/map_report.h"
#include "report_budget.h"

// The rules that choose which sections count, in the order the usage text lists them.
struct SectionRuleChoice {
    std::string_view name;
    RuleChoice rule;
    std::string_view description;
};

inline constexpr std::array<SectionRuleChoice, 3> kSectionRuleChoices = {{
    {"auto", RuleChoice::kAuto,
     "all for a map with a TOTAL section (as linkers write them), else listed"},
    {NameOf(SectionRule::kListed).name, RuleChoice::kListed,
     "only the 27 section names of the oldest compilers"},
    {NameOf(SectionRule::kAll).name, RuleChoice::kAll,
     "every section, checked against the map; what is neither ROM nor RAM is Other"},
}};

// The budgets of one memory: one in percent and one in bytes at most, the last of each given.
struct MemoryBudgets {
    std::optional<Budget> percent;
    std::optional<Budget> bytes;

    void Set(Budget budget) {
        (budget.unit == BudgetUnit::kPercent ? percent : bytes) = std::move(budget);
    }
};

struct ReportOptions {
    DeviceSelection device;  // auto
    RuleChoice sections = RuleChoice::kAuto;
    MapView view = MapView::kObjects;
    ColumnOrdering sort = kSortChoices[0].ordering;
    OutputFormat format = OutputFormat::kTable;
    std::string mapPath;     // the map reported on, the new map with --diff; "-" is standard input
    bool diff = false;       // compare oldMapPath with mapPath
    std::string oldMapPath;  // with --diff only
    std::string outputPath;  // --output: the report's file; empty for standard output
    MemoryBudgets maxRom;    // --max-rom
    MemoryBudgets maxRam;    // --max-ram
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

// No line of the usage text is wider than this, so that it fits a terminal and the man page.
inline constexpr std::size_t kUsageWidth = 80;

// Breaks each line of text wider than kUsageWidth at its last space that fits, each piece after
// the first at the line's hanging indent: under the text after the gap that ends an option's
// name, two columns in from another indented line, at the margin for a paragraph. A word longer
// than a line stays whole.
std::string WrapUsage(std::string_view text);

// The text of --help, made from the tables above and those of the devices, views and sort keys,
// wrapped to fit.
std::string ReportUsage();
