// Filters over Entries and the filtered search over the shared walk of searchwalk.h.
#include "query/filter.h"

#include "query/size80.h"

namespace kx {

namespace {

bool sizeWithin(const Entry& e, const std::optional<std::uint64_t>& minSize,
                const std::optional<std::uint64_t>& maxSize) {
    if (e.isFolder()) return false;
    const ExtendedFloat size = e.sizeValue();
    if (minSize) {
        const SizeOrder o = compareSizeWith(size, *minSize);
        if (o != SizeOrder::greater && o != SizeOrder::equal) return false;
    }
    if (maxSize) {
        const SizeOrder o = compareSizeWith(size, *maxSize);
        if (o != SizeOrder::less && o != SizeOrder::equal) return false;
    }
    return true;
}

} // namespace

EntryTest::EntryTest(const EntryFilter& filter)
    : m_filter(filter), m_hasMask(!searchwalk::withoutLeadingStar(filter.mask).empty()),
      m_matcher(searchwalk::withoutLeadingStar(filter.mask)) {}

bool EntryTest::operator()(const Entry& e) const {
    // The cheap fields first, the texts last.
    if (m_filter.mark && e.mark() != *m_filter.mark) return false;
    if (m_filter.damagedOnly && !e.isDamaged()) return false;
    if ((m_filter.minSize || m_filter.maxSize) &&
        !sizeWithin(e, m_filter.minSize, m_filter.maxSize))
        return false;
    if (m_filter.commentedOnly && !e.hasComment()) return false;
    if (!m_hasMask) return true;
    return m_matcher.matches(e.name()) ||
           (m_filter.inComments && e.hasComment() && m_matcher.matches(e.comment()));
}

bool passes(const EntryFilter& filter, const Entry& e) {
    return EntryTest(filter)(e);
}

SearchResults searchFiltered(const Entry* root, const EntryFilter& filter) {
    // The plain search keeps its own loop, with nothing but the name test per Entry.
    if (!filter.hasConditions() && !filter.inComments) return searchByMask(root, filter.mask);
    SearchResults r;
    if (!root) return r;
    r.base = searchBase(root->name());
    // Without conditions an empty mask finds nothing, as in the plain search.
    if (!filter.hasConditions() && searchwalk::withoutLeadingStar(filter.mask).empty()) return r;
    const EntryTest test(filter);
    searchwalk::collectBelow(root, r.entries, test);
    foldersFirst(r.entries);
    return r;
}

} // namespace kx
