#include "views/program_views.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/map_error.h"
#include "readers/hlink/section_tally.h"
#include "readers/map_reader.h"
#include "readers/mplink/mplink_reader.h"
#include "test_support.h"

namespace {

using View = std::function<SizeTable(const MapListing&, const ProgramListing&, const std::string&)>;

SizeTable ViewOf(const View& view, const std::string& bytes) {
    return view(ReadMapListing(bytes, "test.map"), ReadProgramListing(bytes, "test.map"),
                "test.map");
}

struct RowCase {
    const char* name;
    RowKind kind;
    std::int64_t rom;
    std::int64_t ram;
    std::int64_t other;
};

void ExpectRows(const SizeTable& table, const std::vector<RowCase>& expected) {
    ASSERT_EQ(table.rows.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        const SizeRow& row = table.rows[i];
        EXPECT_EQ(row.name, expected[i].name);
        EXPECT_EQ(row.kind, expected[i].kind);
        EXPECT_EQ(row.id, i);
        EXPECT_EQ(row.rom, expected[i].rom);
        EXPECT_EQ(row.ram, expected[i].ram);
        EXPECT_EQ(row.other, expected[i].other);
    }
}

constexpr const char* kTable =
    "\t\tName Link Load Length Selector Space Scale\n"
    "app.o\ttext0 100 100 20 4 0\n"
    "\t\tbssBANK0 60 60 10 60 1\n"
    "\t\tcstackCOMRAM 1 1 8 1 1\n"
    "\t\tbitbssCOMRAM 48 9 3 1 1 8\n"
    "\t\ttext1 200 200 10 4 0\n"
    "\t\tmediumconst 300 300 10 300 0\n"
    "SEGMENTS\n";

TEST(SymbolView, SplitsEachPsectAtItsSymbols) {
    const SizeTable view = ViewOf(SymbolView, std::string(kTable) +
                                                  "Symbol Table\n"
                                                  "__ptext0 text0 100  _main text0 100\n"
                                                  "__end_of_main text0 118\n"
                                                  "_f text1 200\n"
                                                  "__end_of_f text1 214\n"
                                                  "__pbssBANK0 bssBANK0 60\n"
                                                  "_buf bssBANK0 60\n"
                                                  "label bssBANK0 68\n"
                                                  "f@count bssBANK0 6C\n"
                                                  "main@i cstackCOMRAM 1\n"
                                                  "?_f cstackCOMRAM 1\n"
                                                  "_flag bitbssCOMRAM 48\n"
                                                  "_table mediumconst 300\n"
                                                  "_alias mediumconst 300\n"
                                                  "__Hmediumconst mediumconst 310\n"
                                                  "_PORTA (abs) F80\n");
    ExpectRows(view, {
                         {"_main", RowKind::kObject, 0x18, 0, 0},
                         {"_buf", RowKind::kObject, 0, 8, 0},  // up to the label
                         {"f@count", RowKind::kObject, 0, 4, 0},
                         {"_f", RowKind::kObject, 0x10, 0, 0},      // cut at its psect's end
                         {"_table", RowKind::kObject, 0x10, 0, 0},  // _alias: nothing left
                         {"<psect text0>", RowKind::kSpecial, 8, 0, 0},
                         {"<psect bssBANK0>", RowKind::kSpecial, 0, 4, 0},
                         {"<psect cstackCOMRAM>", RowKind::kSpecial, 0, 8, 0},
                         {"<psect bitbssCOMRAM>", RowKind::kSpecial, 0, 1, 0},
                     });
    EXPECT_EQ(view.rule, SectionRule::kAll);
    ASSERT_EQ(view.facts.notes.size(), 1u);
    EXPECT_EQ(view.facts.notes[0],
              "Symbol bounds: 1 function ends past its psect (such as _f); their rows hold only "
              "the psect's bytes");
}

TEST(ModuleView, GivesEachByteToOneItemAndTheRestToItsPsect) {
    const SizeTable view = ViewOf(ModuleView, std::string(kTable) +
                                                  "MODULE INFORMATION\n"
                                                  "a.c\n"
                                                  "\t_main CODE 100 0 24\n"
                                                  "\t_table MEDIUMCONST 300 0 8\n"
                                                  "a.c estimated size: 32\n"
                                                  "b.c\n"
                                                  "\t_f CODE 200 0 20\n"  // 4 bytes past text1
                                                  "\t_g CODE 110 0 16\n"  // half under _main
                                                  "b.c estimated size: 40\n"
                                                  "a.c\n"                // the same row again
                                                  "\t_h CODE 400 0 2\n"  // in no section
                                                  "a.c estimated size: 2\n"
                                                  "b.c\n"  // written twice: counted once
                                                  "\t_f CODE 200 0 20\n"
                                                  "\t_g CODE 110 0 16\n"
                                                  "b.c estimated size: 40\n");
    ExpectRows(view, {
                         {"a.c", RowKind::kObject, 32, 0, 0},
                         {"b.c", RowKind::kObject, 24, 0, 0},
                         {"<psect bssBANK0>", RowKind::kSpecial, 0, 16, 0},
                         {"<psect cstackCOMRAM>", RowKind::kSpecial, 0, 8, 0},
                         {"<psect bitbssCOMRAM>", RowKind::kSpecial, 0, 1, 0},
                         {"<psect mediumconst>", RowKind::kSpecial, 8, 0, 0},
                     });
    const std::vector<std::pair<std::string, std::int64_t>> parts = {
        {"_main", 24}, {"_table", 8}, {"_f", 16}, {"_g", 8}, {"_h", 0}};
    ASSERT_EQ(view.parts.size(), parts.size());
    for (std::size_t i = 0; i < parts.size(); ++i) {
        EXPECT_EQ(view.parts[i].name, parts[i].first);
        EXPECT_EQ(view.parts[i].bytes, parts[i].second);
        EXPECT_EQ(view.parts[i].rowId, i < 2 || i == 4 ? 0u : 1u);
    }
    ASSERT_EQ(view.facts.checks.size(), 3u);
    const MapCheck& estimates = view.facts.checks[2];
    EXPECT_EQ(estimates.field, "estimated_sizes");
    EXPECT_FALSE(estimates.agrees);
    EXPECT_EQ(estimates.detail, "the items of b.c take 36 bytes, its estimated size is 40");
    EXPECT_EQ(view.facts.notes,
              (std::vector<std::string>{
                  "Source files: 14 bytes of their items lie outside the counted sections or "
                  "under another item"}));

    // A module block cut off before its estimated size is a map cut short.
    const SizeTable cut = ViewOf(ModuleView, std::string(kTable) +
                                                 "MODULE INFORMATION\n"
                                                 "a.c\n"
                                                 "\t_main CODE 100 0 24\n"
                                                 "a.c estimated size: 24\n"
                                                 "b.c\n"
                                                 "\t_f CODE 200 0 20\n");
    ASSERT_EQ(cut.facts.checks.size(), 4u);
    EXPECT_TRUE(cut.facts.checks[2].agrees);
    EXPECT_EQ(cut.facts.checks[2].detail, "1 source file, 24 bytes");
    EXPECT_EQ(cut.facts.checks[3].field, "complete_map");
    EXPECT_FALSE(cut.facts.checks[3].agrees);
    EXPECT_EQ(cut.facts.checks[3].detail,
              "the block of b.c in MODULE INFORMATION (line 13) ends without its estimated size: "
              "the map was cut short and the report may be incomplete");
}

// An interrupt function of XC8 is entered at its vector (_isr in intcode) and goes on in a psect
// of its own (intcode_body, up to __end_of_isr): both are the function's, in both views, while a
// vector table that is no function's (ivt0x8) stays with its psect. MODULE INFORMATION gives
// such sizes a byte too many, which the Symbol Table's bounds leave to the next function.
TEST(ProgramViews, GiveAnInterruptFunctionItsEntryAndItsBody) {
    const std::string map =
        "\t\tName Link Load Length Selector Space Scale\n"
        "app.o\tintcode 8 8 6 4 0\n"
        "\t\tintcode_body 300 300 20 4 0\n"
        "\t\ttext0 100 100 20 4 0\n"
        "\t\ttext1 120 120 10 4 0\n"
        "\t\tivt0x8 400 400 8 4 0\n"
        "SEGMENTS\n"
        "Symbol Table\n"
        "_isr intcode 8  __Hintcode intcode E\n"
        "int_func intcode_body 300  __end_of_isr intcode_body 320\n"
        "_main text0 100  __end_of_main text0 120\n"
        "_f text1 120  __end_of_f text1 130\n"
        "ivt0x8_base ivt0x8 400\n"
        "MODULE INFORMATION\n"
        "main.c\n"
        "\t_isr CODE 8 0 39\n"
        "\t_main CODE 100 0 33\n"
        "main.c estimated size: 72\n"
        "f.c\n"
        "\t_f CODE 120 0 17\n"
        "f.c estimated size: 17\n";
    ExpectRows(ViewOf(SymbolView, map), {
                                            {"_isr", RowKind::kObject, 6 + 32, 0, 0},
                                            {"_main", RowKind::kObject, 32, 0, 0},
                                            {"_f", RowKind::kObject, 16, 0, 0},
                                            {"<psect ivt0x8>", RowKind::kSpecial, 8, 0, 0},
                                        });
    const SizeTable modules = ViewOf(ModuleView, map);
    ExpectRows(modules, {
                            {"main.c", RowKind::kObject, 6 + 32 + 32, 0, 0},
                            {"f.c", RowKind::kObject, 16, 0, 0},
                            {"<psect ivt0x8>", RowKind::kSpecial, 8, 0, 0},
                        });
    ASSERT_EQ(modules.parts.size(), 3u);
    EXPECT_EQ(modules.parts[0].bytes, 6 + 32);
}

// The reasons a view cannot be made, each a one-line error without a line number.
TEST(ProgramViews, AMapWithoutTheirMaterialIsAnError) {
    struct Case {
        const char* name;
        View view;
        std::string text;
        long line;
        const char* detail;
    };
    const std::string table = kTable;
    const std::vector<Case> cases = {
        {"modules", ModuleView, table, 0,
         "no MODULE INFORMATION, which says which source file holds which function"},
        {"empty modules", ModuleView, table + "MODULE INFORMATION\n", 0,
         "the MODULE INFORMATION lists no source file"},
        {"symbols", SymbolView, table, 0,
         "no Symbol Table, which says where each function and variable lies"},
        {"bounds", SymbolView, table + "Symbol Table\n_main text0 100\n__end_of_main text1 118\n",
         0,
         "the Symbol Table bounds no function (no __end_of_ symbol), so the sizes of its "
         "symbols are unknown"},
        {"backwards", SymbolView,
         table + "Symbol Table\n_main text0 110\n__end_of_main text0 100\n", 11,
         "__end_of_main at 100 lies before _main at 110"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectMapError([&] { ViewOf(c.view, c.text); }, "test.map", c.line, c.detail);
    }
}

// Every example map gives each view or says why it cannot, and a view's rows always add up to
// the complete tally exactly.
TEST(ProgramViews, RowsAddUpToTheCompleteTallyOnEveryExampleMap) {
    std::map<std::string, int> made;
    for (const ExampleMap& map : TalliedExampleMaps()) {
        const std::string& bytes = map.bytes;
        const MapListing listing = ReadMapListing(bytes, "example.map");
        const MemoryTotals tally = TotalsOf(TallySections(listing));
        for (const auto& [name, view] :
             std::map<std::string, View>{{"module", ModuleView}, {"symbol", SymbolView}}) {
            SCOPED_TRACE(map.name + " by " + name);
            try {
                const SizeTable table =
                    view(listing, ReadProgramListing(bytes, "example.map"), "example.map");
                EXPECT_EQ(TotalsOf(table), tally);
                EXPECT_EQ(table.facts.device, listing.machineType);
                ASSERT_GE(table.facts.checks.size(), 2u);
                for (const MapCheck& check : table.facts.checks) {
                    EXPECT_TRUE(check.agrees) << check.label;
                }
                ++made[name];
            } catch (const MapError&) {
                // The map lacks what the view needs: the error's texts are tested above.
            }
        }
    }
    EXPECT_GE(made["module"], 1);
    EXPECT_GE(made["symbol"], 1);
}

}  // namespace
