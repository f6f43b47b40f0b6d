#include "core/address_ranges.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<AddressRange> RangesOf(const std::vector<AddressRange>& added) {
    CAddressSet set;
    for (const AddressRange& range : added) {
        set.Add(range.begin, range.end);
    }
    return set.Ranges();
}

TEST(AddressSet, AddMergesOverlappingAndTouchingRangesInAnyOrder) {
    struct Case {
        const char* what;
        std::vector<AddressRange> added;
        std::vector<AddressRange> expected;
    };
    const std::vector<Case> cases = {
        {"disjoint, added backwards", {{20, 30}, {0, 10}}, {{0, 10}, {20, 30}}},
        {"touching", {{0, 10}, {10, 20}}, {{0, 20}}},
        {"overlapping", {{0, 15}, {10, 20}}, {{0, 20}}},
        {"one inside another", {{0, 100}, {10, 20}}, {{0, 100}}},
        {"bridging three", {{0, 5}, {10, 15}, {20, 25}, {4, 21}}, {{0, 25}}},
        {"empty range ignored", {{5, 5}, {7, 3}}, {}},
        {"gap of one kept", {{0, 10}, {11, 20}}, {{0, 10}, {11, 20}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RangesOf(c.added), c.expected);
    }
}

TEST(AddressSet, FromRangesGivesWhatAddingOneByOneGives) {
    const std::vector<AddressRange> ranges = {{50, 60}, {0, 10},    {5, 20},  {20, 21},
                                              {70, 70}, {100, 200}, {55, 150}};
    EXPECT_EQ(CAddressSet::FromRanges(ranges).Ranges(), RangesOf(ranges));
    EXPECT_EQ(CAddressSet::FromRanges(ranges).Ranges(),
              (std::vector<AddressRange>{{0, 21}, {50, 200}}));
}

TEST(AddressSet, SizeCountsSharedAddressesOnce) {
    CAddressSet set;
    set.Add(0x0, 0x8000);    // CODE
    set.Add(0x600, 0x8000);  // MEDIUMCONST over the same memory
    set.Add(0x300000, 0x30000E);
    EXPECT_EQ(set.Size(), 0x8000u + 14u);
}

TEST(AddressSet, MinusCutsHolesAndEnds) {
    CAddressSet all;
    all.Add(0, 100);
    all.Add(200, 300);
    CAddressSet cut;
    cut.Add(0, 10);     // the start
    cut.Add(50, 60);    // a hole
    cut.Add(90, 210);   // across the gap between the two ranges
    cut.Add(400, 500);  // outside
    const CAddressSet rest = all.Minus(cut);
    EXPECT_EQ(rest.Ranges(), (std::vector<AddressRange>{{10, 50}, {60, 90}, {210, 300}}));
    EXPECT_EQ(rest.Size(), 40u + 30u + 90u);
    EXPECT_EQ(all.Minus(all).Size(), 0u);
    EXPECT_EQ(all.Minus(CAddressSet()).Size(), 200u);
}

TEST(AddressSet, IntersectKeepsOnlySharedAddresses) {
    CAddressSet a;
    a.Add(0, 100);
    CAddressSet b;
    b.Add(50, 150);
    b.Add(160, 170);
    EXPECT_EQ(a.Intersect(b).Ranges(), (std::vector<AddressRange>{{50, 100}}));
}

}  // namespace
