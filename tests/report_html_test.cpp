#include "report/report_html.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "map_generator.h"
#include "readers/map_reader.h"
#include "report/html_text.h"
#include "report/size_report.h"
#include "test_support.h"
#include "text/utf8.h"

namespace {

struct SvgRect {
    std::string classes;
    int x, y, width, height;
    std::string fill;
    std::int64_t bytes;
    std::string title;
};

struct Treemap {
    int width, height;
    std::vector<SvgRect> rects;
};

std::vector<Treemap> TreemapsOf(const std::string& html) {
    static const std::regex svg(R"re(<svg class="treemap" viewBox="0 0 (\d+) (\d+)"[^>]*>)re");
    static const std::regex rect(
        R"re(<rect class="([^"]*)" x="(\d+)" y="(\d+)" width="(\d+)" height="(\d+)" )re"
        R"re(fill="(#[0-9a-f]{6})" data-bytes="(-?\d+)"><title>([^<]*)</title></rect>)re");
    std::vector<Treemap> treemaps;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), svg);
         it != std::sregex_iterator(); ++it) {
        Treemap treemap{std::stoi((*it)[1]), std::stoi((*it)[2]), {}};
        const auto from = (*it)[0].second;
        const auto to = html.begin() + static_cast<std::ptrdiff_t>(html.find(
                                           "</svg>", static_cast<std::size_t>(it->position())));
        for (auto r = std::sregex_iterator(from, to, rect); r != std::sregex_iterator(); ++r) {
            treemap.rects.push_back({(*r)[1], std::stoi((*r)[2]), std::stoi((*r)[3]),
                                     std::stoi((*r)[4]), std::stoi((*r)[5]), (*r)[6],
                                     std::stoll((*r)[7]), (*r)[8]});
        }
        treemaps.push_back(std::move(treemap));
    }
    return treemaps;
}

std::int64_t Area(const SvgRect& r) {
    return static_cast<std::int64_t>(r.width) * r.height;
}

// The page of a map counted as the report command counts it by default, sorted by ROM size,
// with the device the map itself names.
std::string HtmlOfMap(const SizeTable& sizes, const std::string& name) {
    HtmlReport report;
    report.sizes = &sizes;
    report.device = ProfileOf(MapDevice(), sizes.facts);
    const ReportTable table =
        BuildReportRows(sizes, report.device, sizes.rule == SectionRule::kAll);
    report.table = &table;
    report.fileName = name;
    report.time = "2025-03-14 09:26 UTC";
    return FormatHtml(report);
}

TEST(ReportHtmlTest, DrawsEveryExampleMapWithAreasThatMatchTheMapsOwnTotals) {
    int maps = 0;
    for (const ExampleMap& map : ExampleMaps()) {
        ++maps;
        SCOPED_TRACE(map.name);
        const std::string& text = map.bytes;
        if (text.find("Linker Error Map File") != std::string::npos) {
            continue;  // a failed link's map, which is no report but an error
        }
        SizeTable sizes = CountMap(text, map.name, OffersOf(text).calledFor, true);
        SortByRomSize(sizes.rows);
        const std::string html = HtmlOfMap(sizes, map.name);

        // Self-contained, and the text it is: nothing to fetch, nothing to run, valid UTF-8.
        EXPECT_NE(html.find("<meta http-equiv=\"Content-Security-Policy\" content=\"default-src "
                            "'none';"),
                  std::string::npos);
        for (const char* fetching : {"src=", "href=", "url(", "@import", "<script", "<link", "<img",
                                     "<iframe", "<object", "<embed", "http:", "https:"}) {
            EXPECT_EQ(html.find(fetching), std::string::npos) << fetching;
        }
        EXPECT_EQ(ToValidUtf8(html), html);

        if (sizes.facts.checks.empty()) {
            continue;  // counted by the listed names: nothing to hold the pictures to
        }
        const MapCheck& mapTotals = sizes.facts.checks.at(0);
        ASSERT_TRUE(mapTotals.possible && mapTotals.agrees);
        const std::vector<Treemap> treemaps = TreemapsOf(html);
        ASSERT_EQ(treemaps.size(), mapTotals.map.other > 0 ? 3u : 2u);
        const std::int64_t expected[] = {mapTotals.map.rom, mapTotals.map.ram, mapTotals.map.other};
        for (std::size_t memory = 0; memory < treemaps.size(); ++memory) {
            SCOPED_TRACE("treemap " + std::to_string(memory));
            const Treemap& treemap = treemaps[memory];
            const double box = static_cast<double>(treemap.width) * treemap.height;
            std::int64_t bytes = 0;
            std::int64_t area = 0;
            const SvgRect* owner = nullptr;
            std::int64_t partBytes = 0;
            const auto closeOwner = [&] {
                if (owner != nullptr && partBytes != 0) {
                    EXPECT_EQ(partBytes, owner->bytes) << owner->title;
                }
                partBytes = 0;
            };
            for (const SvgRect& r : treemap.rects) {
                if (r.classes.rfind("part", 0) == 0) {
                    // Pieces follow their row, inside it, and account for all of its bytes.
                    ASSERT_NE(owner, nullptr);
                    EXPECT_TRUE(r.x >= owner->x && r.y >= owner->y &&
                                r.x + r.width <= owner->x + owner->width &&
                                r.y + r.height <= owner->y + owner->height);
                    partBytes += r.bytes;
                    continue;
                }
                closeOwner();
                owner = &r;
                bytes += r.bytes;
                area += Area(r);
            }
            closeOwner();
            EXPECT_EQ(bytes, expected[memory]);
            EXPECT_EQ(area, treemap.width * treemap.height);
            for (const SvgRect& r : treemap.rects) {
                if (r.classes.rfind("row", 0) == 0) {
                    const double share =
                        static_cast<double>(r.bytes) * box / static_cast<double>(bytes);
                    EXPECT_LE(std::abs(static_cast<double>(Area(r)) - share),
                              r.width + r.height + 3.0)
                        << r.title;
                }
            }
        }
    }
    EXPECT_GE(maps, 10);
}

TEST(ReportHtmlTest, ShowsEveryNameAsTheTextItIs) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<img src=x onerror=alert(1)>.obj", "&lt;img src=x onerror=alert(1)&gt;.obj"},
        {"</title><script>alert(1)</script>",
         "&lt;/title&gt;&lt;script&gt;alert(1)&lt;/script&gt;"},
        {"a\"b'c&amp;.obj", "a&quot;b&#39;c&amp;amp;.obj"},
        {"Jos\xE9.obj", "Jos\xC3\xA9.obj"},  // Latin-1, as the JSON output reads it
        {"tab\there\x01\x7F.obj", "tab\xE2\x90\x89here\xE2\x90\x81\xE2\x90\xA1.obj"},  // pictures
        {"\xF0\x9F\x94\xA5hot.obj", "\xF0\x9F\x94\xA5hot.obj"},
    };
    SizeTable sizes;
    ReportTable table;
    table.columns = {{"Object file", "object", CellType::kText}};
    for (const auto& [name, shown] : cases) {
        sizes.AddRow(name, RowKind::kObject).rom = 5000;
        table.rows.push_back({RowKind::kObject, {name}});
    }
    HtmlReport report;
    report.sizes = &sizes;
    report.table = &table;
    report.device = ProfileOf(kDefaultDevice, {});
    report.fileName = "<b>map</b>.map";
    const std::string html = FormatHtml(report);
    for (const auto& [name, shown] : cases) {
        SCOPED_TRACE(shown);
        EXPECT_NE(html.find("<title>" + shown + "\n"), std::string::npos);
        EXPECT_NE(html.find("<td>" + shown + "</td>"), std::string::npos);
    }
    EXPECT_NE(html.find("<h1>Size report: &lt;b&gt;map&lt;/b&gt;.map</h1>"), std::string::npos);
    for (const char* markup : {"<img", "<script", "<b>"}) {
        EXPECT_EQ(html.find(markup), std::string::npos) << markup;
    }
    EXPECT_EQ(ToValidUtf8(html), html);
}

TEST(ReportHtmlTest, SaysWhetherTheMapsOwnFiguresAgreeAndByHowMuch) {
    SizeTable sizes;
    SizeRow& row = sizes.AddRow("a.obj", RowKind::kObject);
    row.rom = 100;
    row.ram = 20;
    row.other = 3;
    MapCheck occupancy = MakeCheck("Occupancy", true, false, {100, 24, 0});
    occupancy.withOther = false;
    MapCheck impossible = MakeCheck("Occupancy", false, false);
    impossible.reason = "the map has no UNUSED ADDRESS RANGES";
    sizes.facts.checks = {MakeCheck("TOTAL section", true, true, {100, 20, 3}),
                          MakeCheck("TOTAL section", true, false, {90, 20, 5}), occupancy,
                          impossible};
    sizes.facts.notes = {"SFR sections left out: 160 bytes"};
    HtmlReport report;
    report.sizes = &sizes;
    const std::string html = FormatHtml(report);
    for (const char* line : {
             "<li class=\"agrees\">TOTAL section: ROM 100 RAM 20 other 3: agrees</li>",
             "<li class=\"disagrees\">TOTAL section: ROM 90 RAM 20 other 5: disagrees by ROM +10, "
             "other -2 (the report counts ROM 100 RAM 20 other 3)</li>",
             "<li class=\"disagrees\">Occupancy: ROM 100 RAM 24: disagrees by RAM -4 (the report "
             "counts ROM 100 RAM 20)</li>",
             "<li>Occupancy: not possible: the map has no UNUSED ADDRESS RANGES</li>",
             "<li>SFR sections left out: 160 bytes</li>",
         }) {
        EXPECT_NE(html.find(line), std::string::npos) << line;
    }
    sizes.facts = {};
    EXPECT_NE(FormatHtml(report).find("<li>none: "), std::string::npos);
}

TEST(ReportHtmlTest, ColoursEachRectangleByHowMuchItsRowChanged) {
    const SizeTable oldSizes = MakeTable({{"grew.obj", 3600, 0},
                                          {"shrank.obj", 3100, 0},
                                          {"same.obj", 2000, 0},
                                          {"gone.obj", 50, 0}});
    const SizeTable sizes = MakeTable({{"grew.obj", 4000, 0},
                                       {"shrank.obj", 3000, 0},
                                       {"same.obj", 2000, 0},
                                       {"new.obj", 1000, 0}});
    HtmlReport report;
    report.sizes = &sizes;
    report.measures = DiffMeasures(false);
    const std::vector<DiffRow> changes =
        CompareRows(oldSizes, sizes, ColumnOrdering::kByRomSize, report.measures);
    report.changes = &changes;
    report.device = ProfileOf(kDefaultDevice, {});
    const std::string html = FormatHtml(report);
    const std::vector<Treemap> treemaps = TreemapsOf(html);
    ASSERT_EQ(treemaps.size(), 1u);
    std::map<std::string, std::string> fills;
    for (const SvgRect& r : treemaps[0].rects) {
        fills[r.title.substr(0, r.title.find('\n'))] = r.fill;
        EXPECT_NE(r.title.find("\nchange: "), std::string::npos);
    }
    const auto channel = [&](const char* name, std::size_t at) {
        return std::stoi(fills.at(name).substr(1 + 2 * at, 2), nullptr, 16);
    };
    EXPECT_EQ(fills.at("new.obj"), "#e07b6f");  // the largest change: the full tint
    EXPECT_GT(channel("grew.obj", 0), channel("grew.obj", 2));
    EXPECT_NE(fills.at("grew.obj"), fills.at("new.obj"));
    EXPECT_GT(channel("shrank.obj", 2), channel("shrank.obj", 0));
    EXPECT_EQ(fills.at("same.obj"), "#e3e3e3");
    EXPECT_NE(html.find("+1000 bytes</li>"), std::string::npos);  // the legend's ends
    EXPECT_NE(html.find("-1000 bytes</li>"), std::string::npos);
}

// The listed rule sums a name's rows in 32 bits that wrap: the page's changes are the table's.
TEST(ReportHtmlTest, DiffShowsTheChangesOfTheTableWhereListedSumsWrap) {
    const std::string oldMap =
        (std::filesystem::temp_directory_path() / "tallyfold-html-diff-old.map").string();
    std::ofstream(oldMap) << "a.obj text 0 0 10 0 0 COMMON\n";
    const std::string newMap = "a.obj text 0 0 60000000 0 0 a.obj text 0 0 60000000 0 0 COMMON\n";
    const Result tsv =
        RunWithInput({"--sections", "listed", "--format", "tsv", "--diff", oldMap, "-"}, newMap);
    EXPECT_EQ(tsv.out.substr(0, tsv.out.find('\n')),
              "a.obj\tchanged\t16\t-1073741824\t-1073741840\t0\t0\t0\t-1638400.0000\t0.0000");
    const Result html =
        RunWithInput({"--sections", "listed", "--format", "html", "--diff", oldMap, "-"}, newMap);
    std::filesystem::remove(oldMap);
    const std::vector<Treemap> treemaps = TreemapsOf(html.out);
    ASSERT_FALSE(treemaps.empty());
    ASSERT_EQ(treemaps[0].rects.size(), 2u);  // a.obj's two rows, each taken with its name's change
    for (const SvgRect& r : treemaps[0].rects) {
        EXPECT_EQ(r.title,
                  "a.obj\n1610612736 bytes, 2457600.0000 % of ROM (65536 bytes)\nchange: "
                  "-1073741840 bytes");
    }
}

TEST(ReportHtmlTest, LeavesOutOnlyWhatCannotBeDrawnAndSaysSo) {
    SizeTable sizes;  // the listed rule's sums wrap: a row can come out below 0
    sizes.AddRow("wrapped.obj", RowKind::kObject).rom = -16;
    sizes.AddRow("fine.obj", RowKind::kObject).rom = 300;
    HtmlReport report;
    report.sizes = &sizes;
    const std::string html = FormatHtml(report);
    EXPECT_NE(html.find("1 rows with a size below 0"), std::string::npos);
    EXPECT_NE(html.find("<h2>RAM</h2><span>0 bytes</span></figcaption>\n<p class=\"note\">Nothing "
                        "to draw.</p>"),
              std::string::npos);
    const std::vector<Treemap> treemaps = TreemapsOf(html);
    ASSERT_EQ(treemaps.size(), 1u);  // no RAM, and no other bytes at all
    ASSERT_EQ(treemaps[0].rects.size(), 1u);
    EXPECT_EQ(treemaps[0].rects[0].bytes, 300);
}

}  // namespace

namespace {

// A map of many objects gives a page whose table holds the largest rows up to the limit, says
// how many more there are and where they are, and keeps the exact total.
TEST(ReportHtmlTest, ShowsTheLargestRowsUpToTheLimitAndTheExactTotal) {
    const std::string map = GenerateMap(MapShape{kHtmlTableRows + 300, 7, 6});
    const Result tsv = RunWithInput({"--format", "tsv", "-"}, map);
    const Result page = RunWithInput({"--format", "html", "-"}, map);
    ASSERT_EQ(page.status, kExitSuccess);
    const std::size_t rows = CountOf(tsv.out, "\n") - 2;  // less the blank and the total row
    ASSERT_GT(rows, kHtmlTableRows);

    const std::string body = page.out.substr(page.out.find("<tbody>"));
    EXPECT_EQ(CountOf(body.substr(0, body.find("</tbody>")), "<tr"), kHtmlTableRows);
    EXPECT_NE(
        page.out.find("<p class=\"note\">The table shows the first 500 of " + std::to_string(rows) +
                      " rows, the largest first; the total counts "
                      "them all. Every row is in the CSV or JSON report (tallyfold-report "
                      "--format csv or --format json).</p>"),
        std::string::npos);
    // The first rows are the TSV's first, and the total is the TSV's total.
    const std::string firstName = tsv.out.substr(0, tsv.out.find('\t'));
    EXPECT_NE(body.find("<tbody>\n<tr><td>" + Html(firstName) + "</td>"), std::string::npos);
    const std::string total = tsv.out.substr(tsv.out.rfind("-- Total --"));
    const std::string totalRom = total.substr(12, total.find('\t', 12) - 12);
    EXPECT_NE(body.find("<tfoot>\n<tr><td>-- Total --</td><td class=\"num\">" + totalRom + "</td>"),
              std::string::npos);

    // A table within the limit is whole, with no note.
    const Result small = RunReport({"--format", "html", kExamples + "/blinky.map"});
    EXPECT_EQ(small.out.find("The table shows the first"), std::string::npos);
}

// The boundary pairs of SOURCE_DATE_EPOCH: the values that give a time and the first that do not.
TEST(ReportHtmlTest, ReadsSourceDateEpochAsWholeSecondsOnly) {
    EXPECT_FALSE(ReadSourceDateEpoch(nullptr).seconds);
    EXPECT_EQ(ReadSourceDateEpoch(nullptr).problem, "");
    EXPECT_FALSE(ReadSourceDateEpoch("").seconds) << "set to nothing: as if not set";
    EXPECT_EQ(ReadSourceDateEpoch("").problem, "");
    const struct {
        const char* value;
        std::int64_t seconds;  // -1: refused
    } cases[] = {
        {"0", 0},
        {"00017", 17},
        {"253402300799", 253402300799},
        {"253402300800", -1},
        {"-0", -1},
        {"1e9", -1},
        {"abc", -1},
        {"12\n", -1},
        {"-5", -1},
        {"+5", -1},
        {" 5", -1},
        {"5 ", -1},
        {"0x10", -1},
        {"1.5", -1},
        {"99999999999999999999999", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const SourceDateEpoch epoch = ReadSourceDateEpoch(c.value);
        if (c.seconds < 0) {
            EXPECT_FALSE(epoch.seconds);
            EXPECT_EQ(epoch.problem, "SOURCE_DATE_EPOCH '" + std::string(c.value) +
                                         "' is not a number of seconds since 1970 (digits "
                                         "only, at most 253402300799)");
        } else {
            EXPECT_EQ(epoch.seconds, c.seconds);
            EXPECT_EQ(epoch.problem, "");
        }
    }
}

}  // namespace
