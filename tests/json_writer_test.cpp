#include "report/json_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Utf8Case {
    const char* what;
    std::string bytes;
    std::string expected;
};

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
