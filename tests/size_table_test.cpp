#include "core/size_table.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

// A name stays where it was put whatever is added after it: in the room a reader reserved, past
// that room, and in blocks of names longer than a block.
TEST(CNameStore, NamesStayValidInAndPastTheReservedRoom) {
    CNameStore store;
    std::vector<std::string> texts;
    std::vector<std::string_view> stored;
    const auto add = [&](std::string text) {
        stored.push_back(store.Add(text));
        texts.push_back(std::move(text));
    };
    add("before.obj");
    store.Reserve(100000);
    for (int i = 0; i < 20000; ++i) {
        add("C:\\objects\\name" + std::to_string(i) + ".obj");
        if (i % 5000 == 0) {
            add(std::string(70000, 'L') + std::to_string(i));
        }
    }
    add("after.obj");
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ASSERT_EQ(stored[i], texts[i]) << i;
    }
}

}  // namespace
