// The search by mask over the entry tree: the shared walk of searchwalk.h with the name matcher
// as its only test.
#include "query/search.h"

#include "query/searchwalk.h"

namespace kx {

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
    foldersFirst(r.entries);
    return r;
}

std::string resultCaption(const SearchResults& r, std::size_t i) {
    return i < r.entries.size() ? captionBelowRoot(r.entries[i]) : std::string();
}

std::string resultPath(const SearchResults& r, std::size_t i) {
    if (i >= r.entries.size()) return {};
    return r.base + '\\' + resultCaption(r, i);
}

} // namespace kx
