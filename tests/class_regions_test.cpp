// The view by region of maps with a per-object table: the map's own classes as regions, with the
// room the map's UNUSED ADDRESS RANGES leave in each, checked against the sections placed there.

#include "readers/hlink/class_regions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/map_error.h"
#include "readers/map_reader.h"
#include "test_support.h"

namespace {

struct RegionCase {
    const char* name;
    std::uint64_t start;
    std::uint64_t last;
    std::int64_t size;
    std::int64_t used;
    std::int64_t free;
    std::int64_t largestFree;
};

void ExpectRegions(const SizeTable& table, const std::vector<RegionCase>& expected) {
    ASSERT_EQ(table.regions.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const MemoryRegion& region = table.regions[i];
        const RegionCase& c = expected[i];
        SCOPED_TRACE(c.name);
        EXPECT_EQ(region.name, c.name);
        EXPECT_EQ(region.Start(), c.start);
        EXPECT_EQ(region.Last(), c.last);
        EXPECT_EQ(region.size, c.size);
        EXPECT_EQ(region.used, c.used);
        EXPECT_EQ(region.free, c.free);
        EXPECT_EQ(region.largestFree, c.largestFree);
    }
}

const MapCheck& RegionCheckOf(const SizeTable& table) {
    return table.facts.checks.back();
}

SizeTable Regions(const std::string& map) {
    return CountMap(map, "test.map", SectionRule::kAll, true, MapView::kRegions);
}

// As PICC-18 9.6x lays out memory: COMRAM inside BANK0, program memory in two ranges of 16 KiB,
// RAM over the banks, and neither the Largest block column nor an unused range of CONFIG, which
// its section fills.
constexpr const char* kPreamble =
    "Linker command line:\n"
    "  -ACODE=00h-03FFFhx2 -ACONST=00h-07FFFh -ARAM=00h-0FFhx2 -ABIGRAM=00h-01FFh \\\n"
    "  -ACOMRAM=00h-07Fh -ABANK0=00h-0FFh -ABANK1=0100h-01FFh -ASFR=0F80h-0FFFh \\\n"
    "  -AFARRAM=00h-00h -ACONFIG=0300000h-030000Dh\n"
    "Machine type is 18F2520\n"
    "\t\tName Link Load Length Selector Space\n"
    "main.obj\ttext 0 0 100 0 0\n"
    "\t\tbss 10 10 20 10 1\n"
    "\t\tbssBANK1 100 100 40 100 1\n"
    "\t\tconfig 300000 300000 E 300000 0\n"
    "TOTAL\tName Link Load Length Space\n"
    "\tCLASS\tCODE\n\t\ttext 0 0 100 0\n"
    "\tCLASS\tCOMRAM\n\t\tbss 10 10 20 1\n"
    "\tCLASS\tBANK1\n\t\tbssBANK1 100 100 40 1\n"
    "\tCLASS\tCONFIG\n\t\tconfig 300000 300000 E 0\n"
    "UNUSED ADDRESS RANGES\n";

TEST(ClassRegions, AreTheMapsOwnClassesWithTheRoomItsUnusedRangesLeave) {
    const SizeTable table = Regions(std::string(kPreamble) +
                                    "\tBANK0            000000-00000F\n"
                                    "\t                 000030-0000FF\n"
                                    "\tBANK1            000140-0001FF\n"
                                    "\tBIGRAM           000000-00000F\n"
                                    "\tCODE             000100-007FFF\n"
                                    "\tCOMRAM           000000-00000F\n"
                                    "\t                 000030-00007F\n"
                                    "\tRAM              000000-00000F\n");
    EXPECT_EQ(table.view, MapView::kRegions);
    ExpectRegions(table, {
                             // Cut at the boundary of the two 16 KiB ranges.
                             {"CODE", 0, 0x7FFF, 0x8000, 0x100, 0x7F00, 0x4000},
                             {"CONFIG", 0x300000, 0x30000D, 14, 14, 0, 0},
                             {"COMRAM", 0, 0x7F, 0x80, 0x20, 0x60, 0x50},
                             // BANK0 keeps what COMRAM does not take.
                             {"BANK0", 0x80, 0xFF, 0x80, 0, 0x80, 0x80},
                             {"BANK1", 0x100, 0x1FF, 0x100, 0x40, 0xC0, 0xC0},
                         });
    EXPECT_TRUE(RegionCheckOf(table).possible);
    EXPECT_TRUE(RegionCheckOf(table).agrees) << RegionCheckOf(table).detail;
    EXPECT_EQ(RegionCheckOf(table).detail, "5 regions, each used as much as the sections in it");
    // The rows stay the complete tally's, which budgets are of.
    ASSERT_EQ(table.rows.size(), 1u);
    EXPECT_EQ(table.rows[0].ram, 0x60);
}

TEST(ClassRegions, TakeTheMapsLargestBlockAndNameWhereItsUseDisagrees) {
    const SizeTable table = Regions(std::string(kPreamble) +
                                    "\tName   Unused   Largest block   Delta\n"
                                    "\tBANK0            000000-00000F        10\n"
                                    "\t                 000030-0000FF        D0\n"
                                    "\tBANK1            000120-0001FF        E0\n"
                                    "\tCODE             000100-007FFF      3F00\n"
                                    "\tCOMRAM           000000-00000F        10\n"
                                    "\t                 000030-00007F        50\n");
    ASSERT_EQ(table.regions.size(), 5u);
    EXPECT_EQ(table.regions[0].largestFree, 0x3F00);  // as the map gives it
    EXPECT_EQ(table.regions[3].largestFree, 0x80);    // BANK0 lost COMRAM: worked out
    const MapCheck& check = RegionCheckOf(table);
    EXPECT_FALSE(check.agrees);
    EXPECT_EQ(check.detail, "BANK1 uses 32 bytes by the map's unused ranges, its sections 64");
}

// Without bank classes RAM stands in for them; without UNUSED ADDRESS RANGES a region's use is
// what its sections place in it, and there is nothing to check it against.
TEST(ClassRegions, FallBackToRamAndToTheSectionsPlaced) {
    const SizeTable table = Regions(
        "  -ACODE=00h-07FFh -ARAM=060h-0FFh,0100h-01FFhx2 -ACOMRAM=01h-05Fh "
        "-ACONFIG=02007h-02007h\n"
        "\t\tName Link Load Length Selector Space\n"
        "main.obj\ttext 0 0 100 0 0\n"
        "\t\tbss 1F0 1F0 20 1F0 1\n"
        "\t\tconfig 2007 2007 1 400E 0\n"
        "TOTAL\tName Link Load Length Space\n"
        "\tCLASS\tCODE\n\t\ttext 0 0 100 0\n"
        "\tCLASS\tRAM\n\t\tbss 1F0 1F0 20 1\n"
        "\tCLASS\tCONFIG\n\t\tconfig 2007 2007 1 0\n");
    ExpectRegions(table, {
                             {"CODE", 0, 0x7FF, 0x800, 0x100, 0x700, 0x700},
                             {"CONFIG", 0x2007, 0x2007, 1, 1, 0, 0},  // one word, no placeholder
                             {"COMRAM", 1, 0x5F, 0x5F, 0, 0x5F, 0x5F},
                             {"RAM", 0x60, 0x2FF, 0x2A0, 0x20, 0x280, 0xF0},
                         });
    EXPECT_FALSE(RegionCheckOf(table).possible);
    EXPECT_EQ(RegionCheckOf(table).reason, "the map has no UNUSED ADDRESS RANGES");
}

TEST(ClassRegions, NeedTheCountOfEverySectionAndSomewhereToLie) {
    const std::string noRanges =
        "\t\tName Link Load Length Selector Space\n"
        "main.obj\ttext 0 0 100 0 0\n"
        "TOTAL\tName Link Load Length Space\n"
        "\tCLASS\tCODE\n\t\ttext 0 0 100 0\n";
    EXPECT_THROW(CountMap(noRanges, "test.map", SectionRule::kListed, true, MapView::kRegions),
                 MapError);
    try {
        Regions(noRanges);
        FAIL() << "no regions";
    } catch (const MapError& error) {
        EXPECT_NE(std::string(error.what()).find("no memory regions"), std::string::npos);
    }
    // The part chosen by name gives them.
    const SizeTable table = CountMap(noRanges, "test.map", SectionRule::kAll, true,
                                     MapView::kRegions, true, FindPic18Part("18F2520"));
    ASSERT_FALSE(table.regions.empty());
    EXPECT_EQ(table.regions[0].name, "page");
    EXPECT_EQ(table.regions[0].used, 0x100);
    EXPECT_TRUE(RegionCheckOf(table).agrees);
}

}  // namespace
