// The search by mask over the entry tree: one non-recursive pre-order walk, no allocation per
// Entry apart from the results themselves.
#include "browser/search.h"

#include "listfile/codepage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace kx {

namespace {

using UpperTable = std::array<unsigned char, 256>;

UpperTable makeUpperTable() {
    UpperTable t{};
    for (int c = 0; c < 256; ++c)
        t[c] = ansiUpper(static_cast<unsigned char>(c));
    return t;
}

// Case-insensitive containment without copying the name: each byte goes through the code page's
// upper-casing table, candidates are the places whose upper-cased byte is the mask's first, and
// the rest of the mask is compared from there. upperMask must not be empty.
class Matcher {
public:
    explicit Matcher(std::string_view mask) : m_upper(makeUpperTable()) {
        m_mask.reserve(mask.size());
        for (char c : mask)
            m_mask += static_cast<char>(m_upper[static_cast<unsigned char>(c)]);
    }
    bool matches(std::string_view name) const {
        const std::size_t m = m_mask.size();
        if (name.size() < m) return false;
        const auto* s = reinterpret_cast<const unsigned char*>(name.data());
        const auto* mask = reinterpret_cast<const unsigned char*>(m_mask.data());
        const std::size_t starts = name.size() - m + 1;
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
    UpperTable m_upper;
    std::string m_mask;
};

constexpr std::size_t kPrefetchAhead = 3;

// Each file at position i is exchanged with the first folder after it. No folder lies between
// i + 1 and nextFolder, so the scan resumes there and the whole pass is linear.
void foldersToFront(SearchResults& r) {
    const std::size_t n = r.entries.size();
    std::size_t nextFolder = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (r.entries[i]->kind() != kFile) continue;
        std::size_t j = std::max(nextFolder, i + 1);
        while (j < n && r.entries[j]->kind() != kFolder)
            ++j;
        if (j == n) return; // no folder is left after i
        std::swap(r.entries[i], r.entries[j]);
        nextFolder = j + 1;
    }
}

} // namespace

std::string searchBase(std::string_view rootName) {
    std::string s(rootName);
    if (!s.empty() && s.back() == '\\') s.pop_back();
    return s;
}

SearchResults searchByMask(const Entry* root, std::string_view maskAnsi) {
    SearchResults r;
    if (!root) return r;
    r.base = searchBase(root->name());
    std::string mask(maskAnsi);
    // Only a leading "*" is dropped: "*.txt" finds ".txt", while "a*b" keeps its "*" and, as no
    // name holds one, finds nothing.
    if (!mask.empty() && mask.front() == '*') mask.erase(0, 1);
    if (mask.empty()) return r;
    Matcher matcher(mask);

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
        if (matcher.matches(e->name())) r.entries.push_back(e);
        if (!e->children().empty()) stack.push_back({e, 0}); // f is not used after this
    }
    foldersToFront(r);
    return r;
}

std::string resultCaption(const SearchResults& r, std::size_t i) {
    if (i >= r.entries.size()) return {};
    std::vector<std::string_view> names; // the Entry, then its folders up to the root's child
    for (const Entry* e = r.entries[i]; e && e->parent(); e = e->parent())
        names.push_back(e->name());
    std::string caption;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if (!caption.empty() || it != names.rbegin()) caption += '\\';
        caption += *it;
    }
    return caption;
}

std::string resultPath(const SearchResults& r, std::size_t i) {
    if (i >= r.entries.size()) return {};
    return r.base + '\\' + resultCaption(r, i);
}

} // namespace kx
