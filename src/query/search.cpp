// The search by mask over the entry tree: the shared walk of searchwalk.h with the name matcher
// as its only test.
#include "query/search.h"

#include "query/searchwalk.h"

#include <algorithm>
#include <utility>

namespace kx {

// Each file at position i is exchanged with the first folder after it. No folder lies between
// i + 1 and nextFolder, so the scan resumes there and the whole pass is linear.
void searchwalk::foldersToFront(std::vector<Entry*>& entries) {
    const std::size_t n = entries.size();
    std::size_t nextFolder = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (entries[i]->kind() != kFile) continue;
        std::size_t j = std::max(nextFolder, i + 1);
        while (j < n && entries[j]->kind() != kFolder)
            ++j;
        if (j == n) return; // no folder is left after i
        std::swap(entries[i], entries[j]);
        nextFolder = j + 1;
    }
}

std::string searchBase(std::string_view rootName) {
    std::string s(rootName);
    if (!s.empty() && s.back() == '\\') s.pop_back();
    return s;
}

SearchResults searchByMask(const Entry* root, std::string_view maskAnsi) {
    SearchResults r;
    if (!root) return r;
    r.base = searchBase(root->name());
    const std::string_view mask = searchwalk::withoutLeadingStar(maskAnsi);
    if (mask.empty()) return r;
    const searchwalk::MaskMatcher matcher(mask);
    searchwalk::collectBelow(root, r.entries,
                             [&matcher](const Entry& e) { return matcher.matches(e.name()); });
    searchwalk::foldersToFront(r.entries);
    return r;
}

std::string resultCaption(const SearchResults& r, std::size_t i) {
    return i < r.entries.size() ? captionBelowRoot(r.entries[i]) : std::string();
}

std::string captionBelowRoot(const Entry* e) {
    std::vector<std::string_view> names; // the Entry, then its folders up to the root's child
    for (; e && e->parent(); e = e->parent())
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
