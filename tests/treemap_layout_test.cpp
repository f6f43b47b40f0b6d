#include "report/treemap_layout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::int64_t Area(const TreemapRect& r) {
    return static_cast<std::int64_t>(r.width) * r.height;
}

// Checks the rectangles of `items` laid out in `box` (and, inside them, those of their children):
// inside the box, no two overlapping, tiling it, each area within rounding of its share, every
// item shown once (alone, or in a group of items too small to draw). Counts each one it checks.
void CheckLevel(const std::vector<TreemapItem>& items, const std::vector<TreemapRect>& rects,
                int parent, const TreemapRect& box, const TreemapOptions& options,
                std::vector<int>& checked) {
    double total = 0;
    for (const TreemapItem& item : items) {
        total += item.weight > 0 ? static_cast<double>(item.weight) : 0.0;
    }
    const double boxArea = static_cast<double>(Area(box));
    const auto share = [&](std::int64_t w) { return static_cast<double>(w) * boxArea / total; };
    std::vector<int> shown(items.size(), 0);
    std::int64_t areaSum = 0;
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const TreemapRect& r = rects[i];
        if (r.parent != parent) {
            continue;
        }
        SCOPED_TRACE("rectangle " + std::to_string(i));
        ++checked[i];
        EXPECT_GT(static_cast<int>(i), parent);  // parents come first
        EXPECT_TRUE(r.width >= 0 && r.height >= 0 && r.x >= box.x && r.y >= box.y &&
                    r.x + r.width <= box.x + box.width && r.y + r.height <= box.y + box.height);
        for (std::size_t k = i + 1; k < rects.size(); ++k) {
            const TreemapRect& o = rects[k];
            EXPECT_FALSE(o.parent == parent && r.x < o.x + o.width && o.x < r.x + r.width &&
                         r.y < o.y + o.height && o.y < r.y + r.height)
                << "overlaps " << k;
        }
        areaSum += Area(r);
        EXPECT_LE(std::abs(static_cast<double>(Area(r)) - share(r.weight)),
                  r.width + r.height + 3.0);
        EXPECT_NE(r.grouped.size(), 1u);
        std::int64_t weight = 0;
        for (std::size_t member :
             r.grouped.empty() ? std::vector<std::size_t>{r.item} : r.grouped) {
            ++shown.at(member);
            weight += items[member].weight;
            EXPECT_TRUE(r.grouped.empty() ||
                        share(items[member].weight) < static_cast<double>(options.minArea));
        }
        EXPECT_EQ(r.weight, weight);
        bool hasChildren = false;
        for (const TreemapRect& c : rects) {
            hasChildren = hasChildren || c.parent == static_cast<int>(i);
        }
        EXPECT_EQ(hasChildren, r.nested);
        if (r.nested) {
            TreemapRect inner = r;
            inner.x += options.padding;
            inner.y += options.bandHeight;
            inner.width -= 2 * options.padding;
            inner.height -= options.bandHeight + options.padding;
            CheckLevel(items[r.item].children, rects, static_cast<int>(i), inner, options, checked);
        }
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(shown[i], items[i].weight > 0 ? 1 : 0) << "item " << i;
    }
    if (total > 0) {
        EXPECT_EQ(areaSum, Area(box));
    }
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
        for (std::uint32_t m = state % static_cast<std::uint32_t>(magnitudes); m > 0; --m) {
            weight *= 10;
        }
        weights.push_back(weight);
    }
    return weights;
}

// Every second item made of five children that add up to it.
std::vector<TreemapItem> Nested(std::size_t count) {
    std::vector<TreemapItem> items = Items(SpreadWeights(count, 7, 3));
    for (std::size_t i = 0; i < items.size(); i += 2) {
        items[i] = {0, Items(SpreadWeights(5, static_cast<std::uint32_t>(i), 2))};
        for (const TreemapItem& child : items[i].children) {
            items[i].weight += child.weight;
        }
    }
    return items;
}

TEST(TreemapLayoutTest, TilesItsBoxInProportionOnManyShapesOfInput) {
    const TreemapOptions wide;
    const TreemapOptions tall{90, 700};
    const TreemapOptions tiny{7, 3, 1};
    std::vector<std::int64_t> crumbs(5000, 1);
    crumbs[17] = 100000000;
    const struct {
        const char* name;
        std::vector<TreemapItem> items;
        TreemapOptions options;
    } cases[] = {
        {"one item", Items({42}), wide},
        {"equal weights", Items(std::vector<std::int64_t>(37, 5)), wide},
        {"equal weights, tall box", Items(std::vector<std::int64_t>(37, 5)), tall},
        {"spread weights", Items(SpreadWeights(300, 1, 5)), wide},
        {"spread weights, tall box", Items(SpreadWeights(300, 2, 5)), tall},
        {"one giant and many crumbs", Items(crumbs), wide},
        {"zero and negative sizes are left out", Items({0, 300, -5, 200, 0, 100}), wide},
        {"weights near the 64-bit limit", Items({INT64_MAX / 4, INT64_MAX / 4, INT64_MAX / 8}),
         wide},
        {"a box smaller than the items", Items({5, 4, 3, 2, 1}), tiny},
        {"nothing to draw", {}, wide},
        {"children inside their parents", Nested(40), wide},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<TreemapRect> rects = LayoutTreemap(c.items, c.options);
        std::vector<int> checked(rects.size(), 0);
        TreemapRect box;
        box.width = c.options.width;
        box.height = c.options.height;
        CheckLevel(c.items, rects, -1, box, c.options, checked);
        EXPECT_EQ(checked, std::vector<int>(rects.size(), 1));
    }
    const std::vector<TreemapRect> nested = LayoutTreemap(Nested(40), wide);
    EXPECT_GT(nested.size(), 40u);  // children were drawn
}

TEST(TreemapLayoutTest, DrawsNoBreakdownThatDoesNotAccountForEveryUnit) {
    for (const std::vector<std::int64_t>& children : std::vector<std::vector<std::int64_t>>{
             {600, 300}, {600, 300, 200}, {600, 400, 0}, {1100, -100}}) {
        SCOPED_TRACE(::testing::PrintToString(children));
        EXPECT_EQ(LayoutTreemap({{1000, Items(children)}}, TreemapOptions{}).size(), 1u);
    }
}

TEST(TreemapLayoutTest, GroupsItemsTooSmallToTellApart) {
    const TreemapOptions options{100, 100, 100};  // 1 % of the box
    // 1 % of the weight exactly is large enough; the four below it are one group, which takes
    // its place among the others by its weight.
    const std::vector<TreemapRect> rects =
        LayoutTreemap(Items({5000, 9, 1000, 10, 3790, 1, 100, 90}), options);
    std::vector<std::size_t> order;
    for (const TreemapRect& r : rects) {
        order.push_back(r.item);
    }
    EXPECT_EQ(order, (std::vector<std::size_t>{0, 4, 2, 7, 6}));
    EXPECT_EQ(rects.at(3).grouped, (std::vector<std::size_t>{7, 3, 1, 5}));
    EXPECT_EQ(rects.at(3).weight, 110);
    // A lone small item is drawn as itself.
    EXPECT_TRUE(LayoutTreemap(Items({9990, 10}), options).at(1).grouped.empty());
}

// The classic example, weights 6 6 4 3 2 2 1 in a 6 by 4 box: a column of 6+6, a line of 4+3,
// then columns of 2, 2 and 1, each row kept while it makes the worst ratio no worse. The exact
// integers also hold the layout to the same bytes on every platform the suite runs on.
TEST(TreemapLayoutTest, LaysOutTheClassicExampleInSquarifiedRows) {
    std::vector<std::string> boxes;
    for (const TreemapRect& r : LayoutTreemap(Items({6, 6, 4, 3, 2, 2, 1}), {600, 400, 1})) {
        boxes.push_back(std::to_string(r.item) + ":" + std::to_string(r.x) + "," +
                        std::to_string(r.y) + "," + std::to_string(r.width) + "x" +
                        std::to_string(r.height));
    }
    EXPECT_EQ(boxes, (std::vector<std::string>{
                         "0:0,0,300x200", "1:0,200,300x200", "2:300,0,171x233", "3:471,0,129x233",
                         "4:300,233,120x167", "5:420,233,120x167", "6:540,233,60x167"}));
}

}  // namespace
