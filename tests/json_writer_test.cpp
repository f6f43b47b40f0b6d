#include "report/json_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Utf8Case {
    const char* what;
    std::string bytes;
    std::string expected;
};

TEST(ToValidUtf8, KeepsWellFormedSequencesAndMapsEveryOtherByteAsLatin1) {
    const Utf8Case cases[] = {
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
    for (const Utf8Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ToValidUtf8(c.bytes), c.expected);
    }
}

TEST(AppendJsonString, EscapesQuotesBackslashesAndControlBytes) {
    const Utf8Case cases[] = {
        {"plain", "main.obj", "\"main.obj\""},
        {"Windows path", "C:\\PIC18C\\crt0.obj", "\"C:\\\\PIC18C\\\\crt0.obj\""},
        {"quotes", "say\"hi\".obj", "\"say\\\"hi\\\".obj\""},
        {"line breaks and tab", "a\nb\rc\td", "\"a\\nb\\rc\\td\""},
        {"other control bytes", std::string("\x01\x1F\0", 3), "\"\\u0001\\u001f\\u0000\""},
        {"DEL and slash stay", "\x7F/", "\"\x7F/\""},
        {"bytes above 0x7F", "Jos\xE9\\\xC3\xAB", "\"Jos\xC3\xA9\\\\\xC3\xAB\""},
    };
    for (const Utf8Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string out = "x";
        AppendJsonString(out, c.bytes);
        EXPECT_EQ(out, "x" + c.expected);
    }
}

}  // namespace
