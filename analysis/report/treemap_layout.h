#pragma once

// Squarified treemaps: items share a rectangle in proportion to their weights, each one as close
// to a square as the order allows, so that sizes can be compared at a glance.

#include <cstddef>
#include <cstdint>
#include <vector>

struct TreemapItem {
    std::int64_t weight = 0;  // items of weight 0 or less are left out
    // Drawn inside the item when their weights (each above 0) add up to its weight exactly; a
    // breakdown that does not account for every unit of the item is not drawn at all.
    std::vector<TreemapItem> children;
};

struct TreemapOptions {
    int width = 960;
    int height = 360;
    // Items whose share of their box is smaller than this many square units cannot carry a
    // label or be told apart: two or more of them are drawn as one group.
    std::int64_t minArea = 100;
    int padding = 2;      // between a parent's edge and its children
    int bandHeight = 16;  // above a parent's children, for its label
};

struct TreemapRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int parent = -1;       // index of the enclosing rectangle in the layout; -1 at the top level
    std::size_t item = 0;  // index among its siblings in the input (the first one, for a group)
    std::int64_t weight = 0;
    // The siblings (indexes into the input) that this rectangle stands for together, largest
    // first; empty when it stands for one item.
    std::vector<std::size_t> grouped;
    bool nested = false;  // its children are drawn inside it, below a band at its top
};

// The rectangles of the items in the box (0, 0, width, height), in integer units: every parent
// comes before its children. Siblings tile their box exactly, without gaps or overlaps, and each
// one's area differs from its share of the box by no more than the rounding of its edges to
// whole units. The same input gives the same rectangles on every platform.
std::vector<TreemapRect> LayoutTreemap(const std::vector<TreemapItem>& items,
                                       const TreemapOptions& options);
