#include "window_layout.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace {

struct WidthCase {
    int cx;
    std::array<int, 5> widths;
};

TEST(WindowLayoutTest, ColumnWidthsFollowTheClientWidth) {
    const WidthCase cases[] = {
        {1000, {588, 98, 98, 98, 93}},
        {733, {427, 71, 71, 71, 66}},  // 3 * 713 / 5 = 427.8 and 71.3 truncate
        {20, {0, 0, 0, 0, -5}},
        {19, {0, 0, 0, 0, -5}},      // w = -1: both divisions truncate toward zero
        {0, {-12, -2, -2, -2, -7}},  // what a minimised window reports
        {65535, {39309, 6551, 6551, 6551, 6546}},
    };
    for (const WidthCase& c : cases) {
        SCOPED_TRACE(c.cx);
        EXPECT_EQ(ReportColumnWidths(c.cx), c.widths);
    }
}

TEST(WindowLayoutTest, ListKeepsATenPixelMargin) {
    const ListPlacement wide = ListPlacementForClient(1000, 500);
    EXPECT_EQ(wide.x, 10);
    EXPECT_EQ(wide.y, 10);
    EXPECT_EQ(wide.width, 980);
    EXPECT_EQ(wide.height, 480);

    const ListPlacement minimised = ListPlacementForClient(0, 0);
    EXPECT_EQ(minimised.width, -20);
    EXPECT_EQ(minimised.height, -20);
}

TEST(WindowLayoutTest, ColumnWidthsArePassedAsTheirLow16Bits) {
    EXPECT_EQ(ColumnWidthParam(588), 588);
    EXPECT_EQ(ColumnWidthParam(0), 0);
    EXPECT_EQ(ColumnWidthParam(-5), 0xFFFB);
    EXPECT_EQ(ColumnWidthParam(-12), 0xFFF4);
    EXPECT_EQ(ColumnWidthParam(65535), 0xFFFF);
    EXPECT_EQ(ColumnWidthParam(65536), 0);
}

TEST(WindowLayoutTest, AboutCommandIgnoresTheLowFourBitsAndBitsAbove15) {
    struct {
        std::uint64_t command;
        bool about;
    } const cases[] = {
        {0x0010, true},   {0x001F, true},  {0x1001F, true}, {0xFFFF0010, true},
        {0x0000, false},  {0x000F, false}, {0x0020, false}, {0xF060, false},  // SC_CLOSE
        {0xF020, false},                                                      // SC_MINIMIZE
        {0x10020, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(IsAboutCommand(c.command), c.about);
    }
}

TEST(WindowLayoutTest, MinimisedIconIsCentredWithTruncatingDivision) {
    struct {
        int w, h, cx, cy, x, y;
    } const cases[] = {
        {36, 36, 32, 32, 2, 2},
        {0, 0, 32, 32, -15, -15},  // -31 / 2 truncates toward zero
        {37, 35, 32, 32, 3, 2},
        {160, 24, 16, 16, 72, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        const IconOrigin origin = MinimisedIconOrigin(c.w, c.h, c.cx, c.cy);
        EXPECT_EQ(origin.x, c.x);
        EXPECT_EQ(origin.y, c.y);
    }
}

}  // namespace
