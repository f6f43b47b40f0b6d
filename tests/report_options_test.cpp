#include "report_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

TEST(ParseReportOptions, ReadsEveryFormat) {
    const struct {
        const char* name;
        OutputFormat format;
    } cases[] = {{"table", OutputFormat::kTable},
                 {"tsv", OutputFormat::kTsv},
                 {"csv", OutputFormat::kCsv},
                 {"json", OutputFormat::kJson},
                 {"markdown", OutputFormat::kMarkdown}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ParseReportOptions({"--format", c.name, "a.map"}).format, c.format);
        EXPECT_EQ(ParseReportOptions({std::string("--format=") + c.name, "a.map"}).format,
                  c.format);
    }
}

TEST(ParseReportOptions, ReadsBudgets) {
    const ReportOptions options =
        ParseReportOptions({"--max-rom", "87.5", "--max-ram=90", "a.map"});
    ASSERT_TRUE(options.maxRom.has_value());
    ASSERT_TRUE(options.maxRam.has_value());
    EXPECT_EQ(options.maxRom->limitUnits, 875000);
    EXPECT_EQ(options.maxRam->limitUnits, 900000);
    EXPECT_EQ(options.maxRam->text, "90");
    EXPECT_FALSE(ParseReportOptions({"a.map"}).maxRom.has_value());
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
        {{"--max-rom", "abc", "a.map"}, "--max-rom 'abc' is not a percentage such as 90 or 87.5"},
        {{"--max-ram=90%", "a.map"}, "--max-ram '90%' is not a percentage such as 90 or 87.5"},
        {{"--max-ram", "", "a.map"}, "--max-ram '' is not a percentage such as 90 or 87.5"},
        {{"--max-ram", "-5", "a.map"},
         "--max-ram '-5' is negative; a budget is a percentage such as 90 or 87.5"},
        {{"--max-rom=-0.5", "a.map"},
         "--max-rom '-0.5' is negative; a budget is a percentage such as 90 or 87.5"},
        {{"a.map", "--max-rom"}, "option --max-rom needs a value"},
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

}  // namespace
