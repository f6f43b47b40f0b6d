#include "report_options.h"

#include "report_command.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

// One budget in percent and one in bytes per memory, the last of each given.
TEST(ParseReportOptions, ReadsBudgets) {
    const ReportOptions options = ParseReportOptions(
        {"--max-rom", "80", "--max-rom", "87.5", "--max-ram=90", "--max-rom=60000B", "a.map"});
    ASSERT_TRUE(options.maxRom.percent.has_value());
    ASSERT_TRUE(options.maxRom.bytes.has_value());
    ASSERT_TRUE(options.maxRam.percent.has_value());
    EXPECT_FALSE(options.maxRam.bytes.has_value());
    EXPECT_EQ(options.maxRom.percent->limit, 875000);
    EXPECT_EQ(options.maxRom.bytes->limit, 60000);
    EXPECT_EQ(options.maxRam.percent->limit, 900000);
    EXPECT_EQ(options.maxRam.percent->text, "90");
    EXPECT_FALSE(ParseReportOptions({"a.map"}).maxRom.percent.has_value());
}

TEST(ParseReportOptions, DiffTakesTheOldThenTheNewMapWhereverItStands) {
    for (const Args& args :
         {Args{"--diff", "old.map", "new.map"}, Args{"old.map", "--diff", "new.map"},
          Args{"old.map", "new.map", "--format", "json", "--diff"}}) {
        const ReportOptions options = ParseReportOptions(args);
        EXPECT_TRUE(options.diff);
        EXPECT_EQ(options.oldMapPath, "old.map");
        EXPECT_EQ(options.mapPath, "new.map");
    }
    const ReportOptions fromStdin = ParseReportOptions({"--diff", "-", "new.map"});
    EXPECT_EQ(fromStdin.oldMapPath, "-");
}

TEST(ParseReportOptions, RejectsBadFormatsBudgetsAndDiffsWithOneClearLine) {
    const struct {
        Args args;
        const char* message;
    } cases[] = {
        {{"--format", "xml", "a.map"},
         "unknown format 'xml' (use table, tsv, csv, json, markdown or html)"},
        {{"--format", "JSON", "a.map"},
         "unknown format 'JSON' (use table, tsv, csv, json, markdown or html)"},
        {{"--max-rom", "abc", "a.map"},
         "--max-rom 'abc' is not a percentage such as 90 or 87.5, or bytes such as 60000B"},
        {{"--max-ram", "-5", "a.map"},
         "--max-ram '-5' is negative; a budget is a percentage such as 90 or 87.5, or bytes such "
         "as 60000B"},
        {{"--max-rom=-100B", "a.map"},
         "--max-rom '-100B' is negative; a budget is a percentage such as 90 or 87.5, or bytes "
         "such as 60000B"},
        {{"--max-ram", "", "a.map"},
         "--max-ram '' is not a percentage such as 90 or 87.5, or bytes such as 60000B"},
        {{"a.map", "--max-rom"}, "option --max-rom needs a value"},
        {{"a.map", "--format"}, "option --format needs a value"},
        {{"--diff", "old.map"}, "--diff needs a second map file, NEW.map, after 'old.map'"},
        {{"--diff"}, "--diff needs two map files, OLD.map and NEW.map"},
        {{"--diff", "a.map", "b.map", "c.map"},
         "--diff takes two map files; 'c.map' is one too many"},
        {{"--diff", "-", "-"}, "only one of the two maps can be read from standard input"},
        {{"--diff=old.map", "new.map"}, "unknown option '--diff=old.map'"},
        {{"a.map", "b.map"}, "more than one map file given ('b.map')"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        try {
            ParseReportOptions(c.args);
            ADD_FAILURE() << "no usage error";
        } catch (const UsageError& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

TEST(WrapUsage, BreaksLongLinesUnderTheirText) {
    const std::string words = "aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jjjj kkkk llll";
    const std::string option = "  --diff OLD NEW     ";  // 21 columns, 80 with the words
    const std::string choice(23, ' ');
    const struct {
        std::string text;
        std::string wrapped;
    } cases[] = {
        // The widest line that fits, and the first that does not.
        {option + words, option + words + "\n"},
        {option + words + "m",
         option + words.substr(0, 54) + "\n" + std::string(21, ' ') + "llllm\n"},
        // A paragraph goes on at the margin, a choice two columns in from its name.
        {words + " " + words,
         words + " aaaa bbbb cccc dddd\neeee ffff gggg hhhh iiii jjjj kkkk llll\n"},
        {choice + "html: " + words,
         choice + "html: " + words.substr(0, 49) + "\n" + std::string(25, ' ') + "kkkk llll\n"},
        // Items of a list whose names end in a gap, as the exit statuses are.
        {"  3  " + words + " " + words,
         "  3  " + words + " aaaa bbbb cccc\n     dddd eeee ffff gggg hhhh iiii jjjj kkkk " +
             "llll\n"},
        // A word wider than a line stays whole; blank lines stay.
        {std::string(90, 'x') + "\n\nyy", std::string(90, 'x') + "\n\nyy\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(WrapUsage(c.text), c.wrapped);
    }
}

// The man page is made from --help: every line fits, and the exit statuses it lists are the
// report's own.
TEST(ReportUsage, FitsTheWidthAndListsEveryExitStatus) {
    const std::string usage = ReportUsage();
    std::istringstream lines(usage);
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        EXPECT_LE(line.size(), 80u) << "line " << number << ": " << line;
    }
    for (const int status :
         {kExitSuccess, kExitBudgetExceeded, kExitUsageOrMapError, kExitDisagreement}) {
        EXPECT_NE(usage.find("\n  " + std::to_string(status) + "  "), std::string::npos)
            << "exit status " << status;
    }
}

}  // namespace
