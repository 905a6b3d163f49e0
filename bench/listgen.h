// Generated lists of any size for benchmarks and demos.
#pragma once

#include "listfile/entry.h"

#include <memory>
#include <string>

namespace kxbench {

// A tree of `entries` Entries (the root included): about `folderShare` of them folders, names of
// 8 to 30 characters (Latin and Cyrillic), depth at most `maxDepth`. The same seed gives the same
// tree.
std::unique_ptr<kx::EntryTree> generateTree(std::size_t entries, double folderShare = 0.1,
                                            int maxDepth = 12, unsigned seed = 20261210);

// A list file of such a tree at `path`, made once and reused while it exists.
std::string ensureListFile(const std::string& path, std::size_t entries);

// A tree whose root holds one folder with `files` files (for the detail-list benchmark).
std::unique_ptr<kx::EntryTree> wideFolderTree(std::size_t files);

} // namespace kxbench
