#include "report/treemap_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

// The layout is computed in doubles with + - * / only, which IEEE 754 rounds the same way on
// every platform (the file is compiled without fused multiply-add), and every edge is rounded to
// whole units once. Neighbours share the very same edge value, so the rounded rectangles still
// tile their box.

namespace {

struct Box {
    double x0;
    double y0;
    double x1;
    double y1;
};

// One rectangle to place at a level: an item, or the group of the level's small items.
struct Piece {
    std::int64_t weight;
    std::size_t item;
    std::vector<std::size_t> grouped;
};

std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b) {
    return a > std::numeric_limits<std::int64_t>::max() - b
               ? std::numeric_limits<std::int64_t>::max()
               : a + b;
}

bool ChildrenAddUp(const TreemapItem& item) {
    if (item.children.empty()) {
        return false;
    }
    std::int64_t sum = 0;
    for (const TreemapItem& child : item.children) {
        if (child.weight <= 0 || child.weight > item.weight - sum) {
            return false;
        }
        sum += child.weight;
    }
    return sum == item.weight;
}

// The items of a level, largest first (equal weights in input order), with the items too small
// to draw gathered into one group when there are two or more of them.
std::vector<Piece> PiecesOf(const std::vector<TreemapItem>& items, double boxArea,
                            std::int64_t minArea) {
    std::vector<std::size_t> order;
    double total = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].weight > 0) {
            order.push_back(i);
            total += static_cast<double>(items[i].weight);
        }
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return items[a].weight > items[b].weight;
    });
    std::vector<Piece> pieces;
    std::size_t firstSmall = order.size();
    for (std::size_t k = 0; k < order.size(); ++k) {
        const double share = static_cast<double>(items[order[k]].weight) * boxArea;
        if (share < static_cast<double>(minArea) * total) {
            firstSmall = k;
            break;
        }
    }
    if (order.size() - firstSmall < 2) {
        firstSmall = order.size();
    }
    for (std::size_t k = 0; k < firstSmall; ++k) {
        pieces.push_back({items[order[k]].weight, order[k], {}});
    }
    if (firstSmall == order.size()) {
        return pieces;
    }
    Piece group{0, order[firstSmall], {}};
    for (std::size_t k = firstSmall; k < order.size(); ++k) {
        group.weight = SaturatingAdd(group.weight, items[order[k]].weight);
        group.grouped.push_back(order[k]);
    }
    // The group takes its place by weight, after the items of equal weight: the layout keeps
    // its best shapes when the pieces come largest first.
    const auto at = std::upper_bound(
        pieces.begin(), pieces.end(), group.weight,
        [](std::int64_t weight, const Piece& piece) { return weight > piece.weight; });
    pieces.insert(at, std::move(group));
    return pieces;
}

// The worst aspect ratio of a row of pieces laid along `side`, given the largest and smallest
// area of the row and the row's area.
double WorstRatio(double largest, double smallest, double rowArea, double side) {
    const double sideSquared = side * side;
    const double rowSquared = rowArea * rowArea;
    return std::max(sideSquared * largest / rowSquared, rowSquared / (sideSquared * smallest));
}

int Round(double value) {
    return static_cast<int>(std::llround(value));
}

// Places the pieces (largest first) in the box and gives each its box, in order.
std::vector<Box> Squarify(const std::vector<Piece>& pieces, Box box) {
    std::vector<Box> boxes;
    boxes.reserve(pieces.size());
    double restWeight = 0;
    for (const Piece& piece : pieces) {
        restWeight += static_cast<double>(piece.weight);
    }
    std::size_t i = 0;
    while (i < pieces.size()) {
        const double width = box.x1 - box.x0;
        const double height = box.y1 - box.y0;
        // The row runs along the shorter side: a column at the left of a wide box, a line at the
        // top of a tall one.
        const bool column = width >= height;
        const double side = column ? height : width;
        const double length = column ? width : height;
        const double scale = width * height / restWeight;
        const auto area = [&](std::size_t k) {
            return static_cast<double>(pieces[k].weight) * scale;
        };

        std::size_t end = i + 1;
        double rowWeight = static_cast<double>(pieces[i].weight);
        if (side > 0 && length > 0) {
            double worst = WorstRatio(area(i), area(i), rowWeight * scale, side);
            while (end < pieces.size()) {
                const double weight = rowWeight + static_cast<double>(pieces[end].weight);
                const double ratio = WorstRatio(area(i), area(end), weight * scale, side);
                if (ratio > worst) {
                    break;
                }
                worst = ratio;
                rowWeight = weight;
                ++end;
            }
        } else {
            // A box without area: whatever is left goes into one row of empty rectangles.
            end = pieces.size();
        }
        const bool lastRow = end == pieces.size();
        const double start = column ? box.x0 : box.y0;
        const double stop = column ? box.x1 : box.y1;
        const double cut = lastRow ? stop : start + length * (rowWeight / restWeight);

        double position = column ? box.y0 : box.x0;
        const double sideEnd = column ? box.y1 : box.x1;
        double done = 0;
        for (std::size_t k = i; k < end; ++k) {
            done += static_cast<double>(pieces[k].weight);
            const double next =
                k + 1 == end ? sideEnd : (column ? box.y0 : box.x0) + side * (done / rowWeight);
            boxes.push_back(column ? Box{start, position, cut, next}
                                   : Box{position, start, next, cut});
            position = next;
        }
        if (column) {
            box.x0 = cut;
        } else {
            box.y0 = cut;
        }
        restWeight -= rowWeight;
        i = end;
    }
    return boxes;
}

void LayoutLevel(const std::vector<TreemapItem>& items, int x, int y, int width, int height,
                 int parent, const TreemapOptions& options, std::vector<TreemapRect>& out) {
    const double boxArea = static_cast<double>(width) * static_cast<double>(height);
    const std::vector<Piece> pieces = PiecesOf(items, boxArea, options.minArea);
    if (pieces.empty()) {
        return;
    }
    const std::vector<Box> boxes =
        Squarify(pieces, Box{static_cast<double>(x), static_cast<double>(y),
                             static_cast<double>(x) + width, static_cast<double>(y) + height});
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        TreemapRect rect;
        rect.x = Round(boxes[k].x0);
        rect.y = Round(boxes[k].y0);
        rect.width = Round(boxes[k].x1) - rect.x;
        rect.height = Round(boxes[k].y1) - rect.y;
        rect.parent = parent;
        rect.item = pieces[k].item;
        rect.weight = pieces[k].weight;
        rect.grouped = pieces[k].grouped;
        const int index = static_cast<int>(out.size());
        out.push_back(std::move(rect));
        if (!pieces[k].grouped.empty() || !ChildrenAddUp(items[pieces[k].item])) {
            continue;
        }
        // Children go below a band that keeps the parent's label in sight; a parent too small
        // for the band and a useful area under it is drawn as itself.
        const int pad = options.padding;
        const int innerWidth = out.back().width - 2 * pad;
        const int innerHeight = out.back().height - options.bandHeight - pad;
        if (innerWidth <= 0 || innerHeight < options.bandHeight ||
            static_cast<std::int64_t>(innerWidth) * innerHeight < options.minArea) {
            continue;
        }
        out.back().nested = true;
        LayoutLevel(items[pieces[k].item].children, out.back().x + pad,
                    out.back().y + options.bandHeight, innerWidth, innerHeight, index, options,
                    out);
    }
}

}  // namespace

std::vector<TreemapRect> LayoutTreemap(const std::vector<TreemapItem>& items,
                                       const TreemapOptions& options) {
    std::vector<TreemapRect> rects;
    if (options.width > 0 && options.height > 0) {
        LayoutLevel(items, 0, 0, options.width, options.height, -1, options, rects);
    }
    return rects;
}
