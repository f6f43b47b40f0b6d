#include "text/numbers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

// Every way a map writes a number, against strtoull as an independent reading: the boundary pairs
// of 32 bits (the last value that fits and the first that does not), leading zeros past eight
// digits, the letters of each case and the bytes next to the digits.
TEST(ParseHex32, AgreesWithStrtoullWithinThirtyTwoBits) {
    const std::vector<std::string> texts = {
        "0",         "F",         "f",          "FFFFFFFF",  "ffffffff", "100000000",
        "0FFFFFFFF", "000000001", "00000000FF", "7fffFFFF",  "",         "G",
        "g",         "/",         ":",          "@",         "`",        "12 3",
        "-1",        "+1",        "0x1",        "123456789", "1234567",  "DEADBEEF"};
    for (const std::string& text : texts) {
        for (const HexCase letters : {HexCase::kUpper, HexCase::kAny}) {
            SCOPED_TRACE(text + (letters == HexCase::kUpper ? " upper" : " any"));
            bool digits = !text.empty();
            for (char c : text) {
                const bool upper = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
                digits = digits && (upper || (letters == HexCase::kAny && c >= 'a' && c <= 'f'));
            }
            const unsigned long long expected =
                digits ? std::strtoull(text.c_str(), nullptr, 16) : 0;
            std::uint64_t value = 0;
            const bool fits = digits && expected <= kMax32;
            EXPECT_EQ(ParseHex32(text, letters, value), fits);
            if (fits) {
                EXPECT_EQ(value, expected);
            }
        }
    }
}

TEST(ParseDecimal, UnsignedUpToTheLimitAndSignedWithin32Bits) {
    std::uint64_t value = 0;
    EXPECT_TRUE(ParseUnsignedDecimal("4294967295", kMax32, value));
    EXPECT_EQ(value, kMax32);
    EXPECT_FALSE(ParseUnsignedDecimal("4294967296", kMax32, value));  // the first too large
    EXPECT_TRUE(ParseUnsignedDecimal("0000000000007", kMax32, value));
    EXPECT_EQ(value, 7u);
    for (const char* bad : {"", "-1", "+1", "1 ", "1a", "x"}) {
        EXPECT_FALSE(ParseUnsignedDecimal(bad, kMax32, value)) << bad;
    }
    std::int64_t signedValue = 0;
    EXPECT_TRUE(ParseSignedDecimal("-4294967295", signedValue));
    EXPECT_EQ(signedValue, -4294967295LL);
    EXPECT_FALSE(ParseSignedDecimal("-4294967296", signedValue));
    EXPECT_FALSE(ParseSignedDecimal("-", signedValue));
    EXPECT_FALSE(ParseSignedDecimal("--1", signedValue));
}

TEST(DecimalToInt, ConvertsAsAtoiDoes) {
    const std::vector<std::pair<const char*, std::int32_t>> cases = {
        {"1", 1},
        {"-1", -1},
        {"1x", 1},
        {"+0", 0},
        {"x", 0},
        {"", 0},
        {"+", 0},
        {"-", 0},
        {"--1", 0},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"4294967296", 0},  // wraps like a 64-bit strtol cast to int
        {"4294967297", 1},
    };
    for (const auto& [text, value] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(DecimalToInt(text), value);
    }
}

TEST(HexText, PrintsAsPrintfDoes) {
    char expected[32];
    for (const std::uint64_t value : {0ull, 9ull, 10ull, 0xABCull, 0x300000ull, ~0ull}) {
        for (const std::size_t digits : {std::size_t{1}, std::size_t{2}, std::size_t{6}}) {
            std::snprintf(expected, sizeof expected, "%0*llX", static_cast<int>(digits),
                          static_cast<unsigned long long>(value));
            EXPECT_EQ(HexText(value, digits), expected);
            std::snprintf(expected, sizeof expected, "%0*llx", static_cast<int>(digits),
                          static_cast<unsigned long long>(value));
            EXPECT_EQ(HexText(value, digits, HexCase::kLower), expected);
        }
    }
}

}  // namespace
