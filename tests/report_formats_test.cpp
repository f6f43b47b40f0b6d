#include "report_formats.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A small table with one column of each kind, in the shape both reports have.
ReportTable SampleTable(const std::string& name) {
    ReportTable table;
    table.columns = {{"Object file", "object", CellType::kText},
                     {"Status", "status", CellType::kText},
                     {"Bytes", "bytes", CellType::kCount},
                     {"Change", "change", CellType::kChange},
                     {"Share", "share", CellType::kPercent}};
    table.rows = {{RowKind::kObject, {name, "changed", "120", "120", "0.1831"}},
                  {RowKind::kObject, {"b.obj", "removed", "0", "-8", "0.0000"}},
                  {RowKind::kObject, {"c.obj", "unchanged", "7", "0", "0.0107"}},
                  {RowKind::kBlank, {"", "", "", "", ""}},
                  {RowKind::kTotal, {"-- Total --", "", "127", "112", "0.1938"}}};
    return table;
}

TEST(DisplayCell, SignsChangesOnly) {
    const ReportColumn change{"Change", "change", CellType::kChange};
    const ReportColumn count{"Bytes", "bytes", CellType::kCount};
    EXPECT_EQ(DisplayCell(change, "120"), "+120");
    EXPECT_EQ(DisplayCell(change, "-8"), "-8");
    EXPECT_EQ(DisplayCell(change, "0"), "0");
    EXPECT_EQ(DisplayCell(change, ""), "");
    EXPECT_EQ(DisplayCell(count, "120"), "120");
}

TEST(FormatTsv, WritesTheCellsAsTheyAreWithoutHeading) {
    EXPECT_EQ(FormatTsv(SampleTable("a.obj")),
              "a.obj\tchanged\t120\t120\t0.1831\n"
              "b.obj\tremoved\t0\t-8\t0.0000\n"
              "c.obj\tunchanged\t7\t0\t0.0107\n"
              "\t\t\t\t\n"
              "-- Total --\t\t127\t112\t0.1938\n");
}

TEST(FormatTable, AlignsTextLeftAndNumbersRight) {
    EXPECT_EQ(FormatTable(SampleTable("a.obj")),
              "Object file  Status     Bytes  Change   Share\n"
              "a.obj        changed      120    +120  0.1831\n"
              "b.obj        removed        0      -8  0.0000\n"
              "c.obj        unchanged      7       0  0.0107\n"
              "\n"
              "-- Total --               127    +112  0.1938\n");
}

TEST(FormatCsv, QuotesCellsThatNeedItAndEndsLinesWithCrLf) {
    const struct {
        const char* name;
        const char* cell;
    } cases[] = {
        {"C:\\src\\main.obj", "C:\\src\\main.obj"},
        {"a,b.obj", "\"a,b.obj\""},
        {"say\"hi\".obj", "\"say\"\"hi\"\".obj\""},
        {"C:\\Work,\"x\"\\both.obj", "\"C:\\Work,\"\"x\"\"\\both.obj\""},
        {"line\nbreak", "\"line\nbreak\""},
        {"carriage\rreturn", "\"carriage\rreturn\""},
        {"Jos\xE9.obj", "Jos\xE9.obj"},
        {"pipe|semi;colon.obj", "pipe|semi;colon.obj"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FormatCsv(SampleTable(c.name)),
                  std::string("Object file,Status,Bytes,Change,Share\r\n") + c.cell +
                      ",changed,120,+120,0.1831\r\n"
                      "b.obj,removed,0,-8,0.0000\r\n"
                      "c.obj,unchanged,7,0,0.0107\r\n"
                      ",,,,\r\n"
                      "-- Total --,,127,+112,0.1938\r\n");
    }
}

TEST(FormatMarkdown, EscapesWhatWouldRenderDifferentlyAndStaysUtf8) {
    const struct {
        const char* name;
        const char* cell;
    } cases[] = {
        {"main.obj", "main.obj"},
        {"C:\\src\\a.obj", "C:\\\\src\\\\a.obj"},
        {"pipe|x.obj", "pipe\\|x.obj"},
        {"*star*_under_.obj", "\\*star\\*\\_under\\_.obj"},
        {"<b>&amp;.obj", "\\<b\\>\\&amp;.obj"},
        {"`tick`~x~[l](u)!$m$.obj", "\\`tick\\`\\~x\\~\\[l\\](u)\\!\\$m\\$.obj"},
        {"say\"hi\",#1.obj", "say\"hi\",#1.obj"},
        {"Zo\xC3\xAB.obj", "Zo\xC3\xAB.obj"},
        {"Jos\xE9.obj", "Jos\xC3\xA9.obj"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FormatMarkdown(SampleTable(c.name)),
                  std::string("| Object file | Status | Bytes | Change | Share |\n"
                              "| --- | --- | ---: | ---: | ---: |\n| ") +
                      c.cell +
                      " | changed | 120 | +120 | 0.1831 |\n"
                      "| b.obj | removed | 0 | -8 | 0.0000 |\n"
                      "| c.obj | unchanged | 7 | 0 | 0.0107 |\n"
                      "|  |  |  |  |  |\n"
                      "| -- Total -- |  | 127 | +112 | 0.1938 |\n");
    }
}

TEST(FormatJson, WritesHeaderRowsAndTotalWithTypedValues) {
    EXPECT_EQ(FormatJson(SampleTable("C:\\a\"b\".obj"), {{"file", "x.map"}, {"device", "18F458"}}),
              "{\n"
              "  \"format_version\": 1,\n"
              "  \"file\": \"x.map\",\n"
              "  \"device\": \"18F458\",\n"
              "  \"rows\": [\n"
              "    {\"object\": \"C:\\\\a\\\"b\\\".obj\", \"status\": \"changed\", \"bytes\": 120, "
              "\"change\": 120, \"share\": \"0.1831\"},\n"
              "    {\"object\": \"b.obj\", \"status\": \"removed\", \"bytes\": 0, \"change\": -8, "
              "\"share\": \"0.0000\"},\n"
              "    {\"object\": \"c.obj\", \"status\": \"unchanged\", \"bytes\": 7, \"change\": 0, "
              "\"share\": \"0.0107\"}\n"
              "  ],\n"
              "  \"total\": {\"bytes\": 127, \"change\": 112, \"share\": \"0.1938\"}\n"
              "}\n");
}

TEST(FormatJson, AnEmptyReportHasAnEmptyRowsArray) {
    ReportTable table = SampleTable("a.obj");
    table.rows.erase(table.rows.begin(), table.rows.begin() + 3);
    EXPECT_EQ(FormatJson(table, {{"file", "Jos\xE9.map"}}),
              "{\n"
              "  \"format_version\": 1,\n"
              "  \"file\": \"Jos\xC3\xA9.map\",\n"
              "  \"rows\": [],\n"
              "  \"total\": {\"bytes\": 127, \"change\": 112, \"share\": \"0.1938\"}\n"
              "}\n");
}

}  // namespace
