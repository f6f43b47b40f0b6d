// tallyfold-report end to end: every format on the example maps against golden files, and every
// exit status.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "report_command.h"

namespace {

const std::string kExamples = TALLYFOLD_EXAMPLES_DIR;
const std::string kGoldens = std::string(TALLYFOLD_GOLDEN_DIR) + "/formats";

struct CommandResult {
    int status;
    std::string out;
    std::string err;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Runs the command with `input` as standard input.
CommandResult RunTool(const std::vector<std::string>& args, const std::string& input = "") {
    std::unique_ptr<std::FILE, FileCloser> in(std::tmpfile());
    EXPECT_NE(in, nullptr);
    std::fwrite(input.data(), 1, input.size(), in.get());
    std::rewind(in.get());
    CommandResult result;
    result.status = RunReportCommand(args, in.get(), result.out, result.err);
    return result;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Example paths are written relative to the checkout so that the goldens do not depend on it.
std::string Relative(std::string text) {
    for (std::size_t at = text.find(kExamples); at != std::string::npos;
         at = text.find(kExamples, at)) {
        text.replace(at, kExamples.size(), "examples");
    }
    return text;
}

struct GoldenCase {
    std::vector<std::string> args;  // "@name" stands for examples/name
    const char* golden;
};

// Set TALLYFOLD_UPDATE_GOLDENS=1 to write the goldens from the current output; review the diff.
TEST(ReportGolden, EveryFormatOnTheExampleMaps) {
    const GoldenCase cases[] = {
        {{"--format", "csv", "@blinky.map"}, "blinky.csv"},
        {{"--format", "json", "@blinky.map"}, "blinky.json"},
        {{"--format", "markdown", "@blinky.map"}, "blinky.md"},
        {{"--format", "csv", "--device", "18F458", "@weather-station.map"},
         "weather-station-18F458.csv"},
        {{"--format", "json", "--device", "18F458", "@weather-station.map"},
         "weather-station-18F458.json"},
        {{"--format", "markdown", "--device", "18F458", "@weather-station.map"},
         "weather-station-18F458.md"},
        {{"--format", "json", "--sort", "ram", "@late-generation.map"},
         "late-generation-by-ram.json"},
        {{"--format", "table", "@odd-names.map"}, "odd-names.txt"},
        {{"--format", "tsv", "@odd-names.map"}, "odd-names.tsv"},
        {{"--format", "csv", "@odd-names.map"}, "odd-names.csv"},
        {{"--format", "json", "@odd-names.map"}, "odd-names.json"},
        {{"--format", "markdown", "@odd-names.map"}, "odd-names.md"},
        {{"--diff", "@blinky.map", "@blinky-v2.map"}, "blinky-diff.txt"},
        {{"--diff", "--format", "tsv", "@blinky.map", "@blinky-v2.map"}, "blinky-diff.tsv"},
        {{"--diff", "--format", "csv", "@blinky.map", "@blinky-v2.map"}, "blinky-diff.csv"},
        {{"--diff", "--format", "json", "@blinky.map", "@blinky-v2.map"}, "blinky-diff.json"},
        {{"--diff", "--format", "markdown", "@blinky.map", "@blinky-v2.map"}, "blinky-diff.md"},
        {{"--diff", "--format", "tsv", "--sort", "ram", "@blinky-v2.map", "@blinky.map"},
         "blinky-diff-reversed-by-ram.tsv"},
        {{"--diff", "--format", "json", "@weather-station.map", "@odd-names.map"},
         "weather-station-to-odd-names-diff.json"},
    };
    const bool update = std::getenv("TALLYFOLD_UPDATE_GOLDENS") != nullptr;
    for (const GoldenCase& c : cases) {
        SCOPED_TRACE(c.golden);
        std::vector<std::string> args;
        for (const std::string& arg : c.args) {
            args.push_back(arg[0] == '@' ? kExamples + "/" + arg.substr(1) : arg);
        }
        const CommandResult result = RunTool(args);
        EXPECT_EQ(result.status, kExitSuccess);
        EXPECT_EQ(result.err, "");
        const std::string path = kGoldens + "/" + c.golden;
        const std::string output = Relative(result.out);
        if (update) {
            std::ofstream(path, std::ios::binary) << output;
        }
        EXPECT_EQ(output, ReadFile(path));
    }
}

// 512 bytes of ROM (0.78125 %, printed 0.7813) and 338 bytes of RAM (10.15625 %, printed
// 10.1563) on the 18F4680.
const char kHalfwayMap[] = "x.obj text 0 0 200 0 0 rbss 60 60 152 60 1\n";

TEST(ReportExitStatus, ZeroForAReportWithinItsBudgets) {
    const CommandResult result =
        RunTool({"--max-rom", "0.7813", "--max-ram", "10.1563", "-"}, kHalfwayMap);
    EXPECT_EQ(result.status, kExitSuccess);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, RunTool({"-"}, kHalfwayMap).out);
}

TEST(ReportExitStatus, OneWhenABudgetIsExceededWithTheReportStillPrinted) {
    const struct {
        std::vector<std::string> args;
        const char* err;
    } cases[] = {
        {{"--max-rom", "0.7812", "-"}, "tallyfold-report: ROM 0.7813% exceeds budget 0.7812%\n"},
        {{"--max-ram", "10.15625", "-"},
         "tallyfold-report: RAM 10.1563% exceeds budget 10.15625%\n"},
        {{"--max-ram=10", "--max-rom=0.5", "--format=json", "-"},
         "tallyfold-report: ROM 0.7813% exceeds budget 0.5%\n"
         "tallyfold-report: RAM 10.1563% exceeds budget 10%\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        const CommandResult result = RunTool(c.args, kHalfwayMap);
        EXPECT_EQ(result.status, kExitBudgetExceeded);
        EXPECT_EQ(result.err, c.err);
        std::vector<std::string> withoutBudgets;
        for (const std::string& arg : c.args) {
            if (arg.rfind("--max-", 0) != 0 && arg != "0.7812" && arg != "10.15625") {
                withoutBudgets.push_back(arg);
            }
        }
        EXPECT_EQ(result.out, RunTool(withoutBudgets, kHalfwayMap).out);
        EXPECT_NE(result.out, "");
    }
}

TEST(ReportExitStatus, TwoOnUsageAndMapErrorsWithNothingOnStandardOutput) {
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"--format", "yaml", "-"},
         "tallyfold-report: unknown format 'yaml' (use table, tsv, csv, json or markdown) (see "
         "--help)\n"},
        {{"--max-rom", "lots", "-"},
         "tallyfold-report: --max-rom 'lots' is not a percentage such as 90 or 87.5 (see "
         "--help)\n"},
        {{"--max-ram", "-1", "-"},
         "tallyfold-report: --max-ram '-1' is negative; a budget is a percentage such as 90 or "
         "87.5 (see --help)\n"},
        {{"--diff", "-"},
         "tallyfold-report: --diff needs a second map file, NEW.map, after '-' (see --help)\n"},
        {{"--diff", "-", kExamples + "/no-such.map"},
         "tallyfold-report: " + kExamples +
             "/no-such.map: cannot open: No such file or directory\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        const CommandResult result = RunTool(c.args, kHalfwayMap);
        EXPECT_EQ(result.status, kExitUsageOrMapError);
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(result.out, "");
    }
    const CommandResult badMap = RunTool(
        {"--diff", "--max-rom", "1", "-", kExamples + "/blinky.map"}, "a.obj text 0 0 10c 0 0\n");
    EXPECT_EQ(badMap.status, kExitUsageOrMapError);
    EXPECT_EQ(badMap.err,
              "tallyfold-report: <stdin>:1: section length '10c' is not upper-case hexadecimal\n");
    EXPECT_EQ(badMap.out, "");
}

TEST(ReportExitStatus, DiffBudgetsApplyToTheNewMap) {
    const std::string small = kExamples + "/blinky.map";  // 586 B of ROM: 0.8942 %
    const CommandResult grown = RunTool({"--diff", "--max-rom", "0.9", small, "-"},
                                        kHalfwayMap + std::string("y.obj text 0 0 400 0 0\n"));
    EXPECT_EQ(grown.status, kExitBudgetExceeded);
    EXPECT_EQ(grown.err, "tallyfold-report: ROM 2.3438% exceeds budget 0.9%\n");
    const CommandResult shrunk =
        RunTool({"--diff", "--max-rom", "0.9", "-", small}, "big.obj text 0 0 8000 0 0\n");
    EXPECT_EQ(shrunk.status, kExitSuccess);
    EXPECT_EQ(shrunk.err, "");
    EXPECT_NE(shrunk.out.find("big.obj"), std::string::npos);
}

}  // namespace
