// The squarified layout: rows along the shorter side of what is left, each row grown while that
// makes its worst aspect ratio no worse.
#include "query/treemap.h"

#include <algorithm>

namespace kx {

namespace {

// The worst aspect ratio of a row of items summing `sum` (largest `big`, smallest `small`) laid
// along a side of `side`, sizes already scaled to areas.
double worstRatio(double sum, double big, double small, double side) {
    const double s2 = side * side, sum2 = sum * sum;
    return std::max(s2 * big / sum2, sum2 / (s2 * small));
}

} // namespace

std::vector<TreemapRect> squarify(const std::vector<double>& sizes, const TreemapRect& area) {
    std::vector<TreemapRect> out(sizes.size());
    double total = 0;
    for (double s : sizes)
        total += s;
    if (sizes.empty() || total <= 0 || area.w <= 0 || area.h <= 0) return out;
    const double scale = area.w * area.h / total;
    TreemapRect left = area;
    std::size_t first = 0;
    while (first < sizes.size()) {
        const bool wide = left.w >= left.h; // the row stands along the shorter side
        const double side = wide ? left.h : left.w;
        std::size_t last = first + 1;
        double sum = sizes[first] * scale;
        double worst = worstRatio(sum, sum, sum, side);
        while (last < sizes.size()) {
            const double next = sizes[last] * scale;
            const double w = worstRatio(sum + next, sizes[first] * scale, next, side);
            if (w > worst) break;
            worst = w;
            sum += next;
            ++last;
        }
        if (last == sizes.size()) sum = (wide ? left.w : left.h) * side; // no rounding left over
        const double thickness = sum / side;
        double at = wide ? left.y : left.x;
        for (std::size_t i = first; i < last; ++i) {
            const double length = i + 1 == last ? (wide ? left.y + left.h : left.x + left.w) - at
                                                : sizes[i] * scale / thickness;
            out[i] = wide ? TreemapRect{left.x, at, thickness, length}
                          : TreemapRect{at, left.y, length, thickness};
            at += length;
        }
        if (wide) {
            left.x += thickness;
            left.w = std::max(0.0, left.w - thickness);
        } else {
            left.y += thickness;
            left.h = std::max(0.0, left.h - thickness);
        }
        first = last;
    }
    return out;
}

std::vector<TreemapCell> layoutTreemap(const Entry* folder, const std::vector<std::uint64_t>& bytes,
                                       const TreemapRect& area, const TreemapOptions& options) {
    std::vector<TreemapCell> cells;
    if (!folder) return cells;
    struct Pending {
        const Entry* folder;
        TreemapRect inside;
        std::uint16_t depth;
    };
    std::vector<Pending> stack{{folder, area, 0}};
    std::vector<const Entry*> kids;
    std::vector<double> sizes;
    while (!stack.empty()) {
        const Pending p = stack.back();
        stack.pop_back();
        kids.clear();
        for (const Entry* c : p.folder->children())
            if (bytes[c->id()] > 0) kids.push_back(c);
        std::stable_sort(kids.begin(), kids.end(), [&](const Entry* a, const Entry* b) {
            return bytes[a->id()] > bytes[b->id()];
        });
        sizes.resize(kids.size());
        for (std::size_t i = 0; i < kids.size(); ++i)
            sizes[i] = double(bytes[kids[i]->id()]);
        const std::vector<TreemapRect> rects = squarify(sizes, p.inside);
        for (std::size_t i = 0; i < kids.size(); ++i) {
            const Entry* c = kids[i];
            const TreemapRect& r = rects[i];
            const bool isFolder = !c->children().empty();
            TreemapCell cell{r, c->id(), p.depth, isFolder, false};
            if (isFolder) {
                TreemapRect in{r.x + options.frame, r.y + options.frame, r.w - 2 * options.frame,
                               r.h - 2 * options.frame};
                if (in.w >= options.nameMinWidth && in.h >= 3 * options.nameStrip) {
                    cell.named = true;
                    in.y += options.nameStrip;
                    in.h -= options.nameStrip;
                }
                if (in.w >= options.smallest && in.h >= options.smallest)
                    stack.push_back({c, in, std::uint16_t(std::min(p.depth + 1, 0xffff))});
            }
            cells.push_back(cell);
        }
    }
    return cells;
}

int cellAt(const std::vector<TreemapCell>& cells, double x, double y, int depth) {
    int found = -1;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const TreemapCell& c = cells[i];
        if (!c.rect.contains(x, y) || (depth >= 0 && c.depth != depth)) continue;
        if (found < 0 || c.depth > cells[std::size_t(found)].depth) found = int(i);
    }
    return found;
}

} // namespace kx
