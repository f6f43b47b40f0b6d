#include "text/hex_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

TEST(HexToInt, ReadsUpperCaseHexadecimalModulo2To32) {
    const std::vector<std::pair<const char*, std::int32_t>> cases = {
        {"10C", 268},
        {"0", 0},
        {"00000000", 0},
        {"FFFFFFFF", -1},
        {"7FFFFFFF", 2147483647},
        {"80000000", -2147483647 - 1},
        {"123456789", 591751049},  // the leading 1 adds nothing
        {"", 0},
        {"ABCDEF", 0xABCDEF},
        {"000000000000000000001F", 31},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        std::int32_t value = -7;
        EXPECT_TRUE(HexToInt(text, value));
        EXPECT_EQ(value, expected);
    }
}

TEST(HexToInt, RejectsAnythingButUpperCaseHexDigits) {
    for (const char* text : {"1a", "0x10", "-1", "1G", "10c", "and", " 1", "1\xC1", "ABCDEFGH0"}) {
        SCOPED_TRACE(text);
        std::int32_t value = 0;
        EXPECT_FALSE(HexToInt(text, value));
    }
    for (char c : {'a', 'f', 'G', '/', ':', '@', '\0'}) {
        EXPECT_EQ(HexDigitValue(c), 0xFF) << static_cast<int>(c);
    }
}

TEST(ParseHexNumber, TakesEitherCaseUpToTheLimit) {
    std::uint64_t value = 0;
    EXPECT_TRUE(ParseHexNumber("ffffffff", false, 0xFFFFFFFFu, value));
    EXPECT_EQ(value, 0xFFFFFFFFu);
    EXPECT_FALSE(ParseHexNumber("100000000", false, 0xFFFFFFFFu, value));  // the first too large
    EXPECT_TRUE(ParseHexNumber("00000000FF", false, 0xFFu, value));        // leading zeros
    EXPECT_EQ(value, 0xFFu);
    EXPECT_FALSE(ParseHexNumber("100", false, 0xFFu, value));
    EXPECT_FALSE(ParseHexNumber("ff", true, 0xFFFFu, value));
    EXPECT_FALSE(ParseHexNumber("", false, 0xFFu, value));
}

}  // namespace
