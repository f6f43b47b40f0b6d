// Inputs at the extremes that a fuzzer does not reach quickly: huge tokens, huge lists, nothing
// but separators, sums that wrap past 2^31.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/device_profile.h"
#include "map_generator.h"
#include "readers/hlink/map_listing.h"
#include "readers/hlink/object_section_scan.h"
#include "readers/hlink/section_tally.h"
#include "readers/hlink/token_reader.h"
#include "readers/map_reader.h"
#include "report/size_report.h"

namespace {

SizeTable ScanBytes(const std::string& bytes) {
    CMapStream stream(bytes, "big.map");
    SizeTable table;
    ScanObjectSection(stream, table);
    return table;
}

const DeviceProfile kDevice18F4680 = ProfileOf(kDefaultDevice, {});

TEST(LargeInput, HundredMegabyteTokenComesBackWhole) {
    constexpr std::size_t kLength = 100u * 1024 * 1024;
    std::string bytes = "\n\n ";
    bytes.append(kLength - 4, 'x');
    bytes += ".obj text 0 0 10 0 0\n";
    CMapStream stream(bytes, "big.map");
    const std::string_view token = ReadToken(stream);
    ASSERT_EQ(token.size(), kLength);
    EXPECT_EQ(token.substr(0, 3), "xxx");
    EXPECT_EQ(token.substr(kLength - 5), "x.obj");
    EXPECT_EQ(stream.Line(), 3);
    EXPECT_EQ(ReadToken(stream), "text");
    EXPECT_EQ(stream.Line(), 3);

    const SizeTable entries = ScanBytes(bytes);
    ASSERT_EQ(entries.rows.size(), 1u);
    EXPECT_EQ(entries.rows[0].name.size(), kLength);
    EXPECT_EQ(entries.rows[0].rom, 16);
}

TEST(LargeInput, TokenRunningToTheEndOfInputIsKept) {
    const std::string bytes = "a.obj text 0 0 10 0 0 " + std::string(3 * 65536 + 7, 'y') + ".obj";
    const SizeTable entries = ScanBytes(bytes);
    ASSERT_EQ(entries.rows.size(), 2u);
    EXPECT_EQ(entries.rows[1].name.size(), 3u * 65536 + 11);
}

TEST(LargeInput, OnlySeparatorsGiveNoTokenAndNoEntry) {
    std::string bytes;
    const std::string pattern = std::string(" \t\r\n\x01\x7f", 6) + std::string(1, '\0');
    while (bytes.size() < 20u * 1024 * 1024) {
        bytes += pattern;
    }
    CMapStream stream(bytes, "blank.map");
    EXPECT_TRUE(ReadToken(stream).empty());
    EXPECT_EQ(stream.Line(), 0);
    EXPECT_TRUE(ReadToken(stream).empty());
    EXPECT_TRUE(ScanBytes(bytes).rows.empty());
}

TEST(LargeInput, GiganticObjectListWithoutEndMarkerIsReadToTheEnd) {
    constexpr int kObjects = 300000;
    std::string bytes;
    for (int i = 0; i < kObjects; ++i) {
        bytes += "C:\\OBJ\\m" + std::to_string(i) + ".obj\n\t\ttext 0 0 " +
                 (i % 2 == 0 ? "1" : "0") + " 0 0\n";
    }
    const SizeTable entries = ScanBytes(bytes);
    ASSERT_EQ(entries.rows.size(), static_cast<std::size_t>(kObjects));
    EXPECT_EQ(entries.rows.front().name, "C:\\OBJ\\m0.obj");
    EXPECT_EQ(entries.rows.back().name, "C:\\OBJ\\m299999.obj");
    EXPECT_EQ(entries.rows[0].rom, 1);
    EXPECT_EQ(entries.rows[1].rom, 0);
    const std::vector<TableRow> rows = BuildReportRows(entries, kDevice18F4680, false).rows;
    ASSERT_EQ(rows.size(), kObjects / 2 + 2u);
    EXPECT_EQ(rows.back().cells[1], std::to_string(kObjects / 2));

    // So many rows take the sort's large-page keys; the order stays stable.
    const std::vector<std::uint32_t> order = RowOrder(entries.rows, ColumnOrdering::kByRomSize);
    ASSERT_EQ(order.size(), entries.rows.size());
    EXPECT_EQ(order[0], 0u);
    EXPECT_EQ(order[kObjects / 2 - 1], kObjects - 2u);
    EXPECT_EQ(order[kObjects / 2], 1u);
    EXPECT_EQ(order.back(), kObjects - 1u);
}

// Generated maps of every shape are read by every mode: the listed scan finds one entry per
// object-file name (each is named on the command line and in the table, and "-ol.obj" is one of
// the linker's options), the map names its device's capacities, and the complete tally agrees
// with both of the map's own figures, also where the lengths are scaled down to fit; and each
// of its memory regions is used as much as its sections take.
TEST(LargeInput, GeneratedMapsAreReadByEveryModeAndReconcile) {
    for (const MapShape& shape : {MapShape{2000, 7, 1}, MapShape{200, 3, 100}, MapShape{9, 2, 6}}) {
        SCOPED_TRACE(std::to_string(shape.objects) + " objects, " + std::to_string(shape.sections) +
                     " sections");
        const std::string map = GenerateMap(shape);
        EXPECT_EQ(map, GenerateMap(shape));
        const SizeTable entries = ScanBytes(map);
        EXPECT_EQ(entries.rows.size(), 2 * shape.objects + 1u);

        const SizeTable tally = TallySections(ReadMapListing(map, "big.map"));
        EXPECT_EQ(tally.facts.device, "18F4680");
        EXPECT_TRUE(tally.facts.hasCapacity);
        ASSERT_EQ(tally.facts.checks.size(), 2u);
        for (const MapCheck& check : tally.facts.checks) {
            SCOPED_TRACE(check.label);
            EXPECT_TRUE(check.possible) << check.reason;
            EXPECT_TRUE(check.agrees);
        }
        const MemoryTotals totals = TotalsOf(tally);
        EXPECT_GT(totals.rom, 0);
        EXPECT_GT(totals.ram, 0);
        EXPECT_GT(totals.other, 0);

        const SizeTable regions =
            CountMap(map, "big.map", SectionRule::kAll, true, MapView::kRegions);
        EXPECT_EQ(regions.regions.size(), 6u);
        EXPECT_TRUE(regions.facts.checks.back().agrees) << regions.facts.checks.back().detail;
    }
}

}  // namespace
