#include "report/html_address_bars.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

// A page draws a bar for each memory its regions give, marks the largest free block and names
// each region under the bar.
TEST(AddressBars, DrawEachMemoryAlongItsRegions) {
    const Result page = RunReport({"--format", "html", kExamples + "/kiln-controller.map"});
    ASSERT_EQ(page.status, kExitSuccess);
    EXPECT_EQ(CountOf(page.out, "<svg class=\"addressbar\""), 2u);
    EXPECT_NE(page.out.find("<title>largest free block, in BANK2\n0x000200–0x0002FF: 256 "
                            "bytes</title>"),
              std::string::npos);
    EXPECT_NE(page.out.find(">BANK1</text>"), std::string::npos);
    // bssBANK1 fills 200 of BANK1's 256 bytes; its owner is the object that placed it.
    EXPECT_NE(page.out.find("dist/default/production/app.production.o › bssBANK1\n"
                            "0x000100–0x0001C7: 200 bytes"),
              std::string::npos);
    EXPECT_NE(page.out.find("<title>free\n0x0001C8–0x0001FF: 56 bytes</title>"), std::string::npos);
    // The listed names keep no addresses: no bars.
    const Result listed =
        RunReport({"--format", "html", "--sections", "listed", kExamples + "/kiln-controller.map"});
    EXPECT_EQ(listed.out.find("addressbar\""), std::string::npos);
}

// However many parts a memory holds, a bar has about as many shapes as it is wide.
TEST(AddressBars, DrawPiecesTooSmallToSeeTogether) {
    SizeTable table;
    table.rule = SectionRule::kAll;
    for (std::uint32_t i = 0; i < 2; ++i) {
        table.AddRow(i == 0 ? "a.o" : "b.o", RowKind::kObject);
    }
    constexpr std::uint64_t kParts = 50000;
    for (std::uint64_t i = 0; i < kParts; ++i) {
        // 2 bytes each, one free byte after every fifth.
        const std::uint64_t address = i * 2 + i / 5;
        table.parts.push_back(
            {static_cast<std::uint32_t>(i % 2), "s", MemoryKind::kRom, address, 2});
        table.rows[i % 2].rom += 2;
    }
    table.regions.push_back(MakeRegion("page", MemoryKind::kRom, {{0, 0x20000, 0}}));
    PlaceParts(table.regions, table.parts);
    std::string out;
    AppendAddressBars(table, out);
    EXPECT_EQ(CountOf(out, "<svg class=\"addressbar\""), 1u);
    EXPECT_LT(CountOf(out, "<rect"), 2100u);
    EXPECT_NE(out.find("pieces too small to draw"), std::string::npos);
    EXPECT_NE(out.find("largest free block, in page\n0x01ADAF–0x01FFFF: 21073 bytes"),
              std::string::npos);
}

}  // namespace
