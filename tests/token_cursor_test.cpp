#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "readers/hlink/token_reader.h"

namespace {

std::vector<std::string> TokensByReadToken(const std::string& bytes, std::size_t blockSize) {
    CMapStream stream(bytes, "a.map", blockSize);
    std::vector<std::string> tokens;
    for (std::string_view token = ReadToken(stream); !token.empty(); token = ReadToken(stream)) {
        tokens.emplace_back(token);
    }
    return tokens;
}

const std::string kMap =
    "a.obj\r\n\t\ttext 1A4 1A4 E2 0 0\r\n" + std::string(150, 'x') + ".obj bss 0 0 3 0 1\n\n  end";

// Through every block size from one byte up, the cursor hands out what ReadToken does, and the
// stream can be read on where the cursor stopped.
TEST(TokenCursor, GivesTheTokensReadTokenGives) {
    for (std::size_t blockSize = 1; blockSize <= kMap.size() + 1; ++blockSize) {
        SCOPED_TRACE(blockSize);
        const std::vector<std::string> expected = TokensByReadToken(kMap, blockSize);
        ASSERT_EQ(expected.size(), 15u);
        CMapStream stream(kMap, "a.map", blockSize);
        {
            CTokenCursor cursor(stream);
            for (std::size_t i = 0; i < 10; ++i) {
                ASSERT_EQ(cursor.Next(), expected[i]) << i;
            }
        }
        EXPECT_EQ(stream.Line(), 3);  // the long name, read last by the cursor
        EXPECT_EQ(ReadToken(stream), expected[10]);
    }
}

TEST(TokenCursor, SkipPassesOverTokensAndStopsAtTheEnd) {
    for (std::size_t blockSize : {std::size_t{1}, std::size_t{7}, CMapStream::kBlockSize}) {
        SCOPED_TRACE(blockSize);
        CMapStream stream(kMap, "a.map", blockSize);
        CTokenCursor cursor(stream);
        EXPECT_TRUE(cursor.Skip(0));
        EXPECT_EQ(cursor.Next(), "a.obj");
        EXPECT_TRUE(cursor.Skip(3));
        EXPECT_EQ(cursor.Next(), "E2");
        cursor.Sync();
        EXPECT_EQ(stream.Line(), 2);
        EXPECT_TRUE(cursor.Skip(3));
        cursor.Sync();
        EXPECT_EQ(stream.Line(), 3);  // the last token skipped is the long name
        EXPECT_TRUE(cursor.Skip(6));
        EXPECT_EQ(cursor.Next(), "end");
        cursor.Sync();
        EXPECT_EQ(stream.Line(), 5);
        EXPECT_FALSE(cursor.Skip(1));
        EXPECT_TRUE(cursor.Next().empty());
    }
}

}  // namespace
