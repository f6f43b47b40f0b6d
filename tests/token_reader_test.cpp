#include "readers/hlink/token_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/map_error.h"
#include "test_support.h"

namespace {

std::vector<std::string> Tokens(CMapStream& stream) {
    std::vector<std::string> tokens;
    for (std::string_view token = ReadToken(stream); !token.empty(); token = ReadToken(stream)) {
        tokens.emplace_back(token);
    }
    return tokens;
}

std::vector<std::string> Tokens(const std::string& bytes) {
    CMapStream stream(bytes);
    return Tokens(stream);
}

// The tokens of the bytes read from a real file, so that reads go through the block buffer.
std::vector<std::string> TokensFromAFile(const std::string& bytes) {
    const TempFile temp = TempFileWith(bytes);
    CMapFile file(temp.get(), "temp.map");
    CMapStream stream(file);
    return Tokens(stream);
}

struct TokenCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> tokens;
};

TEST(ReadToken, SplitsOnSpaceAndControlBytesOnly) {
    const std::vector<TokenCase> cases = {
        {"runs of separators", "ab  \tc\n", {"ab", "c"}},
        {"leading blank lines and indentation", "\r\n\n   \t x", {"x"}},
        {"z is a letter like any other", "lazy bizarre", {"lazy", "bizarre"}},
        {"punctuation above y belongs to names", "a!b a|b a~b x{1}", {"a!b", "a|b", "a~b", "x{1}"}},
        {"paths and commas stay whole", "D:\\work\\main.obj, x", {"D:\\work\\main.obj,", "x"}},
        {"8.3 names", "C:\\DOCUME~1\\OWNER~1\\x.obj", {"C:\\DOCUME~1\\OWNER~1\\x.obj"}},
        {"bytes above 0x7F are kept", "Jos\xE9\\a.obj \xFF\xFF", {"Jos\xE9\\a.obj", "\xFF\xFF"}},
        {"DEL separates",
         "a\x7F"
         "b",
         {"a", "b"}},
        {"NUL separates", std::string("a\0b", 3), {"a", "b"}},
        {"only separators", std::string(" \t\r\n\0\x1F\x7F", 7), {}},
        {"empty input", "", {}},
        {"a token cut off by the end of input counts", "abc def", {"abc", "def"}},
    };
    for (const TokenCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Tokens(c.bytes), c.tokens);
        EXPECT_EQ(TokensFromAFile(c.bytes), c.tokens);
    }
}

TEST(ReadToken, JoinsTokensAcrossBlockBoundaries) {
    // Tokens straddle the boundaries of the blocks split at once and of the reads from the file,
    // at every offset around them; their lines are counted across both.
    const std::size_t block = CMapStream::kBlockSize;
    const std::size_t read = CMapStream::kReadSize;
    for (std::size_t boundary : {block, read, 2 * read + block}) {
        for (std::size_t offset : {boundary - 3, boundary - 1, boundary, boundary + 1}) {
            SCOPED_TRACE(offset);
            std::string bytes(offset, ' ');
            for (std::size_t i = 0; i + 1 < offset; i += 100) {
                bytes[i] = '\n';
            }
            const long line = 1 + static_cast<long>((offset - 1 + 99) / 100);
            bytes += "straddling.obj\nnext";
            const TempFile temp = TempFileWith(bytes);
            CMapFile file(temp.get(), "temp.map");
            CMapStream stream(file);
            EXPECT_EQ(ReadToken(stream), "straddling.obj");
            EXPECT_EQ(stream.Line(), line);
            EXPECT_EQ(ReadToken(stream), "next");
            EXPECT_EQ(stream.Line(), line + 1);
            EXPECT_EQ(ReadToken(stream), "");
        }
    }
    const std::string huge(3 * read + 17, 'h');
    EXPECT_EQ(TokensFromAFile("a " + huge + " b"), (std::vector<std::string>{"a", huge, "b"}));
}

TEST(ReadToken, TracksTheLineOfEachToken) {
    CMapStream stream(std::string_view("one\r\ntwo three\n\n  four"));
    std::vector<long> lines;
    while (!ReadToken(stream).empty()) {
        lines.push_back(stream.Line());
    }
    EXPECT_EQ(lines, (std::vector<long>{1, 2, 2, 4}));
}

#ifndef _WIN32
TEST(ReadToken, ReportsAReadErrorWithTheFileName) {
    // Reading a directory fails with an error rather than ending the input.
    std::FILE* directory = std::fopen(".", "rb");
    ASSERT_NE(directory, nullptr);
    CMapFile file(directory, "somewhere.map");
    CMapStream stream(file);
    try {
        ReadToken(stream);
        ADD_FAILURE() << "no error";
    } catch (const MapError& error) {
        EXPECT_EQ(error.File(), "somewhere.map");
        EXPECT_EQ(std::string(error.what()).rfind("somewhere.map: read error: ", 0), 0u)
            << error.what();
    }
    std::fclose(directory);
}
#endif

}  // namespace
