#include "readers/hlink/section_tally.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "readers/hlink/section_classes.h"
#include "readers/map_reader.h"
#include "readers/mplink/mplink_reader.h"
#include "test_support.h"
#include "text/numbers.h"

namespace {

constexpr const char* kHeader = "\t\tName          Link     Load   Length Selector Space Scale\n";

SizeTable Tally(const std::string& table, const std::string& rest = "") {
    return TallySections(ReadMapListing(std::string(kHeader) + table + rest, "test.map"));
}

// The row of that name, or null.
const SizeRow* FindRow(const SizeTable& tally, const std::string& name) {
    for (const SizeRow& row : tally.rows) {
        if (row.name == name) {
            return &row;
        }
    }
    return nullptr;
}

void ExpectRow(const SizeTable& tally, const std::string& name, std::int64_t rom, std::int64_t ram,
               std::int64_t other) {
    SCOPED_TRACE(name);
    const SizeRow* row = FindRow(tally, name);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ((MemoryTotals{row->rom, row->ram, row->other}), (MemoryTotals{rom, ram, other}));
}

TEST(TallySections, CountsEverySectionWhateverItsName) {
    const SizeTable tally = Tally(
        "main.p1 text0 7E 7E 1C4 4 0\n"
        "\t\tcstackCOMRAM 1 1 12 1 1\n"
        "\t\tintcode_body 8 8 34 4 0\n"
        "\t\tsmallconst 600 600 2 600 0\n"
        "\t\tmediumcon 602 602 10 600 0\n");
    ExpectRow(tally, "main.p1", 0x1C4 + 0x34 + 2 + 0x10, 0x12, 0);
}

TEST(TallySections, CommonLinesAreRowsOfTheirOwn) {
    const SizeTable tally = Tally(
        "a.obj rbss 60 60 5 60 1\n"
        "COMMON   param  29 29 23 29 1\n"
        "COMMON   rbss   65 65 4 60 1\n");
    ExpectRow(tally, "a.obj", 0, 5, 0);
    ExpectRow(tally, "<COMMON param>", 0, 0x23, 0);
    ExpectRow(tally, "<COMMON rbss>", 0, 4, 0);
    EXPECT_EQ(TotalsOf(tally).ram, 5 + 0x23 + 4);
}

TEST(TallySections, TotalRecordsWithoutATableRecordBecomeClassRows) {
    const SizeTable tally = Tally("a.obj text 0 0 10 0 0\n",
                                  "TOTAL  Name Link Load Length Space\n"
                                  "\tCLASS CODE\n"
                                  "\t\ttext 0 0 10 0\n"
                                  "\tCLASS ABS1\n"
                                  "\t\tabs_s1 60 60 12 1\n");
    ExpectRow(tally, "a.obj", 0x10, 0, 0);
    ExpectRow(tally, "<ABS1 abs_s1>", 0, 0x12, 0);
    EXPECT_EQ(FindRow(tally, "<CODE text>"), nullptr);  // the class totals are never added on top
    EXPECT_EQ(TotalsOf(tally).rom, 0x10);
}

TEST(TallySections, TheClassOfARecordIsTheTotalRecordHoldingItsAddress) {
    const SizeTable tally = Tally(
        "a.obj userid 100 100 8 0 0\n"
        "b.obj userid 400 400 4 0 0\n"
        "c.obj config_table 500 500 6 0 0\n"
        "d.obj eedat 44 44 2 0 0\n",
        "TOTAL\n"
        "\tCLASS IDLOC\n"
        "\t\tuserid 100 100 8 0\n"
        "\tCLASS CODE\n"
        "\t\tuserid 400 400 4 0\n"
        "\t\tconfig_table 500 500 6 0\n"
        "\tCLASS EEDATA\n"
        "\t\teedat 40 40 8 0\n");
    ExpectRow(tally, "a.obj", 0, 0, 8);  // class IDLOC although below 0x200000
    ExpectRow(tally, "b.obj", 4, 0, 0);  // same name, another address: class CODE
    ExpectRow(tally, "c.obj", 6, 0, 0);  // the class wins over the name
    ExpectRow(tally, "d.obj", 0, 0, 2);  // inside a range that holds several records
}

// A record's memory comes from the TOTAL section's class holding it where there is one, else from
// its name, then from its address and memory space.
TEST(TallySections, EachRecordTakesTheMemoryItsClassNameAndSpaceGive) {
    struct Case {
        const char* className;  // of the TOTAL record holding it; "": no TOTAL section
        const char* name;
        std::uint64_t address;
        int space;
        MemoryKind kind;
    };
    const Case cases[] = {
        {"", "text", 0x100, 0, MemoryKind::kRom},
        {"", "bss", 0x60, 1, MemoryKind::kRam},
        {"CONFIG", "anything", 0x100, 0, MemoryKind::kOther},
        {"IDLOC", "anything", 0x100, 0, MemoryKind::kOther},
        {"EEDATA", "anything", 0x100, 0, MemoryKind::kOther},
        {"", "config", 0x100, 0, MemoryKind::kOther},
        {"", "idloc", 0x100, 0, MemoryKind::kOther},
        {"", "eeprom_data", 0x100, 0, MemoryKind::kOther},
        {"CODE", "config_table", 0x100, 0, MemoryKind::kRom},
        {"", "text", 0x1FFFFF, 0, MemoryKind::kRom},
        {"", "text", 0x200000, 0, MemoryKind::kOther},
        {"CODE", "text", 0x300000, 0, MemoryKind::kOther},
        {"", "bss", 0x300000, 1, MemoryKind::kRam},
        {"", "farbss", 0x400, 2, MemoryKind::kOther},
        {"", "odd", 0x400, -1, MemoryKind::kOther},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.className) + " " + c.name + " " + std::to_string(c.space));
        const std::string place = HexText(c.address) + " " + HexText(c.address) + " 10 ";
        std::string totals;
        if (*c.className != '\0') {
            totals = std::string("TOTAL\n\tCLASS ") + c.className + "\n\t\t" + c.name + " " +
                     place + std::to_string(c.space) + "\n";
        }
        const SizeTable tally = Tally(
            "a.obj " + std::string(c.name) + " " + place + "0 " + std::to_string(c.space) + "\n",
            totals);
        ExpectRow(tally, "a.obj", c.kind == MemoryKind::kRom ? 16 : 0,
                  c.kind == MemoryKind::kRam ? 16 : 0, c.kind == MemoryKind::kOther ? 16 : 0);
    }
}

TEST(ClassMemoryOf, SortsTheClassesOfPic18Maps) {
    for (const char* name :
         {"CODE", "CONST", "SMALLCONST", "MEDIUMCONST", "STRING", "ENTRY", "STRCODE"}) {
        EXPECT_EQ(ClassMemoryOf(name), ClassMemory::kProgram) << name;
    }
    for (const char* name : {"RAM", "COMRAM", "BIGRAM", "FARRAM", "BANK0", "BANK15", "COMMON"}) {
        EXPECT_EQ(ClassMemoryOf(name), ClassMemory::kData) << name;
    }
    for (const char* name : {"ABS1", "SFR", "BIGSFR"}) {
        EXPECT_EQ(ClassMemoryOf(name), ClassMemory::kAbsoluteData) << name;
    }
    for (const char* name : {"CONFIG", "IDLOC", "EEDATA"}) {
        EXPECT_EQ(ClassMemoryOf(name), ClassMemory::kOther) << name;
    }
    for (const char* name : {"", "BANK", "BANKX", "SEGMENT"}) {
        EXPECT_EQ(ClassMemoryOf(name), ClassMemory::kUnknown) << name;
    }
}

TEST(BitSections, CountWholeBytes) {
    EXPECT_TRUE(IsBitSection(0x140, 0x28, 0, 1));
    EXPECT_TRUE(IsBitSection(0x10, 0x10, 8, 1));
    EXPECT_TRUE(IsBitSection(0x10, 0x10, 8, 0)) << "Scale 8 marks a bit section anywhere";
    EXPECT_TRUE(IsBitSection(8, 1, 0, 1));
    EXPECT_FALSE(IsBitSection(9, 1, 0, 1));
    EXPECT_FALSE(IsBitSection(0, 0, 0, 1));  // address 0, not a bit section
    EXPECT_FALSE(IsBitSection(0x10, 0x10, 1, 1));
    // In program memory the addresses coincide by chance: text at 800, loaded at 100.
    EXPECT_FALSE(IsBitSection(0x800, 0x100, 0, 0));

    const SizeTable tally = Tally(
        "a.obj rbit 3C8 3C8 11 78 1 8\n"  // Scale 8: 17 bits
        "\t\tnvbit 140 28 B 1 1\n"        // Link = 8 x Load: 11 bits
        "\t\ttext 0 0 4 0 0\n");
    ExpectRow(tally, "a.obj", 4, 3 + 2, 0);
}

TEST(Overlays, TheSameSectionInSeveralObjectsCountsOnceAtItsLargestLength) {
    const SizeTable tally = Tally(
        "a.obj temp 75 75 4 60 1\n"
        "\t\ttext 0 0 10 0 0\n"
        "b.obj temp 75 75 2 60 1\n"
        "c.obj temp 75 75 6 60 1\n"
        "\t\ttemp 90 90 3 60 1\n"      // another address: its own
        "d.obj temp 75 75 0 60 1\n"    // zero length shares nothing
        "e.obj temp 75 75 5 60 0\n");  // another space: its own
    ExpectRow(tally, "<overlaid temp@75>", 0, 6, 0);
    ExpectRow(tally, "a.obj", 0x10, 0, 0);
    ExpectRow(tally, "b.obj", 0, 0, 0);
    ExpectRow(tally, "d.obj", 0, 0, 0);
    ExpectRow(tally, "c.obj", 0, 3, 0);
    ExpectRow(tally, "e.obj", 5, 0, 0);
    EXPECT_EQ(TotalsOf(tally).ram, 6 + 3);
}

TEST(Overlays, ConfigUnderEveryObjectCountsOnce) {
    const SizeTable tally = Tally(
        "main.o config 300000 300000 E 300000 0\n"
        "\t\tidloc 200000 200000 8 200000 0\n"
        "uart.o config 300000 300000 E 300000 0\n"
        "\t\tidloc 200000 200000 8 200000 0\n");
    ExpectRow(tally, "<overlaid config@300000>", 0, 0, 14);
    ExpectRow(tally, "<overlaid idloc@200000>", 0, 0, 8);
    EXPECT_EQ(TotalsOf(tally).other, 22);
}

TEST(Overlays, TheSameRecordTwiceInOneObjectIsNoOverlay) {
    const SizeTable tally = Tally("a.obj temp 75 75 4 60 1\n\t\ttemp 75 75 4 60 1\n");
    ExpectRow(tally, "a.obj", 0, 8, 0);
    EXPECT_EQ(tally.rows.size(), 1u);
}

// The reader gives addresses and lengths of 32 bits, but a listing may hold larger ones, and a
// map any number of memory spaces: they count whole, and overlay as any other.
TEST(TallySections, KeepsAddressesLengthsAndSpacesOfAnySize) {
    MapListing listing;
    listing.objects = {"a.obj", "b.obj", "c.obj"};
    const auto add = [&](int object, const char* name, std::uint64_t link, std::uint64_t length,
                         std::int64_t space) {
        SectionRecord record;
        record.object = object;
        record.name = name;
        record.link = link;
        record.load = link;
        record.length = length;
        record.space = space;
        listing.records.push_back(record);
    };
    add(0, "text", 0x100000000, 0x100000001, 0);
    for (std::int64_t space = 2; space < 70002; ++space) {
        add(0, "bss", 0, 1, space);
    }
    add(1, "temp", 0x10, 3, 70001);
    add(2, "temp", 0x10, 5, 70001);
    const SizeTable tally = TallySections(listing);
    ExpectRow(tally, "a.obj", 0, 0, 0x100000001 + 70000);
    ExpectRow(tally, "<overlaid temp@10>", 0, 0, 5);
    EXPECT_EQ(TotalsOf(tally).other, 0x100000001 + 70000 + 5);
}

// More records and class totals than a block of the tally's lists holds (2 MiB of 16 bytes each).
TEST(TallySections, CountsMoreRecordsThanABlockHolds) {
    constexpr std::uint64_t kRecords = 140000;
    MapListing listing;
    listing.hasTotalSection = true;
    listing.objects.reserve(kRecords);
    listing.records.reserve(kRecords);
    listing.totals.reserve(kRecords);
    for (std::uint64_t i = 0; i < kRecords; ++i) {
        listing.objects.push_back("o" + std::to_string(i) + ".obj");
        SectionRecord record;
        record.object = static_cast<int>(i);
        record.name = "text";
        record.link = record.load = 2 * i;
        record.length = 1 + i % 2;
        listing.records.push_back(record);
        TotalRecord total;
        total.className = "CODE";
        total.name = "text";
        total.link = total.load = record.link;
        total.length = record.length;
        listing.totals.push_back(total);
    }
    const SizeTable tally = TallySections(listing);
    ASSERT_EQ(tally.rows.size(), kRecords);
    for (std::uint64_t i = 0; i < kRecords; ++i) {
        ASSERT_EQ(tally.rows[i].rom, static_cast<std::int64_t>(1 + i % 2)) << i;
    }
    ASSERT_FALSE(tally.facts.checks.empty());
    EXPECT_TRUE(tally.facts.checks[0].agrees) << tally.facts.checks[0].reason;
    EXPECT_EQ(tally.facts.checks[0].map.rom, static_cast<std::int64_t>(kRecords / 2 * 3));
}

// Some compilers cut section names to nine characters in one table but not the other: a record
// takes the class of the TOTAL record of its whole or cut name, and of no other.
TEST(TallySections, MatchesRecordsToTotalsOfTheNameCutToNineCharacters) {
    struct Case {
        const char* record;
        const char* total;
        bool same;
    };
    const Case cases[] = {
        {"cstackCOM", "cstackCOMRAM", true},
        {"intsave_regs", "intsave_r", true},
        {"text", "text", true},
        {"text", "text0", false},
        {"cstackCO", "cstackCOMRAM", false},
        {"cstackCOX", "cstackCOMRAM", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.record) + " " + c.total);
        const SizeTable tally =
            Tally("a.obj " + std::string(c.record) + " 100 100 10 0 0\n",
                  "TOTAL\n\tCLASS CONFIG\n\t\t" + std::string(c.total) + " 100 100 10 0\n");
        ExpectRow(tally, "a.obj", c.same ? 0 : 16, 0, c.same ? 16 : 0);
    }
}

constexpr const char* kReconciledMap =
    "-ACODE=00h-0FFh -ACONST=080h-0FFh -ACOMRAM=01h-05Fh -ABANK0=060h-0FFh \\\n"
    "-AABS1=00h-0FFh -ASFR=0F80h-0FFFh -AFARRAM=00h-00h -ACONFIG=0300000h-030000Dh\n";

std::string ReconciledTable(const char* textLength) {
    return std::string("a.obj text 0 0 ") + textLength +
           " 0 0\n"
           "\t\tbss 60 60 8 60 1\n"
           "\t\tconfig 300000 300000 E 0 0\n"
           "COMMON param 1 1 4 1 1\n";
}

constexpr const char* kReconciledRest =
    "TOTAL  Name Link Load Length Space\n"
    "\tCLASS CODE\n"
    "\t\ttext 0 0 10 0\n"
    "\tCLASS COMRAM\n"
    "\t\tparam 1 1 4 1\n"
    "\tCLASS BANK0\n"
    "\t\tbss 60 60 8 1\n"
    "\tCLASS ABS1\n"
    "\t\tabs_s1 70 70 2 1\n"
    "\tCLASS CONFIG\n"
    "\t\tconfig 300000 300000 E 0\n"
    "\n"
    "UNUSED ADDRESS RANGES\n"
    "\tBANK0  068-06F\n"
    "\t       072-0FF\n"
    "\tCODE   010-0FF\n"
    "\tCOMRAM 005-05F\n";

SizeTable ReconciledTally(const char* textLength) {
    return TallySections(ReadMapListing(
        std::string(kReconciledMap) + kHeader + ReconciledTable(textLength) + kReconciledRest,
        "test.map"));
}

// Both checks agree on a map that adds up, and both see two bytes too many in the table.
TEST(Reconciliation, AgreesOnlyWhenTheTableAddsUpToTheMapsFigures) {
    const SizeTable tally = ReconciledTally("10");
    EXPECT_EQ(TotalsOf(tally), (MemoryTotals{0x10, 8 + 4 + 2, 14}));
    ExpectAllChecksAgree(tally, 2);
    EXPECT_EQ(tally.facts.checks[0].map, (MemoryTotals{0x10, 14, 14}));
    EXPECT_EQ(tally.facts.checks[1].map.rom, 0x10);
    EXPECT_EQ(tally.facts.checks[1].map.ram, 14);

    const SizeTable more = ReconciledTally("12");
    EXPECT_EQ(TotalsOf(more).rom, 0x12);
    for (const MapCheck& check : more.facts.checks) {
        SCOPED_TRACE(check.label);
        EXPECT_TRUE(check.possible);
        EXPECT_FALSE(check.agrees);
        EXPECT_EQ(check.map.rom, 0x10);
    }
}

TEST(Reconciliation, IsNotPossibleWithoutItsMaterial) {
    const SizeTable bare = Tally("a.obj text 0 0 10 0 0\n");
    EXPECT_FALSE(bare.facts.checks[0].possible);
    EXPECT_EQ(bare.facts.checks[0].reason, "the map has no TOTAL section");
    EXPECT_FALSE(bare.facts.checks[1].possible);
    EXPECT_EQ(bare.facts.checks[1].reason,
              "the map has no -A class ranges for program or data memory");

    const SizeTable noUnused = TallySections(ReadMapListing(
        std::string("-ACODE=00h-0FFh\n") + kHeader + "a.obj text 0 0 10 0 0\n", "test.map"));
    EXPECT_EQ(noUnused.facts.checks[1].reason, "the map has no UNUSED ADDRESS RANGES");

    const SizeTable unknownSpace =
        Tally("a.obj text 0 0 10 0 0\n", "TOTAL\n\tCLASS ODD\n\t\ttext 0 0 10\n");
    EXPECT_FALSE(unknownSpace.facts.checks[0].possible);
    EXPECT_EQ(unknownSpace.facts.checks[0].reason,
              "the TOTAL section gives no memory space for text (class ODD)");
}

TEST(Reconciliation, AClassMissingFromTheUnusedRangesIsFull) {
    const SizeTable tally = TallySections(
        ReadMapListing(std::string("-ACODE=00h-0Fh -ARAM=060h-0FFh\n") + kHeader +
                           "a.obj text 0 0 10 0 0\nUNUSED ADDRESS RANGES\n\tRAM 060-0FF\n",
                       "test.map"));
    ASSERT_TRUE(tally.facts.checks[1].possible);
    EXPECT_EQ(tally.facts.checks[1].map.rom, 16);
    EXPECT_EQ(tally.facts.checks[1].map.ram, 0);
    EXPECT_TRUE(tally.facts.checks[1].agrees);
}

// A data section in the special function registers is no RAM of the program's, whatever it is
// called: left out of the rows and of the TOTAL section's sums, and noted. The registers are the
// map's SFR classes, else the device's.
TEST(Reconciliation, LeavesTheRegistersOutOfRam) {
    const std::string table = std::string(kHeader) +
                              "a.obj text 0 0 10 0 0\n"
                              "\t\tbss 60 60 8 60 1\n"
                              "regs.obj lcdregs F80 F80 4 F80 1\n"
                              "TOTAL Name Link Load Length Space\n"
                              "\tCLASS CODE\n\t\ttext 0 0 10 0\n"
                              "\tCLASS RAM\n\t\tbss 60 60 8 1\n"
                              "\tCLASS SFR\n\t\tlcdregs F80 F80 4 1\n"
                              "UNUSED ADDRESS RANGES\n\tCODE 010-0FF\n\tRAM 068-0FF\n";
    struct Case {
        const char* preamble;
        std::int64_t ram;
        std::vector<std::string> notes;
    };
    const Case cases[] = {
        {"-ACODE=00h-0FFh -ARAM=060h-0FFh -ASFR=0F80h-0FFFh\n",
         8,
         {"Registers left out: 4 bytes (the map's SFR classes)"}},
        {"Machine type is 18F4520\n-ACODE=00h-0FFh -ARAM=060h-0FFh\n",
         8,
         {"Registers left out: 4 bytes (the 18F4520's from 0xF80, as the table of PIC18 parts "
          "gives them)"}},
        {"Machine type is 16F877A\n-ACODE=00h-0FFh -ARAM=060h-0FFh\n", 12, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.preamble);
        const SizeTable tally = TallySections(ReadMapListing(c.preamble + table, "test.map"));
        EXPECT_EQ(TotalsOf(tally), (MemoryTotals{0x10, c.ram, 0}));
        EXPECT_EQ(tally.facts.checks[0].map, TotalsOf(tally));
        EXPECT_EQ(tally.facts.notes, c.notes);
        ExpectRow(tally, "regs.obj", 0, c.ram - 8, 0);
        EXPECT_EQ(tally.facts.checks[1].agrees, c.ram == 8);
    }
}

// Psects placed by an absolute -p option outside every class range (a reset vector below the
// first CODE address) fill memory that the classes and their unused ranges do not show: the
// SEGMENTS table does. Absolute psects that overlap by design count in every record but take
// their addresses once: each overlap is named, and explains the difference it makes, no more.
TEST(Reconciliation, CountsSegmentsOutsideTheClassesAndExplainsOverlaps) {
    const std::string classes = "-ACODE=038h-0FFh -ARAM=060h-0FFh\n";
    const std::string outside = classes + kHeader +
                                "startup.obj end_init 0 0 4 0 0\n"
                                "main.obj text 38 38 10 0 0\n"
                                "SEGMENTS Name Load Length Top Selector Space Class\n"
                                "\t\tend_init 000000 000004 000004 0 0 CODE\n"
                                "\t\ttext 000038 000010 000048 1C 0 CODE\n"
                                "\n"
                                "UNUSED ADDRESS RANGES\n\tCODE 048-0FF\n\tRAM 060-0FF\n";
    const MapCheck placed = TallySections(ReadMapListing(outside, "test.map")).facts.checks[1];
    EXPECT_EQ(placed.map.rom, 4 + 0x10);
    EXPECT_TRUE(placed.agrees);

    const std::string vectors = std::string("-ACODE=00h-0FFh -ARAM=060h-0FFh\n") + kHeader +
                                "boot.obj LoVector 0 0 4 0 0\n"
                                "\t\tHiVector 8 8 8 0 0\n"
                                "app.obj end_init 0 0 4 0 0\n"
                                "\t\ttext16 4 4 8 0 0\n";
    const SizeTable tally = TallySections(ReadMapListing(
        vectors + "UNUSED ADDRESS RANGES\n\tCODE 010-0FF\n\tRAM 060-0FF\n", "test.map"));
    EXPECT_EQ(TotalsOf(tally).rom, 24);
    EXPECT_EQ(tally.facts.checks[1].map.rom, 16);
    EXPECT_TRUE(tally.facts.checks[1].agrees);
    EXPECT_EQ(tally.facts.notes,
              (std::vector<std::string>{
                  "Overlapping psects: LoVector@0 and end_init@0 share 4 bytes of ROM, counted "
                  "twice",
                  "Overlapping psects: text16@4 and HiVector@8 share 4 bytes of ROM, counted "
                  "twice"}));
    const SizeTable unexplained = TallySections(ReadMapListing(
        vectors + "UNUSED ADDRESS RANGES\n\tCODE 00F-0FF\n\tRAM 060-0FF\n", "test.map"));
    EXPECT_EQ(unexplained.facts.checks[1].map.rom, 15);
    EXPECT_FALSE(unexplained.facts.checks[1].agrees);
    EXPECT_EQ(unexplained.facts.notes.size(), 2u);
}

TEST(DescribeMapDevice, UnitesProgramAndDataClassesOnly) {
    const MapListing listing = ReadMapListing(
        "-ACODE=00h-03FFFh -ASMALLCONST=04000h-040FFhx2 -AMEDIUMCONST=0600h-03FFFh \\\n"
        "-ACOMRAM=01h-05Fh -ABANK0=060h-0FFh -ARAM=060h-0FFh -AFARRAM=00h-00h \\\n"
        "-AABS1=00h-05FFh -ASFR=0F60h-0FFFh -ACONFIG=0300000h-030000Dh\n" +
            std::string(kHeader),
        "test.map");
    MapFacts facts;
    DescribeMapDevice(listing, facts);
    EXPECT_TRUE(facts.hasCapacity);
    EXPECT_EQ(facts.romCapacity, 0x4000 + 0x200);
    EXPECT_EQ(facts.ramCapacity, 0xFF);
}

}  // namespace

namespace {

struct PartCase {
    const char* name;
    std::uint32_t rowId;
    MemoryKind memory;
    std::uint64_t address;
    std::int64_t bytes;
};

}  // namespace

TEST(TallyParts, OnePerCountedPieceWithItsRowAndByteAddress) {
    const MapListing listing =
        ReadMapListing(std::string(kHeader) +
                           "a.obj text 10 10 20 0 0\n"
                           "\t\tnvbit 140 28 B 1 1\n"  // bits: byte address 28, two bytes
                           "\t\ttemp 75 75 4 60 1\n"
                           "b.obj temp 75 75 6 60 1\n"
                           "COMMON   param  29 29 3 29 1\n"
                           "TOTAL\n"
                           "\tCLASS CODE\n"
                           "\t\ttext 10 10 20 0\n"
                           "\tCLASS ABS1\n"
                           "\t\tabs_s1 60 60 12 1\n",
                       "test.map");
    const SizeTable tally = TallySections(listing);
    // Rows: a.obj, b.obj, then <COMMON param>, <overlaid temp@75>, <ABS1 abs_s1>.
    const std::vector<PartCase> expected = {
        {"text", 0, MemoryKind::kRom, 0x10, 0x20},   {"nvbit", 0, MemoryKind::kRam, 0x28, 2},
        {"param", 2, MemoryKind::kRam, 0x29, 3},     {"temp", 3, MemoryKind::kRam, 0x75, 6},
        {"abs_s1", 4, MemoryKind::kRam, 0x60, 0x12},
    };
    ASSERT_EQ(tally.parts.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        const SizePart& part = tally.parts[i];
        EXPECT_EQ(part.name, expected[i].name);
        EXPECT_EQ(part.rowId, expected[i].rowId);
        EXPECT_EQ(part.memory, expected[i].memory);
        EXPECT_EQ(part.address, expected[i].address);
        EXPECT_EQ(part.bytes, expected[i].bytes);
    }
}

TEST(TallyParts, AddUpToEveryRowOfEveryExampleMap) {
    const std::vector<ExampleMap> maps = TalliedExampleMaps();
    EXPECT_GE(maps.size(), 11u);
    for (const ExampleMap& map : maps) {
        SCOPED_TRACE(map.name);
        ExpectRowsAreTheirParts(TallySections(ReadMapListing(map.bytes, map.name)));
    }
}
