// The squarified treemap of a folder's subtree: each file a rectangle whose area is its share of
// the bytes, each folder a frame (with a strip for its name where there is room) holding its
// children, laid out row by row so that the rectangles stay close to squares.
#pragma once

#include "listfile/entry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kx {

struct TreemapRect {
    double x = 0, y = 0, w = 0, h = 0;
    bool contains(double px, double py) const {
        return px >= x && py >= y && px < x + w && py < y + h;
    }
};

// The rectangles of `sizes` (all above 0, largest first) in `area`, in the same order: area
// proportional to size, together filling `area` exactly.
std::vector<TreemapRect> squarify(const std::vector<double>& sizes, const TreemapRect& area);

// One laid-out Entry; a folder's cell comes before the cells of its children.
struct TreemapCell {
    TreemapRect rect;
    std::uint32_t id;    // the Entry's id in its tree
    std::uint16_t depth; // 0 for the children of the folder laid out
    bool folder;
    bool named; // a folder whose name strip is inside its rectangle
};

struct TreemapOptions {
    double frame = 1;      // the space around a folder's children inside its rectangle
    double nameStrip = 14; // the height of a folder's name, when it fits
    double nameMinWidth = 40;
    double smallest = 3; // a folder smaller than this on a side shows no children
};

// The cells of every Entry below `folder` that has bytes, laid into `area`. `bytes` is
// subtreeBytes(folder's tree). Entries of 0 bytes get no cell; a folder whose rectangle is too
// small holds no cells of its children. Without recursion.
std::vector<TreemapCell> layoutTreemap(const Entry* folder, const std::vector<std::uint64_t>& bytes,
                                       const TreemapRect& area, const TreemapOptions& options = {});

// The deepest cell that holds the point, or with `depth` the one of that depth; -1 for none.
int cellAt(const std::vector<TreemapCell>& cells, double x, double y, int depth = -1);

} // namespace kx
