// Two lists of the same disk compared: the entries that came, went or changed between two scans.
#pragma once

#include "listfile/entry.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kx::catalog {

struct DiffRow {
    char change;         // '+' only in the new list, '-' only in the old, '~' in both but changed
    std::string caption; // the path below the root, names as shown separated by "\", UTF-8
    char kind;           // the Entry's kind byte
};

// Receives the rows one by one; the caption lives until the call returns.
using DiffSink = std::function<void(char change, std::string_view caption, char kind)>;
// The same with the Entry of each list (null where the row's Entry is not in that list).
using DiffEntrySink = std::function<void(char change, std::string_view caption, char kind,
                                         const Entry* before, const Entry* after)>;

// Walks both trees side by side, folder by folder. In a folder, an Entry of the old list is the
// same as the one of the new list with the same name and kind, the k-th of that name and kind
// with the k-th (names holding "\" are names like any other); an Entry in both is changed when
// its stored size or its change time differs, and what is below it is compared in turn. Rows come
// sorted by caption (bytes), then kind, then change; below two Entries of the same name and kind,
// the first one's rows come first. Memory follows the folders being compared, never the paths.
void diffLists(const Entry* oldRoot, const Entry* newRoot, const DiffEntrySink& sink);
void diffLists(const Entry* oldRoot, const Entry* newRoot, const DiffSink& sink);
std::vector<DiffRow> diffLists(const Entry* oldRoot, const Entry* newRoot);

} // namespace kx::catalog
