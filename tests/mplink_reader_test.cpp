#include "readers/mplink/mplink_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/map_error.h"
#include "test_support.h"

namespace {

constexpr const char* kMplinkHeader =
    "MPLINK 4.46, Linker\n"
    "Linker Map File - Created Tue Mar 04 10:15:02 2014\n";

// A Section Info line as the linker writes it: the name right-aligned in 25 columns.
std::string Section(const std::string& name, const char* type, unsigned address,
                    const char* location, unsigned size) {
    char line[200];
    std::snprintf(line, sizeof line, "%25s %10s   0x%06x %10s   0x%06x\n", name.c_str(), type,
                  address, location, size);
    return line;
}

std::string Symbol(const char* name, unsigned address, const char* location,
                   const std::string& file) {
    char line[300];
    std::snprintf(line, sizeof line, "%25s   0x%06x %10s %10s %s\n", name, address, location,
                  "static", file.c_str());
    return line;
}

struct MapParts {
    std::string sections;
    std::string usage;  // ranges and count; empty: no Program Memory Usage
    std::string symbols;
};

std::string MapText(const MapParts& parts) {
    std::string text = std::string(kMplinkHeader) +
                       "\n                                 Section Info\n"
                       "                  Section       Type    Address   Location Size(Bytes)\n"
                       "                ---------  ---------  ---------  ---------  ---------\n" +
                       parts.sections;
    if (!parts.usage.empty()) {
        text +=
            "\n\n\n                              Program Memory Usage\n"
            "                               Start         End      \n"
            "                           ---------   ---------      \n" +
            parts.usage;
    }
    // Both tables list the symbols; which order they are in matters to no reader.
    for (const char* order : {"Name", "Address"}) {
        text += std::string("\n\n\n                              Symbols - Sorted by ") + order +
                "\n                     Name    Address   Location    Storage File\n"
                "                ---------  ---------  ---------  --------- ---------\n" +
                parts.symbols;
    }
    return text + "\n\n";
}

SizeTable Read(const MapParts& parts) {
    SizeTable table = ReadMplinkMap(MapText(parts), "test.map");
    ExpectRowsAreTheirParts(table);
    return table;
}

// The rows in order as "name ROM/RAM/other", one per line.
std::string RowsText(const SizeTable& table) {
    std::string text;
    for (const SizeRow& row : table.rows) {
        text += std::string(row.name) + " " + std::to_string(row.rom) + "/" +
                std::to_string(row.ram) + "/" + std::to_string(row.other) + "\n";
    }
    return text;
}

const MapCheck& CheckOf(const SizeTable& table, const std::string& label) {
    for (const MapCheck& check : table.facts.checks) {
        if (check.label == label) {
            return check;
        }
    }
    static const MapCheck kNone;
    ADD_FAILURE() << "no check " << label;
    return kNone;
}

TEST(MplinkMap, RecognisesTheFamilyByItsFirstTwoLines) {
    struct Case {
        const char* text;
        bool family;
    };
    const Case cases[] = {
        {"MPLINK 4.46, Linker\nLinker Map File - Created Tue Mar 04 2014\n", true},
        {"\r\n\r\nMPLINK 5.09, LINKER\r\nLINKER MAP FILE - CREATED Fri\r\n", true},
        {"gplink-1.4.0 #1107 (Jan  1 2021)\nMap File - Created 12-9-2026  13:11:36\n", true},
        {"\xEF\xBB\xBFMPLINK 4.46, Linker\nLinker Error Map File - Created Tue\n", true},
        {"MPLINK 4.46, Linker\nSection Info\n", false},
        {"MPLINKER 4.46, Linker\nLinker Map File - Created\n", false},
        {"MPLINK\nLinker Map File - Created\n", false},
        {"gplink-x #1107\nMap File - Created\n", false},
        {"gplink 1.4.0\nMap File - Created\n", false},
        {"PICC-18 Compiler\nLinker command line:\n", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(IsMplinkMap(c.text), c.family);
    }
}

// C18's default section names name their object; the object is the source file whose symbols
// lie in its sections. Images go with their data, symbols split a merged section, and what has
// no owner is a row of its own.
TEST(MplinkMap, FindsTheOwnerOfEverySection) {
    const SizeTable table = Read({
        Section("_entry_scn", "code", 0x0, "program", 0x6) +
            Section(".code_main.o", "code", 0x6, "program", 0x20) +
            Section(".romdata_main.o", "romdata", 0x26, "program", 0x4) +
            Section(".idata_main.o_i", "romdata", 0x2a, "program", 0x3) +
            Section("PROG", "code", 0x2e, "program", 0x30) +
            Section(".cinit", "romdata", 0x5e, "program", 0x2) +
            Section(".config_300001_main.o", "romdata", 0x300001, "program", 0x1) +
            Section(".idata_main.o", "idata", 0x80, "data", 0x3) +
            Section(".udata_acs_main.o", "udata", 0x0, "data", 0x2) +
            Section("buffers", "idata", 0x90, "data", 0x6) +
            Section("buffers_i", "romdata", 0x60, "program", 0x6) +
            Section(".tmpdata", "udata", 0xa0, "data", 0x4) +
            Section(".stack", "udata", 0x100, "data", 0x40) +
            Section("empty_scn", "code", 0x66, "program", 0x0),
        "",
        Symbol("_entry", 0x0, "program", "C:\\mcc18\\src\\traditional\\startup\\c018i.c") +
            Symbol("main", 0x6, "program", "C:\\work\\blink\\main.c") +
            Symbol("delay", 0x2e, "program", "C:\\Program Files\\lib src\\util.c") +
            Symbol("MAX", 0x34, "program", "C:\\work\\blink\\limits.h") +
            Symbol("show", 0x40, "program", "C:\\work\\blink\\display.c") +
            Symbol("rxbuf", 0x90, "data", "C:\\work\\blink\\main.c") +
            Symbol("txbuf", 0x94, "data", "C:\\work\\blink\\display.c") +
            Symbol("__tmp_0", 0xa0, "data", "C:\\work\\blink\\main.c") +
            Symbol("__tmp_0", 0xa0, "data", "C:\\work\\blink\\display.c"),
    });
    EXPECT_EQ(RowsText(table),
              "c018i.c 6/0/0\n"
              "main.c 43/9/1\n"  // 0x20 + 4 + 3 + 4 of buffers_i; 3 + 2 + 4 of buffers
              "util.c 18/0/0\n"  // PROG from its start to display.c's first symbol
              "display.c 32/2/0\n"
              "<section .cinit> 2/0/0\n"
              "<section .tmpdata> 0/4/0\n"
              "<section .stack> 0/64/0\n");
    EXPECT_EQ(table.rule, SectionRule::kAll);
    std::vector<std::pair<std::uint64_t, std::int64_t>> prog;
    for (const SizePart& part : table.parts) {
        if (part.name == "PROG") {
            prog.emplace_back(part.address, part.bytes);
        }
    }
    EXPECT_EQ(prog,
              (std::vector<std::pair<std::uint64_t, std::int64_t>>{{0x2e, 0x12}, {0x40, 0x1e}}));
}

TEST(MplinkMap, SplitsASectionWhereItsSourceFileChanges) {
    struct Case {
        const char* what;
        std::string symbols;
        const char* rows;
    };
    const Case cases[] = {
        {"bytes before the first symbol go to the first file",
         Symbol("a1", 0x14, "program", "a.asm") + Symbol("b1", 0x18, "program", "b.asm"),
         "a.asm 8/0/0\nb.asm 8/0/0\n"},
        {"a file that comes back takes its bytes again",
         Symbol("a1", 0x10, "program", "a.asm") + Symbol("b1", 0x12, "program", "b.asm") +
             Symbol("a2", 0x16, "program", "a.asm"),
         "a.asm 12/0/0\nb.asm 4/0/0\n"},
        {"one path with spaces, its base name the row",
         Symbol("a1", 0x10, "program", "C:\\My Projects\\a b.asm") +
             Symbol("a2", 0x12, "program", "/home/me/a b.asm"),
         "a b.asm 16/0/0\n"},
        {"an include file alone owns the section", Symbol("t1", 0x12, "program", "tables.inc"),
         "tables.inc 16/0/0\n"},
        {"two files at one address are an overlay",
         Symbol("a1", 0x10, "program", "a.asm") + Symbol("b1", 0x10, "program", "b.asm"),
         "<section merged> 16/0/0\n"},
        {"labels the linker made own nothing", Symbol("_cinit", 0x10, "program", ""),
         "<section merged> 16/0/0\n"},
        {"symbols of the other memory or beyond the end do not count",
         Symbol("v", 0x10, "data", "v.asm") + Symbol("after", 0x20, "program", "after.asm"),
         "<section merged> 16/0/0\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RowsText(Read({Section("merged", "code", 0x10, "program", 0x10), "", c.symbols})),
                  c.rows);
    }
}

TEST(MplinkMap, MatchesObjectsToTheirSourceFiles) {
    struct Case {
        const char* what;
        std::string section;
        std::string symbols;
        const char* row;
    };
    const std::string elsewhere = Symbol("x", 0x100, "program", "C:\\p\\sensor.c");
    const Case cases[] = {
        {"by the symbols in its sections", Section(".code_main.o", "code", 0x0, "program", 8),
         Symbol("start", 0x2, "program", "C:\\p\\start.c"), "start.c"},
        {"a source file beats an include file there",
         Section(".code_main.o", "code", 0x0, "program", 8),
         Symbol("m", 0x0, "program", "defs.h") + Symbol("s1", 0x2, "program", "s.c") +
             Symbol("s2", 0x4, "program", "t.c") + Symbol("s3", 0x6, "program", "t.c"),
         "t.c"},
        {"by the stem", Section(".code_sensor.o", "code", 0x0, "program", 8), elsewhere,
         "sensor.c"},
        {"upper-cased", Section(".config_300001_SENSOR.O", "romdata", 0x300001, "program", 8),
         elsewhere, "sensor.c"},
        {"with the object's path",
         Section(".config_300001_C:\\P\\SENSOR.O", "romdata", 0x300001, "program", 8), elsewhere,
         "sensor.c"},
        {"cut short", Section(".config_300001_SENS", "romdata", 0x300001, "program", 8), elsewhere,
         "sensor.c"},
        {"cut short to more than one file",
         Section(".config_300001_SENS", "romdata", 0x300001, "program", 8),
         elsewhere + Symbol("y", 0x108, "program", "sensors.c"), "SENS"},
        {"no symbol at all", Section(".udata_acs_clock.o", "udata", 0x0, "data", 8), elsewhere,
         "clock.o"},
        {"SDCC's function sections", Section("S_sensor__read", "code", 0x0, "program", 8),
         elsewhere, "sensor.c"},
        {"SDCC's static data, the whole stem before a longer one",
         Section("ustat_sensor_00", "udata", 0x0, "data", 8),
         Symbol("y", 0x108, "program", "sensors.c") + elsewhere, "sensor.c"},
        {"an SDCC module without a source file", Section("ustat_lcd_12", "udata", 0x0, "data", 8),
         elsewhere, "lcd"},
        {"a name that only looks like SDCC's", Section("S_read", "code", 0x0, "program", 8),
         elsewhere, "<section S_read>"},
        {"a config name without its address", Section(".config_main.o", "code", 0x0, "program", 8),
         elsewhere, "<section .config_main.o>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SizeTable table = Read({c.section, "", c.symbols});
        ASSERT_FALSE(table.rows.empty());
        EXPECT_EQ(table.rows.front().name, c.row);
        EXPECT_EQ(table.rows.front().rom + table.rows.front().ram + table.rows.front().other, 8);
    }
}

TEST(MplinkMap, CountsEachMemoryAndLeavesTheRegistersOut) {
    const std::string proc = "C:\\mcc18\\src\\traditional\\proc\\p18f8520.asm";
    const SizeTable table = Read({
        Section(".code_a.o", "code", 0x1ffffe, "program", 2) +
            Section(".config_300001_a.o", "romdata", 0x300001, "program", 1) +
            Section(".eedata_a", "code", 0xf00000, "program", 4) +
            Section(".udata_a.o", "udata", 0x80, "data", 5) +
            Section("SFR_UNBANKED0", "udata", 0xf60, "data", 0x90) +
            Section("regs", "udata", 0xff0, "data", 0x10) +
            Section("zero", "udata", 0x200, "data", 0),
        "",
        Symbol("TOSL", 0xffd, "data", proc) + Symbol("TOSU", 0xfff, "data", proc),
    });
    EXPECT_EQ(RowsText(table), "a.o 2/5/1\n<section .eedata_a> 0/0/4\n");
    EXPECT_EQ(table.facts.device, "18F8520");
    EXPECT_FALSE(table.facts.hasCapacity);
    EXPECT_EQ(table.facts.notes,
              std::vector<std::string>{"Registers left out: 160 bytes (data memory from 0xF60 on, "
                                       "where the map's SFR_ sections start)"});
    EXPECT_TRUE(CheckOf(table, "Data symbols").agrees);
}

// Data sections in the device's registers are left out whatever they are called: from where the
// map's SFR_ sections start, else from the first register of the part the map names, else from
// the registers every PIC18 part has.
TEST(MplinkMap, LeavesOutWhatLiesInTheRegisters) {
    struct Case {
        const char* what;
        std::string sections;
        std::string symbols;
        const char* rows;
        const char* note;
    };
    const Case cases[] = {
        {"SDCC's register blocks, in the part its device library names",
         Section("ustat_pic18f2550_00", "udata", 0xf66, "data", 0x1d) +
             Section("ustat_main_00", "udata", 0x5d, "data", 3),
         Symbol("_UEIE", 0xf6b, "data", "libdev18f2550_a-pic18f2550.asm") +
             Symbol("x", 0x5d, "data", "/home/me/main.c"),
         "main.c 0/3/0\n",
         "Registers left out: 29 bytes (data memory from 0xF60 on, the 18F2550's registers)"},
        {"any section from the part's first register on",
         Section("below", "udata", 0xf5f, "data", 1) + Section("tables", "udata", 0xf60, "data", 4),
         Symbol("b", 0xf5f, "data", "main.c") + Symbol("t", 0xf60, "data", "main.c") +
             Symbol("_PORTA", 0xf62, "data", "/usr/share/sdcc/lib/pic16/pic18f2550.asm"),
         "main.c 0/1/0\n",
         "Registers left out: 4 bytes (data memory from 0xF60 on, the 18F2550's registers)"},
        {"from where the map's SFR_ sections start",
         Section("ram", "udata", 0xe40, "data", 1) +
             Section("SFR_BANKED0", "udata", 0xe41, "data", 0xbf) +
             Section("canbuf", "udata", 0xf00, "data", 0x10),
         Symbol("r", 0xe40, "data", "main.c") + Symbol("c", 0xf00, "data", "main.c"),
         "main.c 0/1/0\n",
         "Registers left out: 207 bytes (data memory from 0xE41 on, where the map's SFR_ "
         "sections start)"},
        {"from the registers of every part when the map names none",
         Section("early", "udata", 0xf7f, "data", 1) + Section("late", "udata", 0xf80, "data", 2),
         Symbol("e", 0xf7f, "data", "main.c") + Symbol("l", 0xf80, "data", "main.c"),
         "main.c 0/1/0\n",
         "Registers left out: 2 bytes (data memory from 0xF80 on, registers on every PIC18 part; "
         "the map names no part)"},
        {"and when the table lacks the part it names",
         Section("early", "udata", 0xf7f, "data", 1) + Section("late", "udata", 0xf80, "data", 2),
         Symbol("e", 0xf7f, "data", "main.c") + Symbol("l", 0xf80, "data", "p18f99k99.asm"),
         "main.c 0/1/0\n",
         "Registers left out: 2 bytes (data memory from 0xF80 on, registers on every PIC18 part; "
         "the table of PIC18 parts has no 18F99K99)"},
        {"banked RAM among the registers counts",
         Section("eth", "udata", 0xe80, "data", 0x10) +
             Section("buf", "udata", 0xf00, "data", 0x20),
         Symbol("E", 0xe80, "data", "p18f97j60.asm") + Symbol("b", 0xf00, "data", "main.c"),
         "main.c 0/32/0\n",
         "Registers left out: 16 bytes (data memory from 0xE80 on, the 18F97J60's registers)"},
        {"a program's own module named after its part keeps its RAM",
         Section("vars", "udata", 0x80, "data", 2),
         Symbol("count", 0x80, "data", "C:\\work\\pic18f4550.asm"), "pic18f4550.asm 0/2/0\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SizeTable table = Read({c.sections, "", c.symbols});
        EXPECT_EQ(RowsText(table), c.rows);
        EXPECT_EQ(table.facts.notes,
                  *c.note == '\0' ? std::vector<std::string>{} : std::vector<std::string>{c.note});
        EXPECT_TRUE(CheckOf(table, "Data symbols").agrees);
    }
}

TEST(MplinkMap, NamesTheDeviceOnlyByAProcessorDefinitionFile) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\mcc18\\P18LF45K22.ASM", "18LF45K22"},
        {"/usr/src/p18f97j60.asm", "18F97J60"},
        {"libdev18f2550_a-pic18f2550.asm", "18F2550"},
        {"/usr/share/sdcc/lib/src/pic16/libdev/pic18f4550.asm", "18F4550"},
        {"pic18main.asm", ""},
        {"p18main.asm", ""},
        {"p18f4520.inc", ""},
        {"xp18f4520.asm", ""},
        {"p18f.asm", ""},
    };
    for (const auto& [file, device] : cases) {
        SCOPED_TRACE(file);
        EXPECT_EQ(
            Read({Section("r", "udata", 0xf80, "data", 1), "", Symbol("R", 0xf80, "data", file)})
                .facts.device,
            device);
    }
}

// Each check on a map that agrees, then on the same map with one figure changed.
TEST(MplinkMap, ChecksTheRowsAgainstTheMapsOwnFigures) {
    const std::string sections = Section("code1", "code", 0x0, "program", 0x10) +
                                 Section(".config_300001_a.o", "romdata", 0x300001, "program", 1) +
                                 Section("vars", "idata", 0x80, "data", 3) +
                                 Section("vars_i", "romdata", 0x10, "program", 4);
    const std::string usage =
        "                            0x000000    0x000013\n"
        "                            0x300001    0x300001\n"
        "            21 out of 33048 program addresses used, program memory utilization is 0%\n";
    const std::string symbols =
        Symbol("v", 0x80, "data", "a.c") + Symbol("f", 0x0, "program", "a.c");
    ExpectAllChecksAgree(Read({sections, usage, symbols}), 5);

    struct Case {
        const char* label;
        MapParts map;
        MemoryTotals figures;
        std::vector<std::string> notes;
    };
    const Case cases[] = {
        {"Program memory usage",
         {sections, "  0x000000  0x000015\n  0x300001  0x300002\n 21 program addresses used\n",
          symbols},
         {0x16, 3, 2},
         {}},
        {"Program addresses used",
         {sections, "  0x000000  0x000013\n 23 program addresses used\n", symbols},
         {23, 3, 0},
         {}},
        {"Section addresses",
         {sections + Section("overlapping", "code", 0x8, "program", 0x10), usage, symbols},
         {0x18, 3, 1},
         {}},
        {"Data symbols",
         {sections, usage, symbols + Symbol("lost", 0x83, "data", "a.c")},
         {0x14, 3, 1},
         {"Data symbol 'lost' at 0x000083 lies in no section"}},
        {"Initialised data images",
         {Section("vars", "idata", 0x80, "data", 3) +
              Section("vars_i", "romdata", 0x10, "program", 2) +
              Section("more", "idata", 0x90, "data", 2),
          "", ""},
         {5, 5, 0},
         {"Initialised data 'vars' of 3 bytes has an image of 2 bytes",
          "Initialised data 'more' of 2 bytes has an image of 0 bytes"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const SizeTable table = Read(c.map);
        const MapCheck& check = CheckOf(table, c.label);
        EXPECT_TRUE(check.possible);
        EXPECT_FALSE(check.agrees);
        EXPECT_EQ(check.map, c.figures);
        EXPECT_EQ(check.report, TotalsOf(table));
        EXPECT_TRUE(check.withOther);
        EXPECT_EQ(table.facts.notes, c.notes);
    }
}

TEST(MplinkMap, SaysWhyACheckIsNotPossible) {
    const SizeTable table = ReadMplinkMap(
        std::string(kMplinkHeader) + "Section Info\n" + Section("c", "code", 0x0, "program", 0x10),
        "test.map");
    for (const auto& [label, reason] : {
             std::pair{"Program memory usage", "the map has no Program Memory Usage ranges"},
             std::pair{"Program addresses used",
                       "the map gives no count of program addresses used"},
             std::pair{"Data symbols", "the map has no symbol table"},
         }) {
        EXPECT_FALSE(CheckOf(table, label).possible);
        EXPECT_EQ(CheckOf(table, label).reason, reason);
    }
    EXPECT_TRUE(CheckOf(table, "Section addresses").agrees);
    EXPECT_FALSE(CheckOf(table, "Complete map").agrees);
}

// Older gplink (0.13 and 0.14) prints zero without "0x" (C's "%#x"), heads its one symbol table
// "Symbols", and counts the program addresses used in words.
TEST(MplinkMap, ReadsTheMapsOfOlderGplink) {
    const std::string map =
        "gplink-0.13.7 beta\n"
        "Map File - Created Sun Jun 05 19:09:01 2011\n"
        "\n"
        "                                 Section Info\n"
        "                  Section       Type    Address   Location Size(Bytes)\n"
        "                ---------  ---------  ---------  ---------  ---------\n"
        "                    .code       code   00000000    program   0x000010\n"
        "                   .cinit    romdata   0x000010    program   0x000002\n"
        "                    empty       code   0x000012    program   00000000\n"
        "               .udata_acs      udata   00000000       data   0x000004\n"
        "\n"
        "                              Program Memory Usage\n"
        "                               Start         End\n"
        "                           ---------   ---------\n"
        "                            00000000    0x00000f\n"
        "                            0x000010    0x000011\n"
        "                            9 program addresses used\n"
        "\n"
        "                              Symbols\n"
        "                     Name    Address   Location    Storage File\n"
        "                ---------  ---------  ---------  --------- ---------\n"
        "                     main   00000000    program     extern /src/main.asm\n"
        "                    count   00000000       data     static /src/main.asm\n"
        "                   _cinit   0x000010    program     extern \n"
        "\n\n";
    const SizeTable table = ReadMplinkMap(map, "old.map");
    EXPECT_EQ(RowsText(table), "main.asm 16/4/0\n<section .cinit> 2/0/0\n");
    ExpectAllChecksAgree(table, 5);
    EXPECT_EQ(CheckOf(table, "Program addresses used").map, (MemoryTotals{18, 4, 0}));

    // The count is in bytes where the ranges say so, as gplink 1.x counts.
    std::string inBytes = map;
    inBytes.replace(inBytes.find(" 9 program"), 10, "18 program");
    ExpectAllChecksAgree(ReadMplinkMap(inBytes, "new.map"), 5);

    // The one table ends the map; a second one lists the same symbols.
    const std::string symbols = map.substr(map.find("                              Symbols\n"));
    const std::string tail = ": the map was cut short and the report may be incomplete";
    const std::pair<std::string, std::string> cut[] = {
        {map.substr(0, map.find("/src/main.asm") + 5),
         "the map ends at line 22 in the middle of a line" + tail},
        {map + symbols.substr(0, symbols.find("   _cinit")),
         "the map ends at line 32, after 2 of its 3 symbols in its second table" + tail},
    };
    for (const auto& [text, detail] : cut) {
        EXPECT_EQ(ReadMplinkMap(text, "old.map").facts.checks.back().detail, detail);
    }
    EXPECT_EQ(ReadMplinkMap(map + symbols, "old.map").facts.checks.size(), 5u);
}

// Every complete map ends with its symbols (sorted by address, where it sorts them twice): a map
// that stops before is cut short, and says where it ends.
TEST(MplinkMap, TellsAMapCutShort) {
    const std::string whole = MapText({
        Section("code1", "code", 0x0, "program", 0x10) + Section("vars", "udata", 0x80, "data", 4),
        "  0x000000  0x00000f\n 16 program addresses used\n",
        Symbol("f", 0x0, "program", "a.c") + Symbol("v", 0x80, "data", "a.c"),
    });
    EXPECT_EQ(Read({"", "", ""}).facts.checks.size(), 5u);  // empty, but whole
    const auto cutAfter = [&](const std::string& text, std::size_t count) {
        std::size_t at = 0;
        for (std::size_t i = 0; i < count; ++i) {
            at = whole.find(text, at) + text.size();
        }
        return whole.substr(0, whole.find('\n', at) + 1);
    };
    const std::string tail = " the map was cut short and the report may be incomplete";
    const std::pair<std::string, std::string> cases[] = {
        {cutAfter("0x000010", 1),
         "the map ends at line 7, inside its Section Info, before its symbols:" + tail},
        {cutAfter("0x00000f", 1),
         "the map ends at line 15, inside its Program Memory Usage, before its symbols:" + tail},
        {cutAfter("a.c", 2),
         "the map ends at line 24, inside its Symbols - Sorted by Name, before its symbols sorted "
         "by address:" +
             tail},
        {cutAfter("a.c", 3),
         "the map ends at line 31, after 1 of its 2 symbols sorted by address:" + tail},
        {cutAfter("a.c", 4).substr(0, cutAfter("a.c", 4).size() - 3),
         "the map ends at line 32 in the middle of a line:" + tail},
        // A line the end of the file cut off is no line of its own that cannot be read.
        {whole.substr(0, whole.rfind("f   0x000000") + 1),
         "the map ends at line 31, after 0 of its 2 symbols sorted by address:" + tail},
    };
    for (const auto& [text, detail] : cases) {
        SCOPED_TRACE(detail);
        const SizeTable table = ReadMplinkMap(text, "cut.map");
        ASSERT_FALSE(table.facts.checks.empty());
        const MapCheck& check = table.facts.checks.back();
        EXPECT_EQ(check.label, "Complete map");
        EXPECT_EQ(check.field, "complete_map");
        EXPECT_TRUE(check.possible);
        EXPECT_FALSE(check.agrees);
        EXPECT_FALSE(check.hasFigures);
        EXPECT_EQ(check.detail, detail);
    }
    EXPECT_EQ(ReadMplinkMap(cutAfter("a.c", 4), "whole.map").facts.checks.size(), 5u);
}

TEST(MplinkMap, NamesTheLineOfADamagedMap) {
    const std::string head = std::string(kMplinkHeader) + "Section Info\n";  // lines 1-3
    struct Case {
        std::string text;
        long line;
        std::string detail;
    };
    const Case cases[] = {
        {head + "   .code  code  0x0000  program\n", 4,
         "a section line needs a name, type, address, location and size: "
         "'   .code  code  0x0000  program'"},
        {head + " .code code 0x00zz program 0x2\n", 4,
         "section address '0x00zz' is not a hexadecimal number of at most 8 digits after 0x: "
         "' .code code 0x00zz program 0x2'"},
        {head + "x code 0x0 rom 0x2\n", 4,
         "location 'rom' is neither 'program' nor 'data': 'x code 0x0 rom 0x2'"},
        {head + "\nProgram Memory Usage\n 0x10 0x0f\n", 6,
         "a program memory range that ends before it starts: ' 0x10 0x0f'"},
        {head + "Program Memory Usage\n 12 addresses used\n", 5,
         "neither a program memory range nor the count of program addresses used: "
         "' 12 addresses used'"},
        {head + "Symbols - Sorted by Name\n main 0x0 program\n", 5,
         "a symbol line needs a name, address, location and storage: ' main 0x0 program'"},
        {head + "Section Info\n", 4, "a second copy of this table: 'Section Info'"},
        {std::string(kMplinkHeader) + "\nSome other text\n", 4,
         "a line outside the map's tables: 'Some other text'"},
        {std::string(kMplinkHeader) + "\n", 0, "the map has no Section Info table"},
        {"MPLINK 4.46, Linker\nLinker Error Map File - Created Tue Mar 04 10:15:02 2014\n\n"
         "Error - section '.udata_main.o' can not fit the section.\n",
         2,
         "this is the error map of a failed link, which places no sections: 'Linker Error Map "
         "File - Created Tue Mar 04 10:15:02 2014'; fix the link and open the map it writes"},
        {"Linker command line:\n", 0,
         "not a map of the MPLINK family: it does not start with the linker's name and 'Map "
         "File - Created'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ExpectMapError([&] { ReadMplinkMap(c.text, "bad.map"); }, "bad.map", c.line, c.detail);
    }
}

// Every example of the family is a map a linker could have written: it reads, its rows are their
// parts, and it agrees on every check; the failed link's map is refused. No map of the other
// family is taken for one.
TEST(MplinkMap, EveryExampleAgreesOnEveryCheck) {
    std::size_t read = 0;
    for (const ExampleMap& map : ExampleMaps()) {
        SCOPED_TRACE(map.name);
        EXPECT_EQ(IsMplinkMap(map.bytes), map.name.rfind("mplink-", 0) == 0);
        if (!IsMplinkMap(map.bytes)) {
            continue;
        }
        if (map.name == "mplink-failed-link.map") {
            EXPECT_THROW(ReadMplinkMap(map.bytes, map.name), MapError);
            continue;
        }
        const SizeTable table = ReadMplinkMap(map.bytes, map.name);
        ExpectRowsAreTheirParts(table);
        ExpectAllChecksAgree(table, 5);
        ++read;
    }
    EXPECT_GE(read, 4u);
}

}  // namespace
