#include "output_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;

// An empty folder of the test's own, removed with everything in it afterwards.
class OutputFileTest : public testing::Test {
protected:
    void SetUp() override {
        m_folder = fs::temp_directory_path() /
                   ("tallyfold-output-" +
                    std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    std::string Path(const std::string& name) const { return (m_folder / name).string(); }

    // The names in the folder: a temporary file left behind would show here.
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(m_folder)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }

    fs::path m_folder;
};

const std::string kBlinky = kExamples + "/blinky.map";

// The file holds what standard output would, whatever the status of a run that gives a report.
TEST_F(OutputFileTest, HoldsTheReportOfEveryRunThatGivesOne) {
    const CScopedEnv epoch("SOURCE_DATE_EPOCH", "1700000000");  // the page's time
    Write("size.csv", "the last build's report\n");
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{"--format", "csv"},
          std::vector<std::string>{"--format", "html", "--max-rom", "0.5"}}) {
        std::vector<std::string> args = options;
        args.push_back(kBlinky);
        const Result printed = RunReport(args);
        args.insert(args.begin(), {"--output", Path("size.csv")});
        const Result written = RunReport(args);
        EXPECT_EQ(written.status, printed.status);
        EXPECT_EQ(written.err, printed.err);
        EXPECT_EQ(written.out, "");
        EXPECT_EQ(ReadFile(Path("size.csv")), printed.out);
        EXPECT_EQ(Names(), std::set<std::string>{"size.csv"});
    }
    EXPECT_EQ(RunReport({"--max-rom", "0.5", kBlinky}).status, kExitBudgetExceeded);
}

// A run that fails, or a file that cannot be written, leaves nothing new and the old file as it
// was.
TEST_F(OutputFileTest, IsWrittenWholeOrNotAtAll) {
    Write("size.csv", "the last build's report\n");
    fs::create_directories(m_folder / "folder");
    const struct {
        std::vector<std::string> args;
        std::string err;  // how standard error starts
    } cases[] = {
        {{"--output", Path("size.csv"), kExamples + "/no-such.map"},
         "tallyfold-report: " + kExamples + "/no-such.map: cannot open: "},
        {{"--output", Path("size.csv"), "--format", "yaml", kBlinky},
         "tallyfold-report: unknown format 'yaml'"},
        {{"--output", Path("no-such-folder/size.csv"), kBlinky},
         "tallyfold-report: cannot write '" + Path("no-such-folder/size.csv") + "': "},
        // The report is written whole, then cannot take the folder's place.
        {{"--output", Path("folder"), kBlinky},
         "tallyfold-report: cannot write '" + Path("folder") + "': "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        const Result result = RunReport(c.args);
        EXPECT_EQ(result.status, kExitUsageOrMapError);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err.rfind(c.err, 0), 0u) << result.err;
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line";
        EXPECT_EQ(Names(), (std::set<std::string>{"folder", "size.csv"}));
        EXPECT_EQ(ReadFile(Path("size.csv")), "the last build's report\n");
        EXPECT_TRUE(fs::is_empty(m_folder / "folder"));
    }
}

TEST_F(OutputFileTest, TakesTheFilesPlaceOnlyWhenCommitted) {
    {
        COutputFile file(Path("a.txt"));
        std::fputs("half", file.Stream());
        EXPECT_EQ(Names().size(), 1u) << "the temporary file, beside the file";
        EXPECT_EQ(Names().count("a.txt"), 0u);
    }
    EXPECT_TRUE(Names().empty());
    {
        COutputFile file(Path("a.txt"));
        std::fputs("whole", file.Stream());
        file.Commit();
    }
    EXPECT_EQ(Names(), std::set<std::string>{"a.txt"});
    EXPECT_EQ(ReadFile(Path("a.txt")), "whole");
    EXPECT_EQ(RunReport({"--output", "-", "--format", "tsv", kBlinky}).out,
              RunReport({"--format", "tsv", kBlinky}).out)
        << "- is standard output";
}

}  // namespace
