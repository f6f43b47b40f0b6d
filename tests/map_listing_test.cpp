#include "readers/hlink/map_listing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/map_error.h"
#include "test_support.h"

namespace {

constexpr const char* kHeader = "\t\tName          Link     Load   Length Selector Space Scale\n";

MapListing Read(const std::string& text) {
    return ReadMapListing(text, "test.map");
}

void ExpectMapError(const std::string& text, long line, const std::string& detail) {
    ::ExpectMapError([&] { Read(text); }, "test.map", line, detail);
}

TEST(ParseClassRange, ReadsHexWithSuffixDecimalAndRepeats) {
    struct Case {
        const char* text;
        std::uint64_t begin;
        std::uint64_t end;
        std::uint64_t block = 0;  // of each repeated range
    };
    const std::vector<Case> cases = {
        {"00h-07FFFh", 0x0, 0x8000},
        {"060h-0FFh", 0x60, 0x100},
        {"0100h-01FFhx5", 0x100, 0x600, 0x100},
        {"0600h-06FFhx122", 0x600, 0x8000, 0x100},
        {"00h-03FFFhx1", 0, 0x4000, 0x4000},
        {"0300000h-030000Dh", 0x300000, 0x30000E},
        {"0f00000h-0f000ffh", 0xF00000, 0xF00100},
        {"0-255", 0, 256},
        {"00h-00h", 0, 0},    // placeholder: no addresses
        {"05h-05hx3", 5, 5},  // still a placeholder
        {"0h-0FFFFFFFFh", 0, 0x100000000u},
        {"00h-0FFh/02100h", 0, 0x100},  // loaded elsewhere, as PIC16 maps write EEPROM data
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::uint64_t begin = 99;
        std::uint64_t end = 99;
        std::uint64_t block = 99;
        ASSERT_TRUE(ParseClassRange(c.text, begin, end, &block));
        EXPECT_EQ(begin, c.begin);
        EXPECT_EQ(end, c.end);
        EXPECT_EQ(block, c.block);
    }
}

TEST(ParseClassRange, RejectsWhatIsNoRange) {
    for (const char* text :
         {"", "10h", "0FFh-01h", "0h-100000000h", "00h-0FFhx0", "00h-0FFhx", "0x10-0x20", "GGh-0h",
          "-10h", "10h-", "0h-0FFhx99999999999", "00h-0FFh/", "00h-0FFh/zz"}) {
        SCOPED_TRACE(text);
        std::uint64_t begin = 0;
        std::uint64_t end = 0;
        EXPECT_FALSE(ParseClassRange(text, begin, end));
    }
}

TEST(ReadMapListing, ReadsObjectsRecordsCommonAndLibraryMembers) {
    const std::string text = std::string("Machine type is 18F4520\n\n") + kHeader +
                             "C:\\lib\\startup.obj\n"
                             "\t\tpowerup          0        0        4       0     0\n"
                             "usb io board.obj   text 10 10 1C 0 0\n"
                             "\t\trbss            60       60        5      60     1\n"
                             "\n"
                             "C:\\lib\\std lib.lib\n"
                             "printf.o\ttext 2C 2C 10 0 0\n"
                             "COMMON          param            6A       6A        4      60     1\n"
                             "TOTAL\n";
    const MapListing listing = Read(text);
    EXPECT_EQ(listing.machineType, "18F4520");
    EXPECT_EQ(listing.objects, (std::vector<std::string>{"C:\\lib\\startup.obj", "usb io board.obj",
                                                         "C:\\lib\\std lib.lib", "printf.o"}));
    ASSERT_EQ(listing.records.size(), 5u);
    const SectionRecord& board = listing.records[1];
    EXPECT_EQ(board.object, 1);
    EXPECT_EQ(board.name, "text");
    EXPECT_EQ(board.link, 0x10u);
    EXPECT_EQ(board.length, 0x1Cu);
    EXPECT_EQ(listing.records[2].object, 1);  // indented: the last object named
    EXPECT_EQ(listing.records[2].space, 1);
    EXPECT_EQ(listing.records[3].object, 3);
    const SectionRecord& common = listing.records[4];
    EXPECT_TRUE(common.common);
    EXPECT_EQ(common.object, -1);
    EXPECT_EQ(common.name, "param");
    EXPECT_EQ(common.length, 4u);
    EXPECT_TRUE(listing.hasTotalSection);
}

TEST(ReadMapListing, TakesAScaleOnlyWhereTheLineHasOne) {
    const std::string text = std::string(kHeader) +
                             "a.obj bitbss 140 28 B 1 1 8\n"     // Scale 8
                             "\t\tnvbit 150 2A 3 1 1 8\n"        // indented, Scale 8
                             "\t\ttext 0 0 10 0 0\n"             // no Scale
                             "my big lib.obj ADD 0 0 10 0 1\n";  // hex-like name, no Scale
    const MapListing listing = Read(text);
    ASSERT_EQ(listing.records.size(), 4u);
    EXPECT_EQ(listing.records[0].name, "bitbss");
    EXPECT_EQ(listing.records[0].scale, 8);
    EXPECT_EQ(listing.records[1].scale, 8);
    EXPECT_EQ(listing.records[2].scale, 0);
    EXPECT_EQ(listing.records[3].name, "ADD");
    EXPECT_EQ(listing.objects.back(), "my big lib.obj");
    EXPECT_EQ(listing.records[3].space, 1);
}

TEST(ReadMapListing, ReadsClassRangesTotalsAndUnusedRanges) {
    const std::string text =
        "Linker command line:\n"
        "-z -ACODE=00h-07FFFh -ARAM=060h-0FFh,0100h-01FFhx2 \\\n"
        "  -AFARRAM=00h-00h main.obj\n" +
        std::string(kHeader) +
        "main.obj text 0 0 10 0 0\n"
        "TOTAL           Name      Link     Load   Length     Space\n"
        "        CLASS   CODE\n"
        "                text         0        0       10         0\n"
        "        CLASS   CONFIG\n"
        "                config  300000   300000        E\n"
        "\n"
        "SEGMENTS        Name   Load    Length   Top    Selector   Space  Class\n"
        "                text   000000  000010  000010         0       0  CODE\n"
        "\n"
        "UNUSED ADDRESS RANGES\n"
        "\n"
        "        Name                Unused          Largest block    Delta\n"
        "        CODE             000010-0005FF         5F0\n"
        "                         000602-007FFF        79FE\n"
        "\tRAM              060-0FFh\n"
        "\n"
        "                                  Symbol Table\n"
        "_main   text   0\n";
    const MapListing listing = Read(text);
    ASSERT_EQ(listing.classRanges.size(), 4u);
    EXPECT_EQ(listing.classRanges[0].className, "CODE");
    EXPECT_EQ(listing.classRanges[0].end, 0x8000u);
    EXPECT_EQ(listing.classRanges[2].begin, 0x100u);
    EXPECT_EQ(listing.classRanges[2].end, 0x300u);
    EXPECT_EQ(listing.classRanges[2].block, 0x100u);
    EXPECT_EQ(listing.classRanges[3].className, "FARRAM");
    EXPECT_EQ(listing.classRanges[3].begin, listing.classRanges[3].end);
    EXPECT_EQ(listing.classRanges[1].line, 2);

    ASSERT_EQ(listing.totals.size(), 2u);
    EXPECT_EQ(listing.totals[0].className, "CODE");
    EXPECT_TRUE(listing.totals[0].hasSpace);
    EXPECT_EQ(listing.totals[1].className, "CONFIG");
    EXPECT_EQ(listing.totals[1].link, 0x300000u);
    EXPECT_FALSE(listing.totals[1].hasSpace);

    ASSERT_TRUE(listing.hasUnusedSection);
    ASSERT_EQ(listing.unusedRanges.size(), 3u);
    EXPECT_EQ(listing.unusedRanges[1].className, "CODE");  // continuation line
    EXPECT_EQ(listing.unusedRanges[1].begin, 0x602u);
    EXPECT_EQ(listing.unusedRanges[1].end, 0x8000u);
    EXPECT_EQ(listing.unusedRanges[1].largest, 0x79FEu);  // its Largest block
    EXPECT_EQ(listing.unusedRanges[2].className, "RAM");
    EXPECT_EQ(listing.unusedRanges[2].end, 0x100u);
    EXPECT_EQ(listing.unusedRanges[2].largest, 0u);  // none given
}

TEST(ReadMapListing, TheTableEndsAtTotalAndRecordsBeforeAnyObjectBelongToNone) {
    const std::string text = std::string(kHeader) +
                             "\t\ttext 0 0 4 0 0\n"
                             "a.obj text 4 4 4 0 0\n"
                             "TOTAL\n"
                             "SEGMENTS\n"
                             "b.obj text 8 8 4 0 0\n";
    const MapListing listing = Read(text);
    ASSERT_EQ(listing.records.size(), 2u);
    EXPECT_EQ(listing.records[0].object, -1);
    EXPECT_FALSE(listing.records[0].common);
    EXPECT_EQ(listing.objects, (std::vector<std::string>{"a.obj"}));
    EXPECT_FALSE(listing.hasUnusedSection);
}

TEST(ReadMapListing, ASymbolNamedLikeTotalAfterTheTableStartsNoTotals) {
    const std::string text = std::string(kHeader) +
                             "a.obj text 0 0 4 0 0\n"
                             "SEGMENTS  Name  Load  Length\n"
                             "\t\ttext 000000 000004\n"
                             "TOTALIZER.obj data and more\n"
                             "\t\tanything at all here\n";
    const MapListing listing = Read(text);
    EXPECT_FALSE(listing.hasTotalSection);
    EXPECT_TRUE(listing.totals.empty());
    EXPECT_EQ(listing.records.size(), 1u);
}

TEST(ReadMapListing, ReportsWhatItCannotReadWithLineAndText) {
    ExpectMapError("no table here\n", 0,
                   "no section table (no line 'Name Link Load Length Selector Space')");
    ExpectMapError(std::string(kHeader) + "a.obj\n\t\ttext 0 0 10c 0 0\n", 3,
                   "section length '10c' is not upper-case hexadecimal");
    ExpectMapError(std::string(kHeader) + "a.obj text 0 0 123456789 0 0\n", 2,
                   "section length '123456789' is too large");
    ExpectMapError(std::string(kHeader) + "a.obj\n\t\ttext 0 0\n", 3,
                   "cannot read this line of the section table: 'text 0 0'");
    ExpectMapError(std::string(kHeader) + "TOTAL\n\tCLASS CODE\n\t\ttext 0 zero 10 0\n", 4,
                   "cannot read this line of the TOTAL section: 'text 0 zero 10 0'");
    ExpectMapError(std::string(kHeader) + "TOTAL\n\tCLASS\n", 3,
                   "cannot read this CLASS line: 'CLASS'");
    ExpectMapError("-ACODE=00h-07FFFh,0FFh-00h\n" + std::string(kHeader), 1,
                   "class range '0FFh-00h' of '-ACODE=00h-07FFFh,0FFh-00h' cannot be read");
}

// Objects whose names begin with the words that end the table are objects like any other; a
// damaged record, indented or in column 0, is an error that names its line and the token,
// never an object name that takes the record's bytes elsewhere; control bytes in a message
// are shown, not sent to the terminal.
TEST(ReadMapListing, HostileLinesOfTheTable) {
    const MapListing listing = Read(std::string(kHeader) +
                                    "TOTALIZER.obj text 0 0 4 0 0\n"
                                    "\t\tbss 60 60 2 60 1\n"
                                    "SEGMENTS_io.obj text 4 4 4 0 0\n"
                                    "TOTAL\n");
    EXPECT_EQ(listing.objects, (std::vector<std::string>{"TOTALIZER.obj", "SEGMENTS_io.obj"}));
    ASSERT_EQ(listing.records.size(), 3u);
    EXPECT_EQ(listing.records[1].object, 0);
    EXPECT_TRUE(listing.hasTotalSection);

    ExpectMapError(std::string(kHeader) + "counter.obj bss 64 6?4 8 60 1\n", 2,
                   "cannot read this line of the section table: 'counter.obj bss 64 6?4 8 60 1' "
                   "('6?4' is not a number)");
    ExpectMapError(std::string(kHeader) + "a.obj\n\t\tbss 64 6?4 8 60 1\n", 3,
                   "cannot read this line of the section table: 'bss 64 6?4 8 60 1' ('6?4' is "
                   "not a number)");
    ExpectMapError(std::string(kHeader) + "a.obj\n\t\ttext 0 0 1\x1B[2J 0 0\r\n", 3,
                   "cannot read this line of the section table: 'text 0 0 1^[[2J 0 0' ('[2J' is "
                   "not a number)");
    // A name with spaces and digits in it is still a name.
    EXPECT_EQ(Read(std::string(kHeader) + "C:\\Build 2 of 3\\crt0.obj\n").objects,
              (std::vector<std::string>{"C:\\Build 2 of 3\\crt0.obj"}));
}

TEST(ReadMapListing, PreambleScopeStopsAtTheTable) {
    const std::string text = "-ACODE=00h-0FFh\nMachine type is 18F458\n" + std::string(kHeader) +
                             "a.obj\n\t\tgarbage line here\n";
    const MapListing listing = ReadMapListing(text, "test.map", ListingScope::kPreamble);
    EXPECT_EQ(listing.machineType, "18F458");
    EXPECT_EQ(listing.classRanges.size(), 1u);
    EXPECT_TRUE(listing.records.empty());
    EXPECT_THROW(Read(text), MapError);
}

TEST(ReadMapListing, KeepsNamesOfAnyLengthAndAnyBytesWhole) {
    const std::string longName = std::string(100000, 'F') + ".obj";
    const std::string oddName = std::string(
        "C:\\Jos\xE9\\a\x01"
        "b {1}!.obj",
        20);
    const std::string text =
        std::string(kHeader) + longName + " text 0 0 1 0 0\n" + oddName + "\ttext 1 1 2 0 0\n";
    const MapListing listing = Read(text);
    EXPECT_EQ(listing.objects, (std::vector<std::string>{longName, oddName}));
    ASSERT_EQ(listing.records.size(), 2u);
    EXPECT_EQ(listing.records[1].length, 2u);
}

}  // namespace
