// Maps that gputils' linker wrote for the programs in tests/gplink, read back: each row must hold
// exactly the bytes its source file defines (the comments at the top of each source say how many).

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "readers/mplink/mplink_reader.h"
#include "test_support.h"

namespace {

using Sizes = std::tuple<std::int64_t, std::int64_t, std::int64_t>;  // ROM, RAM, other
using Rows = std::map<std::string, Sizes>;

const std::string kMaps = TALLYFOLD_GPLINK_MAPS_DIR;

SizeTable ReadMap(const std::string& name) {
    const std::string path = kMaps + "/" + name;
    const std::string bytes = ReadFile(path);
    EXPECT_TRUE(IsMplinkMap(bytes));
    return ReadMplinkMap(bytes, path);
}

Rows RowsOf(const SizeTable& table) {
    Rows rows;
    for (const SizeRow& row : table.rows) {
        EXPECT_TRUE(rows.emplace(std::string(row.name), Sizes{row.rom, row.ram, row.other}).second)
            << row.name;
        EXPECT_EQ(row.kind, row.name.front() == '<' ? RowKind::kSpecial : RowKind::kObject);
    }
    return rows;
}

void ExpectEveryCheckAgrees(const SizeTable& table) {
    EXPECT_EQ(table.facts.checks.size(), 5u);
    for (const MapCheck& check : table.facts.checks) {
        SCOPED_TRACE(check.label);
        EXPECT_TRUE(check.possible) << check.reason;
        EXPECT_TRUE(check.agrees);
    }
}

// code, code_pack, udata, udata_acs and idata sections, gpasm's unnamed sections merged across
// modules, an overlay, configuration words, a stack and a module without labels.
TEST(GplinkMaps, ThermostatGivesTheSizesItsSourcesDefine) {
    const SizeTable table = ReadMap("thermostat.map");
    EXPECT_EQ(RowsOf(table), (Rows{
                                 {"main.asm", {20, 2, 2}},
                                 {"sensor.asm", {8 + 3, 4 + 3, 0}},
                                 {"display.asm", {6 + 7 + 2 + 1, 1 + 2 + 16, 0}},
                                 {"<section VECTOR>", {4, 0, 0}},
                                 {"<section PADDING>", {6, 0, 0}},
                                 {"<section SCRATCH>", {0, 5, 0}},  // the larger of 3 and 5
                                 {"<section .stack>", {0, 32, 0}},  // gplink -t 32
                                 // gplink's initialisation table for the one idata section
                                 {"<section .cinit>", {14, 0, 0}},
                             }));
    ExpectEveryCheckAgrees(table);
    EXPECT_EQ(table.facts.device, "");
    EXPECT_TRUE(table.facts.notes.empty());
}

// The special function registers of a processor-definition module are left out, and name the
// device.
TEST(GplinkMaps, BlinkerLeavesTheRegistersOutAndNamesItsDevice) {
    const SizeTable table = ReadMap("blinker.map");
    EXPECT_EQ(RowsOf(table), (Rows{{"blink.asm", {14, 1, 1}}, {"<section VECTOR>", {4, 0, 0}}}));
    ExpectEveryCheckAgrees(table);
    EXPECT_EQ(table.facts.device, "18F4520");
    EXPECT_EQ(table.facts.notes, std::vector<std::string>{"SFR sections left out: 23 bytes"});
}

}  // namespace
