// Replays the fuzzers' seed corpus, their regression inputs, the example maps and generated maps
// through the same differential checks the fuzzers run, so that every test run covers them.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "listing_check.h"
#include "map_check.h"
#include "map_generator.h"
#include "test_support.h"

namespace {

class MapReadingCheck : public ::testing::TestWithParam<const char*> {};

TEST_P(MapReadingCheck, EveryInputReadsAlikeInEveryWay) {
    std::size_t files = 0;
    for (const auto& item : std::filesystem::directory_iterator(GetParam())) {
        if (!item.is_regular_file()) {
            continue;
        }
        SCOPED_TRACE(item.path().string());
        const std::string bytes = ReadFile(item.path().string());
        EXPECT_EQ(CheckMapReading(bytes), "");
        EXPECT_EQ(CheckListingReading(bytes), "");
        ++files;
    }
    EXPECT_GT(files, 0u);
}

INSTANTIATE_TEST_SUITE_P(Inputs, MapReadingCheck,
                         ::testing::Values(TALLYFOLD_FUZZ_DIR "/corpus",
                                           TALLYFOLD_FUZZ_DIR "/regressions",
                                           TALLYFOLD_EXAMPLES_DIR));

TEST(MapReadingCheckGenerated, GeneratedMapsReadAlikeInEveryWay) {
    for (std::uint32_t sections : {1u, 6u, 40u}) {
        SCOPED_TRACE(sections);
        EXPECT_EQ(CheckMapReading(GenerateMap(MapShape{400, sections, sections})), "");
    }
}

// Maps of many blocks, and lines longer than a block, read and tally alike from memory and from
// a file as it streams in.
TEST(MapReadingCheckGenerated, LongMapsAndLongLinesReadAlikeAsTheyStreamIn) {
    const std::string map = GenerateMap(MapShape{3000, 7, 6});
    ASSERT_GT(map.size(), 1000000u);
    EXPECT_EQ(CheckListingReading(map), "");
    const std::string table = "\t\tName Link Load Length Selector Space\n";
    const std::string longName = std::string(300000, 'N') + ".obj";
    EXPECT_EQ(CheckListingReading("-ACODE=0h-0FFh " + std::string(200000, ' ') + "\n" + table +
                                  longName + " text 0 0 10 0 0\n"),
              "");
}

TEST(MapReadingCheckGenerated, ErrorsAndControlBytesReadAlike) {
    // A length of "10c" is refused at its line in every way of reading.
    EXPECT_EQ(CheckMapReading("a.obj\ntext 0 0 10c 0 0\n"), "");
    EXPECT_EQ(CheckMapReading(std::string("\0\0a.obj text 0 0 1F 0 0", 23)), "");
}

}  // namespace
