#include "readers/map_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
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
    for (const auto& entry : std::filesystem::directory_iterator(kExamples)) {
        if (entry.path().extension() != ".map") {
            continue;
        }
        const std::string name = entry.path().filename().string();
        const std::string bytes = ReadFile(entry.path().string());
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

}  // namespace
