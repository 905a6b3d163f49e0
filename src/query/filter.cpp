// Filters over Entries and the filtered search over the shared walk of searchwalk.h.
#include "query/filter.h"

#include "listfile/codepage.h"
#include "query/size80.h"

namespace kx {

EntryTest::EntryTest(const EntryFilter& filter)
    : m_filter(filter), m_hasMask(!filter.testedMask().empty()),
      m_matcher(filter.testedMask(), filter.glob),
      m_exact(exactMaskOf(filter.typedMask, filter.mask, filter.glob), filter.glob) {}

void EntryFilter::setMaskText(std::string_view utf8) {
    typedMask = std::string(utf8);
    mask = toAnsi(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())), &maskFitsCodePage);
}

bool EntryTest::sizeWithin(const ExtendedFloat& size) const {
    if (m_filter.minSize) {
        const SizeOrder o = compareSizeWith(size, *m_filter.minSize);
        if (o != SizeOrder::greater && o != SizeOrder::equal) return false;
    }
    if (m_filter.maxSize) {
        const SizeOrder o = compareSizeWith(size, *m_filter.maxSize);
        if (o != SizeOrder::less && o != SizeOrder::equal) return false;
    }
    return true;
}

bool EntryTest::operator()(const Entry& e) const {
    // The cheap fields first, the texts last.
    if (!conditionsHold(e.kind(), e.attributes(), e.mark(), e.hasComment(),
                        [&e] { return e.sizeValue(); }))
        return false;
    const auto commentOf = [&e] { return e.comment(); };
    if (e.hasExactName()) return exactMaskMatches(*e.exactName(), e.hasComment(), commentOf);
    return maskMatches(e.name(), e.hasComment(), commentOf);
}

bool passes(const EntryFilter& filter, const Entry& e) {
    return EntryTest(filter)(e);
}

SearchResults searchFiltered(const Entry* root, const EntryFilter& filter) {
    // The plain search keeps its own loop, with nothing but the name test per Entry.
    if (!filter.hasConditions() && !filter.inComments && !filter.glob)
        return searchByMask(root, filter.mask, filter.typedMask, filter.maskFitsCodePage);
    SearchResults r;
    if (!root) return r;
    r.base = searchBase(root->name());
    // Without conditions an empty mask finds nothing, as in the plain search.
    if (!filter.hasConditions() && filter.testedMask().empty()) return r;
    const EntryTest test(filter);
    searchwalk::collectBelow(root, r.entries, test);
    foldersFirst(r.entries);
    return r;
}

} // namespace kx
