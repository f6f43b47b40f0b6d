#include "report/report_formats.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

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

// A document over a held table, which must outlive it.
ReportDocument Document(const ReportTable& table, JsonHeader header = {}) {
    ReportDocument document;
    document.columns = table.columns;
    document.rows = RowsOf(table);
    document.header = std::move(header);
    return document;
}

std::string Written(void (*write)(const ReportDocument&, TextSink&),
                    const ReportDocument& document) {
    std::string text;
    StringSink sink(text);
    write(document, sink);
    return text;
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

TEST(WriteTsv, WritesTheCellsAsTheyAreWithoutHeading) {
    EXPECT_EQ(Written(WriteTsv, Document(SampleTable("a.obj"))),
              "a.obj\tchanged\t120\t120\t0.1831\n"
              "b.obj\tremoved\t0\t-8\t0.0000\n"
              "c.obj\tunchanged\t7\t0\t0.0107\n"
              "\t\t\t\t\n"
              "-- Total --\t\t127\t112\t0.1938\n");
}

TEST(WriteTable, AlignsTextLeftAndNumbersRight) {
    EXPECT_EQ(Written(WriteTable, Document(SampleTable("a.obj"))),
              "Object file  Status     Bytes  Change   Share\n"
              "a.obj        changed      120    +120  0.1831\n"
              "b.obj        removed        0      -8  0.0000\n"
              "c.obj        unchanged      7       0  0.0107\n"
              "\n"
              "-- Total --               127    +112  0.1938\n");
}

TEST(WriteCsv, QuotesCellsThatNeedItAndEndsLinesWithCrLf) {
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
        EXPECT_EQ(Written(WriteCsv, Document(SampleTable(c.name))),
                  std::string("Object file,Status,Bytes,Change,Share\r\n") + c.cell +
                      ",changed,120,+120,0.1831\r\n"
                      "b.obj,removed,0,-8,0.0000\r\n"
                      "c.obj,unchanged,7,0,0.0107\r\n"
                      ",,,,\r\n"
                      "-- Total --,,127,+112,0.1938\r\n");
    }
}

TEST(WriteMarkdown, EscapesWhatWouldRenderDifferentlyAndStaysUtf8) {
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
        EXPECT_EQ(Written(WriteMarkdown, Document(SampleTable(c.name))),
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

TEST(WriteJson, WritesHeaderRowsAndTotalWithTypedValues) {
    EXPECT_EQ(Written(WriteJson, Document(SampleTable("C:\\a\"b\".obj"),
                                          {{"file", "x.map"}, {"device", "18F458"}})),
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

TEST(WriteJson, AnEmptyReportHasAnEmptyRowsArray) {
    ReportTable table = SampleTable("a.obj");
    table.rows.erase(table.rows.begin(), table.rows.begin() + 3);
    EXPECT_EQ(Written(WriteJson, Document(table, {{"file", "Jos\xE9.map"}})),
              "{\n"
              "  \"format_version\": 1,\n"
              "  \"file\": \"Jos\xC3\xA9.map\",\n"
              "  \"rows\": [],\n"
              "  \"total\": {\"bytes\": 127, \"change\": 112, \"share\": \"0.1938\"}\n"
              "}\n");
}

// Checks render from their data alike in every format: a line each under a table, an object
// each in JSON (null when not possible), and a warning for each that disagrees.
TEST(Checks, RenderAsLinesJsonAndWarnings) {
    const MapCheck agrees = MakeCheck("TOTAL section", true, true, {10, 2, 3}, {10, 2, 3});
    MapCheck differs = MakeCheck("Occupancy", true, false, {12, 2, 0}, {10, 2, 3});
    differs.source = "the map's used address ranges";
    differs.withOther = false;
    MapCheck impossible = MakeCheck("Overlaps", false, false);
    impossible.reason = "the map has no addresses";
    MapCheck wordy = MakeCheck("Images", true, false);
    wordy.hasFigures = false;
    wordy.detail = ".idata_a.o has no image";
    const CheckSet set{"New ", "new", "b.map", {agrees, differs, impossible, wordy}, {"SFR: 4"}};

    EXPECT_EQ(FormatCheckLines(set),
              "New TOTAL section: ROM 10 RAM 2 other 3: agrees\n"
              "New Occupancy: ROM 12 RAM 2: disagrees (report: ROM 10 RAM 2)\n"
              "New Overlaps: not possible: the map has no addresses\n"
              "New Images: disagrees (.idata_a.o has no image)\n"
              "New SFR: 4\n");
    EXPECT_EQ(FormatDisagreementWarnings(set),
              "tallyfold-report: warning: b.map: the report disagrees with the map's used address "
              "ranges: ROM 12 RAM 2 there, ROM 10 RAM 2 in the report\n"
              "tallyfold-report: warning: b.map: .idata_a.o has no image\n");
    const ReportTable table = SampleTable("a.obj");
    ReportDocument document = Document(table);
    document.checks = {set};
    const std::string json = Written(WriteJson, document);
    EXPECT_NE(json.find("\"reconciliation\": {\"new\": {\"total_section\": {\"rom\": 10, "
                        "\"ram\": 2, \"other\": 3, \"agrees\": true}, \"occupancy\": {\"rom\": 12, "
                        "\"ram\": 2, \"agrees\": false}, \"overlaps\": null, \"images\": "
                        "{\"detail\": \".idata_a.o has no image\", \"agrees\": false}}}\n}\n"),
              std::string::npos)
        << json;
}

}  // namespace
