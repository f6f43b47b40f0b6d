#include "report_command.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kExamples = TALLYFOLD_EXAMPLES_DIR;
const std::string kGolden = TALLYFOLD_GOLDEN_DIR;

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result RunReport(const std::vector<std::string>& args, std::FILE* in = stdin) {
    Result result;
    result.status = RunReportCommand(args, in, result.out, result.err);
    return result;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

struct GoldenCase {
    std::vector<std::string> options;
    const char* map;
    const char* golden;
};

// The reports of the example maps, checked against reports worked out once and kept.
TEST(TallyfoldReport, MatchesTheGoldenReports) {
    const std::vector<GoldenCase> cases = {
        {{}, "blinky.map", "blinky.table"},
        {{"--format", "tsv"}, "blinky.map", "blinky.tsv"},
        {{"--device", "18F458", "--format", "tsv"},
         "weather-station.map",
         "weather-station-18F458.tsv"},
        {{"--sort=ram", "--format=tsv"}, "weather-station.map", "weather-station-ram.tsv"},
        {{"--device", "18F458"}, "weather-station.map", "weather-station-18F458.table"},
        {{}, "late-generation.map", "late-generation.table"},
    };
    for (const GoldenCase& c : cases) {
        SCOPED_TRACE(c.golden);
        std::vector<std::string> args = c.options;
        args.push_back(kExamples + "/" + c.map);
        const Result result = RunReport(args);
        EXPECT_EQ(result.status, kExitSuccess);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out, ReadFile(kGolden + "/" + c.golden));
    }
}

TEST(TallyfoldReport, ReadsStandardInput) {
    std::FILE* in = std::fopen((kExamples + "/blinky.map").c_str(), "rb");
    ASSERT_NE(in, nullptr);
    const Result result = RunReport({"--format", "tsv", "-"}, in);
    std::fclose(in);
    EXPECT_EQ(result.status, kExitSuccess);
    EXPECT_EQ(result.out, ReadFile(kGolden + "/blinky.tsv"));
}

TEST(TallyfoldReport, TsvHasFiveCellsPerLineAndFourTabsForTheBlankRow) {
    const Result result = RunReport({"--format", "tsv", kExamples + "/weather-station.map"});
    std::istringstream lines(result.out);
    std::vector<std::string> all;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 4) << line;
        all.push_back(line);
    }
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[all.size() - 2], "\t\t\t\t");
    EXPECT_EQ(all.back().substr(0, 12), "-- Total --\t");
}

struct ErrorCase {
    std::vector<std::string> args;
    std::string err;
};

TEST(TallyfoldReport, FailsWithOneLineAndStatus2) {
    const std::string missing = kExamples + "/no-such.map";
    const std::vector<ErrorCase> cases = {
        {{}, "tallyfold-report: no map file given (see --help)\n"},
        {{"a.map", "b.map"},
         "tallyfold-report: more than one map file given ('b.map') (see --help)\n"},
        {{"--device", "18F452", "a.map"},
         "tallyfold-report: unknown device '18F452' (use 18F4680, 18F458 or map) (see --help)\n"},
        {{"--sort", "name", "a.map"},
         "tallyfold-report: unknown sort key 'name' (use rom or ram) (see --help)\n"},
        {{"--format", "xml", "a.map"},
         "tallyfold-report: unknown format 'xml' (use table or tsv) (see --help)\n"},
        {{"--format"}, "tallyfold-report: option --format needs a value (see --help)\n"},
        {{"--colour", "a.map"}, "tallyfold-report: unknown option '--colour' (see --help)\n"},
        {{missing}, "tallyfold-report: " + missing + ": cannot open: No such file or directory\n"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.err);
        const Result result = RunReport(c.args);
        EXPECT_EQ(result.status, kExitUsageOrMapError);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, c.err);
    }
}

TEST(TallyfoldReport, RejectsABadLengthWithFileLineAndToken) {
    std::FILE* in = std::tmpfile();
    const std::string map = "main.obj\n  text 0 0 10 0 0\n  bss 0 0 10c 0 1\nCOMMON\n";
    std::fwrite(map.data(), 1, map.size(), in);
    std::rewind(in);
    const Result result = RunReport({"-"}, in);
    std::fclose(in);
    EXPECT_EQ(result.status, kExitUsageOrMapError);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
              "tallyfold-report: <stdin>:3: section length '10c' is not upper-case hexadecimal\n");
}

TEST(TallyfoldReport, HelpAndVersionSucceed) {
    const Result help = RunReport({"--help"});
    EXPECT_EQ(help.status, kExitSuccess);
    EXPECT_NE(help.out.find("Usage: tallyfold-report"), std::string::npos);
    const Result version = RunReport({"--version"});
    EXPECT_EQ(version.status, kExitSuccess);
    EXPECT_EQ(version.out.rfind("tallyfold-report ", 0), 0u);
}

}  // namespace
