#include "readers/hlink/object_section_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/map_error.h"

namespace {

struct Entry {
    std::string name;
    std::int64_t rom;
    std::int64_t ram;

    bool operator==(const Entry& other) const {
        return name == other.name && rom == other.rom && ram == other.ram;
    }
};

void PrintTo(const Entry& entry, std::ostream* os) {
    *os << "{" << entry.name << " rom " << entry.rom << " ram " << entry.ram << "}";
}

std::vector<Entry> Scan(const std::string& map) {
    CMapStream stream(map, "test.map");
    SizeTable table;
    ScanObjectSection(stream, table);
    std::vector<Entry> result;
    for (const SizeRow& row : table.rows) {
        EXPECT_EQ(row.kind, RowKind::kObject);
        EXPECT_EQ(row.other, 0);
        result.push_back({std::string(row.name), row.rom, row.ram});
    }
    return result;
}

// Upper-case hexadecimal modulo 2^32, one digit at a time.
bool ReferenceLength(const std::string& text, std::int64_t& value) {
    std::uint32_t sum = 0;
    for (char c : text) {
        const bool digit = c >= '0' && c <= '9';
        if (!digit && !(c >= 'A' && c <= 'F')) {
            return false;
        }
        sum = sum * 16u + static_cast<std::uint32_t>(digit ? c - '0' : c - 'A' + 10);
    }
    value = static_cast<std::int32_t>(sum);
    return true;
}

struct ScanCase {
    const char* name;
    std::string map;
    std::vector<Entry> entries;
};

TEST(ScanObjectSection, BuildsOneEntryPerObjectFileName) {
    const std::vector<ScanCase> cases = {
        {"space 0 is ROM", "a.obj text 0 0 1F 0 0 COMMON", {{"a.obj", 31, 0}}},
        {"space 1 is RAM", "a.obj rbss 0 0 3 0 1 COMMON", {{"a.obj", 0, 3}}},
        {"sections add up; the space of the last one is kept",
         "a.obj text 0 0 10 0 0 bss 0 0 20 0 1 COMMON",
         {{"a.obj", 16, 32}}},
        {"a zero-length record ends after its length",
         "a.obj text 0 0 0 b.obj 0 COMMON",
         {{"a.obj", 0, 0}, {"b.obj", 0, 0}}},
        {"record tokens are not examined",
         "a.obj text COMMON b.obj 10 0 0 COMMON",
         {{"a.obj", 16, 0}}},
        {"a name named twice makes two entries",
         "a.obj text 0 0 10 0 0 a.obj text 0 0 20 0 0 COMMON",
         {{"a.obj", 16, 0}, {"a.obj", 32, 0}}},
        {"upper-case endings name no object file",
         "a.obj text 0 0 10 0 0 B.OBJ text 0 0 20 0 0 COMMON",
         {{"a.obj", 48, 0}}},
        {"section names and the end marker are case-sensitive",
         "a.obj TEXT 0 0 10 0 0 Text common Total text 0 0 1 0 0 COMMON",
         {{"a.obj", 1, 0}}},
        {"space numbers are read as atoi reads them",
         "r1.obj text 0 0 1 0 1 r2.obj text 0 0 1 0 2 r3.obj text 0 0 1 0 -1 r4.obj text 0 0 1 0 "
         "1x "
         "o1.obj text 0 0 1 0 0 o2.obj text 0 0 1 0 +0 o3.obj text 0 0 1 0 x COMMON",
         {{"r1.obj", 0, 1},
          {"r2.obj", 0, 1},
          {"r3.obj", 0, 1},
          {"r4.obj", 0, 1},
          {"o1.obj", 1, 0},
          {"o2.obj", 1, 0},
          {"o3.obj", 1, 0}}},
        {"exactly .obj is a name; obj and a trailing comma are not",
         ".obj obj a.obj, a.obj; text 0 0 5 0 0 COMMON",
         {{".obj", 5, 0}}},
        {"a section before the first object file adds nothing anywhere",
         "text 0 0 10 0 0 rbss 0 0 0 a.obj COMMON",
         {{"a.obj", 0, 0}}},
        {"a map that starts with COMMON is empty", "COMMON a.obj text 0 0 10 0 0", {}},
        {"nothing after COMMON is read", "a.obj COMMON text 0 0 zz 0 0", {{"a.obj", 0, 0}}},
        {"TOTAL ends the table as COMMON does",
         "a.obj text 0 0 10 0 0 TOTAL text 0 0 10 0 0 text is here and more",
         {{"a.obj", 16, 0}}},
        {"the end of input ends the scan", "a.obj text 0 0 10 0 0", {{"a.obj", 16, 0}}},
        {"a space number cut off by the end of input still counts",
         "a.obj text 0 0 10 0 1",
         {{"a.obj", 0, 16}}},
        {"a record cut off by the end of input adds nothing",
         "a.obj text 0 0 10 0",
         {{"a.obj", 0, 0}}},
        {"a record cut off before its length adds nothing", "a.obj text 0 0", {{"a.obj", 0, 0}}},
        {"names keep every byte but separators",
         "D:\\Zigbee\\buzzer.obj text 0 0 2 0 0 C:\\DOCUME~1\\OWNER~1\\x.obj bss 0 0 1 0 1 "
         "C:\\Users\\Jos\xE9\\lcd!{2}.obj text 0 0 3 0 0 COMMON",
         {{"D:\\Zigbee\\buzzer.obj", 2, 0},
          {"C:\\DOCUME~1\\OWNER~1\\x.obj", 0, 1},
          {"C:\\Users\\Jos\xE9\\lcd!{2}.obj", 3, 0}}},
        {"a space splits a path; the last piece names the object",
         "C:\\My Projects\\crc.obj text 0 0 9A 0 0 COMMON",
         {{"Projects\\crc.obj", 154, 0}}},
        {"sizes wrap past 2^31",
         "a.obj text 0 0 7FFFFFFF 0 0 text 0 0 1 0 0 bss 0 0 80000000 0 1 bss 0 0 FFFFFFFF 0 1",
         {{"a.obj", -2147483647 - 1, 2147483647}}},
        {"sizes wrap below -2^31, and every space but 0 is RAM",
         "a.obj text 0 0 FFFFFFFF 0 0 text 0 0 2 0 0 bss 0 0 80000000 0 1 bss 0 0 80000000 0 2",
         {{"a.obj", 1, 0}}},
        {"every counted name starts a record",
         "a.obj powerup 0 0 1 0 0 irdata 0 0 1 0 0 ibigdata 0 0 1 0 0 bigdata 0 0 1 0 0 "
         "text 0 0 1 0 0 intcode 0 0 1 0 0 config 0 0 1 0 0 idloc 0 0 1 0 0 "
         "eeprom_data 0 0 1 0 0 intcodelo 0 0 1 0 0 init 0 0 1 0 0 end_init 0 0 1 0 0 "
         "clrtext 0 0 1 0 0 rbss 0 0 1 0 1 bigbss 0 0 1 0 1 farbss 0 0 1 0 1 bss 0 0 1 0 1 "
         "rdata 0 0 1 0 1 data 0 0 1 0 1 nvrram 0 0 1 0 1 nvbit 0 0 1 0 1 nvram 0 0 1 0 1 "
         "rbit 0 0 1 0 1 struct 0 0 1 0 1 intsave_regs 0 0 1 0 1 temp 0 0 1 0 1 const 0 0 1 0 1 "
         "idata 0 0 1 0 0 text0 0 0 1 0 0 cinit 0 0 1 0 0 COMMON",
         {{"a.obj", 13, 14}}},
    };
    for (const ScanCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Scan(c.map), c.entries);
    }
}

TEST(IsObjectFileName, NeedsALowerCaseDotObjEnding) {
    for (const char* name : {"a.obj", ".obj", "C:\\x\\main.obj", "-ol.obj"}) {
        EXPECT_TRUE(IsObjectFileName(name)) << name;
    }
    for (const char* name : {"obj", ".OBJ", "a.Obj", "a.obj,", "a.ob", "aobj", "a.o", ""}) {
        EXPECT_FALSE(IsObjectFileName(name)) << name;
    }
}

struct BadLengthCase {
    std::string map;
    const char* message;
};

TEST(ScanObjectSection, RejectsABadLengthWithItsLineAndToken) {
    const std::vector<BadLengthCase> cases = {
        {"a.obj text 0 0 10c 0 0",
         "test.map:1: section length '10c' is not upper-case hexadecimal"},
        {"a.obj\r\n  text 0 0\r\n  0x10 0 0",
         "test.map:3: section length '0x10' is not upper-case hexadecimal"},
        {"a.obj text 0 0 -1 0 0", "test.map:1: section length '-1' is not upper-case hexadecimal"},
        {"\n\nthe words text is here and more",
         "test.map:3: section length 'and' is not upper-case hexadecimal"},
        {"a.obj text 0 0 " + std::string(100, 'q'),
         "test.map:1: section length 'qqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqq...' is not "
         "upper-case hexadecimal"},
    };
    for (const BadLengthCase& c : cases) {
        SCOPED_TRACE(c.map);
        try {
            Scan(c.map);
            ADD_FAILURE() << "no error";
        } catch (const MapError& error) {
            EXPECT_STREQ(error.what(), c.message);
            EXPECT_EQ(error.File(), "test.map");
        }
    }
}

// Lengths of every size and kind of byte, short ones exhaustively, against a plain reading: the
// scan reads the usual short lengths by a different path than long ones.
TEST(ScanObjectSection, ReadsEveryLengthAsAPlainReadingDoes) {
    const std::string alphabet = std::string("09AFG@/:af") + "\xFF";
    std::vector<std::string> lengths;
    std::vector<std::string> previous = {""};
    for (int size = 1; size <= 4; ++size) {
        std::vector<std::string> next;
        for (const std::string& prefix : previous) {
            for (char c : alphabet) {
                next.push_back(prefix + c);
            }
        }
        lengths.insert(lengths.end(), next.begin(), next.end());
        previous.swap(next);
    }
    for (const char* longer : {"10000", "FFFFF", "1234567", "DEADBEEF", "123456789", "FFFFFFFFF",
                               "0000000000001", "1000A", "1000a", "G0000", "12345678G"}) {
        lengths.push_back(longer);
    }
    for (const std::string& length : lengths) {
        SCOPED_TRACE(length);
        const std::string map = "a.obj text 0 0 " + length + " 0 1";
        std::int64_t value = 0;
        if (!ReferenceLength(length, value)) {
            EXPECT_THROW(Scan(map), MapError);
            continue;
        }
        const std::vector<Entry> expected = {{"a.obj", 0, value}};
        ASSERT_EQ(Scan(map), expected);
    }
}

TEST(ScanObjectSection, LeavesTheRowsAloneOnError) {
    SizeTable table;
    table.AddRow("previous.obj", RowKind::kObject).rom = 5;
    CMapStream stream(std::string_view("new.obj text 0 0 10 0 0 other.obj text 0 0 1a 0 0"),
                      "bad.map");
    EXPECT_THROW(ScanObjectSection(stream, table), MapError);
    ASSERT_EQ(table.rows.size(), 1u);
    EXPECT_EQ(table.rows[0].name, "previous.obj");
    EXPECT_EQ(table.rows[0].rom, 5);
}

}  // namespace
