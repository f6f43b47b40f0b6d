// Reports are written row by row, in pieces, with no table held; these tests hold the
// tab-separated one to the bytes of the table the window holds, for reports of many pieces.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "map_generator.h"
#include "readers/hlink/object_section_scan.h"
#include "readers/hlink/token_reader.h"
#include "report/report_formats.h"
#include "report/report_table.h"
#include "report/size_report.h"
#include "report_command.h"
#include "test_support.h"

namespace {

std::string ReadBack(std::FILE* file) {
    std::rewind(file);
    std::string bytes;
    char block[4096];
    std::size_t count = 0;
    while ((count = std::fread(block, 1, sizeof block, file)) > 0) {
        bytes.append(block, count);
    }
    return bytes;
}

// The report as the table of all its rows would print it.
std::string WholeReport(const std::string& map, ColumnOrdering ordering,
                        const DeviceProfile& device) {
    CMapStream stream(map, "generated.map");
    SizeTable table;
    ScanObjectSection(stream, table);
    ApplyOrdering(table.rows, ordering);
    const ReportTable held = BuildReportRows(table, device, false);
    ReportDocument document;
    document.rows = RowsOf(held);
    std::string text;
    StringSink sink(text);
    WriteTsv(document, sink);
    return text;
}

struct StreamCase {
    std::vector<std::string> options;
    ColumnOrdering ordering;
    const DeviceProfile* device;
    const char* err;  // standard error; "" for none
    int status;
};

TEST(RowByRowReport, WritesTheBytesOfTheWholeReport) {
    // About 3,000 rows: the report takes several pieces.
    const std::string map = GenerateMap({6000, 7, 4});
    const std::vector<StreamCase> cases = {
        {{}, ColumnOrdering::kByRomSize, &kDevice18F4680, "", 0},
        {{"--sort", "ram", "--device", "18F458"},
         ColumnOrdering::kByRamSize,
         &kDevice18F458,
         "",
         0},
        {{"--max-rom", "0.0001", "--max-ram", "100000"},
         ColumnOrdering::kByRomSize,
         &kDevice18F4680,
         "tallyfold-report: ROM ",
         1},
    };
    for (const StreamCase& c : cases) {
        std::vector<std::string> args = {"--sections", "listed", "--format", "tsv"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back("-");
        SCOPED_TRACE(args.size());
        const std::string expected = WholeReport(map, c.ordering, *c.device);
        ASSERT_GT(expected.size(), 3u * 64 * 1024);

        const TempFile in = TempFileWith(map);
        const TempFile out = TempFileWith("");
        ASSERT_NE(out, nullptr);
        std::string fileErr;
        EXPECT_EQ(RunReportCommand(args, in.get(), out.get(), fileErr), c.status);
        EXPECT_EQ(ReadBack(out.get()), expected);
        EXPECT_EQ(fileErr.substr(0, std::string(c.err).size()), c.err);
        EXPECT_EQ(fileErr.empty(), std::string(c.err).empty());

        const Result held = RunWithInput(args, map);
        EXPECT_EQ(held.status, c.status);
        EXPECT_EQ(held.out, expected);
        EXPECT_EQ(held.err, fileErr);
    }
}

TEST(RowByRowReport, WritesNothingWhenTheMapFails) {
    const std::string bad = "first.obj text 0 0 1x 0 0\n" + GenerateMap({3000, 3, 4});
    const TempFile in = TempFileWith(bad);
    const TempFile out = TempFileWith("");
    ASSERT_NE(out, nullptr);
    std::string err;
    EXPECT_EQ(RunReportCommand({"--sections", "listed", "--format", "tsv", "-"}, in.get(),
                               out.get(), err),
              2);
    EXPECT_EQ(ReadBack(out.get()), "");
    EXPECT_EQ(err,
              "tallyfold-report: <stdin>:1: section length '1x' is not upper-case hexadecimal\n");
}

}  // namespace
