// Totals over Entries: how many there are, and the bytes of the files among them, for every
// entry, the folders, the files, each mark, the commented, the damaged and the crossed-out ones.
#pragma once

#include "listfile/entry.h"

#include <cstdint>
#include <unordered_set>
#include <vector>

namespace kx {

// A number of Entries and the sum of the sizes of the files among them (kind other than 'D'),
// each size as Entry::size() gives it (whole bytes; negative and NaN sizes count 0). A sum that
// would pass 2^64 - 1 stays there.
struct Tally {
    std::uint64_t entries = 0;
    std::uint64_t bytes = 0;

    // One more Entry; fileBytes is its size when it is a file, 0 for a folder.
    void add(std::uint64_t fileBytes);
};

// The rows of a summary. An Entry counts in every row whose condition it meets:
// - folders: kind 'D'; files: every other kind;
// - required, useless, unmarked: the stored mark is 1, 2, 0 (other values are in none of them);
// - commented: a comment is stored (its first byte is not NUL);
// - damaged: the damaged attribute bit is set (Entry::isDamaged());
// - crossedOut: the crossed-out byte is not 0 (Entry::crossedOut() != 0).
struct Summary {
    Tally all, folders, files, required, useless, unmarked, commented, damaged, crossedOut;

    void add(const Entry& e);
    // Every Entry below `folder` at every depth, the folder itself not.
    void addBelow(const Entry* folder);
};

// Every Entry below `folder` at every depth; the folder itself does not count. A null folder
// gives an empty summary.
Summary summarizeBelow(const Entry* folder);

// The given Entries only (a selection of rows), each once as listed, nothing below them.
template <class Entries> Summary summarize(const Entries& entries) {
    Summary s;
    for (const Entry* e : entries)
        s.add(*e);
    return s;
}

// The given Entries (a selection of rows) with everything below each of them, so that a folder
// counts with its whole subtree; an Entry listed twice, or below another one listed, counts once.
template <class Entries> Summary summarizeWithin(const Entries& entries) {
    const std::unordered_set<const Entry*> listed(entries.begin(), entries.end());
    std::unordered_set<const Entry*> counted;
    Summary s;
    for (const Entry* e : entries) {
        if (!counted.insert(e).second) continue;
        bool below = false; // under another Entry listed: counted with it
        for (const Entry* up = e->parent(); up && !below; up = up->parent())
            below = listed.count(up) != 0;
        if (below) continue;
        s.add(*e);
        s.addBelow(e);
    }
    return s;
}

} // namespace kx
