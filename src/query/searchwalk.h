// What the plain search and the filtered search share: the case-folding name matcher, the mask's
// leading "*" rule and the pre-order walk that collects Entries (the results are then regrouped
// by foldersfirst.h).
// A header of the search's own .cpp files; the rest of the program calls search.h and filter.h.
#pragma once

#include "listfile/entry.h"
#include "query/foldersfirst.h"
#include "query/upcase.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kx::searchwalk {

// Case-insensitive containment without copying the text: each byte goes through the code page's
// upper-casing table (a copy inside the matcher, so that it stays close in the cache), candidates
// are the places whose upper-cased byte is the mask's first, and the rest of the mask is compared
// from there. The mask must not be empty.
class MaskMatcher {
public:
    explicit MaskMatcher(std::string_view mask) {
        const unsigned char* upper = ansiUpperTable();
        std::copy(upper, upper + 256, m_upper.begin());
        m_mask.reserve(mask.size());
        for (char c : mask)
            m_mask += static_cast<char>(m_upper[static_cast<unsigned char>(c)]);
    }
    bool matches(std::string_view text) const {
        const std::size_t m = m_mask.size();
        if (text.size() < m) return false;
        const auto* s = reinterpret_cast<const unsigned char*>(text.data());
        const auto* mask = reinterpret_cast<const unsigned char*>(m_mask.data());
        const std::size_t starts = text.size() - m + 1;
        for (std::size_t i = 0; i < starts; ++i) {
            if (m_upper[s[i]] != mask[0]) continue;
            std::size_t k = 1;
            while (k < m && m_upper[s[i + k]] == mask[k])
                ++k;
            if (k == m) return true;
        }
        return false;
    }

private:
    std::array<unsigned char, 256> m_upper{};
    std::string m_mask;
};

// Only a leading "*" is dropped: "*.txt" finds ".txt", while "a*b" keeps its "*" and, as no
// name holds one, finds nothing.
inline std::string_view withoutLeadingStar(std::string_view mask) {
    if (!mask.empty() && mask.front() == '*') mask.remove_prefix(1);
    return mask;
}

constexpr std::size_t kPrefetchAhead = 3;

// Appends to `found` every Entry below root, in pre-order, for which keep(entry) is true; the
// root itself is never tested. One non-recursive walk, no allocation per Entry apart from the
// results; `keep` is inlined into the loop.
template <class Keep>
void collectBelow(const Entry* root, std::vector<Entry*>& found, const Keep& keep) {
    struct Frame {
        const Entry* folder;
        std::size_t next;
    };
    std::vector<Frame> stack;
    if (!root->children().empty()) stack.push_back({root, 0});
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next == f.folder->children().size()) {
            stack.pop_back();
            continue;
        }
        Entry* e = f.folder->children()[f.next++];
        if (f.next + kPrefetchAhead < f.folder->children().size()) {
            // A later sibling's Entry is fetched early: the walk reads it after its name.
            __builtin_prefetch(f.folder->children()[f.next + kPrefetchAhead]);
        }
        if (keep(*e)) found.push_back(e);
        if (!e->children().empty()) stack.push_back({e, 0}); // f is not used after this
    }
}

} // namespace kx::searchwalk
