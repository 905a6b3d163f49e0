// Two lists of the same disk compared: the entries that came, went or changed between two scans.
#pragma once

#include "listfile/entry.h"

#include <string>
#include <vector>

namespace kx::catalog {

struct DiffRow {
    char change;         // '+' only in the new list, '-' only in the old, '~' in both but changed
    std::string caption; // the path below the root, names as shown separated by "\", UTF-8
    char kind;           // the Entry's kind byte
};

// Matches the Entries below the two roots by their path below the root and their kind; an Entry
// in both is changed when its stored size or its change time differs. Sorted by path (bytes),
// then kind, then change. When one list holds the same path and kind twice, the first in
// pre-order stands for it.
std::vector<DiffRow> diffLists(const Entry* oldRoot, const Entry* newRoot);

} // namespace kx::catalog
