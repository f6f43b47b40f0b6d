#include "text/utf8.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

TEST(ToValidUtf8, KeepsWellFormedSequencesAndMapsEveryOtherByteAsLatin1) {
    // What, the bytes, the valid UTF-8 expected.
    const std::vector<std::array<std::string, 3>> cases = {
        {"ASCII", "C:\\a.obj", "C:\\a.obj"},
        {"two bytes, lowest", "\xC2\x80", "\xC2\x80"},
        {"two bytes, e with diaeresis", "Zo\xC3\xAB", "Zo\xC3\xAB"},
        {"three bytes, lowest", "\xE0\xA0\x80", "\xE0\xA0\x80"},
        {"three bytes, last before the surrogates", "\xED\x9F\xBF", "\xED\x9F\xBF"},
        {"four bytes, an emoji", "\xF0\x9F\x94\xA5", "\xF0\x9F\x94\xA5"},
        {"four bytes, U+10FFFF", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
        {"Latin-1 e acute", "Jos\xE9", "Jos\xC3\xA9"},
        {"overlong two-byte lead C1", "\xC1\xBF", "\xC3\x81\xC2\xBF"},
        {"overlong three bytes", "\xE0\x9F\xBF", "\xC3\xA0\xC2\x9F\xC2\xBF"},
        {"surrogate", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80"},
        {"lead F5", "\xF5", "\xC3\xB5"},
        {"stray continuation byte", "a\x80z", "a\xC2\x80z"},
        {"sequence cut by ASCII", "\xC3.obj", "\xC3\x83.obj"},
        {"sequence cut by the end", "x\xF0\x9F\x94", "x\xC3\xB0\xC2\x9F\xC2\x94"},
        {"byte FF", "\xFF", "\xC3\xBF"},
    };
    for (const auto& [what, bytes, expected] : cases) {
        EXPECT_EQ(ToValidUtf8(bytes), expected) << what;
    }
}

// Every code point up to U+10FFFF but the surrogates goes to UTF-16 and back unchanged; a byte
// of no character becomes U+FFFD, and so does a lone surrogate on the way back.
TEST(Utf16, RoundTripsEveryCodePointAndReplacesWhatIsNone) {
    for (std::uint32_t code = 0; code <= 0x10FFFF; code += (code < 0x3000 ? 1 : 0x101)) {
        if (code >= 0xD800 && code <= 0xDFFF) {
            continue;
        }
        std::u16string wide;
        if (code >= 0x10000) {
            wide += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            wide += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            wide += static_cast<char16_t>(code);
        }
        const std::string narrow = Utf8FromUtf16(wide);
        std::uint32_t decoded = 0;
        ASSERT_EQ(DecodeUtf8(narrow, 0, decoded), narrow.size()) << code;
        ASSERT_EQ(decoded, code);
        ASSERT_EQ(Utf16FromUtf8(narrow), wide) << code;
    }
    EXPECT_EQ(Utf16FromUtf8("a\xE9\xF8\x90\x80\x80z"),
              (std::u16string{u'a', 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, u'z'}));
    EXPECT_EQ(Utf8FromUtf16(std::u16string{0xDC00, u'a', 0xD800}),
              "\xEF\xBF\xBD"
              "a\xEF\xBF\xBD");
}

}  // namespace
