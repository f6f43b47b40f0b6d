#include "readers/hlink/program_listing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

TEST(ReadProgramListing, ReadsSymbolsAndModulesAndStopsAtTheNextHeading) {
    const ProgramListing listing = ReadProgramListing(
        "TOTAL section and everything before it is not read here\r\n"
        "                                  Symbol Table\r\n"
        "\r\n"
        "?_f          cstackCOMRAM 000001  _main        text0        01FF86\r\n"
        "_LATB        (abs)        000f8a\r\n"
        "                                  FUNCTION INFORMATION:\r\n"
        " *************** function _main *****************\r\n"
        "_not_a_symbol text0 12\r\n"
        "MODULE INFORMATION\r\n"
        "Module\t\tFunction\t\tClass\t\tLink\tLoad\tSize\r\n"
        "C:\\My Files\\main.c\r\n"
        "\t\t_main\t\tCODE\t1FF86\t0000\t122\r\n"
        "\t\t_table\t\tMEDIUMCONST\t010A\t0000\t64\r\n"
        "\r\n"
        "C:\\My Files\\main.c estimated size: 186\r\n"
        "shared\r\n",
        "test.map");
    ASSERT_TRUE(listing.hasSymbolTable);
    ASSERT_EQ(listing.symbols.size(), 3u);
    EXPECT_EQ(listing.symbols[0].name, "?_f");
    EXPECT_EQ(listing.symbols[1].name, "_main");
    EXPECT_EQ(listing.symbols[1].psect, "text0");
    EXPECT_EQ(listing.symbols[1].address, 0x1FF86u);
    EXPECT_EQ(listing.symbols[1].line, 4);
    EXPECT_EQ(listing.symbols[2].psect, "(abs)");
    EXPECT_EQ(listing.symbols[2].address, 0xF8Au);

    ASSERT_TRUE(listing.hasModuleInformation);
    ASSERT_EQ(listing.modules.size(), 2u);
    const SourceModule& main = listing.modules[0];
    EXPECT_EQ(main.name, "C:\\My Files\\main.c");
    EXPECT_EQ(main.line, 11);
    EXPECT_TRUE(main.hasEstimate);
    EXPECT_EQ(main.estimatedSize, 186);
    ASSERT_EQ(main.items.size(), 2u);
    EXPECT_EQ(main.items[1].name, "_table");
    EXPECT_EQ(main.items[1].className, "MEDIUMCONST");
    EXPECT_EQ(main.items[1].link, 0x10Au);
    EXPECT_EQ(main.items[1].size, 64);
    EXPECT_EQ(listing.modules[1].name, "shared");
    EXPECT_FALSE(listing.modules[1].hasEstimate);
}

// Some maps write MODULE INFORMATION twice: a block that repeats one of the same name whole is
// kept once, one that differs is kept.
TEST(ReadProgramListing, KeepsAModuleWrittenTwiceOnce) {
    const std::string modules =
        "MODULE INFORMATION\n"
        "main.c\n\t\t_main\t\tCODE\t100\t0000\t12\n\nmain.c estimated size: 12\n"
        "uart.c\n\t\t_putc\t\tCODE\t200\t0000\t8\n\nuart.c estimated size: 8\n";
    const ProgramListing listing = ReadProgramListing(
        modules + modules + "main.c\n\t\t_isr\t\tCODE\t8\t0000\t4\nmain.c estimated size: 4\n",
        "twice.map");
    ASSERT_EQ(listing.modules.size(), 3u);
    EXPECT_EQ(listing.modules[1].name, "uart.c");
    EXPECT_EQ(listing.modules[2].items[0].name, "_isr");
}

TEST(ReadProgramListing, AMapWithoutEitherSectionGivesAnEmptyListing) {
    const ProgramListing listing =
        ReadProgramListing("a.obj text 0 0 10 0 0\nSymbols\nMODULE\n", "test.map");
    EXPECT_FALSE(listing.hasSymbolTable);
    EXPECT_FALSE(listing.hasModuleInformation);
    EXPECT_TRUE(listing.symbols.empty());
    EXPECT_TRUE(listing.modules.empty());
}

TEST(ReadProgramListing, ADamagedLineIsAnErrorAtItsLine) {
    struct Case {
        const char* text;
        long line;
        const char* detail;
    };
    const std::vector<Case> cases = {
        {"Symbol Table\n_main text0 01FF86\ntext is here and more\n", 3,
         "cannot read this line of the Symbol Table: 'text is here and more'"},
        {"Symbol Table\n_main text0 01FF8G\n", 2,
         "cannot read this line of the Symbol Table: '_main text0 01FF8G'"},
        {"Symbol Table\n_main text0 100000000\n", 2,
         "cannot read this line of the Symbol Table: '_main text0 100000000'"},
        {"MODULE INFORMATION\nmain.c\n\t_main CODE 100 0000 12x\n", 3,
         "cannot read this line of MODULE INFORMATION: '_main CODE 100 0000 12x'"},
        {"MODULE INFORMATION\nmain.c\n\t_main CODE 100 12\n", 3,
         "cannot read this line of MODULE INFORMATION: '_main CODE 100 12'"},
        {"MODULE INFORMATION\nmain.c\nuart.c estimated size: 4\n", 3,
         "cannot read this line of MODULE INFORMATION: 'uart.c estimated size: 4'"},
        {"MODULE INFORMATION\nmain.c\nmain.c estimated size: -4\n", 3,
         "cannot read this line of MODULE INFORMATION: 'main.c estimated size: -4'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ExpectMapError([&] { ReadProgramListing(c.text, "bad.map"); }, "bad.map", c.line, c.detail);
    }
}

}  // namespace
