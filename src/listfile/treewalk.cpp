// Walks over a whole tree: its counts and the folders-first order of a children list.
#include "listfile/entry.h"

#include <utility>

namespace kx {

TreeCounts countTree(const Entry* root) {
    TreeCounts c;
    if (!root) return c;
    auto add = [&c](const Entry* e) {
        ++c.entries;
        if (e->isFolder())
            ++c.folders;
        else
            ++c.files;
        return true;
    };
    add(root);
    walkBelow(root, add);
    return c;
}

std::uint64_t countBelow(const Entry* root) {
    std::uint64_t n = 0;
    if (root) walkBelow(root, [&n](const Entry*) { return ++n, true; });
    return n;
}

void foldersFirst(Entry** list, Entry** last) {
    // Equivalent to: for each i, for each j > i, exchange when list[i] is a file and list[j] a
    // folder. The first folder after i only ever moves forward, so one pass suffices.
    const std::size_t n = std::size_t(last - list);
    std::size_t j = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (j <= i) j = i + 1;
        while (j < n && list[j]->kind() != kFolder)
            ++j;
        if (j == n) break;
        if (list[i]->kind() == kFile) std::swap(list[i], list[j]);
    }
}

} // namespace kx
