#include "core/memory_regions.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/size_table.h"

namespace {

TEST(LargestPiece, CutsTheSpansOnlyWhereARunHasABoundary) {
    // 0x060-0x0FF alone, then five banks of 0x100 from 0x100 (RAM=060h-0FFh,0100h-01FFhx5).
    const std::vector<RegionRun> runs = {{0x060, 0x100, 0}, {0x100, 0x600, 0x100}};
    const struct {
        const char* what;
        std::vector<AddressRange> spans;
        AddressRange largest;
    } cases[] = {
        {"inside one bank", {{0x120, 0x180}}, {0x120, 0x180}},
        {"across a bank boundary: the larger side", {{0x1C0, 0x210}}, {0x1C0, 0x200}},
        {"whole banks in between", {{0x1F0, 0x520}}, {0x200, 0x300}},
        {"across the runs' boundary", {{0x0A0, 0x140}}, {0x0A0, 0x100}},
        {"the largest of several spans", {{0x070, 0x080}, {0x300, 0x3F0}}, {0x300, 0x3F0}},
        {"a span in no run is whole", {{0x2100, 0x2200}}, {0x2100, 0x2200}},
        {"the first of equal pieces", {{0x100, 0x300}}, {0x100, 0x200}},
        {"nothing", {}, {0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(LargestPiece(c.spans, runs), c.largest);
    }
}

SizePart Part(MemoryKind memory, std::uint64_t address, std::int64_t bytes) {
    return SizePart{0, "s", memory, address, bytes};
}

TEST(PlaceParts, CountsEachPartWhereItLiesAndLeavesTheRestFree) {
    std::vector<MemoryRegion> regions;
    regions.push_back(MakeRegion("gpr1", MemoryKind::kRam, {{0x100, 0x200, 0}}));
    regions.push_back(MakeRegion("page", MemoryKind::kRom, {{0, 0x1000, 0}}));
    regions.push_back(MakeRegion("gpr0", MemoryKind::kRam, {{0x060, 0x100, 0}}));
    const std::vector<SizePart> parts = {
        Part(MemoryKind::kRam, 0x0F0, 0x20),  // 16 bytes in each bank
        Part(MemoryKind::kRam, 0x180, 0x10),
        Part(MemoryKind::kRom, 0x100, 0x40),  // program memory at a data address: not data
        Part(MemoryKind::kRam, 0x800, 0x10),  // in no region
    };
    PlaceParts(regions, parts);
    ASSERT_EQ(regions.size(), 3u);
    // Program memory first, then data memory by address.
    EXPECT_EQ(regions[0].name, "page");
    EXPECT_EQ(regions[1].name, "gpr0");
    EXPECT_EQ(regions[2].name, "gpr1");
    EXPECT_EQ(regions[0].placed, 0x40);
    EXPECT_EQ(regions[0].largestFree, 0x1000 - 0x140);
    EXPECT_EQ(regions[1].used, 0x10);
    EXPECT_EQ(regions[1].free, 0xA0 - 0x10);
    EXPECT_EQ(regions[1].largestSpan, (AddressRange{0x060, 0x0F0}));
    EXPECT_EQ(regions[2].used, 0x20);
    EXPECT_EQ(regions[2].freeSpans, (std::vector<AddressRange>{{0x110, 0x180}, {0x190, 0x200}}));
    EXPECT_EQ(regions[2].largestFree, 0x70);
}

// Every part of the table: its regions are named once, do not overlap, and hold exactly the
// program memory and general-purpose RAM the table gives it.
TEST(PartRegions, CoverEachPartsMemoryOnceUnderNamesOfItsOwn) {
    for (const Pic18Part& part : AllPic18Parts()) {
        SCOPED_TRACE(std::string(part.name));
        std::vector<MemoryRegion> regions = PartRegions(part);
        PlaceParts(regions, {});
        std::set<std::string> names;
        std::int64_t ram = 0;
        std::int64_t rom = 0;
        const MemoryRegion* before = nullptr;
        for (const MemoryRegion& region : regions) {
            EXPECT_TRUE(names.insert(region.name).second) << region.name;
            EXPECT_TRUE(region.fromPart);
            EXPECT_EQ(region.free, region.size);
            (region.memory == MemoryKind::kRam ? ram : rom) +=
                region.memory == MemoryKind::kOther ? 0 : region.size;
            if (before != nullptr && before->memory == MemoryKind::kRam &&
                region.memory == MemoryKind::kRam) {
                EXPECT_GT(region.Start(), before->Last()) << before->name << " " << region.name;
            }
            before = &region;
        }
        EXPECT_EQ(ram, part.ramBytes);
        EXPECT_EQ(rom, part.programBytes +
                           (part.configuration.begin < 0x200000 ? part.configuration.Size() : 0));
        EXPECT_EQ(regions.front().name, "page");
    }
}

}  // namespace
