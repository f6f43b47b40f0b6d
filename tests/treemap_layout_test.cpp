#include "treemap_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Bounds {
    int x0;
    int y0;
    int x1;
    int y1;
};

std::int64_t Area(const TreemapRect& r) {
    return static_cast<std::int64_t>(r.width) * r.height;
}

bool Overlap(const TreemapRect& a, const TreemapRect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

// Checks the siblings laid out in `box` for `items`, then their children, and returns how many
// rectangles the level and everything below it hold.
std::size_t CheckLevel(const std::vector<TreemapItem>& items, const std::vector<TreemapRect>& rects,
                       int parent, Bounds box, const TreemapOptions& options) {
    std::vector<std::size_t> level;
    for (std::size_t i = 0; i < rects.size(); ++i) {
        if (rects[i].parent == parent) {
            level.push_back(i);
        }
    }
    double total = 0;
    std::vector<int> shown(items.size(), 0);
    for (std::size_t i = 0; i < items.size(); ++i) {
        total += items[i].weight > 0 ? static_cast<double>(items[i].weight) : 0.0;
    }
    const double boxArea = static_cast<double>(box.x1 - box.x0) * (box.y1 - box.y0);
    const auto share = [&](std::int64_t weight) {
        return static_cast<double>(weight) * boxArea / total;
    };

    std::int64_t areaSum = 0;
    std::size_t count = level.size();
    for (std::size_t a = 0; a < level.size(); ++a) {
        const TreemapRect& r = rects[level[a]];
        SCOPED_TRACE("rectangle " + std::to_string(level[a]));
        EXPECT_GT(static_cast<int>(level[a]), parent);  // parents come first
        EXPECT_GE(r.width, 0);
        EXPECT_GE(r.height, 0);
        EXPECT_TRUE(r.x >= box.x0 && r.y >= box.y0 && r.x + r.width <= box.x1 &&
                    r.y + r.height <= box.y1);
        for (std::size_t b = a + 1; b < level.size(); ++b) {
            EXPECT_FALSE(Overlap(r, rects[level[b]])) << "overlaps " << level[b];
        }
        areaSum += Area(r);
        EXPECT_LE(std::abs(static_cast<double>(Area(r)) - share(r.weight)),
                  r.width + r.height + 3.0);

        std::int64_t weight = 0;
        const std::vector<std::size_t> members =
            r.grouped.empty() ? std::vector<std::size_t>{r.item} : r.grouped;
        for (std::size_t member : members) {
            ++shown.at(member);
            weight += items[member].weight;
            if (!r.grouped.empty()) {
                EXPECT_LT(share(items[member].weight), static_cast<double>(options.minArea));
            }
        }
        EXPECT_NE(r.grouped.size(), 1u);
        EXPECT_EQ(r.weight, weight);

        const bool hasChildren = std::any_of(rects.begin(), rects.end(), [&](const TreemapRect& c) {
            return c.parent == static_cast<int>(level[a]);
        });
        if (hasChildren) {
            std::int64_t sum = 0;
            for (const TreemapItem& child : items[r.item].children) {
                sum += child.weight;
            }
            EXPECT_EQ(sum, r.weight);
            const int top = r.band ? options.bandHeight : options.padding;
            count += CheckLevel(items[r.item].children, rects, static_cast<int>(level[a]),
                                {r.x + options.padding, r.y + top, r.x + r.width - options.padding,
                                 r.y + r.height - options.padding},
                                options);
        }
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(shown[i], items[i].weight > 0 ? 1 : 0) << "item " << i;
    }
    if (total > 0) {
        EXPECT_EQ(areaSum, static_cast<std::int64_t>(boxArea));  // the siblings tile the box
    }
    return count;
}

void CheckLayout(const std::vector<TreemapItem>& items, const TreemapOptions& options) {
    const std::vector<TreemapRect> rects = LayoutTreemap(items, options);
    EXPECT_EQ(CheckLevel(items, rects, -1, {0, 0, options.width, options.height}, options),
              rects.size());
}

std::vector<TreemapItem> Items(const std::vector<std::int64_t>& weights) {
    std::vector<TreemapItem> items;
    for (std::int64_t weight : weights) {
        items.push_back({weight, {}});
    }
    return items;
}

// Weights from a fixed pseudo-random sequence, spread over several orders of magnitude.
std::vector<std::int64_t> SpreadWeights(std::size_t count, std::uint32_t seed, int magnitudes) {
    std::vector<std::int64_t> weights;
    std::uint32_t state = seed;
    for (std::size_t i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        std::int64_t weight = 1 + (state >> 16) % 9;
        for (int m = static_cast<int>(state % static_cast<std::uint32_t>(magnitudes)); m > 0; --m) {
            weight *= 10;
        }
        weights.push_back(weight);
    }
    return weights;
}

TEST(TreemapLayoutTest, KeepsItsInvariantsOnManyShapesOfInput) {
    struct Case {
        const char* name;
        std::vector<std::int64_t> weights;
        TreemapOptions options;
    };
    const TreemapOptions wide;
    TreemapOptions tall;
    tall.width = 90;
    tall.height = 700;
    TreemapOptions tiny;
    tiny.width = 7;
    tiny.height = 3;
    tiny.minArea = 1;
    const std::vector<Case> cases = {
        {"one item", {42}, wide},
        {"equal weights", std::vector<std::int64_t>(37, 5), wide},
        {"equal weights, tall box", std::vector<std::int64_t>(37, 5), tall},
        {"spread weights", SpreadWeights(300, 1, 5), wide},
        {"spread weights, tall box", SpreadWeights(300, 2, 5), tall},
        {"one giant and many crumbs",
         [] {
             std::vector<std::int64_t> w(5000, 1);
             w[17] = 100000000;
             return w;
         }(),
         wide},
        {"zero and negative sizes are left out", {0, 300, -5, 200, 0, 100}, wide},
        {"weights near the 64-bit limit", {INT64_MAX / 4, INT64_MAX / 4, INT64_MAX / 8}, wide},
        {"a box smaller than the items", {5, 4, 3, 2, 1}, tiny},
        {"nothing to draw", {}, wide},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CheckLayout(Items(c.weights), c.options);
    }
}

TEST(TreemapLayoutTest, NestsChildrenThatAddUpToTheirParent) {
    std::vector<TreemapItem> items = Items(SpreadWeights(40, 7, 3));
    for (std::size_t i = 0; i < items.size(); i += 2) {
        for (std::int64_t child : SpreadWeights(5, static_cast<std::uint32_t>(i), 2)) {
            items[i].children.push_back({child, {}});
        }
        items[i].weight = 0;
        for (const TreemapItem& child : items[i].children) {
            items[i].weight += child.weight;
        }
    }
    CheckLayout(items, TreemapOptions{});
    const std::vector<TreemapRect> rects = LayoutTreemap(items, TreemapOptions{});
    EXPECT_TRUE(std::any_of(rects.begin(), rects.end(),
                            [](const TreemapRect& r) { return r.parent >= 0; }));
}

TEST(TreemapLayoutTest, DrawsNoBreakdownThatDoesNotAccountForEveryUnit) {
    const std::vector<std::pair<const char*, std::vector<std::int64_t>>> cases = {
        {"children short of the parent", {600, 300}},
        {"children beyond the parent", {600, 300, 200}},
        {"a child of size 0", {600, 400, 0}},
        {"a child below 0", {1100, -100}},
    };
    for (const auto& [name, children] : cases) {
        SCOPED_TRACE(name);
        TreemapItem parent{1000, Items(children)};
        const std::vector<TreemapRect> rects = LayoutTreemap({parent}, TreemapOptions{});
        ASSERT_EQ(rects.size(), 1u);
        EXPECT_FALSE(rects[0].band);
    }
}

TEST(TreemapLayoutTest, GroupsItemsTooSmallToTellApart) {
    TreemapOptions options;
    options.width = 100;
    options.height = 100;
    options.minArea = 100;  // 1 % of the box
    // 1 % of the weight exactly is large enough; the four below it are one group, which takes
    // its place among the others by its weight.
    const std::vector<TreemapRect> rects =
        LayoutTreemap(Items({5000, 9, 1000, 10, 3790, 1, 100, 90}), options);
    ASSERT_EQ(rects.size(), 5u);
    std::vector<std::size_t> order;
    for (const TreemapRect& r : rects) {
        order.push_back(r.item);
    }
    EXPECT_EQ(order, (std::vector<std::size_t>{0, 4, 2, 7, 6}));
    EXPECT_EQ(rects[3].grouped, (std::vector<std::size_t>{7, 3, 1, 5}));
    EXPECT_EQ(rects[3].weight, 110);

    // A lone small item is drawn as itself.
    EXPECT_TRUE(LayoutTreemap(Items({9990, 10}), options)[1].grouped.empty());
}

// The classic example, weights 6 6 4 3 2 2 1 in a 6 by 4 box: a column of 6+6, a line of 4+3,
// then columns of 2, 2 and 1, each row kept while it makes the worst ratio no worse. The exact
// integers also hold the layout to the same bytes on every platform the suite runs on.
TEST(TreemapLayoutTest, LaysOutTheClassicExampleInSquarifiedRows) {
    TreemapOptions options;
    options.width = 600;
    options.height = 400;
    options.minArea = 1;
    std::vector<std::string> boxes;
    for (const TreemapRect& r : LayoutTreemap(Items({6, 6, 4, 3, 2, 2, 1}), options)) {
        boxes.push_back(std::to_string(r.item) + ":" + std::to_string(r.x) + "," +
                        std::to_string(r.y) + "," + std::to_string(r.width) + "x" +
                        std::to_string(r.height));
    }
    EXPECT_EQ(boxes, (std::vector<std::string>{
                         "0:0,0,300x200", "1:0,200,300x200", "2:300,0,171x233", "3:471,0,129x233",
                         "4:300,233,120x167", "5:420,233,120x167", "6:540,233,60x167"}));
}

}  // namespace
