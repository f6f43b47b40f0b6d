#include "text/words.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

struct Span {
    std::size_t start;
    std::size_t end;
    bool operator==(const Span& b) const { return start == b.start && end == b.end; }
};

// The words one byte at a time, as simply as it can be written: independent of the splitters.
std::vector<Span> PlainWords(const std::string& bytes) {
    std::vector<Span> words;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const bool token = byte > 0x20 && byte != 0x7F;
        if (token && (i == 0 || words.empty() || words.back().end != i)) {
            words.push_back({i, i + 1});
        } else if (token) {
            ++words.back().end;
        }
    }
    return words;
}

// Lines of every length around the 16- and 64-byte groups, of separators and word bytes mixed
// at random (every byte value, the neighbours of the separators most often), and a few by hand.
std::vector<std::string> Inputs() {
    std::vector<std::string> inputs = {"",
                                       " ",
                                       "a",
                                       std::string(1, '\0'),
                                       "\x7F",
                                       "\x80\xFF",
                                       "!~ \x1F\x20\x21",
                                       std::string(200, 'w'),
                                       std::string(200, ' ')};
    std::mt19937 random(22);
    const unsigned char picks[] = {0x00, 0x09, 0x0A, 0x0D, 0x1F, 0x20,
                                   0x21, 0x7E, 0x7F, 0x80, 0xFF};
    for (std::size_t length = 0; length <= 200; ++length) {
        for (int variant = 0; variant < 3; ++variant) {
            std::string bytes(length, ' ');
            for (char& c : bytes) {
                c = static_cast<char>(variant == 0 ? random() % 256 : picks[random() % 11]);
            }
            inputs.push_back(bytes);
        }
    }
    return inputs;
}

TEST(Words, EverySplitterAgreesWithAPlainByteLoop) {
    for (const std::string& input : Inputs()) {
        SCOPED_TRACE(testing::PrintToString(input));
        const std::vector<Span> expected = PlainWords(input);

        std::vector<Span> visited;
        ForEachWord(input, [&](std::size_t start, std::size_t end) {
            visited.push_back({start, end});
            return true;
        });
        EXPECT_EQ(visited, expected);

        std::vector<Span> split;
        for (const MapWord& word : SplitWords(input)) {
            EXPECT_EQ(word.text, input.substr(word.offset, word.text.size()));
            split.push_back({word.offset, word.offset + word.text.size()});
        }
        EXPECT_EQ(split, expected);

        const CLineWords words(input);
        ASSERT_EQ(words.size(), expected.size());
        for (std::size_t i = 0; i < words.size(); ++i) {
            EXPECT_EQ(words[i].offset, expected[i].start);
            EXPECT_EQ(words[i].text.size(), expected[i].end - expected[i].start);
        }

        // A block: its boundaries, starts and ends in turn, a word at the end perhaps without an
        // end or with the block's length as its end; and its line feeds.
        std::vector<std::uint32_t> bounds(MaxWordBounds(input.size()));
        std::vector<std::uint64_t> lineFeeds((input.size() + 63) / 64 + 1);
        const WordBoundsFound found =
            FindWordBounds(input.data(), input.size(), bounds.data(), lineFeeds.data());
        std::vector<Span> blockWords;
        for (std::size_t b = 0; b < found.bounds; b += 2) {
            blockWords.push_back({bounds[b], b + 1 < found.bounds ? bounds[b + 1] : input.size()});
        }
        EXPECT_EQ(blockWords, expected);
        std::size_t lines = 0;
        for (std::size_t i = 0; i <= input.size(); ++i) {
            EXPECT_EQ(CountLineFeeds(lineFeeds.data(), 0, i), lines);
            EXPECT_EQ(CountLineFeeds(lineFeeds.data(), i, input.size()), found.lineFeeds - lines);
            lines += i < input.size() && input[i] == '\n' ? 1u : 0u;
        }
        EXPECT_EQ(found.lineFeeds, lines);
    }
}

TEST(Words, KeepsTheFirstAndLastOfALongLineAndFindsTheRest) {
    std::string line;
    for (int i = 0; i < 1000; ++i) {
        line += "w" + std::to_string(i) + " ";
    }
    const CLineWords words(line);
    ASSERT_EQ(words.size(), 1000u);
    for (std::size_t i : {0u, 7u, 8u, 500u, 991u, 992u, 999u}) {
        EXPECT_EQ(words[i].text, "w" + std::to_string(i));
    }
    EXPECT_EQ(words.back().text, "w999");
    EXPECT_TRUE(WordsAre(CLineWords(" MODULE \t INFORMATION "), {"MODULE", "INFORMATION"}));
    EXPECT_FALSE(WordsAre(SplitWords("MODULE INFORMATION:"), {"MODULE", "INFORMATION"}));
}

TEST(Words, TrimTakesSeparatorsOffTheEnds) {
    EXPECT_EQ(Trim(" \t a b\r\x7F"), "a b");
    EXPECT_EQ(TrimRight(" a "), " a");
    EXPECT_EQ(Trim(" \t "), "");
}

}  // namespace
