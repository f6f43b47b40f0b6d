#include "text/lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> LinesOf(const std::string& bytes) {
    std::vector<std::string> lines;
    CTextLines reader(bytes);
    std::string_view line;
    while (reader.Next(line)) {
        lines.emplace_back(line);
        EXPECT_EQ(reader.Number(), static_cast<long>(lines.size()));
    }
    return lines;
}

TEST(Lines, EndAtALineFeedWithACarriageReturnBeforeIt) {
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"nothing", "", {}},
        {"one line feed", "\n", {""}},
        {"no line feed at the end", "a", {"a"}},
        {"a line feed at the end starts no line", "a\n", {"a"}},
        {"CR LF", "a\r\nb\r\n", {"a", "b"}},
        {"a CR at the very end", "a\r", {"a"}},
        {"a CR alone inside a line stays", "a\rb\n", {"a\rb"}},
        {"only one CR goes", "a\r\r\n", {"a\r"}},
        {"blank lines", "\r\n\n\r\n", {"", "", ""}},
        {"a byte-order mark before the first line",
         "\xEF\xBB\xBF"
         "a\n",
         {"a"}},
        {"a byte-order mark alone", "\xEF\xBB\xBF", {}},
        {"half a byte-order mark",
         "\xEF\xBB"
         "a",
         {"\xEF\xBB"
          "a"}},
        {"one on the second line stays",
         "a\n\xEF\xBB\xBF"
         "b",
         {"a",
          "\xEF\xBB\xBF"
          "b"}},
        {"a line feed in a byte-order mark's place", "\xEF\xBB\n", {"\xEF\xBB"}},
        {"NUL bytes are text", std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(LinesOf(c.bytes), c.lines);
    }
}

}  // namespace
