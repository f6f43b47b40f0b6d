#include "readers/map_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/map_error.h"
#include "readers/mplink/mplink_reader.h"
#include "test_support.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

constexpr const char* kHeading = "\t\tName Link Load Length Selector Space\n";

// What the map offers, judged from its first lines and what follows.
TEST(MapReader, EachFamilySaysWhatAMapOffers) {
    struct Case {
        const char* what;
        std::string bytes;
        SectionRule calledFor;
        bool listed;
        bool all;
        bool modules;
        bool symbols;
    };
    const std::string mplink = "MPLINK 4.46, Linker\nLinker Map File - Created Tue\n";
    const Case cases[] = {
        {"nothing", "", SectionRule::kListed, true, false, false, false},
        {"a table without a TOTAL section", kHeading, SectionRule::kListed, true, true, false,
         false},
        {"a table and a TOTAL section", std::string(kHeading) + "a.obj\nTOTAL\n", SectionRule::kAll,
         true, true, false, false},
        {"TOTAL only as a whole word in column 0",
         std::string(kHeading) + "TOTALIZER.obj\n TOTAL\n", SectionRule::kListed, true, true, false,
         false},
        {"a heading of other words", "\tName Link Load Length Selector Space Width\n",
         SectionRule::kListed, true, false, false, false},
        {"module information", std::string(kHeading) + "TOTAL\n  MODULE INFORMATION\n",
         SectionRule::kAll, true, true, true, false},
        {"module information without a table", "MODULE INFORMATION\n", SectionRule::kListed, true,
         false, false, false},
        {"function bounds in the symbol table",
         std::string(kHeading) + "TOTAL\nSymbol Table\n__end_of_main text 10\n", SectionRule::kAll,
         true, true, false, true},
        {"function bounds before the symbol table",
         std::string(kHeading) + "TOTAL\n__end_of_main\nSymbol Table\n", SectionRule::kAll, true,
         true, false, false},
        {"a map of the MPLINK family", mplink + "MODULE INFORMATION\n", SectionRule::kAll, false,
         true, false, false},
        {"one with a byte-order mark", "\xEF\xBB\xBF" + mplink, SectionRule::kAll, false, true,
         false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const MapOffers offers = OffersOf(c.bytes);
        EXPECT_EQ(offers.calledFor, c.calledFor);
        EXPECT_EQ(offers.Offers(SectionRule::kListed), c.listed);
        EXPECT_EQ(offers.Offers(SectionRule::kAll), c.all);
        EXPECT_TRUE(offers.Offers(MapView::kObjects));
        EXPECT_EQ(offers.Offers(MapView::kModules), c.modules);
        EXPECT_EQ(offers.Offers(MapView::kSymbols), c.symbols);
        EXPECT_EQ(&FamilyOf(c.bytes) == &MplinkFamily(), !c.listed);
    }
}

// Each check of a count is a member of JSON's "reconciliation" object, named by its field: every
// family's checks have names of their own.
TEST(MapReader, EveryCheckHasAFieldOfItsOwn) {
    std::size_t counts = 0;
    for (const ExampleMap& map : ExampleMaps()) {
        const std::string& name = map.name;
        const std::string& bytes = map.bytes;
        const MapOffers offers = OffersOf(bytes);
        // The views split the complete tally.
        const std::pair<SectionRule, MapView> kCounts[] = {
            {SectionRule::kListed, MapView::kObjects},
            {SectionRule::kAll, MapView::kObjects},
            {SectionRule::kAll, MapView::kModules},
            {SectionRule::kAll, MapView::kSymbols}};
        for (const auto& [rule, view] : kCounts) {
            if (!offers.Offers(rule) || !offers.Offers(view) || name == "mplink-failed-link.map") {
                continue;
            }
            SCOPED_TRACE(name);
            std::set<std::string> fields;
            for (const MapCheck& check : CountMap(bytes, name, rule, true, view).facts.checks) {
                EXPECT_FALSE(check.field.empty()) << check.label;
                EXPECT_TRUE(fields.insert(check.field).second) << check.field;
            }
            ++counts;
        }
    }
    EXPECT_GE(counts, 20u);
}

// Everything a count holds that a report shows, as text, so that two counts compare whole (the
// listed scan of a file leaves out the rows of no bytes, which no report shows).
std::string Describe(const SizeTable& table) {
    std::string text = std::to_string(static_cast<int>(table.rule)) + " " + table.facts.device;
    for (const SizeRow& row : table.rows) {
        if (row.rom == 0 && row.ram == 0 && row.other == 0) {
            continue;
        }
        text += "\n" + std::string(row.name) + " " + std::to_string(row.rom) + " " +
                std::to_string(row.ram) + " " + std::to_string(row.other);
    }
    for (const MapCheck& check : table.facts.checks) {
        text += "\n" + check.label + " " + std::to_string(check.agrees) + " " + check.reason;
    }
    for (const std::string& note : table.facts.notes) {
        text += "\n" + note;
    }
    return text;
}

// The count, or the error's text.
std::string Outcome(const std::function<SizeTable()>& count) {
    try {
        return Describe(count());
    } catch (const MapError& error) {
        return std::string("error: ") + error.what();
    }
}

// The bytes in a temporary file, or at the reading end of a pipe, which cannot be read twice.
class CTestFile {
public:
    CTestFile(const std::string& bytes, bool pipe) {
#ifndef _WIN32
        int ends[2];
        if (pipe && ::pipe(ends) == 0) {
            // Written by a child, so that a map larger than the pipe's buffer does not block.
            m_writer = ::fork();
            if (m_writer == 0) {
                ::close(ends[0]);
                for (std::size_t at = 0; at < bytes.size();) {
                    const ssize_t count = ::write(ends[1], bytes.data() + at, bytes.size() - at);
                    if (count <= 0) {
                        break;
                    }
                    at += static_cast<std::size_t>(count);
                }
                ::_exit(0);
            }
            ::close(ends[1]);
            m_file = ::fdopen(ends[0], "rb");
            return;
        }
#else
        (void)pipe;
#endif
        m_file = std::tmpfile();
        if (m_file != nullptr) {
            std::fwrite(bytes.data(), 1, bytes.size(), m_file);
            std::rewind(m_file);
        }
    }

    ~CTestFile() {
        if (m_file != nullptr) {
            std::fclose(m_file);
        }
#ifndef _WIN32
        if (m_writer > 0) {
            ::waitpid(m_writer, nullptr, 0);
        }
#endif
    }

    CTestFile(const CTestFile&) = delete;
    CTestFile& operator=(const CTestFile&) = delete;

    std::FILE* Get() const {
        return m_file;
    }

private:
    std::FILE* m_file = nullptr;
#ifndef _WIN32
    pid_t m_writer = 0;
#endif
};

// Every example map counts alike from its bytes in memory, from a file (streamed where the map
// allows) and from a pipe, by every rule and view, and a byte-order mark in front changes
// nothing.
TEST(MapReader, AMapCountsAlikeFromMemoryAFileAndAPipeWithOrWithoutAByteOrderMark) {
    std::size_t maps = 0;
    for (const ExampleMap& map : ExampleMaps()) {
        const std::string& name = map.name;
        const std::string& bytes = map.bytes;
        for (const RuleChoice choice : {RuleChoice::kAuto, RuleChoice::kListed, RuleChoice::kAll}) {
            for (const MapView view : {MapView::kObjects, MapView::kModules, MapView::kSymbols}) {
                SCOPED_TRACE(name + " rule " + std::to_string(static_cast<int>(choice)) + " view " +
                             std::to_string(static_cast<int>(view)));
                const SectionRule rule = choice == RuleChoice::kAuto  ? OffersOf(bytes).calledFor
                                         : choice == RuleChoice::kAll ? SectionRule::kAll
                                                                      : SectionRule::kListed;
                const std::string expected =
                    Outcome([&] { return CountMap(bytes, name, rule, false, view, false); });
                for (const std::string& prefix : {std::string(), std::string("\xEF\xBB\xBF")}) {
                    EXPECT_EQ(Outcome([&] {
                                  return CountMap(prefix + bytes, name, rule, false, view, false);
                              }),
                              expected);
                    for (const bool pipe : {false, true}) {
                        const CTestFile stream(prefix + bytes, pipe);
                        ASSERT_NE(stream.Get(), nullptr);
                        CMapFile file(stream.Get(), name);
                        EXPECT_EQ(Outcome([&] { return CountMapFile(file, choice, false, view); }),
                                  expected)
                            << (pipe ? "pipe" : "file");
                    }
                }
            }
        }
        ++maps;
    }
    EXPECT_GE(maps, 15u);
}

// A map saved as UTF-16 (with its byte-order mark, or ASCII text without one) reads as the same
// text in UTF-8 would, through the file whichever way it is read.
TEST(MapReader, ReadsAMapSavedAsUtf16) {
    std::size_t maps = 0;
    for (const ExampleMap& map : ExampleMaps()) {
        const std::string& name = map.name;
        const std::string text = Utf8FromUtf16(Utf16FromUtf8(map.bytes));
        const std::string expected = Outcome([&] {
            return CountMap(text, name, OffersOf(text).calledFor, false, MapView::kObjects, false);
        });
        const struct {
            bool bigEndian;
            bool mark;
            bool pipe;
        } forms[] = {
            {false, true, false}, {true, true, true}, {false, false, true}, {true, false, false}};
        for (const auto& form : forms) {
            SCOPED_TRACE(name + (form.bigEndian ? " big-endian" : " little-endian") +
                         (form.mark ? " with a mark" : "") + (form.pipe ? " from a pipe" : ""));
            const std::string saved = SavedAsUtf16(text, form.bigEndian, form.mark);
            {
                const CTestFile stream(saved, form.pipe);
                CMapFile file(stream.Get(), name);
                EXPECT_EQ(Outcome([&] { return CountMapFile(file, RuleChoice::kAuto, false); }),
                          expected);
            }
            const CTestFile stream(saved, form.pipe);
            CMapFile file(stream.Get(), name);
            EXPECT_TRUE(file.ReadAll() == text) << "the file read whole is not the text in UTF-8";
        }
        ++maps;
    }
    EXPECT_GE(maps, 15u);
}

// The fields and details of the checks that fail, or the error, of the map in the bytes counted
// from a file or a pipe.
std::string FailedChecks(const std::string& bytes, RuleChoice choice, bool device, bool pipe) {
    const CTestFile stream(bytes, pipe);
    if (stream.Get() == nullptr) {
        return "cannot make the file";
    }
    CMapFile file(stream.Get(), "cut.map");
    try {
        std::string found;
        for (const MapCheck& check : CountMapFile(file, choice, device).facts.checks) {
            if (check.possible && !check.agrees) {
                found += (found.empty() ? "" : "\n") + check.field + ": " + check.detail;
            }
        }
        return found;
    } catch (const MapError& error) {
        return std::string("error: ") + error.what();
    }
}

// A map cut short is told as such by every rule, from memory, a file and a pipe, with the
// device read from the map or not: a map that ends after the linker's header has nothing to
// count, and one whose records run to its end without a heading is reported but not trusted.
TEST(MapReader, TellsAMapCutShortAfterTheLinkersHeader) {
    const std::string blinky = ReadFile(kExamples + "/blinky.map");
    const std::size_t heading = blinky.find("\t\tName");
    const std::size_t records = blinky.find('\n', heading) + 1;
    const std::string header = blinky.substr(0, heading);
    const std::string headless = header + blinky.substr(records, blinky.find("COMMON") - records);
    const std::string nothing =
        "error: cut.map:13: the map ends here, after the linker's header and before its section "
        "table ('Name Link Load Length Selector Space'): it was cut short, and there is nothing "
        "to count";
    struct Case {
        const char* what;
        std::string bytes;
        RuleChoice choice;
        std::string expected;  // the error, or the detail of the failed check
    };
    const Case cases[] = {
        {"header only, auto", header + "Call graph: (short form)\n\n\n", RuleChoice::kAuto,
         "error: cut.map:16: the map ends here, after the linker's header and before its "
         "section table ('Name Link Load Length Selector Space'): it was cut short, and there is "
         "nothing to count"},
        {"header only, listed", header, RuleChoice::kListed, nothing},
        {"header only, every section", header, RuleChoice::kAll, nothing},
        {"records without a heading", headless, RuleChoice::kListed,
         "complete_map: the map ends at line 32, after the linker's header and before its section "
         "table: it "
         "was cut short and the report may be incomplete"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const bool device : {false, true}) {
            for (const bool pipe : {false, true}) {
                EXPECT_EQ(FailedChecks(c.bytes, c.choice, device, pipe), c.expected)
                    << (pipe ? "pipe" : "file") << " device " << device;
            }
        }
    }
}

// Two maps in one file, or a section table written twice, are told by every rule that reads that
// far, and the report is of what comes before the second.
TEST(MapReader, TellsTwoMapsInOneFile) {
    const std::string blinky = ReadFile(kExamples + "/blinky.map");
    const std::size_t heading = blinky.find("\t\tName");
    const std::string table = blinky.substr(heading, blinky.find("COMMON") - heading);
    const std::string twice = blinky.substr(0, heading) + table + blinky.substr(heading);
    struct Case {
        const char* what;
        std::string bytes;
        RuleChoice choice;
        std::string expected;
    };
    const Case cases[] = {
        {"two maps", blinky + blinky, RuleChoice::kAuto,
         "one_map: the linker's header comes again at line 82: the file holds two maps, or one "
         "written twice, and the report is of what comes before"},
        {"a table twice, every section", twice, RuleChoice::kAuto,
         "one_map: a second section table starts at line 35: the file holds two maps, or one "
         "written twice, and the report is of what comes before"},
        {"a table twice, listed", twice, RuleChoice::kListed,
         "one_map: a second section table starts at line 35: the file holds two maps, or one "
         "written twice, and the report is of what comes before"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const bool pipe : {false, true}) {
            EXPECT_EQ(FailedChecks(c.bytes, c.choice, true, pipe), c.expected) << pipe;
        }
    }
    // What comes before the second map is counted as the first map alone.
    const SizeTable one = CountMap(blinky, "one.map", SectionRule::kAll, true);
    const SizeTable two = CountMap(blinky + blinky, "two.map", SectionRule::kAll, true);
    EXPECT_EQ(TotalsOf(two), TotalsOf(one));
    ASSERT_EQ(two.facts.checks.size(), one.facts.checks.size() + 1);
    EXPECT_TRUE(two.facts.checks[0].agrees && two.facts.checks[1].agrees);
    const SizeTable listed = CountMap(twice, "twice.map", SectionRule::kListed, false);
    EXPECT_EQ(TotalsOf(listed), TotalsOf(CountMap(blinky, "one.map", SectionRule::kListed, false)));
}

}  // namespace
