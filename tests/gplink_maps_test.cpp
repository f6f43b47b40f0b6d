// Maps that gputils' linker wrote for the programs in tests/gplink, read back: each row must hold
// exactly the bytes its source file defines (the comments at the top of each source say how many).

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "readers/map_reader.h"
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
    ExpectAllChecksAgree(table, 5);
    EXPECT_EQ(table.facts.device, "");
    EXPECT_TRUE(table.facts.notes.empty());
}

// The special function registers of a processor-definition module are left out, and name the
// device.
TEST(GplinkMaps, BlinkerLeavesTheRegistersOutAndNamesItsDevice) {
    const SizeTable table = ReadMap("blinker.map");
    EXPECT_EQ(RowsOf(table), (Rows{{"blink.asm", {14, 1, 1}}, {"<section VECTOR>", {4, 0, 0}}}));
    ExpectAllChecksAgree(table, 5);
    EXPECT_EQ(table.facts.device, "18F4520");
    EXPECT_EQ(table.facts.notes,
              std::vector<std::string>{"Registers left out: 23 bytes (data memory from 0xF80 on, "
                                       "where the map's SFR_ sections start)"});
}

// The sections two modules leave unnamed are merged by gplink, and split again by the symbols'
// source files.
TEST(GplinkMaps, SerialSplitsTheSectionsItsModulesShare) {
    const SizeTable table = ReadMap("serial.map");
    EXPECT_EQ(RowsOf(table), (Rows{
                                 {"uart.asm", {6 + 2, 2 + 2 + 4, 0}},
                                 {"math.asm", {4 + 2, 3 + 1 + 1, 0}},
                                 {"<section .cinit>", {14, 0, 0}},
                             }));
    ExpectAllChecksAgree(table, 5);
}

// Data placed bank by bank: each region of the part holds what the source puts there (its comment
// says where), its free room and largest free block are what is left, and every counted byte
// lies in a region.
TEST(GplinkMaps, BanksGivesEachRegionTheBytesItsSourcePlacesThere) {
    const std::string path = kMaps + "/banks.map";
    const SizeTable table =
        CountMap(ReadFile(path), path, SectionRule::kAll, true, MapView::kRegions);
    EXPECT_EQ(table.facts.device, "18F2550");
    using Region = std::tuple<std::string, std::int64_t, std::int64_t, std::int64_t>;
    std::vector<Region> regions;  // name, used, free, largest free block
    for (const MemoryRegion& region : table.regions) {
        regions.emplace_back(region.name, region.used, region.free, region.largestFree);
    }
    EXPECT_EQ(regions, (std::vector<Region>{
                           {"page", 16, 32752, 32768 - 0x20C},
                           {"idlocs", 0, 8, 8},
                           {"config", 1, 13, 10},
                           {"eedata", 4, 252, 252},
                           {"accessram", 4, 92, 76},
                           {"gpr0", 0, 160, 160},
                           {"gpr1", 128, 128, 128},
                           {"gpr2", 16, 240, 128},
                           {"gpr3", 0, 256, 256},
                           {"gpr4", 256, 0, 0},
                           {"gpr5", 0, 256, 256},
                           {"gpr6", 0, 256, 256},
                           {"gpr7", 0, 256, 256},
                       }));
    const MapCheck& check = table.facts.checks.back();
    EXPECT_EQ(check.label, "Regions");
    EXPECT_TRUE(check.agrees);
    EXPECT_EQ(check.map, (MemoryTotals{16, 4 + 128 + 16 + 256, 1 + 4}));
}

}  // namespace
