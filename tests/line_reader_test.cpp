#include "core/line_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "test_support.h"
#include "text/lines.h"

namespace {

std::vector<std::string> ReadLines(CLineReader& reader) {
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.Next(line)) {
        lines.emplace_back(line);
    }
    return lines;
}

// The lines of the bytes read from a file as it streams, and with every byte kept.
void ExpectSameLinesFromAFile(const std::string& bytes) {
    std::vector<std::string> expected;
    CTextLines memory(bytes);
    std::string_view line;
    while (memory.Next(line)) {
        expected.emplace_back(line);
    }
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "kept" : "streamed");
        const TempFile stream = TempFileWith(bytes);
        CMapFile file(stream.get(), "lines.map");
        std::string kept;
        CLineReader reader(file, keep ? &kept : nullptr);
        EXPECT_EQ(ReadLines(reader), expected);
        if (keep) {
            EXPECT_EQ(kept, bytes);
        }
    }
}

// The reader takes files 128 KiB at a time: a line end, a CR LF and a long line that lie across
// that boundary read as they do in memory, and so does a byte-order mark.
TEST(LineReader, ReadsAFileAsTheBytesInMemoryAcrossBlocks) {
    constexpr std::size_t kBlock = 128 * 1024;
    for (const std::size_t offset : {kBlock - 2, kBlock - 1, kBlock, kBlock + 1}) {
        SCOPED_TRACE(offset);
        ExpectSameLinesFromAFile(std::string(offset, 'x') + "\r\nnext\r\n");
        ExpectSameLinesFromAFile("\xEF\xBB\xBF" + std::string(offset, ' ') + "\n\r\n");
    }
    ExpectSameLinesFromAFile(std::string(3 * kBlock + 5, 'l') + "\nlast");
    ExpectSameLinesFromAFile("\xEF\xBB\xBF");
    ExpectSameLinesFromAFile("");
}

TEST(LineReader, CutsOnlyLinesThatRunAcrossBlocks) {
    constexpr std::size_t kBlock = 128 * 1024;
    const std::string longLine = std::string(kBlock + 10, 'c');
    const std::string bytes = "short\n" + longLine + "\nend";
    const TempFile stream = TempFileWith(bytes);
    CMapFile file(stream.get(), "lines.map");
    CLineReader reader(file, nullptr);
    reader.CutLongLinesAt(4);
    EXPECT_EQ(ReadLines(reader), (std::vector<std::string>{"short", "cccc", "end"}));
}

}  // namespace
