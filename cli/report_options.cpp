#include "report_options.h"

#include <algorithm>

namespace {

// "a, b or c" of the choices' names, the default marked "(default)" when there is one.
template <typename Choices>
std::string NameList(const Choices& choices, std::string_view defaultName = {}) {
    std::string list;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (i > 0) {
            list += i + 1 == choices.size() ? " or " : ", ";
        }
        list += choices[i].name;
        if (choices[i].name == defaultName) {
            list += " (default)";
        }
    }
    return list;
}

// The choice of that name; an unknown name is a usage error that lists the names there are.
template <typename Choices>
const typename Choices::value_type& ChoiceNamed(const Choices& choices, const std::string& name,
                                                const char* what) {
    for (const auto& choice : choices) {
        if (choice.name == name) {
            return choice;
        }
    }
    throw UsageError("unknown " + std::string(what) + " '" + name + "' (use " + NameList(choices) +
                     ")");
}

// One option's choices as usage lines under its first line: "name: description".
template <typename Choices>
std::string ChoiceLines(const Choices& choices, std::string_view defaultName) {
    std::string text;
    for (const auto& choice : choices) {
        std::string line = "                       " + std::string(choice.name);
        if (choice.name == defaultName) {
            line += " (default)";
        }
        text += line + ": " + std::string(choice.description) + "\n";
    }
    return text;
}

// The column the pieces of a wrapped line start at: see WrapUsage.
std::size_t HangingIndent(std::string_view line) {
    const std::size_t indent = line.find_first_not_of(' ');
    if (indent == 0 || indent == std::string_view::npos) {
        return 0;
    }
    const std::size_t gap = line.find("  ", indent);
    const std::size_t text = gap == std::string_view::npos ? gap : line.find_first_not_of(' ', gap);
    return text == std::string_view::npos ? indent + 2 : text;
}

}  // namespace

std::string WrapUsage(std::string_view text) {
    std::string wrapped;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string line(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::string hang(HangingIndent(line), ' ');
        while (line.size() > kUsageWidth) {
            const std::size_t cut = line.rfind(' ', kUsageWidth);
            const std::size_t next =
                cut == std::string::npos ? cut : line.find_first_not_of(' ', cut);
            if (cut == std::string::npos || cut <= hang.size() || next == std::string::npos) {
                break;
            }
            wrapped.append(line, 0, line.find_last_not_of(' ', cut) + 1) += '\n';
            line = hang + line.substr(next);
        }
        wrapped += line + '\n';
    }
    return wrapped;
}

namespace {

// The usage text as written, before WrapUsage.
std::string UsageText() {
    return "Usage: tallyfold-report [OPTIONS] MAPFILE\n"
           "       tallyfold-report [OPTIONS] --diff OLD.map NEW.map\n"
           "Adds up the program memory (ROM) and data memory (RAM) that each object file of a "
           "PIC18 linker map takes, as a percentage of the target device's capacity.\n"
           "\n"
           "  MAPFILE            the linker map to read; - reads standard input\n"
           "  --device DEVICE    the device the percentages are of:\n" +
           ChoiceLines(kDeviceRuleChoices, kDeviceRuleChoices[0].name) + "  --sort KEY         " +
           NameList(kSortChoices, kSortChoices[0].name) +
           ": order the rows by that size, largest\n"
           "                     first (with --diff: by the largest change of that size)\n"
           "  --format FORMAT    how the report is written:\n" +
           ChoiceLines(kFormatChoices, kFormatChoices[0].name) +
           "  --sections RULE    which sections count:\n" +
           ChoiceLines(kSectionRuleChoices, kSectionRuleChoices[0].name) +
           "  --by VIEW          what the rows are:\n" +
           ChoiceLines(kViewChoices, kViewChoices[0].name) +
           "  --output FILE      write the report to FILE, whole or not at all: FILE is "
           "replaced only once the report is complete, and stays as it was when the run fails "
           "(exit status 2); - is standard output\n"
           "  --max-rom LIMIT    fail (exit status 1) when the total ROM is above LIMIT: a "
           "percentage of the device (90, 87.5) or, with a B, bytes (60000B); one of each may be "
           "given\n"
           "  --max-ram LIMIT    the same for the total RAM\n"
           "  --diff OLD NEW     compare two maps per row name: old, new and change of each size, "
           "with a status (added, removed, changed, unchanged); budgets apply to NEW\n"
           "  --help             show this text and exit\n"
           "  --version          show the version and exit\n"
           "\n"
           "Exit status:\n"
           "  0  the report was printed, every budget holds and every check agrees\n"
           "  1  a budget is exceeded: the report is still printed, and each exceeded budget is "
           "named on standard error\n"
           "  2  a usage error, or a map that cannot be read or analysed: one line on standard "
           "error, nothing on standard output\n"
           "  3  the report disagrees with the map's own totals, or the map was cut short: the "
           "report is still printed, with a warning for each finding; 3 wins over 1\n"
           "\n"
           "Environment:\n"
           "  SOURCE_DATE_EPOCH  the time the HTML page says it was made, in seconds since 1970, "
           "so that a repeated build gives the same page; digits only, or the run fails (exit "
           "status 2); empty or unset, the time now\n";
}

}  // namespace

std::string ReportUsage() {
    return WrapUsage(UsageText());
}

namespace {

// Accepts "--name value" and "--name=value"; returns false when args[i] is not that option.
bool TakeValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
               std::string& value) {
    const std::string& arg = args[i];
    if (arg == name) {
        if (i + 1 >= args.size()) {
            throw UsageError("option " + name + " needs a value");
        }
        value = args[++i];
        return true;
    }
    if (arg.compare(0, name.size() + 1, name + "=") == 0) {
        value = arg.substr(name.size() + 1);
        return true;
    }
    return false;
}

// The device --device names; an unknown name is a usage error that offers the nearest parts.
DeviceSelection DeviceNamed(const std::string& value) {
    if (std::optional<DeviceSelection> selection = DeviceSelectionNamed(value)) {
        return *selection;
    }
    const std::vector<const Pic18Part*> closest = ClosestPic18Parts(value);
    if (closest.empty()) {
        throw UsageError("unknown device '" + value + "' (use " + NameList(kDeviceRuleChoices) +
                         ", where NAME is a PIC18 part such as 18F46K22)");
    }
    std::string names;
    for (std::size_t i = 0; i < closest.size(); ++i) {
        if (i > 0) {
            names += i + 1 == closest.size() ? " or " : ", ";
        }
        names += closest[i]->name;
    }
    throw UsageError("unknown device '" + value + "': did you mean " + names + "?");
}

Budget ParseBudgetOption(const std::string& name, const std::string& value) {
    if (std::optional<Budget> budget = ParseBudget(value)) {
        return *budget;
    }
    const std::string forms = "a percentage such as 90 or 87.5, or bytes such as 60000B";
    if (!value.empty() && value[0] == '-' && ParseBudget(value.substr(1))) {
        throw UsageError(name + " '" + value + "' is negative; a budget is " + forms);
    }
    throw UsageError(name + " '" + value + "' is not " + forms);
}

}  // namespace

ReportOptions ParseReportOptions(const std::vector<std::string>& args) {
    ReportOptions options;
    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string value;
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            options.showHelp = true;
        } else if (arg == "--version") {
            options.showVersion = true;
        } else if (TakeValue(args, i, "--device", value)) {
            options.device = DeviceNamed(value);
        } else if (TakeValue(args, i, "--by", value)) {
            options.view = ChoiceNamed(kViewChoices, value, "view").view;
        } else if (TakeValue(args, i, "--sections", value)) {
            options.sections = ChoiceNamed(kSectionRuleChoices, value, "section rule").rule;
        } else if (TakeValue(args, i, "--sort", value)) {
            options.sort = ChoiceNamed(kSortChoices, value, "sort key").ordering;
        } else if (TakeValue(args, i, "--format", value)) {
            options.format = ChoiceNamed(kFormatChoices, value, "format").format;
        } else if (TakeValue(args, i, "--output", value)) {
            if (value.empty()) {
                throw UsageError("option --output needs a file name");
            }
            options.outputPath = value == "-" ? std::string() : value;
        } else if (TakeValue(args, i, "--max-rom", value)) {
            options.maxRom.Set(ParseBudgetOption("--max-rom", value));
        } else if (TakeValue(args, i, "--max-ram", value)) {
            options.maxRam.Set(ParseBudgetOption("--max-ram", value));
        } else if (arg == "--diff") {
            options.diff = true;
        } else {
            throw UsageError("unknown option '" + arg + "'");
        }
    }
    if (options.showHelp || options.showVersion) {
        return options;
    }
    if (options.diff) {
        if (operands.size() < 2) {
            throw UsageError(operands.empty() ? "--diff needs two map files, OLD.map and NEW.map"
                                              : "--diff needs a second map file, NEW.map, after '" +
                                                    operands[0] + "'");
        }
        if (operands.size() > 2) {
            throw UsageError("--diff takes two map files; '" + operands[2] + "' is one too many");
        }
        if (operands[0] == "-" && operands[1] == "-") {
            throw UsageError("only one of the two maps can be read from standard input");
        }
        options.oldMapPath = operands[0];
        options.mapPath = operands[1];
        return options;
    }
    if (operands.empty()) {
        throw UsageError("no map file given");
    }
    if (operands.size() > 1) {
        throw UsageError("more than one map file given ('" + operands[1] + "')");
    }
    options.mapPath = operands[0];
    return options;
}
