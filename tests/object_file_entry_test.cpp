#include "object_file_entry.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(CObjectFileEntry, StartsEmpty) {
    const CObjectFileEntry entry;
    EXPECT_EQ(entry.GetName(), "");
    EXPECT_EQ(entry.m_romSize, 0);
    EXPECT_EQ(entry.m_ramSize, 0);
    EXPECT_EQ(entry.m_space, 0);
}

TEST(CObjectFileEntry, AddsSpaceZeroToRomAndEveryOtherSpaceToRam) {
    CObjectFileEntry entry;
    entry.SetName("D:\\Zigbee\\buzzer.obj");
    entry.AddSize(16, 0);
    entry.AddSize(32, 1);
    entry.AddSize(4, -1);
    entry.AddSize(2, 2);
    entry.AddSize(-3, 0);
    EXPECT_EQ(entry.GetName(), "D:\\Zigbee\\buzzer.obj");
    EXPECT_EQ(entry.m_romSize, 13);
    EXPECT_EQ(entry.m_ramSize, 38);
    EXPECT_EQ(entry.m_space, 0) << "AddSize leaves the space alone";
}

TEST(CObjectFileEntry, SumsWrapIn32Bits) {
    CObjectFileEntry entry;
    entry.AddSize(INT_MAX, 0);
    entry.AddSize(1, 0);
    EXPECT_EQ(entry.m_romSize, INT_MIN);
    entry.AddSize(INT_MIN, 1);
    entry.AddSize(-1, 1);
    EXPECT_EQ(entry.m_ramSize, INT_MAX);
}

}  // namespace
