#include "report_command.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

// The reports of the example maps by the listed names, in every format, checked against reports
// worked out once and kept.
TEST(TallyfoldReport, MatchesTheGoldenReports) {
    ExpectGoldenRuns(
        {"--sections", "listed"},
        {
            {{"@blinky.map"}, "blinky.table"},
            {{"--format", "tsv", "@blinky.map"}, "blinky.tsv"},
            {{"--device", "18F458", "--format", "tsv", "@weather-station.map"},
             "weather-station-18F458.tsv"},
            {{"--sort=ram", "--format=tsv", "@weather-station.map"}, "weather-station-ram.tsv"},
            {{"--device", "18F458", "@weather-station.map"}, "weather-station-18F458.table"},
            {{"@late-generation.map"}, "late-generation.table"},
            {{"@oldest-generation-excerpt.map"}, "oldest-generation-excerpt.table"},
            {{"--format", "csv", "@blinky.map"}, "formats/blinky.csv"},
            {{"--format", "json", "@blinky.map"}, "formats/blinky.json"},
            {{"--format", "markdown", "@blinky.map"}, "formats/blinky.md"},
            {{"--format", "json", "--sort", "ram", "@late-generation.map"},
             "formats/late-generation-by-ram.json"},
            {{"--format", "table", "@odd-names.map"}, "formats/odd-names.txt"},
            {{"--format", "tsv", "@odd-names.map"}, "formats/odd-names.tsv"},
            {{"--format", "csv", "@odd-names.map"}, "formats/odd-names.csv"},
            {{"--format", "json", "@odd-names.map"}, "formats/odd-names.json"},
            {{"--format", "markdown", "@odd-names.map"}, "formats/odd-names.md"},
            {{"--diff", "@blinky.map", "@blinky-v2.map"}, "formats/blinky-diff.txt"},
            {{"--diff", "--format", "json", "@blinky.map", "@blinky-v2.map"},
             "formats/blinky-diff.json"},
            {{"--diff", "--format", "tsv", "--sort", "ram", "@blinky-v2.map", "@blinky.map"},
             "formats/blinky-diff-reversed-by-ram.tsv"},
            {{"--diff", "--format", "json", "@weather-station.map", "@odd-names.map"},
             "formats/weather-station-to-odd-names-diff.json"},
        });
}

// Paths are UTF-8 and opened through the wide-character interface on Windows, so a folder in
// any script opens there as everywhere.
TEST(TallyfoldReport, OpensAMapInAFolderOfAnyScript) {
    namespace fs = std::filesystem;
    const std::string folder = "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1 \xE6\x97\xA5\xE6\x9C\xAC";
    const fs::path dir = fs::u8path(folder);
    fs::create_directories(dir);
    fs::copy_file(fs::u8path(kExamples + "/blinky.map"), dir / "blinky.map",
                  fs::copy_options::overwrite_existing);
    const Result result =
        RunReport({"--sections", "listed", "--format", "tsv", folder + "/blinky.map"});
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, kExitSuccess);
    ExpectGolden(result.out, "blinky.tsv");
    fs::remove_all(dir);
}

// A file that is no map is an error whatever the options: a table of zeros would let a budget
// pass a build that linked nothing. A map cut short is reported, with a warning and status 3.
TEST(TallyfoldReport, TellsAMapFromAFileThatIsNone) {
    const std::string notAMap =
        "tallyfold-report: <stdin>: not a linker map: it names no object file and has no "
        "section table ('Name Link Load Length Selector Space') and no COMMON or TOTAL\n";
    const std::vector<std::vector<std::string>> options = {{},
                                                           {"--sections", "listed"},
                                                           {"--sections", "all"},
                                                           {"--format", "json"},
                                                           {"--device", "map"},
                                                           {"--format", "tsv", "--max-rom", "90"}};
    const std::vector<std::string> files = {"",
                                            std::string("\x7F"
                                                        "ELF\x02\x01\x01\0\0\0",
                                                        10),
                                            "Dear diary, today the build linked nothing.\n"};
    // Another linker's map is named as what it is, under every option and view.
    const std::string gnuMap =
        "\nMemory Configuration\n\nName             Origin             Length\n.text "
        "0x0000000000401000 0x1b4 main.o\n";
    const std::string notPic18 =
        "tallyfold-report: <stdin>: a GNU linker map, not a PIC18 map: open the map that the "
        "PIC18 linker (HLINK of XC8 or PICC-18, MPLINK or gplink) wrote\n";
    for (const std::vector<std::string>& option : options) {
        for (const std::string& file : files) {
            std::vector<std::string> args = option;
            args.push_back("-");
            const Result result = RunWithInput(args, file);
            EXPECT_EQ(result.status, kExitUsageOrMapError) << file;
            EXPECT_EQ(result.out, "");
            // The complete tally has its own words for a map without a section table.
            if (option.size() != 2 || option[1] != "all") {
                EXPECT_EQ(result.err, notAMap) << file;
            }
        }
        for (const char* view : {"object", "region"}) {
            std::vector<std::string> args = option;
            args.insert(args.end(), {"--by", view, "-"});
            const Result result = RunWithInput(args, gnuMap);
            EXPECT_EQ(result.status, kExitUsageOrMapError);
            EXPECT_EQ(result.err, notPic18) << view;
        }
    }

    // A heading or an end marker makes a map, even one without object files.
    const Result empty = RunWithInput({"--format", "tsv", "-"}, "COMMON\n");
    EXPECT_EQ(empty.status, kExitSuccess);
    EXPECT_EQ(empty.out, "\t\t\t\t\n-- Total --\t0\t0\t0.0000\t0.0000\n");

    const std::string cut = ReadFile(kExamples + "/oldest-generation-excerpt.map");
    const std::string lastLines = cut.substr(0, cut.find("\nCOMMON"));
    for (const char* rule : {"listed", "all"}) {
        SCOPED_TRACE(rule);
        const Result result = RunWithInput({"--sections", rule, "--format", "csv", "-"}, lastLines);
        EXPECT_EQ(result.status, kExitDisagreement);
        EXPECT_NE(result.out.find("main.obj,"), std::string::npos);
        EXPECT_EQ(result.err,
                  "tallyfold-report: warning: <stdin>: the section table runs to the end of the "
                  "file (line 17) without COMMON or TOTAL: the map was cut short and the report "
                  "may be incomplete\n");
    }
}

// An MPLINK-family map that stops before its symbols is cut short: a warning and status 3, and
// the check that says so under the table.
TEST(TallyfoldReport, WarnsOfAnMplinkMapCutShort) {
    const std::string whole = ReadFile(kExamples + "/mplink-c18-data-logger.map");
    const std::string cut = whole.substr(0, whole.find(".tmpdata"));
    const std::string detail =
        "the map ends at line 27, inside its Section Info, before its symbols: the map was cut "
        "short and the report may be incomplete";
    const Result result = RunWithInput({"--max-ram", "1", "-"}, cut);
    EXPECT_EQ(result.status, kExitDisagreement);
    EXPECT_NE(result.out.find("\nComplete map: disagrees (" + detail + ")\n"), std::string::npos)
        << result.out;
    EXPECT_EQ(result.err, "tallyfold-report: warning: <stdin>: " + detail + "\n");
}

// Maps of the MPLINK family are told by their header and read by their own reader; the listed
// names do not apply to them, and the error map of a failed link is an error.
TEST(TallyfoldReport, ReadsMplinkFamilyMapsByTheirOwnReader) {
    ExpectGoldenRuns({}, {{{"@mplink-c18-data-logger.map"}, "mplink-c18-data-logger.table"},
                          {{"@mplink-gplink-thermostat.map"}, "mplink-gplink-thermostat.table"},
                          {{"@mplink-merged-prog.map"}, "mplink-merged-prog.table"},
                          {{"@mplink-mpasm-irrigation.map"}, "mplink-mpasm-irrigation.table"}});
    const Result listed =
        RunReport({"--sections", "listed", kExamples + "/mplink-c18-data-logger.map"});
    EXPECT_EQ(listed.status, kExitUsageOrMapError);
    EXPECT_NE(listed.err.find("an MPLINK-family map has no per-object table"), std::string::npos)
        << listed.err;
    const Result failed = RunReport({kExamples + "/mplink-failed-link.map"});
    EXPECT_EQ(failed.status, kExitUsageOrMapError);
    EXPECT_NE(failed.err.find("the error map of a failed link"), std::string::npos);
}

// Inside the program: the views split the complete tally by source file or by symbol, name
// their first column accordingly, and refuse a map that lacks what they need (the reasons are
// tested with the views).
TEST(TallyfoldReport, ShowsTheViewsInsideTheProgram) {
    const std::string kiln = kExamples + "/kiln-controller.map";
    for (const char* view : {"module", "symbol"}) {
        SCOPED_TRACE(view);
        const Result table = RunReport({"--by", view, "--device", "map", kiln});
        EXPECT_EQ(table.status, kExitSuccess);
        EXPECT_EQ(table.err, "");
        ExpectGolden(table.out, "kiln-controller.by-" + std::string(view) + ".table");
        const Result json = RunReport({"--by", view, "--format", "json", kiln});
        EXPECT_NE(json.out.find("    {\"" + std::string(view) + "\": \""), std::string::npos);
        const Result diff = RunReport({"--by", view, "--diff", kiln, kiln});
        EXPECT_EQ(diff.status, kExitSuccess);
        const Result blinky = RunReport({"--by", view, kExamples + "/blinky.map"});
        EXPECT_EQ(blinky.status, kExitUsageOrMapError);
        EXPECT_EQ(blinky.out, "");
        const Result listed = RunReport({"--by", view, "--sections", "listed", kiln});
        EXPECT_EQ(listed.status, kExitUsageOrMapError);
    }
}

// The page draws each object's sections inside it, also when the map was counted as it streamed.
TEST(TallyfoldReport, TheHtmlPageNestsEachObjectsSections) {
    const Result page = RunReport({"--format", "html", kExamples + "/weather-station.map"});
    EXPECT_EQ(page.status, kExitSuccess);
    EXPECT_NE(page.out.find("<rect class=\"part"), std::string::npos);
}

// The page shows SOURCE_DATE_EPOCH as its time, so that a repeated build gives the same page; a
// value that is no number of seconds is an error, never quietly the time now.
TEST(TallyfoldReport, TheHtmlPageTakesItsTimeOnlyFromAWholeNumberOfSeconds) {
    const std::string map = kExamples + "/blinky.map";
    {
        const CScopedEnv epoch("SOURCE_DATE_EPOCH", "1700000000");
        const Result page = RunReport({"--format", "html", map});
        EXPECT_EQ(page.status, kExitSuccess);
        EXPECT_NE(page.out.find("<dd>2023-11-14 22:13 UTC</dd>"), std::string::npos);
    }
    // Which values are seconds is tested with ReadSourceDateEpoch.
    for (const char* value : {"abc", "253402300800"}) {
        SCOPED_TRACE(value);
        const CScopedEnv epoch("SOURCE_DATE_EPOCH", value);
        const Result page = RunReport({"--format", "html", map});
        EXPECT_EQ(page.status, kExitUsageOrMapError);
        EXPECT_EQ(page.out, "");
        EXPECT_EQ(
            page.err.rfind(
                "tallyfold-report: SOURCE_DATE_EPOCH '" + std::string(value) + "' is not ", 0),
            0u)
            << page.err;
        // Only the page shows a time: the other formats do not read the variable.
        EXPECT_EQ(RunReport({"--format", "json", map}).status, kExitSuccess);
    }
}

TEST(TallyfoldReport, HelpAndVersionSucceed) {
    const Result help = RunReport({"--help"});
    EXPECT_EQ(help.status, kExitSuccess);
    EXPECT_NE(help.out.find("Usage: tallyfold-report"), std::string::npos);
    const Result version = RunReport({"--version"});
    EXPECT_EQ(version.status, kExitSuccess);
    EXPECT_EQ(version.out.rfind("tallyfold-report ", 0), 0u);
}

// 512 bytes of ROM (0.78125 %, printed 0.7813) and 338 bytes of RAM (10.15625 %, printed
// 10.1563) on the 18F4680.
const char kHalfwayMap[] = "x.obj text 0 0 200 0 0 rbss 60 60 152 60 1\n";

// The budgets' boundary pairs are CheckBudget's; here each reaches the exit status and the
// warnings, and the report is printed as it would be without them.
TEST(ReportExitStatus, OneWhenABudgetIsExceededWithTheReportStillPrinted) {
    const struct {
        std::vector<std::string> args;
        const char* err;
    } cases[] = {
        {{"--max-ram", "10.15625", "-"},
         "tallyfold-report: RAM 10.1563% exceeds budget 10.15625%\n"},
        {{"--max-ram=10", "--max-rom=0.5", "--format=json", "-"},
         "tallyfold-report: ROM 0.7813% exceeds budget 0.5%\n"
         "tallyfold-report: RAM 10.1563% exceeds budget 10%\n"},
        {{"--max-ram=337B", "--max-rom=90", "--max-ram=11", "--max-rom=511B", "--format=csv", "-"},
         "tallyfold-report: ROM 512 bytes exceeds budget 511 bytes\n"
         "tallyfold-report: RAM 338 bytes exceeds budget 337 bytes\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        const Result result = RunWithInput(c.args, kHalfwayMap);
        EXPECT_EQ(result.status, kExitBudgetExceeded);
        EXPECT_EQ(result.err, c.err);
        std::vector<std::string> withoutBudgets;
        for (const std::string& arg : c.args) {
            if (arg.rfind("--max-", 0) != 0 && arg != "10.15625") {
                withoutBudgets.push_back(arg);
            }
        }
        EXPECT_EQ(result.out, RunWithInput(withoutBudgets, kHalfwayMap).out);
        EXPECT_NE(result.out, "");
    }
}

// Every usage and map error is one line with the program's name, status 2 and nothing on
// standard output, whatever the budgets. The texts of each option's errors are tested with the
// option parser; these are the ones made elsewhere.
TEST(ReportExitStatus, TwoOnUsageAndMapErrorsWithNothingOnStandardOutput) {
    const std::string missing = kExamples + "/no-such.map";
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{}, "tallyfold-report: no map file given (see --help)\n"},
        {{"--device", "PIC18F46K23", "-"},
         "tallyfold-report: unknown device 'PIC18F46K23': did you mean 18F46K22, 18F46K20 or "
         "18F46K80? (see --help)\n"},
        {{"--device", "18F13K50X", "-"},
         "tallyfold-report: unknown device '18F13K50X': did you mean 18F13K50 or 18F14K50? (see "
         "--help)\n"},
        {{"--device", "16F84A", "-"},
         "tallyfold-report: unknown device '16F84A' (use auto, map or NAME, where NAME is a "
         "PIC18 part such as 18F46K22) (see --help)\n"},
        {{"--sort", "name", "-"},
         "tallyfold-report: unknown sort key 'name' (use rom or ram) (see --help)\n"},
        {{"--format", "yaml", "-"},
         "tallyfold-report: unknown format 'yaml' (use table, tsv, csv, json, markdown or html) "
         "(see --help)\n"},
        {{"--max-ram", "-1", "-"},
         "tallyfold-report: --max-ram '-1' is negative; a budget is a percentage such as 90 or "
         "87.5, or bytes such as 60000B (see --help)\n"},
        {{"--colour", "-"}, "tallyfold-report: unknown option '--colour' (see --help)\n"},
        {{missing}, "tallyfold-report: " + missing + ": cannot open: No such file or directory\n"},
        {{"--diff", "-", missing},
         "tallyfold-report: " + missing + ": cannot open: No such file or directory\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        const Result result = RunWithInput(c.args, kHalfwayMap);
        EXPECT_EQ(result.status, kExitUsageOrMapError);
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(result.out, "");
    }
    const Result badMap = RunWithInput({"--diff", "--max-rom", "1", "-", kExamples + "/blinky.map"},
                                       "a.obj text 0 0 10c 0 0\n");
    EXPECT_EQ(badMap.status, kExitUsageOrMapError);
    EXPECT_EQ(badMap.err,
              "tallyfold-report: <stdin>:1: section length '10c' is not upper-case hexadecimal\n");
    EXPECT_EQ(badMap.out, "");
}

TEST(ReportExitStatus, DiffBudgetsApplyToTheNewMap) {
    const std::string small = kExamples + "/blinky.map";  // 586 B of ROM: 0.8942 %
    const Result grown = RunWithInput({"--diff", "--max-rom", "0.9", small, "-"},
                                      kHalfwayMap + std::string("y.obj text 0 0 400 0 0\n"));
    EXPECT_EQ(grown.status, kExitBudgetExceeded);
    EXPECT_EQ(grown.err, "tallyfold-report: ROM 2.3438% exceeds budget 0.9%\n");
    const Result grownBytes = RunWithInput({"--diff", "--max-rom", "1535B", small, "-"},
                                           kHalfwayMap + std::string("y.obj text 0 0 400 0 0\n"));
    EXPECT_EQ(grownBytes.status, kExitBudgetExceeded);
    EXPECT_EQ(grownBytes.err, "tallyfold-report: ROM 1536 bytes exceeds budget 1535 bytes\n");
    EXPECT_EQ(RunWithInput({"--diff", "--max-rom", "1536B", small, "-"},
                           kHalfwayMap + std::string("y.obj text 0 0 400 0 0\n"))
                  .status,
              kExitSuccess);
    const Result shrunk =
        RunWithInput({"--diff", "--max-rom", "0.9", "-", small}, "big.obj text 0 0 8000 0 0\n");
    EXPECT_EQ(shrunk.status, kExitSuccess);
    EXPECT_EQ(shrunk.err, "");
    EXPECT_NE(shrunk.out.find("big.obj"), std::string::npos);
}

}  // namespace
