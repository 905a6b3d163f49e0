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

// Containment: candidates are the places whose folded character is the mask's first, and the
// rest of the mask is compared from there. `mask` is folded already and not empty.
template <class Ch, class Fold>
bool containsFolded(const Ch* s, std::size_t n, const Ch* mask, std::size_t m, const Fold& fold) {
    if (n < m) return false;
    const std::size_t starts = n - m + 1;
    for (std::size_t i = 0; i < starts; ++i) {
        if (fold(s[i]) != mask[0]) continue;
        std::size_t k = 1;
        while (k < m && fold(s[i + k]) == mask[k])
            ++k;
        if (k == m) return true;
    }
    return false;
}

// A glob over the whole text, "*" any run and "?" one character. One pass with a return to the
// last "*": linear for masks with one "*", at most text times mask steps otherwise.
template <class Ch, class Fold>
bool globFolded(const Ch* s, std::size_t n, const Ch* p, std::size_t m, const Fold& fold) {
    std::size_t i = 0, k = 0, starK = std::string::npos, starI = 0;
    while (i < n) {
        if (k < m && (p[k] == Ch('?') || (p[k] != Ch('*') && fold(s[i]) == p[k]))) {
            ++i;
            ++k;
        } else if (k < m && p[k] == Ch('*')) {
            starK = k++;
            starI = i;
        } else if (starK != std::string::npos) {
            k = starK + 1;
            i = ++starI;
        } else {
            return false;
        }
    }
    while (k < m && p[k] == Ch('*'))
        ++k;
    return k == m;
}

// Case-insensitive matching without copying the text: each byte goes through the code page's
// upper-casing table (a copy inside the matcher, so that it stays close in the cache).
// Containment is the search's own rule; a glob (as a shell matches a file name) needs the whole
// text to match. The mask must not be empty.
class MaskMatcher {
public:
    explicit MaskMatcher(std::string_view mask, bool glob = false) : m_glob(glob) {
        const unsigned char* upper = ansiUpperTable();
        std::copy(upper, upper + 256, m_upper.begin());
        m_mask.reserve(mask.size());
        for (char c : mask)
            m_mask += static_cast<char>(m_upper[static_cast<unsigned char>(c)]);
    }
    bool matches(std::string_view text) const {
        const auto* s = reinterpret_cast<const unsigned char*>(text.data());
        const auto* p = reinterpret_cast<const unsigned char*>(m_mask.data());
        const auto fold = [this](unsigned char c) { return m_upper[c]; };
        return m_glob ? globFolded(s, text.size(), p, m_mask.size(), fold)
                      : containsFolded(s, text.size(), p, m_mask.size(), fold);
    }
    bool isGlob() const { return m_glob; }
    // The upper-cased mask.
    const std::string& upperMask() const { return m_mask; }

private:
    std::array<unsigned char, 256> m_upper{};
    std::string m_mask;
    bool m_glob;
};

// Matching exact names (listfile/exactname.h), rarer than names in the code page: the name and
// the mask (UTF-8) upper-cased by Unicode and compared character by character; bytes that are
// no UTF-8 stand for U+FFFD, which no typed mask holds. An empty mask matches nothing.
class ExactMaskMatcher {
public:
    ExactMaskMatcher(std::string_view utf8Mask, bool glob);
    bool matches(std::string_view utf8) const;

private:
    std::u32string m_mask;
    bool m_glob;
};

// Only a leading "*" is dropped: "*.txt" finds ".txt", while "a*b" keeps its "*" and, as no
// name holds one, finds nothing.
inline std::string_view withoutLeadingStar(std::string_view mask) {
    if (!mask.empty() && mask.front() == '*') mask.remove_prefix(1);
    return mask;
}

// The mask a filter tests: a glob whole, a containment mask without its leading "*".
inline std::string_view effectiveMask(std::string_view mask, bool glob) {
    return glob ? mask : withoutLeadingStar(mask);
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
